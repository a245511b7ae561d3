#include "global.h"

#include "apperror.h"
#include "appexit.h"
#include "clock.h"
#include "daterules.h"
#include "db.h"
#include "passwordhash.h"
#include "prompter.h"
#include "samename.h"
#include "sessionrights.h"
#include "shellopener.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

namespace {

const QString kLoginPurpose = QStringLiteral("login");

// The main database the session logged in to. Before a login there is none, and no default
// stands in for it: nothing is opened until a user has logged in.
QString activeMainPath()
{
    if (!Global::loginSucceeded())
        throw AppError(AppError::DatabaseError, QStringLiteral("Global.getConnection"), Global::notLoggedInMessage());
    return Global::mainDatabasePath;
}

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// One row of table Users, as the login check reads it.
struct UserRow
{
    QVariant id, name, password, prepared, reviewed, approved, role, fullName;
};

// The users a typed name means. No two users are given the same name now, but an older file may
// hold one name in two spellings ("ärger" and "ÄRGER"): there the spelling typed exactly picks
// the user. Without such a spelling the name means them all, and the login cannot tell who is
// meant rather than open whichever comes first.
QList<UserRow> meantUsers(const QList<UserRow>& named, const QString& typedUser)
{
    if (named.size() < 2)
        return named;
    QList<UserRow> exact;
    for (const UserRow& row : named)
        if (row.name.toString().trimmed() == typedUser.trimmed())
            exact.append(row);
    return exact.size() == 1 ? exact : named;
}

// After a login to another main database, the session's earlier one is left: its connection
// would otherwise stay open (on a server, a session of its own) for the rest of the process. The
// same database under another spelling of its name is the connection just opened, and stays.
void leaveEarlierDatabase(const QString& previous, const QSqlDatabase& current)
{
    if (previous.isEmpty() || !Db::isOpen(previous))
        return;
    try {
        if (Db::open(previous).connectionName() == current.connectionName())
            return;
    } catch (const AppError&) {
        // Gone meanwhile (a file removed, a server connection lost): closed all the same.
    }
    Db::close(previous);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Database

QString Database::getConnectionString() const
{
    return QStringLiteral("Data Source=") + activeMainPath();
}

QSqlDatabase Database::getConnection()
{
    const QString path = activeMainPath();
    Db::close(path);
    return openConnection(path);
}

QString Database::securityErrorText(const QString& description)
{
    return QStringLiteral("Corvantis encountered an unexpected security error while attempting to ") +
           QStringLiteral("connect to the database: ") + description;
}

QSqlDatabase Database::openConnection(const QString& path, const QString& purpose)
{
    // A connection already open was checked when it was opened.
    if (Db::isOpen(path, purpose))
        return Db::open(path, purpose);
    try {
        QSqlDatabase db = Db::open(path, purpose);
        if (!isDatabaseOfThisSystem(db)) {
            // A role that may not read the tables is refused as the server refuses a role: the
            // user may try again under another name.
            const bool mayNotRead = Db::mayNotRead(db, QStringLiteral("Users"));
            const QString role = Db::role(db);
            db = QSqlDatabase();
            Db::close(path, purpose);
            if (mayNotRead)
                throw AppError(AppError::DatabaseError, QStringLiteral("Database.openConnection"),
                               QStringLiteral("The database role '%1' may not read the tables of '%2'. Ask the "
                                              "server's administrator to grant it the use of them.")
                                   .arg(role, Db::displayName(path)))
                    .withRetry(AppError::Retry::Later);
            throw AppError(AppError::DatabaseError, QStringLiteral("Database.openConnection"),
                           QStringLiteral("'%1' is not a Corvantis database.").arg(nativePath(path)));
        }
        if (purpose.isEmpty())
            Db::useSharedAccess(db);
        return db;
    } catch (const AppError& e) {
        // In use by another user, or a server that is down, unreachable or refuses the role or
        // the database (as a missing file would be): the caller says so, the program goes on and
        // the user may try again.
        if (e.mayTryAgain()) {
            Db::close(path, purpose);
            throw;
        }
        Prompter::show(Prompter::applicationTitle(), securityErrorText(e.description()));
        AppExit::end();
        throw AppError(e).markReported();
    }
}

bool Database::isDatabaseOfThisSystem(const QSqlDatabase& db)
{
    // The login reads these columns of table Users; another program's Users table lacks them.
    for (const char* column : {"UserId", "UserName", "Password", "ChkPreparedBy", "ChkReviewedBy", "ChkApprovedBy",
                               "Role", "rptname"})
        if (!Db::columnExists(db, QStringLiteral("Users"), QString::fromLatin1(column)))
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Global: state and data access

namespace Global {

QString notLoggedInMessage()
{
    return QStringLiteral("Nobody is logged in yet. Log in to a main database in the login window first.");
}

void resetState()
{
    typedUserName.clear();
    isLoggedIn = false;
    userName.clear();
    reportName.clear();
    permission.clear();
    role.clear();
    isAdminUser = false;
    userID.clear();
    mainDatabasePath.clear();
    currentRecDate.clear();
    tutorialPath.clear();
    accountFilter.clear();
    selectedGLAcctID = 0;
    docDBPath.clear();
    isDBVersionOK = false;
    isDocDBValid = false;
    gridColumnWidths.clear();
    gridSortState = {};
    Db::guardWrites({}, {});
}

QSqlDatabase getConnection()
{
    return Database::openConnection(activeMainPath());
}

QSqlDatabase getNewConnection()
{
    return Database().getConnection();
}

QSqlQuery openRecordset(const QString& sql, const QVariantList& values)
{
    return Db::exec(getConnection(), sql, values);
}

void executeSQL(const QString& sql, const QVariantList& values)
{
    Db::exec(getConnection(), sql, values);
}

void executeSQLDocDB(const QString& sql, const QVariantList& values, const QString& path)
{
    Db::exec(getDocDBConnection(path), sql, values);
}

QString getFirstFieldValue(const QString& sql, const QVariantList& values)
{
    const QVariant v = Db::scalar(getConnection(), sql, values);
    return v.isNull() ? QString() : v.toString();
}

bool tableExists(const QString& table)
{
    try {
        return Db::tableExists(getConnection(), table);
    } catch (const AppError& e) {
        if (e.number() == AppError::DatabaseBusy)
            throw;
        return false;
    }
}

bool fieldExists(const QString& table, const QString& column, const QString& path)
{
    try {
        if (path.isEmpty())
            return Db::columnExists(getConnection(), table, column);
        if (!Db::databaseExists(path))
            return false;
        return Db::columnExists(Db::open(path), table, column);
    } catch (const AppError& e) {
        if (e.number() == AppError::DatabaseBusy)
            throw; // a file in use says nothing about its columns
        return false;
    }
}

bool fileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QSqlDatabase getDocDBConnection(const QString& path)
{
    QSqlDatabase db = Db::open(path.isEmpty() ? docDBPath : path);
    Db::useSharedAccess(db);
    return db;
}

QSqlDatabase getDocDBConnectionAt(const QString& path)
{
    return getDocDBConnection(path);
}

// ---------------------------------------------------------------------------------------------
// Login

bool isCurrentSchema(const QSqlDatabase& db)
{
    if (!Db::columnExists(db, QStringLiteral("AttachedDocument"), QStringLiteral("CreateUser")))
        return false;
    // Who changed a row last is read from its newest audit row, found by the audit rows' number.
    for (const char* audit : {"GLAccountAudit", "GLAccountBalanceAudit", "ReconcilingItemAudit", "AmortizableItemAudit",
                              "AmortizationAudit"})
        if (!Db::columnExists(db, QString::fromLatin1(audit), QStringLiteral("AuditId")))
            return false;
    // Who named the documents database last is read from the location's audit rows.
    return Db::columnExists(db, QStringLiteral("AttachedDocDBLocationAudit"), QStringLiteral("AuditId"));
}

LoginResult checkLogin(const QString& databasePath, const QString& typedUser, const QString& typedPass)
{
    // Declared first so that the connection below is released before it is closed.
    struct CloseLogin
    {
        QString path;
        ~CloseLogin() { Db::close(path, kLoginPurpose); }
    } closer{databasePath};
    QSqlDatabase db = Database::openConnection(databasePath, kLoginPurpose);

    std::optional<UserRow> match;
    {
        QSqlQuery q = Db::exec(db, QStringLiteral("SELECT UserId, UserName, Password, ChkPreparedBy, ChkReviewedBy, "
                                                  "ChkApprovedBy, Role, rptname FROM Users ORDER BY UserId"));
        QList<UserRow> named;
        while (q.next()) {
            const QVariant name = q.value(1);
            const QVariant password = q.value(2);
            if (name.isNull() || password.isNull())
                continue;
            if (SameName::sameUser(name.toString(), typedUser))
                named.append({q.value(0), name, password, q.value(3), q.value(4), q.value(5), q.value(6), q.value(7)});
        }
        // An unknown name costs what a known one does, so the answer's time tells nobody which
        // names exist.
        if (named.isEmpty())
            PasswordHash::spendVerifyTime(typedPass);
        const QList<UserRow> meant = meantUsers(named, typedUser);
        QList<UserRow> fitting;
        for (const UserRow& row : meant)
            if (PasswordHash::verify(typedPass, row.password.toString()))
                fitting.append(row);
        if (fitting.isEmpty())
            return LoginResult::Refused;
        if (meant.size() > 1)
            return LoginResult::Ambiguous;
        match = fitting.first();
    }
    // An older file is refused before anything in it changes.
    if (!isCurrentSchema(db))
        return LoginResult::OutOfDate;

    // A password still kept in plain text is stored hashed from now on, only over the text found:
    // a password an administrator set meanwhile stays. A read-only file keeps it as it is; so does
    // a server role that may not change the users, and the user is told. Either way the login goes on.
    LoginResult accepted = LoginResult::Accepted;
    if (!PasswordHash::isHashed(match->password.toString())) {
        try {
            Db::exec(db,
                     QStringLiteral("UPDATE Users SET Password = ? WHERE UserId = ? AND Password = ?") +
                         Db::exactCollation(db, QStringLiteral("Users"), QStringLiteral("Password")),
                     {PasswordHash::hash(typedPass), match->id, match->password});
        } catch (const AppError& e) {
            if (e.number() == AppError::DatabaseBusy)
                throw;
            if (e.number() == AppError::NotPermitted)
                accepted = LoginResult::AcceptedPasswordKeptPlain;
        }
    }

    // Only now does the session change, all at once: a failure above left everything as it was.
    const QString previousPath = mainDatabasePath;
    QSqlDatabase main = Database::openConnection(databasePath);
    SessionRights::guardStores(main);
    typedUserName = typedUser;
    isLoggedIn = true;
    reportName = Db::textOf(match->fullName);
    userName = Db::textOf(match->name);
    // No right: no permission, never the previous user's.
    permission = permissionOf(match->prepared, match->reviewed, match->approved);
    role = Db::textOf(match->role);
    isAdminUser = role == QStringLiteral("Administrator");
    userID = match->id.toString();
    mainDatabasePath = databasePath;
    leaveEarlierDatabase(previousPath, main);
    return accepted;
}

QString permissionOf(const QVariant& prepared, const QVariant& reviewed, const QVariant& approved)
{
    if (prepared.toInt() == 1)
        return PermissionPrepare;
    if (reviewed.toInt() == 1)
        return PermissionReview;
    if (approved.toInt() == 1)
        return PermissionApprove;
    return {};
}

bool validateLogin(const QString& databasePath, const QString& typedUser, const QString& typedPass)
{
    const LoginResult result = checkLogin(databasePath, typedUser, typedPass);
    return result == LoginResult::Accepted || result == LoginResult::AcceptedPasswordKeptPlain;
}

// ---------------------------------------------------------------------------------------------
// Dates and folders

QDate getLastDayOfPreviousMonth()
{
    const QDate today = Clock::instance().today();
    return today.addDays(-today.day());
}

QString getCurrentRecDate()
{
    if (currentRecDate.isEmpty())
        currentRecDate = DateRules::toText(getLastDayOfPreviousMonth());
    return currentRecDate;
}

void setCurrentRecDate(const QString& date)
{
    currentRecDate = date;
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

void setTutorialPath()
{
    tutorialPath = programFolder() + QStringLiteral("/Tutorial/") + QStringLiteral("CorvantisHelp.pdf");
}

void showTutorial()
{
    if (fileExists(tutorialPath)) {
        if (!ShellOpener::instance().open(tutorialPath))
            Prompter::show(
                Prompter::applicationTitle(),
                QStringLiteral("Corvantis could not open the tutorial: no program for PDF documents is set "
                               "up on this computer.\r\nThe tutorial is the file '") +
                    nativePath(tutorialPath) + QStringLiteral("'. Open it with a PDF viewer."));
        return;
    }
    Prompter::show(QStringLiteral("Application Error"),
                   QStringLiteral("ERROR: The Tutorial has not been correctly installed ") +
                       QStringLiteral("(cannot find '") + nativePath(tutorialPath) + QStringLiteral("').") +
                       QStringLiteral("\r\n") +
                       QStringLiteral("Please download the latest version or contact technical support for assistance."),
                   Prompter::Buttons::Ok, Prompter::Icon::Critical);
}

QString getAppDataFolder()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Corvantis");
    if (!QDir().mkpath(folder))
        throw AppError(AppError::DatabaseError, QStringLiteral("Global.getAppDataFolder"),
                       QStringLiteral("Could not create the folder '%1'.").arg(nativePath(folder)));
    return folder;
}

QString getAttachedDocFolder()
{
    const QString folder = getAppDataFolder() + QStringLiteral("/AttachedDoc");
    if (!QDir().mkpath(folder))
        throw AppError(AppError::DatabaseError, QStringLiteral("Global.getAttachedDocFolder"),
                       QStringLiteral("Could not create the folder '%1'.").arg(nativePath(folder)));
    return folder;
}

QString getOSVersion()
{
    return QSysInfo::kernelVersion();
}

bool isVistaOrLater(const QString& osVersion)
{
    return osVersion.section(QLatin1Char('.'), 0, 0).toInt() >= 6;
}

} // namespace Global
