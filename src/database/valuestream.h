#pragma once

#include "db.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

// Long values (a document's contents) written and read piece by piece, so that a large one is
// never held in memory whole, and what the connection's file allows for them. Each engine does
// it its own way; callers name the table, the column and the row, and see no engine.
namespace Db {

// The largest piece of a streamed value held in memory at a time.
constexpr qint64 ValuePieceSize = 1 << 20;

// The row a streamed value belongs to: the value of its key column. The column's name is the
// caller's own constant; the value is always bound.
struct RowKey
{
    QString column;
    QVariant value;
};

// Hands a piece of a value on: its bytes and their number.
using PieceTaker = std::function<void(const char* data, qint64 size)>;

// Writes a value of known size into one column of one stored row, piece by piece, inside the
// caller's transaction: once the transaction is rolled back after a failure part-way, the row
// holds what it held before. Every failure raises AppError, among them a piece that goes past
// the size declared and a finish() short of it.
class ValueWriter
{
public:
    class Pieces; // the engine's way of writing them
    // Starts the value; raises when the row is not stored or the engine cannot write it.
    static ValueWriter open(const Transaction& tx, const QString& table, const QString& column,
                            const RowKey& key, qint64 size);
    ValueWriter(ValueWriter&&) noexcept;
    ValueWriter& operator=(ValueWriter&&) noexcept;
    ~ValueWriter();

    void write(const char* data, qint64 size);
    void write(const QByteArray& piece) { write(piece.constData(), piece.size()); }
    // The value complete; raises when it could not be stored whole.
    void finish();

private:
    explicit ValueWriter(std::unique_ptr<Pieces> pieces, qint64 size);
    std::unique_ptr<Pieces> m_pieces;
    qint64 m_size = 0;
    qint64 m_written = 0;
};

// Hands the stored value of the column in the row to take, piece by piece (ValuePieceSize at
// most); false, with nothing handed over, when the row is not stored or the value is NULL.
bool readValue(const QSqlDatabase& db, const QString& table, const QString& column, const RowKey& key,
               const PieceTaker& take);

// The largest value, in bytes, that the connection stores in one column.
qint64 largestValue(const QSqlDatabase& db);
// Lowers the largest value the connection stores (tests of values too large); a server's limit
// stays as it is.
void limitLargestValue(const QSqlDatabase& db, qint64 bytes);
// True when the file behind the connection was deleted, renamed or replaced since it was opened
// (on Linux such a file keeps taking writes that are then lost); never for a server database.
bool movedSinceOpened(const QSqlDatabase& db);

} // namespace Db
