#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The one way the system writes a tab-separated export (or any other text file it hands to the
// user): UTF-8 without a byte-order mark, every line ending in CR LF, TAB, CR and LF inside a field
// each turned into one blank so that a field never breaks a row. Rows are gathered in memory and
// commit() writes the whole file at once through a save file: an export that fails, or that is
// dropped before commit(), leaves no half-written file, and a file already there keeps its old
// content on failure. Nothing here throws for a failed write.
class ExportWriter
{
public:
    explicit ExportWriter(QString path);

    // Adds one line: the fields, cleaned, joined by TAB.
    void addRow(const QStringList& fields);
    qsizetype rowCount() const { return m_rows; }

    // Writes every row added so far to the file. False when the file could not be written; then
    // errorString() says why in words for the user.
    bool commit();
    QString errorString() const { return m_error; }

    // A field as it is written: TAB, CR and LF each replaced by one blank.
    static QString cleanField(QString field);

private:
    QString m_path;
    QByteArray m_content;
    qsizetype m_rows = 0;
    QString m_error;
};
