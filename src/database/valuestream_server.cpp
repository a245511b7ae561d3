// Streamed values on a server: a value cannot be written into in place there, and appending to
// it rewrites it whole each time, so the pieces wait in a table of the session's own and become
// the value in one statement, on the server; it is read back in slices.
#include "apperror.h"
#include "valuestreamengine.h"

namespace Db {

namespace {

class PieceTable final : public ValueWriter::Pieces
{
public:
    PieceTable(const QSqlDatabase& db, const ValuePlace& place) : m_db(db), m_place(place)
    {
        exec(db,
             QStringLiteral("CREATE TEMPORARY TABLE ValuePiece (Number BIGINT, Piece BYTEA) ON COMMIT DROP"));
    }

    void write(const char* data, qint64 size) override
    {
        exec(m_db, QStringLiteral("INSERT INTO ValuePiece (Number, Piece) VALUES (?, ?)"),
             {m_pieces++, QByteArray(data, size)});
    }

    void finish() override
    {
        // No pieces (an empty value) are an empty value, not a missing one.
        execOne(m_db,
                QStringLiteral(
                    "UPDATE %1 SET %2 = (SELECT COALESCE(string_agg(Piece, ''::bytea ORDER BY Number), "
                    "''::bytea) FROM ValuePiece) WHERE %3 = ?")
                    .arg(m_place.table, m_place.column, m_place.key.column),
                {m_place.key.value});
        // Another value of the same transaction starts with a table of its own.
        exec(m_db, QStringLiteral("DROP TABLE ValuePiece"));
    }

private:
    QSqlDatabase m_db;
    ValuePlace m_place;
    qint64 m_pieces = 0;
};

std::unique_ptr<ValueWriter::Pieces> openPieces(const QSqlDatabase& db, const ValuePlace& place, qint64)
{
    return std::make_unique<PieceTable>(db, place);
}

bool readPieces(const QSqlDatabase& db, const ValuePlace& place, const PieceTaker& take)
{
    const QVariant size = scalar(db,
                                 QStringLiteral("SELECT length(%1) FROM %2 WHERE %3 = ? AND %1 IS NOT NULL")
                                     .arg(place.column, place.table, place.key.column),
                                 {place.key.value});
    if (!size.isValid())
        return false;
    const QString slice = QStringLiteral("SELECT substring(%1 from ? for ?) FROM %2 WHERE %3 = ?")
                              .arg(place.column, place.table, place.key.column);
    const qint64 total = size.toLongLong();
    for (qint64 done = 0; done < total;) {
        const qint64 n = qMin(ValuePieceSize, total - done);
        const QByteArray piece = scalar(db, slice, {done + 1, n, place.key.value}).toByteArray();
        if (piece.size() != n)
            throw AppError(AppError::DatabaseError, QStringLiteral("Db.readValue"),
                           QStringLiteral("The stored value changed while it was being read."));
        take(piece.constData(), n);
        done += n;
    }
    return true;
}

// A server stores a value of up to 1 GB.
qint64 lengthLimit(const QSqlDatabase&)
{
    return 1000000000;
}

void lowerLengthLimit(const QSqlDatabase&, qint64) {}

// A server database is no file of this machine's.
bool fileMoved(const QSqlDatabase&)
{
    return false;
}

} // namespace

const ValueStreamEngine serverValueStream{openPieces, readPieces, lengthLimit, lowerLengthLimit, fileMoved};

} // namespace Db
