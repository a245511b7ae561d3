#include "db.h"

#include "apperror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>

namespace {

qint64 g_statements = 0;
QHash<QString, int> g_depth; // open transactions per connection
QSet<QString> g_shared;      // connections already set up for shared access
// Writing statements prepared once per connection: a list's store runs the same two statements
// for every row. A caller only reads the row count or the new key of a write before the next one.
QHash<QString, QHash<QString, QSqlQuery>> g_prepared;

bool isWrite(const QString& sql)
{
    return sql.startsWith(QStringLiteral("INSERT"), Qt::CaseInsensitive) ||
           sql.startsWith(QStringLiteral("UPDATE"), Qt::CaseInsensitive) ||
           sql.startsWith(QStringLiteral("DELETE"), Qt::CaseInsensitive);
}

QString canonical(const QString& path)
{
    const QFileInfo info(path);
    const QString c = info.canonicalFilePath();
    return c.isEmpty() ? info.absoluteFilePath() : c;
}

QString connectionName(const QString& path, const QString& purpose)
{
    return purpose.isEmpty() ? canonical(path) : purpose + QLatin1Char(':') + canonical(path);
}

// The error number for SQLite's result code: a file that another connection holds (busy) or
// locks (locked), a unique key that refused a row, or any other failure. Extended codes keep the
// primary code in their low byte.
qint32 errorNumber(const QSqlError& error, const QString& text)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (ok && (code == 5 || code == 6))
        return AppError::DatabaseBusy;
    if (ok && code == 19 && text.startsWith(QStringLiteral("UNIQUE constraint failed")))
        return AppError::DatabaseConflict;
    return AppError::DatabaseError;
}

AppError dbError(const QString& source, const QSqlError& error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    const qint32 number = errorNumber(error, text);
    if (number == AppError::DatabaseBusy)
        return AppError(number, source,
                        QStringLiteral("The database is in use by another user and did not become free in time, "
                                       "so nothing was changed. Please try again in a moment."))
            .withDetails(text);
    return AppError(number, source, text);
}

// Runs a statement of the transaction frame itself (BEGIN, COMMIT, ROLLBACK).
void execFrame(const QSqlDatabase& db, const QString& sql, const QString& source)
{
    ++g_statements;
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw dbError(source, q.lastError());
}

// `mode` is the SQLite URI mode of an existing file: "rw", or "ro" for a file only looked at.
QSqlDatabase addConnection(const QString& path, const QString& name, bool mayCreate, const QString& mode = QStringLiteral("rw"))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (mayCreate) {
        db.setDatabaseName(path);
    } else {
        // A URI in that mode: SQLite refuses instead of creating a missing file.
        QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        uri.setQuery(QStringLiteral("mode=") + mode);
        db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(Db::BusyTimeoutMs));
    }
    if (!db.open()) {
        const AppError err = dbError(QStringLiteral("Db.open"), db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw err;
    }
    return db;
}

} // namespace

namespace Db {

// Opens an existing file in the SQLite URI mode given ("rw" or "ro").
QSqlDatabase openIn(const QString& mode, const QString& path, const QString& purpose);

QSqlDatabase open(const QString& path, const QString& purpose)
{
    return openIn(QStringLiteral("rw"), path, purpose);
}

QSqlDatabase openReadOnly(const QString& path, const QString& purpose)
{
    // Even a reader of a file in WAL mode makes its -wal and -shm files beside it, and cannot
    // remove them again. With none of the companion files there, nobody is using the file, and it
    // is read as it stands on disk (immutable), which creates nothing.
    for (const char* companion : {"-wal", "-shm", "-journal"})
        if (QFileInfo::exists(path + QLatin1String(companion)))
            return openIn(QStringLiteral("ro"), path, purpose);
    return openIn(QStringLiteral("ro&immutable=1"), path, purpose);
}

QSqlDatabase openIn(const QString& mode, const QString& path, const QString& purpose)
{
    const QFileInfo info(path);
    if (path.trimmed().isEmpty() || !info.exists())
        throw AppError(AppError::DatabaseError, QStringLiteral("Db.open"),
                       QStringLiteral("Could not find file '%1'.").arg(QDir::toNativeSeparators(path)));
    if (!info.isFile())
        throw AppError(AppError::DatabaseError, QStringLiteral("Db.open"),
                       QStringLiteral("'%1' is not a file.").arg(QDir::toNativeSeparators(path)));

    const QString name = connectionName(path, purpose);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            return db;
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    QSqlDatabase db = addConnection(path, name, false, mode);
    // SQLite reads the file lazily: make it prove that it is a database before anyone uses it.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const AppError err = dbError(QStringLiteral("Db.open"), probe.lastError());
        probe = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw err;
    }
    return db;
}

bool isOpen(const QString& path, const QString& purpose)
{
    const QString name = connectionName(path, purpose);
    return QSqlDatabase::contains(name) && QSqlDatabase::database(name, false).isOpen();
}

QSqlDatabase create(const QString& path)
{
    if (QFileInfo::exists(path))
        throw AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                       QStringLiteral("'%1' already exists.").arg(QDir::toNativeSeparators(path)));
    QDir().mkpath(QFileInfo(path).absolutePath());
    return addConnection(path, canonical(path), true);
}

void close(const QString& path, const QString& purpose)
{
    const QString name = connectionName(path, purpose);
    if (!QSqlDatabase::contains(name))
        return;
    g_prepared.remove(name);
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    g_depth.remove(name);
    g_shared.remove(name);
}

void closeAll()
{
    g_prepared.clear();
    for (const QString& name : QSqlDatabase::connectionNames()) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    g_depth.clear();
    g_shared.clear();
}

void useSharedAccess(QSqlDatabase& db)
{
    if (g_shared.contains(db.connectionName()))
        return;
    g_shared.insert(db.connectionName());
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs));
    // A read-only file keeps its journal: WAL cannot be set there, and need not be.
    q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    // Years of balances of thousands of accounts: a page cache of 64 MB keeps a month's work in memory.
    q.exec(QStringLiteral("PRAGMA cache_size = -65536"));
}

QSqlQuery exec(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    ++g_statements;
    // A writing statement is prepared once per connection and run again with new values.
    QHash<QString, QSqlQuery>* cache = isWrite(sql) ? &g_prepared[db.connectionName()] : nullptr;
    QSqlQuery q = [&] {
        if (cache && cache->contains(sql))
            return cache->value(sql);
        QSqlQuery fresh(db);
        fresh.setForwardOnly(true);
        if (!fresh.prepare(sql))
            throw dbError(QStringLiteral("Db.exec"), fresh.lastError());
        if (cache)
            cache->insert(sql, fresh);
        return fresh;
    }();
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw dbError(QStringLiteral("Db.exec"), q.lastError());
    return q;
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

QStringList splitScript(const QString& script)
{
    QStringList statements;
    QString statement;
    const QStringList lines = script.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QStringLiteral("--")) || line.isEmpty())
            continue;
        statement += raw + QLatin1Char('\n');
        if (line.endsWith(QLatin1Char(';'))) {
            statements << statement.trimmed();
            statement.clear();
        }
    }
    if (!statement.trimmed().isEmpty())
        statements << statement.trimmed();
    return statements;
}

void runScript(const QSqlDatabase& db, const QString& script)
{
    for (const QString& statement : splitScript(script))
        exec(db, statement);
}

bool tableExists(const QSqlDatabase& db, const QString& table)
{
    try {
        return scalar(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"),
                      {table})
                   .toLongLong() > 0;
    } catch (const AppError& e) {
        if (e.number() == AppError::DatabaseBusy)
            throw; // a file in use says nothing about its tables
        return false;
    }
}

bool columnExists(const QSqlDatabase& db, const QString& table, const QString& column)
{
    try {
        // The table name comes from the code; the pragma reads the schema without touching rows.
        QSqlQuery q = exec(db, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
        while (q.next())
            if (q.value(0).toString().compare(column, Qt::CaseInsensitive) == 0)
                return true;
    } catch (const AppError& e) {
        if (e.number() == AppError::DatabaseBusy)
            throw; // a file in use says nothing about its columns
    }
    return false;
}

bool isConnectedFile(const QString& path)
{
    const QString wanted = canonical(path);
    for (const QString& name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (!db.isOpen())
            continue;
        QString file = db.databaseName();
        if (file.startsWith(QStringLiteral("file:")))
            file = QUrl(file).toLocalFile();
        if (canonical(file) == wanted)
            return true;
    }
    return false;
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

Transaction::Transaction(const QSqlDatabase& db) : m_db(db)
{
    int& depth = g_depth[m_db.connectionName()];
    m_level = depth;
    if (m_level == 0) {
        // Every transaction here may write: it takes the write lock at once, waiting on the busy
        // timeout. A deferred one that has read first fails at once with "database is locked"
        // when it tries to write while another connection writes.
        execFrame(m_db, QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("Db.Transaction"));
    } else {
        exec(m_db, QStringLiteral("SAVEPOINT sp%1").arg(m_level));
    }
    ++depth;
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    --g_depth[m_db.connectionName()];
    if (m_level == 0) {
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
}

} // namespace Db
