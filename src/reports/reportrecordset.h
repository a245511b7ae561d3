#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <memory>
#include <vector>

// One field as a declaration gives it. The type and width are what the report's author declared;
// they inform, they never cut or refuse a value (a long name or a large amount prints in full).
struct ReportField
{
    QString name;
    QString type; // "adVarChar", "adChar", "adLongVarWChar", "adInteger", ... as declared
    int size = 0; // the declared width, 0 when the type has none
};

// The in-memory hierarchical record set a report is bound to: a table of rows, and chapters of
// child rows that belong to a row of this table when their relating field holds the same value
// as the row's relating field (compared as text). A chapter is one table for all parent rows, so
// rows can be added to it in any order. Field and chapter names match without regard to case.
class ReportRecordSet
{
public:
    ReportRecordSet() = default;
    ReportRecordSet(const ReportRecordSet&) = delete;
    ReportRecordSet& operator=(const ReportRecordSet&) = delete;

    // The empty record set a "SHAPE APPEND NEW type As name, ..." text declares, with its child
    // chapters "((SHAPE APPEND ...) AS chapter RELATE parentField TO childField)" (the chapter
    // name may also follow the closing parenthesis). Raises when the text cannot be read.
    static std::shared_ptr<ReportRecordSet> fromShape(const QString& command);

    void addField(const QString& name, const QString& type = QStringLiteral("adLongVarWChar"), int size = 0);
    // Declares a chapter of child rows and returns its record set: the one given (declared
    // already), or a new empty one whose fields the caller then adds.
    ReportRecordSet& addChapter(const QString& name, const QString& parentField, const QString& childField,
                                std::unique_ptr<ReportRecordSet> records = {});

    const std::vector<ReportField>& fields() const { return m_fields; }
    int fieldIndex(const QString& name) const; // -1 when there is no such field
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }

    // Adds one row from two lists of the same length: field names (any order, any case) and their
    // values. Fields not named stay null. Raises for a length mismatch or an unknown name.
    void addNew(const QStringList& names, const QVariantList& values);
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    QVariant value(int row, int field) const;
    QVariant value(int row, const QString& field) const; // raises for an unknown field

    QStringList chapterNames() const;
    const ReportRecordSet* findChapter(const QString& name) const;
    ReportRecordSet& chapter(const QString& name); // raises when there is no such chapter
    const ReportRecordSet& chapter(const QString& name) const;
    // The rows of the chapter that belong to one row of this record set, in the order added.
    QList<int> childRows(int row, const QString& chapter) const;

private:
    struct Chapter
    {
        QString name;
        int parentField = -1;
        QString childField;
        std::unique_ptr<ReportRecordSet> records;
    };
    const Chapter* chapterEntry(const QString& name) const;
    // Child rows by their relating value, built on first use after rows were added.
    const QHash<QString, QList<int>>& rowsByValue(int field) const;

    std::vector<ReportField> m_fields;
    QHash<QString, int> m_fieldIndex; // lower-cased name -> index
    std::vector<QVariantList> m_rows;
    std::vector<Chapter> m_chapters;
    mutable QHash<int, QHash<QString, QList<int>>> m_index;
};
