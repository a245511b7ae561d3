#include "documentsdatabase.h"

#include "apperror.h"
#include "db.h"
#include "documentslocation.h"
#include "global.h"

#include <QDir>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>
#include <memory>
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
                         : !Db::databaseExists(path) || DocumentsLocation::isDocumentsDatabase(path);
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

ContentWriter::ContentWriter(const QSqlDatabase& db, const QString& fileName, qint64 size)
    : m_db(db), m_fileName(fileName)
{
    if (Db::isServer(db)) {
        // A server value cannot be written into in place, and appending to it rewrites it whole
        // each time: the pieces wait in a table of the session's own and become the value in one
        // statement, on the server.
        Db::exec(db, QStringLiteral("CREATE TEMPORARY TABLE DocumentPiece (Number BIGINT, Piece BYTEA) ON COMMIT DROP"));
        return;
    }
    // A value of zeros of the full length (zeroblob, SQLite's own), which the pieces overwrite.
    Db::execOne(db, QStringLiteral("UPDATE Document SET Content = zeroblob(?) WHERE FileName = ?"), {size, fileName});
    const qint64 rowid =
        Db::scalar(db, QStringLiteral("SELECT rowid FROM Document WHERE FileName = ?"), {fileName}).toLongLong();
    sqlite3* handle = handleOf(db);
    if (!handle)
        throw AppError(AppError::DatabaseError, Source + QStringLiteral(".ContentWriter"),
                       QStringLiteral("The documents database does not take long values piece by piece."));
    if (sqlite3_blob_open(handle, "main", "Document", "Content", rowid, 1, &m_blob) != SQLITE_OK) {
        const QString text = QString::fromUtf8(sqlite3_errmsg(handle));
        m_blob = nullptr;
        throw AppError(AppError::DatabaseError, Source + QStringLiteral(".ContentWriter"), text);
    }
}

ContentWriter::~ContentWriter()
{
    if (m_blob)
        sqlite3_blob_close(m_blob);
}

void ContentWriter::write(const char* data, qint64 size)
{
    if (!m_blob) {
        Db::exec(m_db, QStringLiteral("INSERT INTO DocumentPiece (Number, Piece) VALUES (?, ?)"),
                 {m_pieces++, QByteArray(data, size)});
        return;
    }
    if (sqlite3_blob_write(m_blob, data, int(size), int(m_offset)) != SQLITE_OK)
        throw AppError(AppError::DatabaseError, Source + QStringLiteral(".ContentWriter.write"),
                       QString::fromUtf8(sqlite3_errmsg(handleOf(m_db))));
    m_offset += size;
}

void ContentWriter::close()
{
    if (!Db::isServer(m_db)) {
        sqlite3_blob* blob = std::exchange(m_blob, nullptr);
        if (blob && sqlite3_blob_close(blob) != SQLITE_OK)
            throw AppError(AppError::DatabaseError, Source + QStringLiteral(".ContentWriter.close"),
                           QString::fromUtf8(sqlite3_errmsg(handleOf(m_db))));
        return;
    }
    // No pieces (an empty file) are empty contents, not missing ones.
    Db::execOne(m_db,
                QStringLiteral("UPDATE Document SET Content = (SELECT COALESCE(string_agg(Piece, ''::bytea ORDER BY "
                               "Number), ''::bytea) FROM DocumentPiece) WHERE FileName = ?"),
                {m_fileName});
    // Another document of the same transaction starts with a table of its own.
    Db::exec(m_db, QStringLiteral("DROP TABLE DocumentPiece"));
}

bool readContent(const QSqlDatabase& db, const QString& fileName,
                 const std::function<void(const char*, qint64)>& take)
{
    const QString source = Source + QStringLiteral(".readContent");
    if (Db::isServer(db)) {
        const QVariant size = Db::scalar(
            db, QStringLiteral("SELECT length(Content) FROM Document WHERE FileName = ? AND Content IS NOT NULL"),
            {fileName});
        if (!size.isValid())
            return false;
        const qint64 total = size.toLongLong();
        for (qint64 done = 0; done < total;) {
            const qint64 n = qMin(PieceSize, total - done);
            const QByteArray piece =
                Db::scalar(db, QStringLiteral("SELECT substring(Content from ? for ?) FROM Document WHERE FileName = ?"),
                           {done + 1, n, fileName})
                    .toByteArray();
            if (piece.size() != n)
                throw AppError(AppError::DatabaseError, source,
                               QStringLiteral("The stored document changed while it was being read."));
            take(piece.constData(), n);
            done += n;
        }
        return true;
    }
    QSqlQuery row =
        Db::exec(db, QStringLiteral("SELECT rowid FROM Document WHERE FileName = ? AND Content IS NOT NULL"), {fileName});
    if (!row.next())
        return false;
    const qint64 rowid = row.value(0).toLongLong();
    row = QSqlQuery();
    sqlite3* handle = handleOf(db);
    sqlite3_blob* blob = nullptr;
    if (!handle || sqlite3_blob_open(handle, "main", "Document", "Content", rowid, 0, &blob) != SQLITE_OK) {
        const QString text = handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QString();
        sqlite3_blob_close(blob);
        throw AppError(AppError::DatabaseError, source, text);
    }
    const std::unique_ptr<sqlite3_blob, int (*)(sqlite3_blob*)> closer(blob, sqlite3_blob_close);
    const qint64 total = sqlite3_blob_bytes(blob);
    QByteArray piece(qMin(PieceSize, total), Qt::Uninitialized);
    for (qint64 done = 0; done < total;) {
        const qint64 n = qMin(PieceSize, total - done);
        if (sqlite3_blob_read(blob, piece.data(), int(n), int(done)) != SQLITE_OK)
            throw AppError(AppError::DatabaseError, source, QString::fromUtf8(sqlite3_errmsg(handle)));
        take(piece.constData(), n);
        done += n;
    }
    return true;
}

qint64 blobLimit(const QSqlDatabase& db)
{
    sqlite3* handle = handleOf(db);
    // SQLite's own default when the driver does not show its handle; a server's limit (1 GB) is
    // a little above it.
    return handle ? sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, -1) : 1000000000;
}

} // namespace DocumentsDatabase
