#include "loginflow.h"

#include "apperror.h"
#include "appexit.h"
#include "db.h"
#include "documentslocation.h"
#include "global.h"
#include "loginsettings.h"
#include "prompter.h"


namespace {

QString quoted(const QString& name)
{
    return QLatin1Char('"') + Db::displayName(name) + QLatin1Char('"');
}

// A documents database on a server is named, not selected as a file.
QString documentsDatabase(const QString& name)
{
    return (Db::namesFile(name) ? QStringLiteral("Documents database file ") : QStringLiteral("Documents database ")) +
           quoted(name);
}

QString chooseInAdministration(const QString& name)
{
    return Db::namesFile(name) ? QStringLiteral(" You must go to the Administration dialog to select a valid Documents "
                                                "database file before starting working on any reconciliation.")
                               : QStringLiteral(" You must go to the Administration dialog to name a valid Documents "
                                                "database before starting working on any reconciliation.");
}

} // namespace

QString LoginFlow::extensionMessage()
{
    return QStringLiteral("The file you selected for the main database is not a valid SQLite Database extension.") +
           QStringLiteral("\r") + QStringLiteral("You need to select a file with a .db or .sqlite extension");
}

QString LoginFlow::missingFileMessage()
{
    return QStringLiteral("The file you entered does not exist, please select a valid SQLite .sqlite or .db file.");
}

QString LoginFlow::outOfDateTitle()
{
    return QStringLiteral("Corvantis Database Out Of Date");
}

QString LoginFlow::outOfDateMessage()
{
    return QStringLiteral("The database you are attempting to open is not compatible with this version of "
                          "Corvantis. Please re-install your old version of Corvantis to open this database.") +
           QStringLiteral("\r\n\r\n") +
           QStringLiteral("To upgrade this database, please contact Corvantis support at support@corvantis.example.");
}

QString LoginFlow::missingDocumentsMessage(const QString& path)
{
    return QStringLiteral("The ") + documentsDatabase(path) + QStringLiteral(" does not exist.") +
           chooseInAdministration(path);
}

QString LoginFlow::invalidDocumentsMessage(const QString& path)
{
    return QStringLiteral("The ") + documentsDatabase(path) +
           QStringLiteral(" is not a valid Corvantis documents database.") + chooseInAdministration(path);
}

QString LoginFlow::inUseMessage()
{
    return QStringLiteral("The database is in use by another user or program and did not become free in time. "
                          "Please try again in a moment.");
}

QString LoginFlow::ambiguousNameMessage(const QString& typedName)
{
    return QStringLiteral("More than one user of this database is named \"") + typedName.trimmed() +
           QStringLiteral("\" when letter case is not counted. Type your user name exactly as it is stored, or "
                          "ask an administrator to give each user a name of his own.");
}

QString LoginFlow::passwordKeptPlainMessage(const QString& role)
{
    return QStringLiteral("Your password is still stored in plain text in this database: the database role '%1' "
                          "may not change its users, so the password could not be stored hashed. For it to be "
                          "stored hashed, log in once through a database role that may write, or an administrator "
                          "who logs in through such a role sets your password anew under Application setup.")
        .arg(role);
}

QString LoginFlow::otherDocumentsMessage(const QString& shownPath, const QString& usedPath)
{
    return QStringLiteral("This main database keeps its attached documents in the ") + documentsDatabase(usedPath) +
           QStringLiteral(", not in ") + quoted(shownPath) +
           QStringLiteral(" shown in the login window. Attachments will be read from and written to ") +
           quoted(usedPath) +
           (Db::namesFile(usedPath)
                ? QStringLiteral(". To keep them in another file, select it in the Administration dialog.")
                : QStringLiteral(". To keep them in another database, name it in the Administration dialog."));
}

LoginFlow::Outcome LoginFlow::login(const QString& mainPath, const QString& userName, const QString& password,
                                    const QString& shownDocumentsPath)
{
    if (!Db::mayNameDatabase(mainPath)) {
        Prompter::show(Prompter::applicationTitle(), extensionMessage());
        return Outcome::Refused;
    }
    if (!Db::databaseExists(mainPath)) {
        Prompter::show(Prompter::applicationTitle(), missingFileMessage());
        return Outcome::Refused;
    }

    // The documents box is only remembered, yet by the same rule as the main box: a name that
    // cannot be used (a password in it) is refused before anything is stored.
    try {
        Db::checkServerName(shownDocumentsPath.trimmed());
    } catch (const AppError& e) {
        Prompter::show(Prompter::applicationTitle(), e.description());
        return Outcome::Refused;
    }

    try {
        switch (Global::checkLogin(mainPath, userName, password)) {
        case Global::LoginResult::Refused:
            Prompter::show(QStringLiteral("Login"), QStringLiteral("Invalid Password, try again!"));
            return Outcome::WrongPassword;
        case Global::LoginResult::Ambiguous:
            Prompter::show(QStringLiteral("Login"), ambiguousNameMessage(userName), Prompter::Buttons::Ok,
                           Prompter::Icon::Warning);
            return Outcome::Refused;
        case Global::LoginResult::OutOfDate:
            rememberPath(mainPath);
            Global::isDBVersionOK = false;
            Prompter::show(outOfDateTitle(), outOfDateMessage());
            AppExit::end();
            return Outcome::ProgramEnded;
        case Global::LoginResult::AcceptedPasswordKeptPlain:
            Prompter::show(Prompter::applicationTitle(), passwordKeptPlainMessage(Db::role(Global::getConnection())),
                           Prompter::Buttons::Ok, Prompter::Icon::Warning);
            break;
        case Global::LoginResult::Accepted:
            break;
        }
        rememberPath(mainPath);
        Global::isDBVersionOK = true;
        checkDocumentsDatabase(shownDocumentsPath);
    } catch (const AppError& e) {
        if (e.isReported())
            return Outcome::ProgramEnded;
        if (e.number() == AppError::DatabaseBusy)
            Prompter::show(Prompter::applicationTitle(), inUseMessage(), Prompter::Buttons::Ok,
                           Prompter::Icon::Warning, e.details());
        else
            Prompter::show(Prompter::applicationTitle(), e.description(), Prompter::Buttons::Ok,
                           Prompter::Icon::None, e.details());
        return Outcome::Refused;
    }
    return Outcome::LoggedIn;
}

void LoginFlow::rememberPath(const QString& mainPath)
{
    LoginSettings::setMainDatabasePath(mainPath);
    Global::setTutorialPath();
}

void LoginFlow::checkDocumentsDatabase(const QString& shownPath)
{
    try {
        switch (DocumentsLocation::checkInUse()) {
        case DocumentsLocation::Verdict::Missing:
            // Said both ways, as a missing file is not a documents database either.
            Prompter::show(Prompter::applicationTitle(), missingDocumentsMessage(Global::docDBPath));
            Prompter::show(Prompter::applicationTitle(), invalidDocumentsMessage(Global::docDBPath));
            return;
        case DocumentsLocation::Verdict::NotDocuments:
            Prompter::show(Prompter::applicationTitle(), invalidDocumentsMessage(Global::docDBPath));
            return;
        case DocumentsLocation::Verdict::Valid:
            break;
        }
    } catch (const AppError& e) {
        if (e.number() == AppError::DatabaseBusy)
            throw;
        // A right missing, a connection refused or lost: nothing is wrong with the database itself,
        // and the navigator looks at it again at the next command.
        Prompter::show(Prompter::applicationTitle(), e.description(), Prompter::Buttons::Ok, Prompter::Icon::Warning,
                       e.details());
        return;
    }
    // The path in the login window is only remembered; the main database names the documents
    // database that is used. A copied pair of files still names the original's, so say which.
    if (!shownPath.trimmed().isEmpty() && !Db::sameDatabase(shownPath, Global::docDBPath))
        Prompter::show(Prompter::applicationTitle(), otherDocumentsMessage(shownPath, Global::docDBPath),
                       Prompter::Buttons::Ok, Prompter::Icon::Information);
}
