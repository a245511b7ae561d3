#include "documentslocation.h"

#include "apperror.h"
#include "db.h"
#include "global.h"
#include "prompter.h"
#include "schema.h"

#include <QDir>

namespace {

const QString kInspect = QStringLiteral("inspect");
const QString kLocationTable = QStringLiteral("AttachedDocDBLocation");
const QString kDocumentTable = QStringLiteral("AttachedDocument");

// Records the location: the one row rewritten, or added when the table has none.
void storeLocation(const Db::Transaction& tx, const QString& path)
{
    if (Db::execCount(tx.db(), QStringLiteral("UPDATE AttachedDocDBLocation SET DocDBLocation = ?"), {path}) == 0)
        Db::exec(tx, QStringLiteral("INSERT INTO AttachedDocDBLocation (DocDBLocation) VALUES (?)"), {path});
}

QStringList missingColumns(const QSqlDatabase& db)
{
    QStringList missing;
    for (const auto& [name, definition] : Schema::mainTableColumns(kDocumentTable))
        if (!Db::columnExists(db, kDocumentTable, name))
            missing << definition;
    return missing;
}

} // namespace

namespace DocumentsLocation {

QString tutorialPath()
{
    return Global::programFolder() + QStringLiteral("/Database/CorvantisTutorialDocuments.db");
}

bool isDocumentsDatabase(const QString& path)
{
    if (!Db::databaseExists(path))
        return false;
    struct CloseAfter
    {
        QString path;
        ~CloseAfter() { Db::close(path, kInspect); }
    } closer{path};
    try {
        return holdsDocuments(Db::openReadOnly(path, kInspect), path);
    } catch (const AppError& e) {
        // A file in use says nothing of what it is, nor does a server that cannot be reached,
        // refuses the role or has lost the connection: each is told as what it is.
        if (e.number() == AppError::DatabaseBusy || e.number() == AppError::NotPermitted || !Db::namesFile(path))
            throw;
        return false; // not a database at all
    }
}

bool holdsDocuments(const QSqlDatabase& db, const QString& name)
{
    if (Db::columnExists(db, QStringLiteral("Document"), QStringLiteral("CreateUser")))
        return true;
    // The server's catalogue hides from a role the tables it may not read: that is a missing right,
    // not another kind of database.
    if (Db::mayNotRead(db, QStringLiteral("Document")))
        throw AppError(AppError::NotPermitted, QStringLiteral("DocumentsLocation"), mayNotReadMessage(Db::role(db), name))
            .withRetry(AppError::Retry::Later);
    return false;
}

QString mayNotReadMessage(const QString& role, const QString& name)
{
    return QStringLiteral("The database role '%1' may not read the documents database \"%2\", so no document can be "
                          "attached or viewed. Ask the server's administrator to grant it the use of its tables, as in "
                          "the main database.")
        .arg(role, Db::displayName(name));
}

Verdict checkInUse()
{
    Global::isDocDBValid = false;
    try {
        Global::docDBPath = inUse(); // opened with this desk's own role
    } catch (const AppError& e) {
        // No location table: no documents database. Anything else (a lost connection) is told.
        if (e.number() == AppError::DatabaseBusy || Db::tableExists(Global::getConnection(), kLocationTable))
            throw;
        Global::docDBPath.clear();
    }
    if (!Db::databaseExists(Global::docDBPath))
        return Verdict::Missing;
    // Looked at without a connection kept open: a file that is not a documents database (the main
    // database itself included) stays exactly as it was.
    if (!isDocumentsDatabase(Global::docDBPath))
        return Verdict::NotDocuments;
    Global::isDocDBValid = true;
    return Verdict::Valid;
}

QString invalidMessage(const QString& path)
{
    // A server database is named, not selected as a file.
    if (!Db::namesFile(path))
        return QStringLiteral("The database \"") + Db::displayName(path) +
               QStringLiteral("\" you just named is not a valid Corvantis documents database. Please name a valid "
                              "documents database.");
    return QStringLiteral("The file \"") + QDir::toNativeSeparators(path) +
           QStringLiteral("\" you just selected is not a valid Corvantis documents database. Please select a valid "
                          "documents database.");
}

bool choose(const QString& path)
{
    // A password typed into the name is refused in so many words, before anything is stored.
    Db::checkServerName(path);
    // Kept without a role; tested as this desk will open it.
    const QString stored = Db::keptName(path);
    if (!isDocumentsDatabase(forThisDesk(stored))) {
        Prompter::show(Prompter::applicationTitle(), invalidMessage(path));
        return false;
    }
    {
        QSqlDatabase db = Global::getConnection();
        Db::Transaction tx(db, QStringLiteral("change where the documents are kept"));
        storeLocation(tx, stored);
        tx.commit();
    }
    Global::docDBPath = forThisDesk(stored);
    Global::isDocDBValid = true;
    return true;
}

QString storedLocation()
{
    return Global::getFirstFieldValue(QStringLiteral("SELECT DocDBLocation FROM AttachedDocDBLocation"));
}

QString forThisDesk(const QString& stored)
{
    return Db::withRoleOf(stored, Global::mainDatabasePath);
}

QString inUse()
{
    return forThisDesk(storedLocation());
}

QString inUse(const Db::Transaction& tx)
{
    const QVariant stored = Db::scalar(
        tx.db(), QStringLiteral("SELECT DocDBLocation FROM AttachedDocDBLocation") + Db::lockingRows(tx.db()));
    return forThisDesk(Db::textOf(stored));
}

} // namespace DocumentsLocation

namespace DatabaseUpgrade {

bool isUpToDate()
{
    QSqlDatabase db = Global::getConnection();
    return Db::tableExists(db, kDocumentTable) && missingColumns(db).isEmpty() && Db::tableExists(db, kLocationTable);
}

QString alreadyUpToDateMessage()
{
    return QStringLiteral("No change has been made to the database as it is already up to date. ");
}

bool run()
{
    QSqlDatabase db = Global::getConnection();
    if (isUpToDate()) {
        Prompter::show(Prompter::applicationTitle(), alreadyUpToDateMessage());
        Global::isDBVersionOK = true;
        return false;
    }
    try {
        Db::Transaction tx(db, QStringLiteral("upgrade the database"));
        if (!Db::tableExists(db, kDocumentTable)) {
            for (const QString& statement : Schema::mainTableStatements(kDocumentTable))
                Db::exec(tx, statement);
        } else {
            for (const QString& definition : missingColumns(db))
                Db::exec(tx, QStringLiteral("ALTER TABLE AttachedDocument ADD COLUMN ") + definition);
        }
        if (!Db::tableExists(db, kLocationTable))
            for (const QString& statement : Schema::mainTableStatements(kLocationTable))
                Db::exec(tx, statement);
        if (Db::scalar(db, QStringLiteral("SELECT count(*) FROM AttachedDocDBLocation")).toLongLong() == 0)
            Db::exec(tx, QStringLiteral("INSERT INTO AttachedDocDBLocation (DocDBLocation) VALUES (?)"),
                     {DocumentsLocation::tutorialPath()});
        tx.commit();
    } catch (const AppError& e) {
        throw AppError(e.number(), QStringLiteral("DatabaseUpgrade.run"),
                       QStringLiteral("The database could not be upgraded; nothing was changed. (%1)").arg(e.description()));
    }
    Global::isDBVersionOK = true;
    Global::docDBPath = DocumentsLocation::inUse();
    return true;
}

} // namespace DatabaseUpgrade
