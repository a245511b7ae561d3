#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The one way the system writes a tab-separated export (or any other text file it hands to the
// user): UTF-8 without a byte-order mark, every line ending in CR LF, a TAB, a NUL, a CR LF pair,
// a lone CR or a lone LF inside a field each turned into one blank so that a field never breaks a
// row. Only a regular file or a new name is written: a device, a pipe or a folder is refused.
// Rows are gathered in memory and commit() writes the whole file at once through a save file: an
// export that fails, or that is dropped before commit(), leaves no half-written file, and a file
// already there keeps its old content on failure. A field that begins with a double quote is
// written quoted (inner quotes doubled), so that a spreadsheet or a CSV reader reads it back as it
// was. Nothing here throws for a failed write.
class ExportWriter
{
public:
    // A file whose name is chosen once its rows are gathered: setPath() before commit().
    ExportWriter() = default;
    explicit ExportWriter(QString path);

    void setPath(const QString& path) { m_path = path; }
    const QString& path() const { return m_path; }

    // Adds one line: the fields, cleaned, joined by TAB.
    void addRow(const QStringList& fields);
    qsizetype rowCount() const { return m_rows; }
    // The bytes commit() writes.
    const QByteArray& content() const { return m_content; }

    // Writes every row added so far to the file; no row writes an empty file. False when the file
    // could not be written; then errorString() says why in words for the user.
    bool commit();
    QString errorString() const { return m_error; }

    // A field as it is written: a TAB, a NUL, a CR LF pair, a lone CR and a lone LF each become
    // one blank.
    static QString cleanField(const QString& field);

    // Whether an export may go to the chosen file: a device, a pipe or a folder is refused with a
    // message, a file already there is replaced only when the user says so, and a file another
    // program holds open is refused with a message titled inUseTitle. Nothing is written here.
    static bool mayReplace(const QString& path, const QString& inUseTitle);

    // The message for a file that could not be written, and why.
    static QString failureText(const QString& path, const QString& reason);

private:
    QString m_path;
    QByteArray m_content;
    qsizetype m_rows = 0;
    QString m_error;
};
