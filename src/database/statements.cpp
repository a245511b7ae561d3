// Statements and transactions: running a statement with its values bound, the writing statements
// kept per connection, the pieces of SQL that differ by engine, and transactions.
#include "db_p.h"

#include <QCoreApplication>
#include <QHash>
#include <algorithm>

namespace {

qint64 g_statements = 0;
QHash<QString, int> g_depth; // open transactions per connection
QHash<QString, QString> g_doing; // what the unit of work on the connection does, in its words
// Writing statements prepared once per connection: a list's store runs the same two statements
// for every row. A caller only reads the row count or the new key of a write before the next one.
QHash<QString, QHash<QString, QSqlQuery>> g_prepared;

// The guarded connection's check (Db::guardWrites), and the depth of the transaction level that
// made it in the transaction now open: 0 while it is still to be made.
struct WriteGuardState
{
    QString connection;
    Db::WriteGuard check;
    int madeAt = 0;
};
WriteGuardState g_guard;

// The statements kept for the connection. They are let go before the application object is: once
// Qt's own statics are gone at the end of the process, a query no longer frees what it holds.
QHash<QString, QSqlQuery>& preparedOn(const QString& connection)
{
    static const bool freedAtExit = [] {
        qAddPostRoutine([] { g_prepared.clear(); });
        return true;
    }();
    Q_UNUSED(freedAtExit);
    return g_prepared[connection];
}

bool isWrite(const QString& sql)
{
    return sql.startsWith(QStringLiteral("INSERT"), Qt::CaseInsensitive) ||
           sql.startsWith(QStringLiteral("UPDATE"), Qt::CaseInsensitive) ||
           sql.startsWith(QStringLiteral("DELETE"), Qt::CaseInsensitive);
}

// Before the first write of a transaction on the guarded connection: its check, inside the
// transaction. Its own reads are no writes, so it does not come back here.
void guardWrite(const QSqlDatabase& db)
{
    if (!g_guard.check || g_guard.madeAt != 0 || g_guard.connection != db.connectionName())
        return;
    const int depth = g_depth.value(db.connectionName());
    if (depth == 0)
        return;
    const Db::WriteGuard check = g_guard.check; // the check may move the guard
    check(db);
    Db::guardPassed(db);
}

QSqlQuery runOnce(const QSqlDatabase& db, const QString& given, const QVariantList& values, bool keep)
{
    Db::reconnect(db);
    const Db::Engine& engine = Db::engineOf(db);
    const QString sql = engine.ownForm(given);
    ++g_statements;
    // A writing statement is prepared once per connection and run again with new values.
    QHash<QString, QSqlQuery>* cache = keep && isWrite(sql) ? &preparedOn(db.connectionName()) : nullptr;
    if (!cache && values.isEmpty() && engine.sendsBareStatements()) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(sql))
            throw Db::dbError(db, QStringLiteral("Db.exec"), q.lastError());
        return q;
    }
    QSqlQuery q = [&] {
        if (cache && cache->contains(sql))
            return cache->value(sql);
        QSqlQuery fresh(db);
        fresh.setForwardOnly(true);
        if (!fresh.prepare(sql))
            throw Db::dbError(db, QStringLiteral("Db.exec"), fresh.lastError());
        if (cache)
            cache->insert(sql, fresh);
        return fresh;
    }();
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw Db::dbError(db, QStringLiteral("Db.exec"), q.lastError());
    return q;
}

QSqlQuery run(const QSqlDatabase& db, const QString& sql, const QVariantList& values, bool keep)
{
    if (isWrite(sql))
        guardWrite(db);
    const bool wasOpen = db.isOpen();
    try {
        return runOnce(db, sql, values, keep);
    } catch (const AppError&) {
        // A read of its own found the connection gone (a server restart, a session ended while
        // idle): it changed nothing, so it connects again and runs once more.
        const bool loneRead = sql.startsWith(QStringLiteral("SELECT"), Qt::CaseInsensitive) &&
                              g_depth.value(db.connectionName()) == 0;
        if (!wasOpen || !loneRead || !Db::engineOf(db).connectionLost(db))
            throw;
    }
    return runOnce(db, sql, values, keep);
}

// Runs a statement of the transaction frame itself (BEGIN, COMMIT, ROLLBACK).
void execFrame(const QSqlDatabase& db, const QString& sql, const QString& source)
{
    Db::reconnect(db);
    ++g_statements;
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw Db::dbError(db, source, q.lastError());
}

} // namespace

namespace Db {

int transactionDepth(const QString& connection)
{
    return g_depth.value(connection);
}

QString doingOn(const QString& connection)
{
    return g_doing.value(connection);
}

void forgetStatements(const QString& connection)
{
    g_prepared.remove(connection);
}

void forgetConnection(const QString& connection)
{
    g_prepared.remove(connection);
    g_depth.remove(connection);
    g_doing.remove(connection);
    // The session's guard stays with its database when the connection opens again.
    if (g_guard.connection == connection)
        g_guard.madeAt = 0;
}

void forgetAllConnections()
{
    g_prepared.clear();
    g_depth.clear();
    g_doing.clear();
    g_guard = {};
}

void guardWrites(const QSqlDatabase& db, WriteGuard guard)
{
    g_guard = {};
    if (guard)
        g_guard = {db.connectionName(), std::move(guard), 0};
}

void guardPassed(const QSqlDatabase& db)
{
    const int depth = g_depth.value(db.connectionName());
    if (depth > 0 && g_guard.connection == db.connectionName() && g_guard.madeAt == 0)
        g_guard.madeAt = depth;
}

QSqlQuery exec(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    return run(db, sql, values, true);
}

QSqlQuery execOnce(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    return run(db, sql, values, false);
}

qint64 execCount(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    return exec(db, sql, values).numRowsAffected();
}

void execOne(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    const qint64 n = execCount(db, sql, values);
    if (n != 1)
        throw AppError(AppError::DatabaseError, QStringLiteral("Db.execOne"),
                       n == 0 ? QStringLiteral("The row was not found; another user may have deleted it.")
                              : QStringLiteral("%1 rows were changed where one was expected.").arg(n));
}

QVariant scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery q = exec(db, sql, values);
    return q.next() ? q.value(0) : QVariant();
}

qint64 insertReturningId(const QSqlDatabase& db, const QString& insert, const QVariantList& values)
{
    return engineOf(db).insertReturningId(db, insert, values);
}

QString valuesRows(const QSqlDatabase& db, const QString& table, const QStringList& columns, qsizetype rows)
{
    const QString plain = QLatin1Char('(') + QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
                          QLatin1Char(')');
    const Engine& engine = engineOf(db);
    QStringList first;
    first.reserve(columns.size());
    for (const QString& column : columns)
        first << engine.firstValuesParameter(db, table, column);
    QStringList all;
    all.reserve(rows);
    all << QLatin1Char('(') + first.join(QStringLiteral(", ")) + QLatin1Char(')');
    for (qsizetype i = 1; i < rows; ++i)
        all << plain;
    return all.join(QStringLiteral(", "));
}

QString exactCollation(const QSqlDatabase& db)
{
    return engineOf(db).exactCollation();
}

QString exactCollation(const QSqlDatabase& db, const QString& table, const QString& column)
{
    return engineOf(db).exactCollation(db, table, column);
}

int compareExactly(QStringView a, QStringView b)
{
    const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (x == a.end() || y == b.end())
        return int(y == b.end()) - int(x == a.end());
    // UTF-16 units are in code point order but for the surrogates (the halves of a character
    // past U+FFFF), which come before U+E000-U+FFFF as units and after them as code points.
    const auto rank = [](QChar c) {
        const int unit = c.unicode();
        return unit < 0xD800 ? unit : unit < 0xE000 ? unit + 0x2000 : unit - 0x800;
    };
    return rank(*x) - rank(*y);
}

QString holdingRows(const QSqlDatabase& db)
{
    return engineOf(db).holdingRows();
}

QString lockingRows(const QSqlDatabase& db)
{
    return engineOf(db).lockingRows();
}

QString sharingRows(const QSqlDatabase& db)
{
    return engineOf(db).sharingRows();
}

void lockForAdding(const Transaction& tx, const QString& table)
{
    const QString lock = engineOf(tx.db()).lockForAdding(table);
    if (!lock.isEmpty())
        exec(tx, lock);
}

QString caseBlindOrder(const QSqlDatabase& db, const QString& column)
{
    return engineOf(db).caseBlindOrder(column);
}

QString exactSum(const QSqlDatabase& db, const QString& column)
{
    return engineOf(db).exactSum(column);
}

MoneySums::MoneySums(const QSqlDatabase& db) : m_engine(&engineOf(db)) {}

ARCurrencySum MoneySums::at(const QSqlQuery& q, int column) const
{
    return m_engine->moneySum(q, column);
}

qint64 statementCount()
{
    return g_statements;
}

QVariant null()
{
    return QVariant(QMetaType::fromType<QString>());
}

QVariant text(const QString& value)
{
    return value.trimmed().isEmpty() ? null() : QVariant(value);
}

QString beginWrite(const QSqlDatabase& db)
{
    return engineOf(db).beginWrite();
}

Transaction::Transaction(const QSqlDatabase& db, const QString& doing) : m_db(db)
{
    int& depth = g_depth[m_db.connectionName()];
    m_level = depth;
    if (m_level == 0) {
        if (g_guard.connection == m_db.connectionName())
            g_guard.madeAt = 0; // each transaction checks anew
        const bool wasOpen = m_db.isOpen();
        try {
            execFrame(m_db, beginWrite(m_db), QStringLiteral("Db.Transaction"));
        } catch (const AppError&) {
            // The connection was found gone before anything of the unit was sent: connect again.
            if (!wasOpen || !engineOf(m_db).connectionLost(m_db))
                throw;
            execFrame(m_db, beginWrite(m_db), QStringLiteral("Db.Transaction"));
        }
    } else {
        exec(m_db, QStringLiteral("SAVEPOINT sp%1").arg(m_level));
    }
    ++depth;
    // The outermost unit that says what it does speaks for the work nested in it.
    if (!doing.isEmpty() && !g_doing.contains(m_db.connectionName())) {
        g_doing.insert(m_db.connectionName(), doing);
        m_says = true;
    }
}

Transaction::~Transaction()
{
    if (m_says)
        g_doing.remove(m_db.connectionName());
    if (m_done)
        return;
    --g_depth[m_db.connectionName()];
    // What a check made in this level held goes with it.
    if (g_guard.connection == m_db.connectionName() && g_guard.madeAt > m_level)
        g_guard.madeAt = 0;
    if (engineOf(m_db).connectionLost(m_db)) {
        // The server ended the transaction with the session.
    } else if (m_level == 0) {
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
    } else {
        QSqlQuery q(m_db);
        q.exec(QStringLiteral("ROLLBACK TO SAVEPOINT sp%1").arg(m_level));
        q.exec(QStringLiteral("RELEASE SAVEPOINT sp%1").arg(m_level));
    }
}

void Transaction::commit()
{
    if (m_level == 0) {
        execFrame(m_db, QStringLiteral("COMMIT"), QStringLiteral("Db.Transaction.commit")); // on failure the destructor rolls back
    } else {
        exec(m_db, QStringLiteral("RELEASE SAVEPOINT sp%1").arg(m_level));
    }
    m_done = true;
    --g_depth[m_db.connectionName()];
    // A savepoint's locks are the enclosing level's now; the outermost transaction's end them.
    if (g_guard.connection == m_db.connectionName() && g_guard.madeAt > m_level)
        g_guard.madeAt = m_level;
}

void runTransaction(const QSqlDatabase& db, const std::function<void(Transaction& tx)>& work)
{
    runTransaction(db, QString(), work);
}

void runTransaction(const QSqlDatabase& db, const QString& doing, const std::function<void(Transaction& tx)>& work)
{
    // Only the outermost transaction can be run again: a loss aborts it as a whole.
    const bool outermost = g_depth.value(db.connectionName()) == 0;
    for (int attempt = 1;; ++attempt) {
        try {
            Transaction tx(db, doing);
            work(tx);
            return;
        } catch (const AppError& e) {
            if (!outermost || attempt > 1 || e.retry() != AppError::Retry::AtOnce)
                throw;
        }
    }
}

} // namespace Db
