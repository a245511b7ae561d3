#pragma once

#include "valuestream.h"

#include <QSqlDatabase>
#include <QString>

// The active documents database: the file or server database the main database names now (kept in
// Global::docDBPath), reached through the one connection kept for it.
namespace DocumentsDatabase {

// The connection for reading; raises AppError when no documents database is set, it cannot be
// opened or it is not a documents database (a file that is not is left exactly as it was).
QSqlDatabase connection();
// The connection for a write, checked first: the path still names the very file the connection
// has open (on Linux a file deleted or replaced while open keeps taking writes that are then
// lost) and that file is a documents database. Raises AppError otherwise, with nothing written.
QSqlDatabase connectionForWrite();
// Writes the contents of a stored document piece by piece (see Db::ValueWriter), so that a large
// document is never held in memory whole. The document's row is stored already, without contents;
// the pieces belong to the transaction, so a failure part-way leaves nothing once it is rolled back.
Db::ValueWriter contentWriter(const Db::Transaction& tx, const QString& fileName, qint64 size);

// Hands the stored contents of the document to take, piece by piece (Db::ValuePieceSize at most);
// false, with nothing handed over, when the document or its contents are not stored.
bool readContent(const QSqlDatabase& db, const QString& fileName, const Db::PieceTaker& take);

} // namespace DocumentsDatabase
