#include "documentsdatabase.h"

#include "apperror.h"
#include "db.h"
#include "documentslocation.h"
#include "global.h"

#include <QDir>
#include <QSqlDriver>
#include <QVariant>
#include <utility>

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
    return handle && sqlite3_file_control(handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
           moved != 0;
}

QString activePath()
{
    if (Global::docDBPath.trimmed().isEmpty())
        throw AppError(
            AppError::DatabaseError, Source,
            QStringLiteral("No documents database is chosen. Please choose one in the administration "
                           "dialog's Database tab."));
    return Global::docDBPath;
}

// The shared connection to the documents database at the path, made only once the file has shown
// that it is one. A file not yet open is looked at first without changing it (shared access would
// rewrite its header, a 0-byte file included); one already open may be the main database itself,
// named by mistake, whose connection is left as it is. A missing file is reported missing by the
// opener.
QSqlDatabase checkedConnection(const QString& path, const QString& operation, const QString& outcome)
{
    const bool isDocuments =
        Db::isOpen(path) ? Db::columnExists(Db::open(path), QStringLiteral("Document"), QStringLiteral("CreateUser"))
                         : !Global::fileExists(path) || DocumentsLocation::isDocumentsDatabase(path);
    if (!isDocuments)
        throw AppError(AppError::DatabaseError, Source + operation,
                       QStringLiteral("The file '%1' is not a valid Corvantis documents database. %2")
                           .arg(QDir::toNativeSeparators(path), outcome));
    return Global::getDocDBConnection(path);
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
        if (hasMoved(Db::open(path))) {
            // The next attempt opens whatever file now stands at the path, after the checks below.
            Db::close(path);
            throw AppError(
                AppError::DatabaseError, Source + QStringLiteral(".connectionForWrite"),
                QStringLiteral("The documents database '%1' was moved, replaced or deleted while it was "
                               "in use. Nothing was saved; please try again.")
                    .arg(QDir::toNativeSeparators(path)));
        }
    }
    return checkedConnection(path, QStringLiteral(".connectionForWrite"), QStringLiteral("Nothing was saved."));
}

BlobWriter::BlobWriter(const QSqlDatabase& db, const QString& table, const QString& column, qint64 rowid)
    : m_db(db)
{
    sqlite3* handle = handleOf(db);
    if (!handle)
        throw AppError(AppError::DatabaseError, Source + QStringLiteral(".BlobWriter"),
                       QStringLiteral("The documents database does not take long values piece by piece."));
    if (sqlite3_blob_open(handle, "main", table.toUtf8().constData(), column.toUtf8().constData(), rowid, 1,
                          &m_blob) != SQLITE_OK) {
        const QString text = QString::fromUtf8(sqlite3_errmsg(handle));
        m_blob = nullptr;
        throw AppError(AppError::DatabaseError, Source + QStringLiteral(".BlobWriter"), text);
    }
}

BlobWriter::~BlobWriter()
{
    if (m_blob)
        sqlite3_blob_close(m_blob);
}

void BlobWriter::write(const char* data, qint64 size)
{
    if (sqlite3_blob_write(m_blob, data, int(size), int(m_offset)) != SQLITE_OK)
        throw AppError(AppError::DatabaseError, Source + QStringLiteral(".BlobWriter.write"),
                       QString::fromUtf8(sqlite3_errmsg(handleOf(m_db))));
    m_offset += size;
}

void BlobWriter::close()
{
    sqlite3_blob* blob = std::exchange(m_blob, nullptr);
    if (blob && sqlite3_blob_close(blob) != SQLITE_OK)
        throw AppError(AppError::DatabaseError, Source + QStringLiteral(".BlobWriter.close"),
                       QString::fromUtf8(sqlite3_errmsg(handleOf(m_db))));
}

qint64 blobLimit(const QSqlDatabase& db)
{
    sqlite3* handle = handleOf(db);
    // SQLite's own default when the driver does not show its handle.
    return handle ? sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, -1) : 1000000000;
}

} // namespace DocumentsDatabase
