#pragma once

#include <QSqlDatabase>
#include <QString>

// Databases for tests, made with the program's own schema code: SQLite files in the test's
// folder, or, when CORVANTIS_TEST_SERVER names the test server (the `_pg` run of a test), new
// databases on that server whose names stand where the file paths would.
namespace TestDb {

// True in the run of a test on the server engine.
bool onServer();
// A new empty database: a file path that does not exist yet, or a new database on the server.
QString newDatabase(const QString& folder, const QString& name);
// A server database name on the test server for the database given (which need not exist).
QString serverName(const QString& database, const QString& user = QStringLiteral("corvantis"));
// Runs a statement on the test server's maintenance database (CREATE DATABASE, ALTER ROLE...).
void serverAdmin(const QString& statement);
// Makes a login role on the test server unless it exists (another test may be making it at the
// same moment). With a password the server asks for it, and `passFile`, when named, keeps it as a
// .pgpass readable by its owner only.
void loginRole(const QString& role, const QString& password = {}, const QString& passFile = {});

// A main database with the schema and the reference rows, no company data and no users.
QString emptyMain(const QString& folder, const QString& name = QStringLiteral("main.db"));
// emptyMain on a server database that sorts text by a language's rules (ICU "en-US").
QString emptyMainInLanguageOrder(const QString& folder);
// A documents database.
QString documents(const QString& folder, const QString& name = QStringLiteral("docs.db"));
// The tutorial pair (hashed tutorial users), returns the main path.
QString tutorial(const QString& folder);
// A database of the run's engine made by the statements given (another program's database, an
// older schema of this one); returns its name.
QString madeDatabase(const QString& folder, const QString& name, const QStringList& statements);
// What a check must leave as it was: a file's bytes, or a server database's tables, columns and
// row counts.
QByteArray snapshot(const QString& name);
// Makes every insert into the table fail (as a full disk or a lock would), or only those while
// the SQL condition holds; mendInserts takes that back.
void failInserts(const QSqlDatabase& db, const QString& table, const QString& condition = {});
void mendInserts(const QSqlDatabase& db, const QString& table);
// The keys the database numbers continue after the largest stored (after rows were inserted with
// their keys given).
void continueKeys(const QSqlDatabase& db);
// The next key the database numbers for the table will be `next`.
void numberKeysFrom(const QSqlDatabase& db, const QString& table, qint64 next);
// A copy of the database under another name (a file in the folder, or a server database).
QString copyOf(const QString& source, const QString& folder, const QString& name);
// Removes the database (the file, or the server database with its connections).
void remove(const QString& name);
// The statement with which another user keeps everyone else from the table, readers too, until
// he rolls back (on SQLite, from the whole file).
QString lockOut(const QString& table);
// Statements on the connection wait for another user only `ms` before they fail as busy.
void waitBusyOnly(const QSqlDatabase& db, int ms);
// Adds a user with a plain-text password, as an older database kept it; returns its id.
qint64 addPlainUser(const QString& mainPath, const QString& userName, const QString& password,
                    const QString& role = QStringLiteral("User"), int prepared = 1, int reviewed = 0,
                    int approved = 0, const QString& fullName = QStringLiteral("Test User"));
// Points the main database's documents location at path.
void setDocumentsLocation(const QString& mainPath, const QString& documentsPath);
// Writes a text file (anything that is not a database).
QString textFile(const QString& folder, const QString& name, const QByteArray& content);

} // namespace TestDb
