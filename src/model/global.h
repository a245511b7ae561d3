#pragma once

#include "persistence.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <array>

// The process-wide state of the logged-in session and the shared data-access routines.
namespace Global {

// Logged-in state: filled all at once by a successful login check, untouched by a failed one.
inline QString typedUserName;
inline bool isLoggedIn = false;
inline QString& userName = Persistence::auditUser; // the login name as stored: CreateUser, ActivityUser
inline QString reportName;   // the user's full name: written into sign-off fields
inline QString permission;   // "CAN_PREPARE", "CAN_REVIEW", "CAN_APPROVE" or "" for none
inline QString role;
inline bool isAdminUser = false;
inline QString userID;

// The main database the session works on: set only by a successful login.
inline QString mainDatabasePath;
// True once a login has succeeded in this program. Until then nothing is reached: no main
// database connection is made and no command runs.
inline bool loginSucceeded() { return !mainDatabasePath.isEmpty(); }
// What is said of anything asked for before a login.
QString notLoggedInMessage();

inline QString currentRecDate;
inline QString tutorialPath;
inline QString accountFilter;
inline qint64 selectedGLAcctID = 0;
inline QString docDBPath;
inline bool isDBVersionOK = false;
inline bool isDocDBValid = false;
inline QList<int> gridColumnWidths;
// Sort state of the account-selection grids, shared by both of them for the session.
struct GridSortState
{
    // The direction each of the grid columns 1-7 was last sorted in (1 descending); columns 5-7
    // are those of the review variant only.
    std::array<int, 7> direction{};
    int column = 0; // the column last sorted by (0 none)
    int descending = 0; // its direction (1 descending)
    int kind = 0;   // its comparison kind
    bool operator==(const GridSortState&) const = default;

    // As the grids start: sorted by their first column, ascending, with the start kind.
    static GridSortState atStart() { return {{}, 1, 0, 6}; }
};
inline GridSortState gridSortState;

// The login name as the documents tables call it.
inline const QString& loginName() { return userName; }

inline const QString PermissionPrepare = QStringLiteral("CAN_PREPARE");
inline const QString PermissionReview = QStringLiteral("CAN_REVIEW");
inline const QString PermissionApprove = QStringLiteral("CAN_APPROVE");

// Back to the state of a process that has just started (tests).
void resetState();

// ---- Data access ----

// The shared connection to the active main database, opened on first use. A file that cannot
// be opened as a database of this system shows the security-error message and ends the program.
// Before a login there is no active main database: AppError, and nothing is opened.
QSqlDatabase getConnection();
// Opens the active main database afresh and makes it the shared connection.
QSqlDatabase getNewConnection();
QSqlQuery openRecordset(const QString& sql, const QVariantList& values = {});
void executeSQL(const QString& sql, const QVariantList& values = {});
void executeSQLDocDB(const QString& sql, const QVariantList& values, const QString& path);
// The first field of the first row as text, "" when there is no row or it is NULL.
QString getFirstFieldValue(const QString& sql, const QVariantList& values = {});
bool tableExists(const QString& table);
// Whether the table has the column, in the database at path (the main database when path is
// empty). Any failure, a missing file included, gives false, but a file held by another user
// raises AppError::DatabaseBusy; no file is created or changed.
bool fieldExists(const QString& table, const QString& column, const QString& path = {});
// True for an existing regular file (not a folder).
bool fileExists(const QString& path);
QSqlDatabase getDocDBConnection(const QString& path = {});
QSqlDatabase getDocDBConnectionAt(const QString& path);

// ---- Login ----

// What a login check found.
enum class LoginResult {
    Accepted,  // the session is on the file
    // As Accepted, but the user's password is still kept in plain text: the server role the
    // database was opened with may not change table Users
    AcceptedPasswordKeptPlain,
    Refused,   // no user of that name with that password
    Ambiguous, // the password fits, but the name is that of several users in other letter case
    OutOfDate  // the user and password match, but the file is of an older schema
};

// Checks the user name (compared as SameName::sameUser says) and password against table Users of
// the file, and the file's schema, on a connection of its own that writes nothing. Only when both pass is
// a password still stored in plain text re-stored hashed, the file opened for shared use and the
// logged-in state filled, all at once; otherwise nothing changes, in the session or in the file.
// The connection to the session's earlier main database is closed then, and only then.
// A file that is not a database of this system shows the security-error message and ends the
// program; a file that another user holds longer than the busy timeout raises
// AppError::DatabaseBusy.
LoginResult checkLogin(const QString& databasePath, const QString& typedUser, const QString& typedPass);
// The permission of a Users row's ChkPreparedBy, ChkReviewedBy and ChkApprovedBy: the first of them
// that is 1, "" when none is.
QString permissionOf(const QVariant& prepared, const QVariant& reviewed, const QVariant& approved);
// True when checkLogin accepts.
bool validateLogin(const QString& databasePath, const QString& typedUser, const QString& typedPass);
// The main database is of the schema of this version (table AttachedDocument has CreateUser, the
// audit tables number their rows).
bool isCurrentSchema(const QSqlDatabase& db);

// ---- Dates and folders ----

QString getCurrentRecDate();
void setCurrentRecDate(const QString& date);
QDate getLastDayOfPreviousMonth();
void setTutorialPath();
void showTutorial();
QString programFolder();
QString getAppDataFolder();
QString getAttachedDocFolder();
QString getOSVersion();
bool isVistaOrLater(const QString& osVersion);

} // namespace Global

// Opens the main database: the security-error message and the end of the program when the file
// is not a database of this system.
class Database
{
public:
    QSqlDatabase getConnection();
    QString getConnectionString() const;
    QString getPathToDBLocator() const { return {}; }

    // Opens the file as a main database, on its own connection when purpose is given. A failure
    // ends the program after the security-error message, except a database in use (DatabaseBusy)
    // and a server that cannot be connected to: those are raised for the caller to say.
    static QSqlDatabase openConnection(const QString& path, const QString& purpose = {});
    static QString securityErrorText(const QString& description);
    // The file has table Users with the columns the login reads.
    static bool isDatabaseOfThisSystem(const QSqlDatabase& db);
};
