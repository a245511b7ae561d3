#pragma once

// What only the database layer itself uses: the description of each engine, the connection's
// bookkeeping shared by the layer's files, and the statements of a script.

#include "apperror.h"
#include "db.h"

#include <QSqlError>

namespace Db {

struct ValueStreamEngine;

// Everything that sets one engine apart from the other, in one place per engine (sqliteengine.cpp,
// serverengine.cpp). The engine of a database is picked by its name when it is opened, and that of
// an open connection by its driver; the rest of the layer asks the engine and never tests which
// one it is.
class Engine
{
public:
    virtual ~Engine() = default;

    // The engine of the database named: a server's for a server name, SQLite's for a path.
    static const Engine& named(const QString& name);
    // The engine of an open (or closed) connection; SQLite's for one that is not valid.
    static const Engine& of(const QSqlDatabase& db);

    // The Qt driver's name.
    virtual QString driver() const = 0;

    // Opening and the connection's life.
    // The connection's key: the same database under whatever spelling of its name.
    virtual QString key(const QString& name) const = 0;
    // The open connection to the existing database (and purpose): added now, or kept from before.
    virtual QSqlDatabase open(const QString& name, const QString& purpose, bool readOnly) const = 0;
    // Raises AppError unless create() can make the database; with `replacing`, a file that exists
    // is made anew and no refusal.
    virtual void checkCreatable(const QString& name, bool replacing = false) const = 0;
    // Where the database is kept, the same text for every name of it: two names with the same
    // place are one database.
    virtual QString place(const QString& name) const = 0;
    // A new, empty database; checkCreatable has passed. Raises AppError, having made nothing, when
    // another program made the database since.
    virtual QSqlDatabase create(const QString& name) const = 0;
    // Inside the transaction that makes a new database's tables, before the first of them: raises
    // AppError when another program made its tables since create(), and keeps any other maker
    // waiting until the transaction ends.
    virtual void claimNew(const QSqlDatabase& db, const QString& name) const = 0;
    // A connection set up but not opened, outside the layer (see plainConnection).
    virtual QSqlDatabase plain(const QString& name, const QString& connection) const = 0;
    // What useSharedAccess does, once per connection.
    virtual void shareAccess(QSqlDatabase& db) const = 0;
    // What every session starts with (also one that connects again).
    virtual void startSession(QSqlDatabase& db, bool readOnly) const = 0;
    // True when the connection was lost under the layer (what reconnect() mends).
    virtual bool connectionLost(const QSqlDatabase& db) const = 0;
    // Forgets what was read of the database's catalogue (a connection to it closes or opens).
    virtual void forgetCatalogue(const QSqlDatabase& db) const = 0;
    // The files of the database named on this machine: its own and those the engine keeps beside
    // it while it is in use.
    virtual QStringList files(const QString& name) const = 0;
    // The local file the open connection uses; "" for a server's.
    virtual QString file(const QSqlDatabase& db) const = 0;
    // The error of a statement (or of opening) in the system's words.
    virtual AppError error(const QSqlDatabase& db, const QString& source, const QSqlError& error) const = 0;
    // The error of a connection that could not be opened.
    virtual AppError openError(const QSqlDatabase& db) const = 0;

    // Statements and transactions.
    // The statement that begins a transaction which may write.
    virtual QString beginWrite() const = 0;
    // The engine's own form of a statement written as SQLite reads it (a schema statement).
    virtual QString ownForm(const QString& sql) const = 0;
    // True when a statement without values goes unprepared, as it stands.
    virtual bool sendsBareStatements() const = 0;
    virtual QString exactCollation() const = 0;
    virtual QString exactCollation(const QSqlDatabase& db, const QString& table, const QString& column) const = 0;
    virtual QString holdingRows() const = 0;
    virtual QString lockingRows() const = 0;
    virtual QString sharingRows() const = 0;
    // The statement that keeps other adders to the table waiting (see lockForAdding); "" for none.
    virtual QString lockForAdding(const QString& table) const = 0;
    virtual QString caseBlindOrder(const QString& column) const = 0;
    virtual QString exactSum(const QString& column) const = 0;
    // The sum of exactSum whose first column is `column` in the query's current row (see MoneySums).
    virtual ARCurrencySum moneySum(const QSqlQuery& q, int column) const = 0;
    // The parameter of the column in a VALUES list's first row.
    virtual QString firstValuesParameter(const QSqlDatabase& db, const QString& table, const QString& column) const = 0;
    virtual qint64 insertReturningId(const QSqlDatabase& db, const QString& insert, const QVariantList& values) const = 0;
    virtual void continueKeys(const QSqlDatabase& db) const = 0;

    // The catalogue.
    virtual bool tableExists(const QSqlDatabase& db, const QString& table) const = 0;
    // The names of the table's columns, one a row.
    virtual QSqlQuery columnNames(const QSqlDatabase& db, const QString& table) const = 0;
    virtual bool mayNotRead(const QSqlDatabase& db, const QString& table) const = 0;
    virtual QString role(const QSqlDatabase& db) const = 0;

    // How long values are written and read piece by piece (valuestream_*.cpp).
    virtual const ValueStreamEngine& valueStream() const = 0;
};

// The engine of a connection.
inline const Engine& engineOf(const QSqlDatabase& db)
{
    return Engine::of(db);
}

// What the layer's own files and the schema tools use, beside the public face (db.h).
// True when the name is a server database's ("postgresql://..." or "postgres://...") rather than
// a file path.
bool isServerName(const QString& name);
// Raises AppError unless create() can make the database: a file that exists already or whose
// folder is missing or cannot be written, a server database with a table in any schema or in which
// the role may not create tables, a name that cannot be used.
void checkCreatable(const QString& path);
// Raises AppError unless a main and a documents database made together can both be made: neither
// is written unless both can, and they must be two databases, not one reached by two names
// (another path to the file, another spelling of the server or its socket folder, another role).
// With `replaceFiles` a file that exists is no refusal (it is made anew).
void checkCreatablePair(const QString& main, const QString& documents, bool replaceFiles = false);
// Runs a writing statement unlikely to run again as it stands (a batch of rows whose number
// varies): prepared for this run only, not kept with the connection's statements.
QSqlQuery execOnce(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// "(?, ?), (?, ?)": `rows` rows of a VALUES list whose columns hold values of the named columns of
// `table` (a name may repeat). A server types a bare parameter in a VALUES list as text, so there
// the first row casts each to its column's type; SQLite needs no cast. Columns are then read as
// column1, column2, ... on both engines.
QString valuesRows(const QSqlDatabase& db, const QString& table, const QStringList& columns, qsizetype rows);
// Runs a script of statements separated by ";" at the end of a line ("--" comments allowed).
// Schema statements are written as SQLite reads them; a server gets its own form of each.
void runScript(const QSqlDatabase& db, const QString& script);
// Inside the transaction that makes the new database's tables, before the first: raises AppError
// in the system's words when another program made the database meanwhile (see Engine::claimNew).
void claimNew(const QSqlDatabase& db, const QString& name);
// Makes the keys that the database numbers continue after the largest one stored (after rows
// were inserted with their keys given, as the tutorial data does).
void continueKeys(const QSqlDatabase& db);

// Names (servername.cpp).
// The parts of a server database's name, refused in the login's words when they cannot be used.
struct ServerName
{
    QString host;
    int port = -1;
    QString user;
    QString database;
    QStringList options; // "key=value" for the driver, in the order given
};
ServerName parseServerName(const QString& name);
// Sets a new, unopened server connection up for the server database named (host, port, role,
// database, connect timeout, exact NUMERIC values). Touches nothing shared: any thread may call it.
void setUpServerConnection(QSqlDatabase& db, const QString& name);
// A file's path with links resolved (the absolute path of one that does not exist).
QString canonical(const QString& path);

// The connection's life (connection.cpp).
// The connection name of the database (and purpose).
QString connectionName(const QString& path, const QString& purpose);
// The error of a failed statement, as its engine maps it.
AppError dbError(const QSqlDatabase& db, const QString& source, const QSqlError& error);
// What the database or the driver said of a failure.
QString errorText(const QSqlError& error);
// The words of a database that stayed in use by another user too long.
QString busyText();
AppError lostConnectionError(const QString& source, const QString& details);
// The refusal of a role without the rights for a statement of the connection: it names the role
// and, inside a transaction that says it, what the unit of work does.
AppError notPermittedError(const QSqlDatabase& db, const QString& source, const QString& role, const QString& details);
// Opens a lost server connection again, only outside a transaction (see connection.cpp).
void reconnect(const QSqlDatabase& db);
// Sessions that may only read, by connection name (they start so again after a reconnect).
void rememberReadOnly(const QString& connection);
// Drops a connection that failed to open (or prove itself), and returns the error.
AppError dropped(QSqlDatabase& db, const AppError& error);

// Statements (statements.cpp).
// The number of transactions open on the connection (0: none).
int transactionDepth(const QString& connection);
// What the outermost transaction on the connection that says it does ("" when none does).
QString doingOn(const QString& connection);
// Forgets the statements kept for the connection (its session is gone).
void forgetStatements(const QString& connection);
// Forgets everything the statements kept for the connection (closed), or for all.
void forgetConnection(const QString& connection);
void forgetAllConnections();

// The statement that begins a transaction which may write: on SQLite it takes the write lock at
// once (BEGIN IMMEDIATE); on a server rows are locked as they are written.
QString beginWrite(const QSqlDatabase& db);
// The statements of a script for runScript, in order.
QStringList splitScript(const QString& script);

} // namespace Db
