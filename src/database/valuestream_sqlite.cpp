// Streamed values in an SQLite file: the value is made at its full length first, then written
// and read in place through SQLite's incremental value access.
#include "apperror.h"
#include "valuestreamengine.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <utility>

#include <sqlite3.h>

namespace Db {

namespace {

sqlite3* handleOf(const QSqlDatabase& db)
{
    const QVariant v = db.driver() ? db.driver()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

QString errorText(sqlite3* handle)
{
    return handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QString();
}

// The row's own number, by which SQLite opens a value in place; invalid when the row is not
// stored (or, with `storedOnly`, holds no value).
QVariant rowNumber(const QSqlDatabase& db, const ValuePlace& place, bool storedOnly)
{
    QString sql = QStringLiteral("SELECT rowid FROM %1 WHERE %2 = ?").arg(place.table, place.key.column);
    if (storedOnly)
        sql += QStringLiteral(" AND %1 IS NOT NULL").arg(place.column);
    QSqlQuery row = exec(db, sql, {place.key.value});
    return row.next() ? row.value(0) : QVariant();
}

class BlobPieces final : public ValueWriter::Pieces
{
public:
    BlobPieces(const QSqlDatabase& db, const ValuePlace& place, qint64 size) : m_handle(handleOf(db))
    {
        const QString source = QStringLiteral("Db.ValueWriter");
        // A value of zeros of the full length, which the pieces overwrite.
        execOne(db,
                QStringLiteral("UPDATE %1 SET %2 = zeroblob(?) WHERE %3 = ?")
                    .arg(place.table, place.column, place.key.column),
                {size, place.key.value});
        const qint64 rowid = rowNumber(db, place, false).toLongLong();
        if (!m_handle)
            throw AppError(AppError::DatabaseError, source,
                           QStringLiteral("The database does not take long values piece by piece."));
        if (sqlite3_blob_open(m_handle, "main", place.table.toUtf8().constData(),
                              place.column.toUtf8().constData(), rowid, 1, &m_blob) != SQLITE_OK) {
            m_blob = nullptr;
            throw AppError(AppError::DatabaseError, source, errorText(m_handle));
        }
    }
    ~BlobPieces() override
    {
        if (m_blob)
            sqlite3_blob_close(m_blob);
    }

    void write(const char* data, qint64 size) override
    {
        if (sqlite3_blob_write(m_blob, data, int(size), int(m_offset)) != SQLITE_OK)
            throw AppError(AppError::DatabaseError, QStringLiteral("Db.ValueWriter.write"),
                           errorText(m_handle));
        m_offset += size;
    }

    void finish() override
    {
        if (sqlite3_blob_close(std::exchange(m_blob, nullptr)) != SQLITE_OK)
            throw AppError(AppError::DatabaseError, QStringLiteral("Db.ValueWriter.finish"),
                           errorText(m_handle));
    }

private:
    sqlite3* m_handle;
    sqlite3_blob* m_blob = nullptr;
    qint64 m_offset = 0;
};

std::unique_ptr<ValueWriter::Pieces> openPieces(const QSqlDatabase& db, const ValuePlace& place, qint64 size)
{
    return std::make_unique<BlobPieces>(db, place, size);
}

bool readPieces(const QSqlDatabase& db, const ValuePlace& place, const PieceTaker& take)
{
    const QString source = QStringLiteral("Db.readValue");
    const QVariant rowid = rowNumber(db, place, true);
    if (!rowid.isValid())
        return false;
    sqlite3* handle = handleOf(db);
    sqlite3_blob* blob = nullptr;
    if (!handle ||
        sqlite3_blob_open(handle, "main", place.table.toUtf8().constData(), place.column.toUtf8().constData(),
                          rowid.toLongLong(), 0, &blob) != SQLITE_OK) {
        const QString text = errorText(handle);
        sqlite3_blob_close(blob);
        throw AppError(AppError::DatabaseError, source, text);
    }
    const std::unique_ptr<sqlite3_blob, int (*)(sqlite3_blob*)> closer(blob, sqlite3_blob_close);
    const qint64 total = sqlite3_blob_bytes(blob);
    QByteArray piece(qMin(ValuePieceSize, total), Qt::Uninitialized);
    for (qint64 done = 0; done < total;) {
        const qint64 n = qMin(ValuePieceSize, total - done);
        if (sqlite3_blob_read(blob, piece.data(), int(n), int(done)) != SQLITE_OK)
            throw AppError(AppError::DatabaseError, source, errorText(handle));
        take(piece.constData(), n);
        done += n;
    }
    return true;
}

qint64 lengthLimit(const QSqlDatabase& db)
{
    sqlite3* handle = handleOf(db);
    // SQLite's own default when the driver does not show its handle.
    return handle ? sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, -1) : 1000000000;
}

void lowerLengthLimit(const QSqlDatabase& db, qint64 bytes)
{
    if (sqlite3* handle = handleOf(db))
        sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, int(qBound(qint64(0), bytes, qint64(INT_MAX))));
}

bool fileMoved(const QSqlDatabase& db)
{
    sqlite3* handle = handleOf(db);
    int moved = 0;
    return handle && sqlite3_file_control(handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
           moved != 0;
}

} // namespace

const ValueStreamEngine sqliteValueStream{openPieces, readPieces, lengthLimit, lowerLengthLimit, fileMoved};

} // namespace Db
