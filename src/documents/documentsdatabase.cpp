#include "documentsdatabase.h"

#include "apperror.h"
#include "db.h"
#include "documentslocation.h"
#include "global.h"
#include "valuestream.h"

namespace {

const QString Source = QStringLiteral("DocumentsDatabase");
// Where a document's contents are stored: its row's column, the row named by the file name.
const QString DocumentTable = QStringLiteral("Document");
const QString ContentColumn = QStringLiteral("Content");
const QString FileNameColumn = QStringLiteral("FileName");

// The documents database the main database names now, which the session then keeps using: an
// administrator on another desk may have named another one since this session began.
QString activePath()
{
    Global::docDBPath = DocumentsLocation::inUse();
    if (Global::docDBPath.trimmed().isEmpty())
        throw AppError(
            AppError::DatabaseError, Source,
            QStringLiteral("No documents database is chosen. Please choose one in the administration "
                           "dialog's Database tab."));
    return Global::docDBPath;
}

// The shared connection to the documents database, made only once the database has shown that it
// is one. A file not yet open is looked at first without changing it (shared access would rewrite
// its header, a 0-byte file included); one already open may be the main database itself, named by
// mistake, whose connection is left as it is. A missing file is reported missing by the opener.
// Each use looks again: a role refused, a connection that failed or a server starting up is told
// as what it is, and the next use finds the database valid once that has passed.
QSqlDatabase checkedConnection(const QString& name, const QString& operation, const QString& outcome)
{
    const bool isDocuments = Db::isOpen(name) ? DocumentsLocation::holdsDocuments(Db::open(name), name)
                                              : !Db::databaseExists(name) || DocumentsLocation::isDocumentsDatabase(name);
    if (!isDocuments)
        throw AppError(AppError::DatabaseError, Source + operation,
                       (Db::namesFile(name) ? QStringLiteral("The file '%1' is not a valid Corvantis documents database. %2")
                                            : QStringLiteral("The database '%1' is not a valid Corvantis documents database. %2"))
                           .arg(Db::displayName(name), outcome));
    return Global::getDocDBConnection(name);
}

} // namespace

namespace DocumentsDatabase {

QSqlDatabase connection()
{
    return checkedConnection(activePath(), QStringLiteral(".connection"), QStringLiteral("Nothing was read."));
}

QSqlDatabase connectionForWrite()
{
    const QString path = activePath();
    if (Db::isOpen(path)) {
        if (Db::movedSinceOpened(Db::open(path))) {
            // The next attempt opens whatever file now stands at the path, after the checks below.
            Db::close(path);
            throw AppError(
                AppError::DatabaseError, Source + QStringLiteral(".connectionForWrite"),
                QStringLiteral("The documents database '%1' was moved, replaced or deleted while it was "
                               "in use. Nothing was saved; please try again.")
                    .arg(Db::displayName(path)));
        }
    }
    return checkedConnection(path, QStringLiteral(".connectionForWrite"), QStringLiteral("Nothing was saved."));
}

Db::ValueWriter contentWriter(const Db::Transaction& tx, const QString& fileName, qint64 size)
{
    return Db::ValueWriter::open(tx, DocumentTable, ContentColumn, {FileNameColumn, fileName}, size);
}

bool readContent(const QSqlDatabase& db, const QString& fileName, const Db::PieceTaker& take)
{
    return Db::readValue(db, DocumentTable, ContentColumn, {FileNameColumn, fileName}, take);
}

} // namespace DocumentsDatabase
