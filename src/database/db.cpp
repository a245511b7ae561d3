#include "db.h"

#include "apperror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QUrl>

namespace {

qint64 g_statements = 0;
QHash<QString, int> g_depth; // open transactions per connection
QSet<QString> g_shared;      // connections already set up for shared access
QSet<QString> g_readOnly;    // server connections whose sessions may only read
QSet<QString> g_lostRace;    // connections whose transaction lost to another one (worth running again)
// Writing statements prepared once per connection: a list's store runs the same two statements
// for every row. A caller only reads the row count or the new key of a write before the next one.
QHash<QString, QHash<QString, QSqlQuery>> g_prepared;

bool isWrite(const QString& sql)
{
    return sql.startsWith(QStringLiteral("INSERT"), Qt::CaseInsensitive) ||
           sql.startsWith(QStringLiteral("UPDATE"), Qt::CaseInsensitive) ||
           sql.startsWith(QStringLiteral("DELETE"), Qt::CaseInsensitive);
}

// The parts of a server database's name. libpq's own settings (host, port, user, service...)
// may also come as query items; a password may not, in any form.
struct ServerName
{
    QString host;
    int port = -1;
    QString user;
    QString database;
    QStringList options; // "key=value" for libpq, in the order given
};

AppError badServerName(const QString& name, const QString& why)
{
    return AppError(AppError::DatabaseError, QStringLiteral("Db.open"),
                    QStringLiteral("'%1' is not a database name this program can use: %2").arg(Db::displayName(name), why));
}

ServerName parseServerName(const QString& name)
{
    const qsizetype schemeEnd = name.indexOf(QStringLiteral("://"));
    QString rest = name.mid(schemeEnd + 3);
    QString query;
    if (const qsizetype q = rest.indexOf(QLatin1Char('?')); q >= 0) {
        query = rest.mid(q + 1);
        rest.truncate(q);
    }
    ServerName server;
    QString authority = rest;
    if (const qsizetype slash = rest.indexOf(QLatin1Char('/')); slash >= 0) {
        authority = rest.left(slash);
        server.database = QUrl::fromPercentEncoding(rest.mid(slash + 1).toUtf8());
    }
    if (const qsizetype at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString userInfo = authority.left(at);
        if (userInfo.contains(QLatin1Char(':')))
            throw badServerName(name, QStringLiteral("a password may not be part of it. Keep it in ~/.pgpass instead."));
        server.user = QUrl::fromPercentEncoding(userInfo.toUtf8());
        authority = authority.mid(at + 1);
    }
    QString host = QUrl::fromPercentEncoding(authority.toUtf8());
    if (!host.startsWith(QLatin1Char('/'))) {
        const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0 && !host.endsWith(QLatin1Char(']'))) {
            bool ok = false;
            server.port = host.mid(colon + 1).toInt(&ok);
            if (!ok)
                throw badServerName(name, QStringLiteral("the port is not a number."));
            host.truncate(colon);
        }
    }
    server.host = host;
    for (const QString& item : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const QString key = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8());
        const QString value = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 1).toUtf8());
        if (key == QStringLiteral("password"))
            throw badServerName(name, QStringLiteral("a password may not be part of it. Keep it in ~/.pgpass instead."));
        if (key == QStringLiteral("host"))
            server.host = value;
        else if (key == QStringLiteral("port"))
            server.port = value.toInt();
        else if (key == QStringLiteral("user"))
            server.user = value;
        else if (key == QStringLiteral("dbname"))
            server.database = value;
        else if (!key.isEmpty() && !value.contains(QLatin1Char(' ')) && !value.contains(QLatin1Char('\'')))
            server.options << key + QLatin1Char('=') + value;
        else
            throw badServerName(name, QStringLiteral("the setting '%1' is not understood.").arg(key));
    }
    if (server.database.isEmpty())
        throw badServerName(name, QStringLiteral("it names no database."));
    return server;
}

// The same database under whatever spelling of its name: user@host:port/database?options.
QString serverKey(const ServerName& s)
{
    return QStringLiteral("postgresql://%1@%2:%3/%4?%5")
        .arg(s.user, s.host, QString::number(s.port), s.database, s.options.join(QLatin1Char('&')));
}

QString canonical(const QString& path)
{
    const QFileInfo info(path);
    const QString c = info.canonicalFilePath();
    return c.isEmpty() ? info.absoluteFilePath() : c;
}

QString connectionName(const QString& path, const QString& purpose)
{
    const QString key = Db::isServerName(path) ? serverKey(parseServerName(path)) : canonical(path);
    return purpose.isEmpty() ? key : purpose + QLatin1Char(':') + key;
}

// The error number for SQLite's result code: a file that another connection holds (busy) or
// locks (locked), a unique key that refused a row, or any other failure. Extended codes keep the
// primary code in their low byte.
// On a server, the SQLSTATE of the error: a lock not granted within lock_timeout (busy), a
// unique key that refused a row, a serialization failure or deadlock (the transaction lost to
// another one; it is worth running again), or a connection that is gone.
enum class ServerFailure { None, Busy, Conflict, LostRace, LostConnection };

ServerFailure serverFailure(const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    if (state == QStringLiteral("55P03"))
        return ServerFailure::Busy;
    if (state == QStringLiteral("23505"))
        return ServerFailure::Conflict;
    if (state == QStringLiteral("40001") || state == QStringLiteral("40P01"))
        return ServerFailure::LostRace;
    // libpq reports a dropped connection without a state of its own; the server says 08xxx when
    // it refuses one and 57P0x when it shuts down under the session.
    if (state.isEmpty() || state.startsWith(QStringLiteral("08")) || state.startsWith(QStringLiteral("57P0")))
        return ServerFailure::LostConnection;
    return ServerFailure::None;
}

const QString kBusyText = QStringLiteral("The database is in use by another user and did not become free in time, "
                                         "so nothing was changed. Please try again in a moment.");
const QString kLostRaceText = QStringLiteral("Another user was changing the same records at the same moment, so nothing "
                                             "was changed. Please try again.");

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

AppError serverError(const QSqlDatabase& db, const QString& source, const QSqlError& error, const QString& text)
{
    switch (serverFailure(error)) {
    case ServerFailure::Busy:
        return AppError(AppError::DatabaseBusy, source, kBusyText).withDetails(text);
    case ServerFailure::LostRace:
        g_lostRace.insert(db.connectionName());
        return AppError(AppError::DatabaseBusy, source, kLostRaceText).withDetails(text);
    case ServerFailure::Conflict:
        return AppError(AppError::DatabaseConflict, source, text);
    case ServerFailure::LostConnection:
        // Forget the session: the next command connects again.
        g_prepared.remove(db.connectionName());
        QSqlDatabase(db).close();
        return AppError(AppError::DatabaseError, source,
                        QStringLiteral("The connection to the database server was lost, so the last command was not "
                                       "completed and nothing of it was stored. The next command connects again."))
            .withDetails(text);
    case ServerFailure::None:
        break;
    }
    return AppError(AppError::DatabaseError, source, text);
}

AppError dbError(const QSqlDatabase& db, const QString& source, const QSqlError& error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    if (Db::isServer(db))
        return serverError(db, source, error, text.trimmed());
    const qint32 number = errorNumber(error, text);
    if (number == AppError::DatabaseBusy)
        return AppError(number, source, kBusyText).withDetails(text);
    return AppError(number, source, text);
}

// What every server session of this program starts with: a lock wait as long as SQLite's busy
// timeout, then the statement fails as busy instead of waiting for ever.
void startSession(QSqlDatabase& db, bool readOnly)
{
    QSqlQuery q(db);
    QString setup = QStringLiteral("SET lock_timeout = %1; SET client_min_messages = warning").arg(Db::BusyTimeoutMs);
    if (readOnly)
        setup += QStringLiteral("; SET default_transaction_read_only = on");
    if (!q.exec(setup))
        throw dbError(db, QStringLiteral("Db.open"), q.lastError());
}

// The server could not be reached, or refused the role or the database: in its own words.
AppError connectError(const QSqlDatabase& db)
{
    const QString why = db.lastError().databaseText().trimmed();
    const QString where = QStringLiteral("%1 on %2").arg(db.databaseName(), db.hostName().isEmpty() ? QStringLiteral("the local server") : db.hostName());
    return AppError(AppError::DatabaseError, QStringLiteral("Db.open"),
                    QStringLiteral("Could not connect to the database %1: %2").arg(where, why.isEmpty() ? db.lastError().text() : why));
}

// A server connection dropped by a lost connection opens again for the next command.
void reconnect(const QSqlDatabase& db)
{
    if (db.isOpen() || !Db::isServer(db))
        return;
    QSqlDatabase again = db;
    if (!again.open())
        throw connectError(again);
    startSession(again, g_readOnly.contains(again.connectionName()));
}

// The connection name, or "" for a name that can never be opened (so it is open nowhere).
QString knownConnectionName(const QString& path, const QString& purpose)
{
    try {
        return connectionName(path, purpose);
    } catch (const AppError&) {
        return {};
    }
}

// Runs a statement of the transaction frame itself (BEGIN, COMMIT, ROLLBACK).
void execFrame(const QSqlDatabase& db, const QString& sql, const QString& source)
{
    reconnect(db);
    ++g_statements;
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw dbError(db, source, q.lastError());
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
        const AppError err = dbError(db, QStringLiteral("Db.open"), db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw err;
    }
    return db;
}

QSqlDatabase addServerConnection(const QString& name, const QString& connection, bool readOnly)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
    try {
        Db::setUpServerConnection(db, name);
        if (!db.open())
            throw connectError(db);
        startSession(db, readOnly);
        if (readOnly)
            g_readOnly.insert(connection);
    } catch (...) {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection);
        throw;
    }
    return db;
}

} // namespace

namespace Db {

void setUpServerConnection(QSqlDatabase& db, const QString& name)
{
    const ServerName server = parseServerName(name);
    if (!server.host.isEmpty())
        db.setHostName(server.host);
    if (server.port > 0)
        db.setPort(server.port);
    db.setUserName(server.user);
    db.setDatabaseName(server.database);
    QStringList options = server.options;
    options << QStringLiteral("connect_timeout=%1").arg(Db::ConnectTimeoutSeconds);
    db.setConnectOptions(options.join(QLatin1Char(';')));
    // A NUMERIC (the sum of BIGINT money) comes back as its exact text, never as a double.
    db.setNumericalPrecisionPolicy(QSql::HighPrecision);
}

bool isServerName(const QString& name)
{
    return name.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           name.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

bool isServer(const QSqlDatabase& db)
{
    return db.driverName() == QStringLiteral("QPSQL");
}

QString insertionOrder(const QSqlDatabase& db)
{
    // A server keeps rows that were never updated in the order of their physical place.
    return isServer(db) ? QStringLiteral("ctid") : QStringLiteral("rowid");
}

QString exactCollation(const QSqlDatabase& db)
{
    return isServer(db) ? QStringLiteral(" COLLATE \"C\"") : QStringLiteral(" COLLATE BINARY");
}

QString caseBlindOrder(const QSqlDatabase& db, const QString& column)
{
    // SQLite's NOCASE folds A to Z alone and compares what is left byte by byte (and its index
    // serves the order); so does lower() under the server's "C" collation.
    return isServer(db) ? QStringLiteral("lower(%1 COLLATE \"C\") COLLATE \"C\"").arg(column) : column;
}

void checkServerName(const QString& name)
{
    if (isServerName(name))
        parseServerName(name);
}

QString displayName(const QString& name)
{
    if (!isServerName(name))
        return QDir::toNativeSeparators(name);
    // Whatever stands between "//" and "@" may hold a password: never show it.
    static const QRegularExpression userInfo(QStringLiteral("^([^:]+://)([^@/?]*):[^@/?]*@"));
    static const QRegularExpression setting(QStringLiteral("([?&]password=)[^&]*"));
    QString shown = name;
    return shown.replace(userInfo, QStringLiteral("\\1\\2@")).replace(setting, QStringLiteral("\\1*"));
}

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
    if (isServerName(path)) {
        const QString name = connectionName(path, purpose);
        if (QSqlDatabase::contains(name)) {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            reconnect(db);
            return db;
        }
        return addServerConnection(path, name, mode == QStringLiteral("ro"));
    }
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
        const AppError err = dbError(db, QStringLiteral("Db.open"), probe.lastError());
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
    const QString name = knownConnectionName(path, purpose);
    return !name.isEmpty() && QSqlDatabase::contains(name) && QSqlDatabase::database(name, false).isOpen();
}

QSqlDatabase create(const QString& path)
{
    if (isServerName(path)) {
        QSqlDatabase db = open(path);
        if (scalar(db, QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = current_schema()"))
                .toLongLong() > 0) {
            db = QSqlDatabase();
            close(path);
            throw AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                           QStringLiteral("'%1' already holds tables.").arg(displayName(path)));
        }
        // SQLite's NOCASE under its own name, so that the same schema runs on both: columns that
        // compare typed text without regard to case (this one folds every letter, not ASCII alone).
        exec(db, QStringLiteral("CREATE COLLATION IF NOT EXISTS nocase "
                                "(provider = icu, locale = 'und-u-ks-level2', deterministic = false)"));
        return db;
    }
    if (QFileInfo::exists(path))
        throw AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                       QStringLiteral("'%1' already exists.").arg(QDir::toNativeSeparators(path)));
    QDir().mkpath(QFileInfo(path).absolutePath());
    return addConnection(path, canonical(path), true);
}

void close(const QString& path, const QString& purpose)
{
    const QString name = knownConnectionName(path, purpose);
    if (name.isEmpty() || !QSqlDatabase::contains(name))
        return;
    g_prepared.remove(name);
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    g_depth.remove(name);
    g_shared.remove(name);
    g_readOnly.remove(name);
    g_lostRace.remove(name);
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
    g_readOnly.clear();
    g_lostRace.clear();
}

void useSharedAccess(QSqlDatabase& db)
{
    // A server lets its users wait for each other's rows from the start of each session.
    if (isServer(db) || g_shared.contains(db.connectionName()))
        return;
    g_shared.insert(db.connectionName());
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs));
    // A read-only file keeps its journal: WAL cannot be set there, and need not be.
    q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    // Years of balances of thousands of accounts: a page cache of 64 MB keeps a month's work in memory.
    q.exec(QStringLiteral("PRAGMA cache_size = -65536"));
}

// The server's form of a schema statement written as SQLite reads it: keys the database numbers,
// 64-bit integers throughout (money), byte strings. COLLATE NOCASE names the server's collation
// of that name, made with the database.
QString serverSchemaStatement(QString sql)
{
    static const QRegularExpression autoKey(QStringLiteral("\\bINTEGER PRIMARY KEY AUTOINCREMENT\\b"));
    static const QRegularExpression integer(QStringLiteral("\\bINTEGER\\b"));
    static const QRegularExpression blob(QStringLiteral("\\bBLOB\\b"));
    sql.replace(autoKey, QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
    sql.replace(integer, QStringLiteral("BIGINT"));
    sql.replace(blob, QStringLiteral("BYTEA"));
    return sql;
}

bool isSchemaStatement(const QString& sql)
{
    return sql.startsWith(QStringLiteral("CREATE "), Qt::CaseInsensitive) ||
           sql.startsWith(QStringLiteral("ALTER "), Qt::CaseInsensitive);
}

namespace {

QSqlQuery run(const QSqlDatabase& db, const QString& given, const QVariantList& values, bool keep)
{
    reconnect(db);
    const QString sql = isServer(db) && isSchemaStatement(given) ? serverSchemaStatement(given) : given;
    ++g_statements;
    // A writing statement is prepared once per connection and run again with new values.
    QHash<QString, QSqlQuery>* cache = keep && isWrite(sql) ? &g_prepared[db.connectionName()] : nullptr;
    if (!cache && values.isEmpty() && isServer(db)) {
        // A server prepares only queries and writes, not schema or session statements; a
        // statement without values goes as it stands, in one round trip.
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(sql))
            throw dbError(db, QStringLiteral("Db.exec"), q.lastError());
        return q;
    }
    QSqlQuery q = [&] {
        if (cache && cache->contains(sql))
            return cache->value(sql);
        QSqlQuery fresh(db);
        fresh.setForwardOnly(true);
        if (!fresh.prepare(sql))
            throw dbError(db, QStringLiteral("Db.exec"), fresh.lastError());
        if (cache)
            cache->insert(sql, fresh);
        return fresh;
    }();
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw dbError(db, QStringLiteral("Db.exec"), q.lastError());
    return q;
}

} // namespace

QSqlQuery exec(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    return run(db, sql, values, true);
}

QSqlQuery execOnce(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    return run(db, sql, values, false);
}

QString valuesRows(const QSqlDatabase& db, const QString& table, const QStringList& columns, qsizetype rows)
{
    const QString plain = QLatin1Char('(') + QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
                          QLatin1Char(')');
    QStringList first(columns.size(), QStringLiteral("?"));
    if (isServer(db)) {
        // The table's column types, read once per connection and table.
        static QHash<QString, QHash<QString, QString>> types; // "connection/table" -> column -> type
        const QString key = db.connectionName() + QLatin1Char('/') + table.toLower();
        if (!types.contains(key)) {
            QHash<QString, QString>& byColumn = types[key];
            QSqlQuery q = exec(db,
                               QStringLiteral("SELECT column_name, data_type FROM information_schema.columns WHERE "
                                              "table_schema = current_schema() AND table_name = lower(?)"),
                               {table});
            while (q.next())
                byColumn.insert(q.value(0).toString(), q.value(1).toString());
        }
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QString type = types.value(key).value(columns[i].toLower());
            if (type.isEmpty())
                throw AppError(AppError::DatabaseError, QStringLiteral("Db.valuesRows"),
                               QStringLiteral("The table %1 has no column %2.").arg(table, columns[i]));
            first[i] = QStringLiteral("CAST(? AS %1)").arg(type);
        }
    }
    QStringList all;
    all.reserve(rows);
    all << QLatin1Char('(') + first.join(QStringLiteral(", ")) + QLatin1Char(')');
    for (qsizetype i = 1; i < rows; ++i)
        all << plain;
    return all.join(QStringLiteral(", "));
}

qint64 insertReturningId(const QSqlDatabase& db, const QString& insert, const QVariantList& values)
{
    if (!isServer(db))
        return exec(db, insert, values).lastInsertId().toLongLong();
    // The server hands the new key back with the INSERT itself: name the table's numbered column,
    // looked up once per table (an empty name: the table numbers no key).
    static QHash<QString, QString> keyColumns; // "connection/table" -> column
    const QString table = insert.section(QLatin1Char(' '), 2, 2);
    const QString cacheKey = db.connectionName() + QLatin1Char('/') + table.toLower();
    if (!keyColumns.contains(cacheKey))
        keyColumns.insert(cacheKey, scalar(db,
                                           QStringLiteral("SELECT column_name FROM information_schema.columns WHERE "
                                                          "table_schema = current_schema() AND table_name = lower(?) "
                                                          "AND is_identity = 'YES'"),
                                           {table})
                                        .toString());
    const QString column = keyColumns.value(cacheKey);
    if (column.isEmpty()) {
        exec(db, insert, values);
        return 0;
    }
    QSqlQuery q = exec(db, insert + QStringLiteral(" RETURNING ") + column, values);
    return q.next() ? q.value(0).toLongLong() : 0;
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

void continueKeys(const QSqlDatabase& db)
{
    if (!isServer(db))
        return; // SQLite numbers on from the largest key of the table by itself
    QList<QPair<QString, QString>> keys;
    {
        QSqlQuery q = exec(db, QStringLiteral("SELECT table_name, column_name FROM information_schema.columns "
                                              "WHERE table_schema = current_schema() AND is_identity = 'YES'"));
        while (q.next())
            keys.append({q.value(0).toString(), q.value(1).toString()});
    }
    const QSqlDriver* driver = db.driver();
    for (const auto& [table, column] : keys) {
        // The names come from the server's catalog, never from a user.
        const QString t = driver->escapeIdentifier(table, QSqlDriver::TableName);
        const QString c = driver->escapeIdentifier(column, QSqlDriver::FieldName);
        exec(db, QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), COALESCE((SELECT max(%1) FROM %2), 0) + 1, false)")
                     .arg(c, t),
             {t, column});
    }
}

bool tableExists(const QSqlDatabase& db, const QString& table)
{
    try {
        if (isServer(db))
            return scalar(db,
                          // A view of the name is no table, as on SQLite.
                          QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = "
                                         "current_schema() AND lower(table_name) = lower(?) AND table_type = "
                                         "'BASE TABLE'"),
                          {table})
                       .toLongLong() > 0;
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
        // The table name comes from the code; the catalog is read without touching rows.
        QSqlQuery q = isServer(db) ? exec(db,
                                          QStringLiteral("SELECT column_name FROM information_schema.columns WHERE "
                                                         "table_schema = current_schema() AND lower(table_name) = lower(?)"),
                                          {table})
                                   : exec(db, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
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
        if (!db.isOpen() || isServer(db))
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

QString beginWrite(const QSqlDatabase& db)
{
    // SQLite: every transaction here may write, so it takes the write lock at once, waiting on
    // the busy timeout. A deferred one that has read first fails at once with "database is
    // locked" when it tries to write while another connection writes. A server locks rows as
    // they are written and waits on lock_timeout.
    return isServer(db) ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
}

Transaction::Transaction(const QSqlDatabase& db) : m_db(db)
{
    int& depth = g_depth[m_db.connectionName()];
    m_level = depth;
    if (m_level == 0) {
        execFrame(m_db, beginWrite(m_db), QStringLiteral("Db.Transaction"));
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

void runTransaction(const QSqlDatabase& db, const std::function<void(Transaction& tx)>& work)
{
    const QString name = db.connectionName();
    // Only the outermost transaction can be run again: a loss aborts it as a whole.
    const bool outermost = g_depth.value(name) == 0;
    for (int attempt = 1;; ++attempt) {
        g_lostRace.remove(name);
        try {
            Transaction tx(db);
            work(tx);
            return;
        } catch (const AppError&) {
            if (!outermost || attempt > 1 || !g_lostRace.contains(name))
                throw;
        }
    }
}

} // namespace Db
