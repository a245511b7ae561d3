#pragma once

#include <QSqlDatabase>
#include <QString>
#include <functional>

struct sqlite3_blob;

// The active documents database: the file or server database named by Global::docDBPath, reached
// through the one connection kept for it.
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

// The largest piece of a document's contents held in memory at a time.
constexpr qint64 PieceSize = 1 << 20;

// Writes the contents of a stored document piece by piece, so that a large document never has
// to be held in memory whole. The document's row is stored already, without contents; the pieces
// belong to the connection's open transaction, so a failure part-way leaves nothing once it is
// rolled back. Raises AppError when a piece fails.
class ContentWriter
{
public:
    ContentWriter(const QSqlDatabase& db, const QString& fileName, qint64 size);
    ~ContentWriter();
    ContentWriter(const ContentWriter&) = delete;
    ContentWriter& operator=(const ContentWriter&) = delete;

    void write(const char* data, qint64 size);
    // The contents complete; raises when they could not be written.
    void close();

private:
    QSqlDatabase m_db;
    QString m_fileName;
    sqlite3_blob* m_blob = nullptr;
    qint64 m_offset = 0;
    qint64 m_pieces = 0;
};

// Hands the stored contents of the document to take, piece by piece (PieceSize at most); false,
// with nothing handed over, when the document or its contents are not stored.
bool readContent(const QSqlDatabase& db, const QString& fileName,
                 const std::function<void(const char*, qint64)>& take);

} // namespace DocumentsDatabase
