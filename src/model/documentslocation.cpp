#include "documentslocation.h"

#include "apperror.h"
#include "db.h"
#include "global.h"
#include "persistence.h"
#include "prompter.h"
#include "schema.h"

#include <QDir>
#include <QSqlQuery>

namespace {

const QString kInspect = QStringLiteral("inspect");
const QString kLocationTable = QStringLiteral("AttachedDocDBLocation");
const QString kDocumentTable = QStringLiteral("AttachedDocument");

const QString kLocationAudit = QStringLiteral("AttachedDocDBLocationAudit");
// The location's one row, found without a key, and its audit twin: who named which database, and
// when.
const Persistence::StoredTable kLocation(kLocationTable, {QStringLiteral("DocDBLocation")}, QStringLiteral("1 = 1"));

// A database's name as a message shows it: a file as this desk writes paths, a server database
// without anything that could be a password.
QString shownName(const QString& name)
{
    return Db::namesFile(name) ? QDir::toNativeSeparators(name) : Db::displayName(name);
}

bool sameLocation(const QString& a, const QString& b)
{
    return a.isEmpty() || b.isEmpty() ? a.isEmpty() && b.isEmpty() : Db::sameDatabase(a, b);
}

enum class Recorded
{
    Changed,
    AlreadyStored
};

// Records the location over the database the administrator's tab showed (`shown`): the one row
// rewritten, or added when the table has none, with its audit row. One administrator names at a
// time: another waits for this transaction and then finds its name. Raises ChangedMeanwhile,
// naming who named which database and when, where the location stored is no longer the one shown;
// the name already stored is not written again.
Recorded storeLocation(const Db::Transaction& tx, const QString& path, const QString& shown)
{
    Db::lockForAdding(tx, kLocationTable);
    QSqlQuery q = Db::exec(tx.db(), QStringLiteral("SELECT DocDBLocation FROM AttachedDocDBLocation"));
    const bool hasRow = q.next();
    const QString current = hasRow ? Db::textOf(q.value(0)) : QString();
    q.finish();
    if (!sameLocation(current, shown)) {
        const QString by = Persistence::lastChangeBy(tx.db(), kLocationAudit, kLocation.columns(), {current});
        throw AppError(AppError::ChangedMeanwhile, QStringLiteral("DocumentsLocation.choose"),
                       QStringLiteral("The documents database was named \"%1\" by %2 after you opened this "
                                      "dialog, so nothing was stored. The Database tab now shows that name.")
                           .arg(shownName(current), by.isEmpty() ? QStringLiteral("another user") : by));
    }
    if (hasRow && sameLocation(current, path))
        return Recorded::AlreadyStored;
    if (hasRow)
        Db::exec(tx, QStringLiteral("UPDATE AttachedDocDBLocation SET DocDBLocation = ?"), {path});
    else
        Db::exec(tx, QStringLiteral("INSERT INTO AttachedDocDBLocation (DocDBLocation) VALUES (?)"), {path});
    Persistence::writeAudits(tx.db(), kLocation, {{path}}, {hasRow ? Persistence::Update : Persistence::Insert});
    return Recorded::Changed;
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

bool choose(const QString& path, const QString& shown)
{
    // A password typed into the name is refused in so many words, before anything is stored.
    Db::checkServerName(path);
    // Kept without a role; tested as this desk will open it.
    const QString stored = Db::keptName(path);
    if (!isDocumentsDatabase(forThisDesk(stored))) {
        Prompter::show(Prompter::applicationTitle(), invalidMessage(path));
        return false;
    }
    Recorded recorded = Recorded::Changed;
    try {
        QSqlDatabase db = Global::getConnection();
        Db::Transaction tx(db, QStringLiteral("change where the documents are kept"));
        recorded = storeLocation(tx, stored, shown);
        tx.commit();
    } catch (const AppError& e) {
        // Named by another administrator meanwhile: this desk goes on with the name now stored.
        if (e.number() == AppError::ChangedMeanwhile)
            Global::docDBPath = inUse();
        throw;
    }
    Global::docDBPath = forThisDesk(stored);
    Global::isDocDBValid = true;
    if (recorded == Recorded::AlreadyStored)
        Prompter::show(Prompter::applicationTitle(),
                       QStringLiteral("\"%1\" is the documents database already; nothing was changed.")
                           .arg(shownName(Global::docDBPath)),
                       Prompter::Buttons::Ok, Prompter::Icon::Information);
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
    return Db::tableExists(db, kDocumentTable) && missingColumns(db).isEmpty() && Db::tableExists(db, kLocationTable) &&
           Db::tableExists(db, kLocationAudit);
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
        for (const QString& table : {kLocationTable, kLocationAudit})
            if (!Db::tableExists(db, table))
                for (const QString& statement : Schema::mainTableStatements(table))
                    Db::exec(tx, statement);
        // The tutorial's name goes only into a table without a row: it takes no name from anyone.
        if (Db::scalar(db, QStringLiteral("SELECT count(*) FROM AttachedDocDBLocation")).toLongLong() == 0) {
            Db::exec(tx, QStringLiteral("INSERT INTO AttachedDocDBLocation (DocDBLocation) VALUES (?)"),
                     {DocumentsLocation::tutorialPath()});
            Persistence::writeAudits(db, kLocation, {{DocumentsLocation::tutorialPath()}}, {Persistence::Insert});
        }
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
