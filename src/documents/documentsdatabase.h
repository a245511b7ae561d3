#pragma once

#include <QSqlDatabase>
#include <QString>

// The active documents database: the file named by Global::docDBPath, reached through the one
// connection kept for its path.
namespace DocumentsDatabase {

// The connection for reading; raises AppError when no documents database is set or it cannot
// be opened.
QSqlDatabase connection();
// The connection for a write, checked first: the path still names the very file the connection
// has open (on Linux a file deleted or replaced while open keeps taking writes that are then
// lost) and that file is a documents database. Raises AppError otherwise, with nothing written.
QSqlDatabase connectionForWrite();
// The largest value, in bytes, that the connection stores in one column.
qint64 blobLimit(const QSqlDatabase& db);

} // namespace DocumentsDatabase
