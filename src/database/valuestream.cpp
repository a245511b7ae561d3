#include "valuestream.h"

#include "apperror.h"
#include "db_p.h"
#include "valuestreamengine.h"

namespace Db {

namespace {

// Table and column names reach the statements as they stand: only plain names are taken.
bool isPlainName(const QString& name)
{
    if (name.isEmpty() || name.at(0).isDigit())
        return false;
    for (const QChar c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_')
            return false;
    return true;
}

ValuePlace placeOf(const QString& source, const QString& table, const QString& column, const RowKey& key)
{
    for (const QString& name : {table, column, key.column})
        if (!isPlainName(name))
            throw AppError(AppError::DatabaseError, source,
                           QStringLiteral("'%1' is not a name of a table or column.").arg(name));
    return {table, column, key};
}

} // namespace

const ValueStreamEngine& valueStreamEngine(const QSqlDatabase& db)
{
    return engineOf(db).valueStream();
}

ValueWriter ValueWriter::open(const Transaction& tx, const QString& table, const QString& column,
                              const RowKey& key, qint64 size)
{
    const ValuePlace place = placeOf(QStringLiteral("Db.ValueWriter"), table, column, key);
    return ValueWriter(valueStreamEngine(tx.db()).openWriter(tx.db(), place, size), size);
}

ValueWriter::ValueWriter(std::unique_ptr<Pieces> pieces, qint64 size)
    : m_pieces(std::move(pieces)), m_size(size)
{
}
ValueWriter::ValueWriter(ValueWriter&&) noexcept = default;
ValueWriter& ValueWriter::operator=(ValueWriter&&) noexcept = default;
ValueWriter::~ValueWriter() = default;

void ValueWriter::write(const char* data, qint64 size)
{
    if (!m_pieces || size < 0 || size > m_size - m_written)
        throw AppError(
            AppError::DatabaseError, QStringLiteral("Db.ValueWriter.write"),
            QStringLiteral("The value is longer than the %1 bytes it was begun with.").arg(m_size));
    m_pieces->write(data, size);
    m_written += size;
}

void ValueWriter::finish()
{
    if (!m_pieces || m_written != m_size)
        throw AppError(AppError::DatabaseError, QStringLiteral("Db.ValueWriter.finish"),
                       QStringLiteral("The value ended after %1 of the %2 bytes it was begun with.")
                           .arg(m_written)
                           .arg(m_size));
    const std::unique_ptr<Pieces> pieces = std::move(m_pieces);
    pieces->finish();
}

bool readValue(const QSqlDatabase& db, const QString& table, const QString& column, const RowKey& key,
               const PieceTaker& take)
{
    return valueStreamEngine(db).read(db, placeOf(QStringLiteral("Db.readValue"), table, column, key), take);
}

qint64 largestValue(const QSqlDatabase& db)
{
    return valueStreamEngine(db).largestValue(db);
}

void limitLargestValue(const QSqlDatabase& db, qint64 bytes)
{
    valueStreamEngine(db).limitLargestValue(db, bytes);
}

bool movedSinceOpened(const QSqlDatabase& db)
{
    return valueStreamEngine(db).movedSinceOpened(db);
}

} // namespace Db
