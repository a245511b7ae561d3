#pragma once

#include "arcurrency.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <functional>

// The one way this system talks to its databases: one named connection per database (keyed by
// the file's canonical path or the server database's name), statements with bound values only,
// errors raised as AppError, and an RAII transaction that rolls back unless committed.
//
// A database is an SQLite file (named by its path) or a database on a PostgreSQL server (named
// "postgresql://[user@]host[:port]/dbname"; a host that is a folder is the server's Unix socket).
// This namespace is the only place that knows which: every other layer runs the same SQL on both.
namespace Db {

// How long a statement waits for another user of the file before it fails as busy
// (AppError::DatabaseBusy).
constexpr int BusyTimeoutMs = 5000;
// How long connecting to a server may take before the login says it cannot be reached.
constexpr int ConnectTimeoutSeconds = 5;

// " COLLATE ..." for a text comparison that must be exact, letter case and all, also on a
// column that compares without regard to case.
QString exactCollation(const QSqlDatabase& db);
// The same for a column of a table: empty where the column holds no text on a server (a number
// takes no collation there, and compares exactly anyway).
QString exactCollation(const QSqlDatabase& db, const QString& table, const QString& column);
// Two texts compared in memory as exactCollation compares them in either engine: character by
// character by code point, a character past U+FFFF after every other. Less than, equal to or
// greater than 0.
int compareExactly(QStringView a, QStringView b);
// Ends a SELECT of parent rows (an account a store writes into): the rows it finds are held until
// the transaction ends, so that no other connection deletes them meanwhile, while other stores
// that hold them too go on. An SQLite write transaction holds the whole file already: nothing.
QString holdingRows(const QSqlDatabase& db);
// Ends a SELECT of rows that a check reads before the transaction writes others (the users, when
// a name must be free or an administrator must be left): the rows are locked until the
// transaction ends, so another transaction that locks them first waits, and its check then sees
// this one's writes. An SQLite write transaction holds the whole file already: nothing.
QString lockingRows(const QSqlDatabase& db);
// Ends a SELECT of rows that a store checks and goes on relying on (the user's own row): the rows
// are held until the transaction ends, so that another transaction that changes or deletes them
// waits, while other transactions that check them too go on at the same time. An SQLite write
// transaction holds the whole file already: nothing.
QString sharingRows(const QSqlDatabase& db);
// An ORDER BY key for a column declared COLLATE NOCASE (an account number): its
// letters A to Z folded, then compared character by character, the same on both engines (a
// server's own collation would sort punctuation and other letters by its language's rules).
QString caseBlindOrder(const QSqlDatabase& db, const QString& column);
// The exact sum of a money column (its units) in a SELECT list with GROUP BY, also where a plain
// SUM of many large amounts would overflow 64 bits. It may take more than one column (two on
// SQLite), so it ends the list; read it back with MoneySums.
QString exactSum(const QSqlDatabase& db, const QString& column);

class Engine;

// Reads the sums of exactSum back, row after row of one query: the engine's own reading is found
// once, not for each row.
class MoneySums
{
public:
    explicit MoneySums(const QSqlDatabase& db);
    // The sum whose first column is `column` in the query's current row; 0 for no rows.
    ARCurrencySum at(const QSqlQuery& q, int column) const;

private:
    const Engine* m_engine;
};
// Raises AppError, in the words the login shows, for a server database's name that cannot be
// used (a password in it, a setting that is not understood, no database, a port outside 1-65535);
// a file path passes.
void checkServerName(const QString& name);
// The server database's name as shown to the user: the URI without anything secret in it.
QString displayName(const QString& name);
// True when the name is a file's path, which the user selects in a file chooser; false for a
// server database's name, which the user types.
bool namesFile(const QString& name);
// The name as it is kept (the documents database's, in the main database): a file by its absolute
// path, so that it names the same file whatever the working folder; a server name with only what
// names the database (host, port, database and the settings every desk shares, such as sslmode):
// no role and none of a desk's own settings (certificate files, a service), so that what one desk
// keeps, every desk can open as its own (see withRoleOf). A service stays only where it is what
// names the database.
QString keptName(const QString& name);
// The kept name as this desk opens it: a server database with the role the main database's name
// gives (none when it gives none: libpq's default, or its service's, the same as for the main
// database) and the desk's own settings from that name (certificate files, service), whatever the
// kept name holds of another desk's, so that each person's own password (~/.pgpass), files and
// rights apply. A file's path, and any name while the main database is a file, stand as they are.
QString withRoleOf(const QString& name, const QString& mainName);
// A name the user typed with this computer's own separators, as this system writes it: a file's
// path with "/" between its folders; a server name as it stands.
QString typedName(const QString& typed);
// True when the name may be a database the login can open: a server database's name, or a file
// whose name ends in ".db" or ".sqlite" (spaces around the name do not count). Whether it exists
// is asked apart.
bool mayNameDatabase(const QString& name);
// True for an existing database file (a file, not a folder), and for any server database's name:
// whether the server has that database is for the server to say when it is opened.
bool databaseExists(const QString& name);
// The files of the database named on this machine: a database file's own and those kept beside it
// while it is in use; none for a server database.
QStringList filesOf(const QString& name);
// True when both names name one database: the same file reached by another path (a link, "..")
// or the same server database however its name is spelled, whichever role opens it.
bool sameDatabase(const QString& a, const QString& b);
// The folder a file chooser starts in to pick another database in place of this one: the named
// file's folder, or `otherwise` when no file is named (no name, or a server database's name).
QString chooserFolder(const QString& name, const QString& otherwise);

// The connection to an existing SQLite file or server database; opening never creates a file or
// database. Raises AppError when the path is missing, not a file, or not a database, when the
// server cannot be reached or refuses the role, and when a server name carries a password (the
// password comes from libpq's own places: ~/.pgpass, PGPASSFILE, PGPASSWORD, a service file).
// `purpose` keeps a separate connection to the same database (the login check uses its own).
QSqlDatabase open(const QString& path, const QString& purpose = {});
// The same, read-only: nothing done through the connection can change the file, and a file that
// nobody uses gets nothing new beside it (a file that is only looked at, such as a candidate
// documents database).
QSqlDatabase openReadOnly(const QString& path, const QString& purpose);
// True when a connection to the file (and purpose) is open already.
bool isOpen(const QString& path, const QString& purpose = {});
// Creates a new, empty database file (the schema tools only). A server database is created by
// its administrator: it is opened, and refused unless it holds no table yet.
QSqlDatabase create(const QString& path);
// True when the server database holds the table but its role may not read it.
bool mayNotRead(const QSqlDatabase& db, const QString& table);
// The server role whose rights apply on the open connection ("" for a file, which has none).
QString role(const QSqlDatabase& db);
// A connection of its own to the database named, outside this layer's connections: set up (a
// server's host, port, role, database and settings; a file's path) under the connection name
// given, not opened. Nothing of this layer runs on it (another program's writer in a test, a
// benchmark's baseline); the caller opens it and removes it by its name when done. Touches
// nothing shared: any thread may call it.
QSqlDatabase plainConnection(const QString& name, const QString& connection);
// Closes and forgets the connection to the file (and purpose).
void close(const QString& path, const QString& purpose = {});
// Closes every connection (tests).
void closeAll();

// Lets several users of one file on one machine wait for each other: WAL journal and a busy
// timeout. Only for files known to be this system's (it changes the file's journal mode).
void useSharedAccess(QSqlDatabase& db);

// Runs one statement with its values bound in order; the query is forward-only.
QSqlQuery exec(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// Runs an INSERT into a table whose key the database numbers and returns the new row's key.
qint64 insertReturningId(const QSqlDatabase& db, const QString& insert, const QVariantList& values);
// Runs a writing statement and returns the number of rows it changed.
qint64 execCount(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// Runs a writing statement that must change exactly one row; raises otherwise.
void execOne(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// The first column of the first row, or an invalid QVariant when there is no row.
QVariant scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// Whether the table (column) exists: false only when it is really missing or the file cannot be
// read as a database; a file held by another user raises AppError::DatabaseBusy.
bool tableExists(const QSqlDatabase& db, const QString& table);
bool columnExists(const QSqlDatabase& db, const QString& table, const QString& column);
// True when an open connection of this process uses the file. Such a file is never opened
// outside SQLite: closing any other descriptor of it would drop the process's locks on it.
bool isConnectedFile(const QString& path);

// The number of statements run so far in this process (benchmarks count queries with it).
qint64 statementCount();

// A free text as stored: NULL when empty or blank, otherwise exactly as held.
QVariant text(const QString& value);
// A stored text back: NULL gives "".
inline QString textOf(const QVariant& stored) { return stored.isNull() ? QString() : stored.toString(); }
QVariant null();

// A transaction that may write (on SQLite it takes the write lock at once; on a server rows are
// locked as they are written); nested ones are savepoints.
class Transaction
{
public:
    // `doing` says what the unit of work does, in words that follow "may not": a role without the
    // rights for it is told "The database role 'x' may not change the period-end balances, so
    // nothing was stored." (the outermost transaction that says it counts).
    explicit Transaction(const QSqlDatabase& db, const QString& doing = {});
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    const QSqlDatabase& db() const { return m_db; }

private:
    QSqlDatabase m_db;
    int m_level = 0; // 0 the outermost; nested transactions use savepoints
    bool m_done = false;
    bool m_says = false; // this transaction's `doing` is the one a refusal tells
};

// What every writing transaction on the connection makes sure of before it writes (that the
// session's user is still a user): `guard` runs inside the transaction, just before its first
// writing statement (INSERT, UPDATE, DELETE), and holds what it checked until the transaction
// ends; a guard that raises keeps that statement, and every later one, from being sent. It runs
// once a transaction, its savepoints included; a savepoint rolled back lets go of what a guard
// made in it held, so the next write checks again. One connection of the process is guarded (the
// session's main database): a later call moves the guard; an empty guard removes it.
using WriteGuard = std::function<void(const QSqlDatabase& db)>;
void guardWrites(const QSqlDatabase& db, WriteGuard guard);
// Tells the connection's guard that its check was made inside the current transaction (by a store
// that checks a right on top of it): the writes that follow do not make it again.
void guardPassed(const QSqlDatabase& db);

// Runs `work` in a transaction (see Transaction); the work ends with tx.commit(), and one that
// returns without committing is rolled back. On a server a transaction can lose to another one
// that locked the same rows in the other order (a deadlock) or changed what it read (a
// serialization failure): it is rolled back and run once more from the top, so the work must
// leave its objects as they were when it fails (Persistence::RestoreOnFailure). A second loss is
// reported as busy. Inside another transaction it is a savepoint, and a loss ends the outer one.
void runTransaction(const QSqlDatabase& db, const std::function<void(Transaction& tx)>& work);
// The same, saying what the work does (see Transaction).
void runTransaction(const QSqlDatabase& db, const QString& doing, const std::function<void(Transaction& tx)>& work);

// Takes, inside the transaction, the table's lock for a store that checks a rule of uniqueness (a
// new account number) before it adds or changes a row: one transaction holds it at a time, so a
// second adder waits until the first has ended, and its check then sees the first one's row.
// Readers, and stores that only hold the table's rows, go on. An SQLite write transaction holds
// the whole file already: nothing.
void lockForAdding(const Transaction& tx, const QString& table);

inline QSqlQuery exec(const Transaction& tx, const QString& sql, const QVariantList& values = {})
{
    return exec(tx.db(), sql, values);
}
inline qint64 insertReturningId(const Transaction& tx, const QString& insert, const QVariantList& values)
{
    return insertReturningId(tx.db(), insert, values);
}
inline void execOne(const Transaction& tx, const QString& sql, const QVariantList& values = {})
{
    execOne(tx.db(), sql, values);
}

} // namespace Db
