#include "db.h"

#include "apperror.h"

#include <QCoreApplication>
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

// The parts of a server database's name. Host, port, user and database may also come as query
// items; besides them only the settings below are understood. A password may not come in any form,
// nor a file that holds one.
struct ServerName
{
    QString host;
    int port = -1;
    QString user;
    QString database;
    QStringList options; // "key=value" for libpq, in the order given
};

bool isKnownOption(const QString& key)
{
    static const QStringList known = {
        QStringLiteral("sslmode"),     QStringLiteral("sslrootcert"),      QStringLiteral("sslcert"),
        QStringLiteral("sslkey"),      QStringLiteral("sslcrl"),           QStringLiteral("gssencmode"),
        QStringLiteral("service"),     QStringLiteral("application_name"), QStringLiteral("target_session_attrs")};
    return known.contains(key);
}

// The driver passes settings on as "key=value" separated by blanks (and turns ";" into one): a
// value that could end itself or start another setting is refused, not quoted.
bool isPlainValue(const QString& value)
{
    for (const QChar c : value)
        if (c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char(';') || c == QLatin1Char('=') ||
            c == QLatin1Char('\\') || c == QLatin1Char('\''))
            return false;
    return !value.isEmpty();
}

const QString kNoPasswordText = QStringLiteral("a password may not be part of it. Keep it in ~/.pgpass instead.");

AppError badServerName(const QString& name, const QString& why)
{
    return AppError(AppError::DatabaseError, QStringLiteral("Db.open"),
                    QStringLiteral("'%1' is not a database name this program can use: %2").arg(Db::displayName(name), why));
}

int serverPort(const QString& name, const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int port = digits.match(text).hasMatch() ? text.toInt() : 0;
    if (port < 1 || port > 65535)
        throw badServerName(name, QStringLiteral("the port must be a number from 1 to 65535."));
    return port;
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
            throw badServerName(name, kNoPasswordText);
        server.user = QUrl::fromPercentEncoding(userInfo.toUtf8());
        authority = authority.mid(at + 1);
    }
    // The port follows the last plain ":" (a socket folder writes its own "/" and ":" encoded),
    // never one inside an address in brackets.
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && colon > authority.lastIndexOf(QLatin1Char(']'))) {
        server.port = serverPort(name, authority.mid(colon + 1));
        authority.truncate(colon);
    }
    server.host = QUrl::fromPercentEncoding(authority.toUtf8());
    for (const QString& item : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const QString key = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8());
        const QString value = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 1).toUtf8());
        if (key.contains(QStringLiteral("password")) || key == QStringLiteral("passfile"))
            throw badServerName(name, kNoPasswordText);
        if (key == QStringLiteral("host"))
            server.host = value;
        else if (key == QStringLiteral("port"))
            server.port = serverPort(name, value);
        else if (key == QStringLiteral("user"))
            server.user = value;
        else if (key == QStringLiteral("dbname"))
            server.database = value;
        else if (!isKnownOption(key))
            throw badServerName(name, QStringLiteral("the setting '%1' is not understood.").arg(key));
        else if (!isPlainValue(value))
            throw badServerName(name, QStringLiteral("the value of the setting '%1' may not be empty or hold a blank, "
                                                     "\";\", \"=\", \"\\\" or a quote.").arg(key));
        else
            server.options << key + QLatin1Char('=') + value;
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

// True when the server connection is gone: libpq has seen the session end (the driver then
// reports the connection closed), whatever the statement's error said.
bool connectionLost(const QSqlDatabase& db)
{
    return Db::isServer(db) && !db.isOpen();
}

ServerFailure serverFailure(const QSqlDatabase& db, const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    if (state == QStringLiteral("55P03"))
        return ServerFailure::Busy;
    if (state == QStringLiteral("23505"))
        return ServerFailure::Conflict;
    if (state == QStringLiteral("40001") || state == QStringLiteral("40P01"))
        return ServerFailure::LostRace;
    // The server says 08xxx when it refuses a connection and 57P0x when it ends the session; a
    // dropped connection has no state of its own, but leaves the connection closed. An error
    // without a state on an open connection (the driver's own) is an ordinary failure.
    if (state.startsWith(QStringLiteral("08")) || state.startsWith(QStringLiteral("57P0")) ||
        error.type() == QSqlError::ConnectionError || connectionLost(db))
        return ServerFailure::LostConnection;
    return ServerFailure::None;
}

const QString kBusyText = QStringLiteral("The database is in use by another user and did not become free in time, "
                                         "so nothing was changed. Please try again in a moment.");
const QString kLostRaceText = QStringLiteral("Another user was changing the same records at the same moment, so nothing "
                                             "was changed. Please try again.");

AppError lostConnectionError(const QString& source, const QString& details)
{
    return AppError(AppError::DatabaseError, source,
                    QStringLiteral("The connection to the database server was lost, so the last command was not "
                                   "completed and nothing of it was stored. The next command connects again."))
        .withDetails(details);
}

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
    switch (serverFailure(db, error)) {
    case ServerFailure::Busy:
        return AppError(AppError::DatabaseBusy, source, kBusyText).withDetails(text);
    case ServerFailure::LostRace:
        g_lostRace.insert(db.connectionName());
        return AppError(AppError::DatabaseBusy, source, kLostRaceText).withDetails(text);
    case ServerFailure::Conflict:
        return AppError(AppError::DatabaseConflict, source, text);
    case ServerFailure::LostConnection:
        // Forget the session: the next command outside a transaction connects again.
        QSqlDatabase(db).close();
        return lostConnectionError(source, text);
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

// A lost server connection opens again for the next command, only outside a transaction: inside
// one, what followed the loss would run outside it, so each statement of the unit fails until it
// has ended. Nothing prepared on the old session is kept (the server forgot it with the session).
void reconnect(const QSqlDatabase& db)
{
    if (!connectionLost(db))
        return;
    const QString name = db.connectionName();
    if (g_depth.value(name) > 0)
        throw lostConnectionError(QStringLiteral("Db.exec"), QStringLiteral("The transaction ended with the connection."));
    g_prepared.remove(name);
    QSqlDatabase again = db;
    again.close();
    if (!again.open())
        throw connectError(again);
    startSession(again, g_readOnly.contains(name));
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

QString holdingRows(const QSqlDatabase& db)
{
    // A key-share lock conflicts with a delete (and a change of the key), not with another
    // store's lock nor with an update of the row's other columns.
    return isServer(db) ? QStringLiteral(" FOR KEY SHARE") : QString();
}

QString lockingRows(const QSqlDatabase& db)
{
    return isServer(db) ? QStringLiteral(" FOR UPDATE") : QString();
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
    // Whatever stands between "//" and "@" may hold a password, and so may a setting that is not
    // understood or whose value would carry another one: never show them.
    static const QRegularExpression userInfo(QStringLiteral("^([^:]+://)([^@/?]*):[^@/?]*@"));
    QString shown = name;
    shown.replace(userInfo, QStringLiteral("\\1\\2@"));
    const qsizetype q = shown.indexOf(QLatin1Char('?'));
    if (q < 0)
        return shown;
    QStringList items = shown.mid(q + 1).split(QLatin1Char('&'));
    for (QString& item : items) {
        const QString key = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8());
        const QString value = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 1).toUtf8());
        const bool part = QStringList{QStringLiteral("host"), QStringLiteral("port"), QStringLiteral("user"),
                                      QStringLiteral("dbname")}
                              .contains(key);
        if (!(part || isKnownOption(key)) || !isPlainValue(value))
            item = item.section(QLatin1Char('='), 0, 0) + QStringLiteral("=*");
    }
    return shown.left(q + 1) + items.join(QLatin1Char('&'));
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

void checkCreatable(const QString& path)
{
    if (!isServerName(path)) {
        if (QFileInfo::exists(path))
            throw AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                           QStringLiteral("'%1' already exists.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    // Every schema counts, also one outside the role's search path or whose tables it may not use:
    // the catalogue lists them all, where information_schema leaves out what the role cannot use.
    QSqlDatabase db = open(path);
    const qint64 tables =
        scalar(db, QStringLiteral("SELECT count(*) FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = "
                                  "c.relnamespace WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f') AND n.nspname NOT IN "
                                  "('pg_catalog', 'information_schema') AND n.nspname NOT LIKE 'pg\\_toast%' AND "
                                  "n.nspname NOT LIKE 'pg\\_temp\\_%'"))
            .toLongLong();
    if (tables > 0) {
        db = QSqlDatabase();
        close(path);
        throw AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                       QStringLiteral("'%1' already holds tables.").arg(displayName(path)));
    }
}

QSqlDatabase create(const QString& path)
{
    checkCreatable(path);
    if (isServerName(path)) {
        QSqlDatabase db = open(path);
        // SQLite's NOCASE under its own name, so that the same schema runs on both: columns that
        // compare typed text without regard to case (this one folds every letter, not ASCII alone).
        // Whether two names are one is never left to it: SameName decides that in the program.
        exec(db, QStringLiteral("CREATE COLLATION IF NOT EXISTS nocase "
                                "(provider = icu, locale = 'und-u-ks-level2', deterministic = false)"));
        return db;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    return addConnection(path, canonical(path), true);
}

bool mayNotRead(const QSqlDatabase& db, const QString& table)
{
    // information_schema hides a table the role may not use; the catalogue shows it.
    return isServer(db) &&
           scalar(db, QStringLiteral("SELECT count(*) FROM pg_catalog.pg_class WHERE relname = lower(?) AND "
                                     "pg_catalog.pg_table_is_visible(oid) AND NOT "
                                     "pg_catalog.has_table_privilege(oid, 'SELECT')"),
                  {table})
                   .toLongLong() > 0;
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

QSqlQuery runOnce(const QSqlDatabase& db, const QString& given, const QVariantList& values, bool keep)
{
    reconnect(db);
    const QString sql = isServer(db) && isSchemaStatement(given) ? serverSchemaStatement(given) : given;
    ++g_statements;
    // A writing statement is prepared once per connection and run again with new values.
    QHash<QString, QSqlQuery>* cache = keep && isWrite(sql) ? &preparedOn(db.connectionName()) : nullptr;
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

QSqlQuery run(const QSqlDatabase& db, const QString& sql, const QVariantList& values, bool keep)
{
    const bool wasOpen = db.isOpen();
    try {
        return runOnce(db, sql, values, keep);
    } catch (const AppError&) {
        // A read of its own found the connection gone (a server restart, a session ended while
        // idle): it changed nothing, so it connects again and runs once more.
        const bool loneRead = sql.startsWith(QStringLiteral("SELECT"), Qt::CaseInsensitive) &&
                              g_depth.value(db.connectionName()) == 0;
        if (!wasOpen || !loneRead || !connectionLost(db))
            throw;
    }
    return runOnce(db, sql, values, keep);
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

namespace {

// The type of a server table's column ("" when it has no such column), the table's types read
// once per connection and table.
QString serverColumnType(const QSqlDatabase& db, const QString& table, const QString& column)
{
    static QHash<QString, QHash<QString, QString>> types; // "connection/table" -> column -> type
    const QString key = db.connectionName() + QLatin1Char('/') + table.toLower();
    if (!types.contains(key)) {
        QHash<QString, QString> byColumn;
        QSqlQuery q = exec(db,
                           QStringLiteral("SELECT column_name, data_type FROM information_schema.columns WHERE "
                                          "table_schema = current_schema() AND table_name = lower(?)"),
                           {table});
        while (q.next())
            byColumn.insert(q.value(0).toString(), q.value(1).toString());
        types.insert(key, byColumn);
    }
    QString name = column.toLower();
    name.remove(QLatin1Char('"'));
    return types.value(key).value(name);
}

} // namespace

QString exactCollation(const QSqlDatabase& db, const QString& table, const QString& column)
{
    if (isServer(db) && serverColumnType(db, table, column) != QStringLiteral("text"))
        return {};
    return exactCollation(db);
}

QString valuesRows(const QSqlDatabase& db, const QString& table, const QStringList& columns, qsizetype rows)
{
    const QString plain = QLatin1Char('(') + QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
                          QLatin1Char(')');
    QStringList first(columns.size(), QStringLiteral("?"));
    if (isServer(db)) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QString type = serverColumnType(db, table, columns[i]);
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
        if (e.number() == AppError::DatabaseBusy || connectionLost(db))
            throw; // a file in use, or a lost connection, says nothing about its tables
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
        if (e.number() == AppError::DatabaseBusy || connectionLost(db))
            throw; // a file in use, or a lost connection, says nothing about its columns
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
        const bool wasOpen = m_db.isOpen();
        try {
            execFrame(m_db, beginWrite(m_db), QStringLiteral("Db.Transaction"));
        } catch (const AppError&) {
            // The connection was found gone before anything of the unit was sent: connect again.
            if (!wasOpen || !connectionLost(m_db))
                throw;
            execFrame(m_db, beginWrite(m_db), QStringLiteral("Db.Transaction"));
        }
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
    if (connectionLost(m_db)) {
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
