#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <memory>

// The type of a reconciling item ("C" outstanding check, "D" deposit in transit, ...), one row of
// table ReconcilingItemType. Only the type list makes them; everyone else reads them.
class ReconcilingItemType
{
public:
    ReconcilingItemType() = default; // no type: the empty code

    const QString& getCode() const { return m_code; }
    const QString& getName() const { return m_name; }
    // Codes and names equal, exactly.
    bool equals(const ReconcilingItemType& other) const { return m_code == other.m_code && m_name == other.m_name; }
    bool isEmpty() const { return m_code.isEmpty(); }

private:
    friend class ReconcilingItemTypeList;
    ReconcilingItemType(QString code, QString name) : m_code(std::move(code)), m_name(std::move(name)) {}

    QString m_code;
    QString m_name;
};

// The item types of the main database in the order the table gives them. The table is never
// written by the program, so it is read once per connection; reload() forgets what was read.
class ReconcilingItemTypeList
{
public:
    // The types of the shared main connection.
    ReconcilingItemTypeList();
    explicit ReconcilingItemTypeList(const QSqlDatabase& db);

    qsizetype count() const { return m_types->size(); }
    // The type with that code, letter case ignored. A code that is not in the list raises an
    // AppError naming the code.
    const ReconcilingItemType& getReconcilingItemType(const QString& code) const;
    // The type at a position counted from 1; raises outside 1 to count.
    const ReconcilingItemType& getReconcilingItemTypeAt(qsizetype position) const;
    // The type with that code, or nullptr.
    const ReconcilingItemType* find(const QString& code) const;

    QList<ReconcilingItemType>::const_iterator begin() const { return m_types->cbegin(); }
    QList<ReconcilingItemType>::const_iterator end() const { return m_types->cend(); }

    // Drops every list read so far, so that the next list reads the table again.
    static void reload();

private:
    std::shared_ptr<const QList<ReconcilingItemType>> m_types;
};
