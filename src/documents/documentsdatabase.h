#pragma once

#include <QSqlDatabase>
#include <QString>

struct sqlite3_blob;

// The active documents database: the file named by Global::docDBPath, reached through the one
// connection kept for its path.
namespace DocumentsDatabase {

// The connection for reading; raises AppError when no documents database is set, it cannot be
// opened or it is not a documents database (a file that is not is left exactly as it was).
QSqlDatabase connection();
// The connection for a write, checked first: the path still names the very file the connection
// has open (on Linux a file deleted or replaced while open keeps taking writes that are then
// lost) and that file is a documents database. Raises AppError otherwise, with nothing written.
QSqlDatabase connectionForWrite();
// The largest value, in bytes, that the connection stores in one column.
qint64 blobLimit(const QSqlDatabase& db);

// Writes a long value into a stored row piece by piece, so that a large document never has to be
// held in memory whole: the row is inserted with a value of zeros of the right length first. The
// pieces belong to the connection's open transaction. Raises AppError when a piece fails.
class BlobWriter
{
public:
    BlobWriter(const QSqlDatabase& db, const QString& table, const QString& column, qint64 rowid);
    ~BlobWriter();
    BlobWriter(const BlobWriter&) = delete;
    BlobWriter& operator=(const BlobWriter&) = delete;

    void write(const char* data, qint64 size);
    // Closes the value; raises when the value could not be written.
    void close();

private:
    QSqlDatabase m_db;
    sqlite3_blob* m_blob = nullptr;
    qint64 m_offset = 0;
};

} // namespace DocumentsDatabase
