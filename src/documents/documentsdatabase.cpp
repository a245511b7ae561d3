#include "documentsdatabase.h"

#include "apperror.h"
#include "db.h"
#include "global.h"

#include <QDir>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

namespace {

const QString Source = QStringLiteral("DocumentsDatabase");

sqlite3* handleOf(const QSqlDatabase& db)
{
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

// Whether the file behind the connection was deleted, renamed or replaced since it was opened.
bool hasMoved(const QSqlDatabase& db)
{
    sqlite3* handle = handleOf(db);
    int moved = 0;
    return handle && sqlite3_file_control(handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

QString activePath()
{
    if (Global::docDBPath.trimmed().isEmpty())
        throw AppError(AppError::DatabaseError, Source,
                       QStringLiteral("No documents database is chosen. Please choose one in the administration "
                                      "dialog's Database tab."));
    return Global::docDBPath;
}

} // namespace

namespace DocumentsDatabase {

QSqlDatabase connection()
{
    return Global::getDocDBConnection(activePath());
}

QSqlDatabase connectionForWrite()
{
    const QString path = activePath();
    if (Db::isOpen(path)) {
        if (hasMoved(Db::open(path))) {
            // The next attempt opens whatever file now stands at the path, after the checks below.
            Db::close(path);
            throw AppError(AppError::DatabaseError, Source + QStringLiteral(".connectionForWrite"),
                           QStringLiteral("The documents database '%1' was moved, replaced or deleted while it was "
                                          "in use. Nothing was saved; please try again.")
                               .arg(QDir::toNativeSeparators(path)));
        }
        return Global::getDocDBConnection(path);
    }
    QSqlDatabase db = Global::getDocDBConnection(path);
    if (!Db::columnExists(db, QStringLiteral("Document"), QStringLiteral("CreateUser"))) {
        Db::close(path);
        throw AppError(AppError::DatabaseError, Source + QStringLiteral(".connectionForWrite"),
                       QStringLiteral("The file '%1' is not a valid Corvantis documents database. Nothing was saved.")
                           .arg(QDir::toNativeSeparators(path)));
    }
    return db;
}

qint64 blobLimit(const QSqlDatabase& db)
{
    sqlite3* handle = handleOf(db);
    // SQLite's own default when the driver does not show its handle.
    return handle ? sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, -1) : 1000000000;
}

} // namespace DocumentsDatabase
