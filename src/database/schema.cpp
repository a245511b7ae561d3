#include "schema.h"

#include "apperror.h"
#include "db.h"
#include "db_p.h"
#include "passwordhash.h"
#include "samename.h"

#include <QFile>
#include <QSqlQuery>

namespace {

QString resourceText(const QString& name)
{
    QFile f(QStringLiteral(":/db/") + name);
    if (!f.open(QIODevice::ReadOnly))
        throw AppError(AppError::DatabaseError, QStringLiteral("Schema"),
                       QStringLiteral("The schema '%1' is missing from the program.").arg(name));
    return QString::fromUtf8(f.readAll());
}

// A file is made anew; a server database is never dropped (Db::create refuses one with tables).
void removeDatabaseFile(const QString& path)
{
    Db::close(path);
    for (const QString& file : Db::filesOf(path))
        QFile::remove(file);
}

void createFrom(const QString& path, const QStringList& scripts)
{
    // Raises, having made nothing, when the database cannot be made or was made meanwhile by
    // another program: what is there then is the other's, and stays.
    QSqlDatabase db = Db::create(path);
    try {
        // One transaction: a server takes back the tables of a script that failed half-way too.
        Db::Transaction tx(db);
        Db::claimNew(db, path);
        for (const QString& script : scripts)
            Db::runScript(db, script);
        Db::continueKeys(db);
        tx.commit();
    } catch (...) {
        // This run made the file: it goes, with the journal its connection kept beside it.
        db = QSqlDatabase();
        if (Db::isServerName(path))
            Db::close(path);
        else
            removeDatabaseFile(path);
        throw;
    }
    db = QSqlDatabase();
    Db::close(path);
}

bool createsTable(const QString& statement, const QString& table)
{
    return statement.startsWith(QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" ("));
}

// Takes back a database that createFrom made from the main schema, when its documents database
// could not be made after all: a file goes; a server database, found empty before, is emptied
// again (its tables, and the collation made with them).
void unmakeMain(const QString& path)
{
    if (!Db::isServerName(path)) {
        removeDatabaseFile(path);
        return;
    }
    QSqlDatabase db = Db::open(path);
    Db::Transaction tx(db);
    for (const QString& s : Db::splitScript(Schema::mainSchemaScript()))
        if (s.startsWith(QStringLiteral("CREATE TABLE ")))
            Db::exec(db, QStringLiteral("DROP TABLE IF EXISTS ") + s.section(QLatin1Char(' '), 2, 2));
    Db::exec(db, QStringLiteral("DROP COLLATION IF EXISTS nocase"));
    tx.commit();
    db = QSqlDatabase();
    Db::close(path);
}

// Makes the documents database once the main one is made, or takes the main one back.
void createDocumentsOrUnmake(const QString& mainPath, const QString& documentsPath)
{
    try {
        Schema::createDocumentsDatabase(documentsPath);
    } catch (...) {
        unmakeMain(mainPath);
        throw;
    }
}

} // namespace

namespace Schema {

QStringList mainTableStatements(const QString& table)
{
    QStringList found;
    const QString onTable = QStringLiteral(" ON ") + table + QStringLiteral(" (");
    for (const QString& s : Db::splitScript(mainSchemaScript()))
        if (createsTable(s, table) || (s.startsWith(QStringLiteral("CREATE ")) && s.contains(QStringLiteral(" INDEX ")) &&
                                       s.contains(onTable)))
            found << s;
    return found;
}

QList<QPair<QString, QString>> mainTableColumns(const QString& table)
{
    QList<QPair<QString, QString>> columns;
    for (const QString& s : Db::splitScript(mainSchemaScript())) {
        if (!createsTable(s, table))
            continue;
        // One column a line between the opening line and the closing ");".
        const QStringList lines = s.split(QLatin1Char('\n'));
        for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
            QString definition = lines.at(i).trimmed();
            if (definition.endsWith(QLatin1Char(',')))
                definition.chop(1);
            const QString name = definition.section(QLatin1Char(' '), 0, 0);
            if (name.isEmpty() || name == QStringLiteral("UNIQUE") || name == QStringLiteral("PRIMARY"))
                continue;
            columns.append({name, definition});
        }
    }
    return columns;
}

QString mainSchemaScript() { return resourceText(QStringLiteral("main-schema.sql")); }
QString documentsSchemaScript() { return resourceText(QStringLiteral("documents-schema.sql")); }
QString tutorialDataScript() { return resourceText(QStringLiteral("tutorial-data.sql")); }

void createMainDatabase(const QString& path)
{
    createFrom(path, {mainSchemaScript()});
}

void createDocumentsDatabase(const QString& path)
{
    // A document is read back in pieces. A server would keep a large value compressed and unpack
    // it from its start again for every piece; kept as it is, a piece is read on its own.
    const QString serverStorage = QStringLiteral("ALTER TABLE Document ALTER COLUMN Content SET STORAGE EXTERNAL;");
    createFrom(path, {documentsSchemaScript(), Db::isServerName(path) ? serverStorage : QString()});
}

void hashPlainPasswords(const QString& mainPath)
{
    QSqlDatabase db = Db::open(mainPath);
    Db::Transaction tx(db);
    QList<QPair<QVariant, QString>> plain;
    {
        QSqlQuery q = Db::exec(db, QStringLiteral("SELECT UserId, Password FROM Users WHERE Password IS NOT NULL"));
        while (q.next())
            if (!PasswordHash::isHashed(q.value(1).toString()))
                plain.append({q.value(0), q.value(1).toString()});
    }
    for (const auto& [id, password] : plain)
        Db::execOne(db, QStringLiteral("UPDATE Users SET Password = ? WHERE UserId = ?"),
                    {PasswordHash::hash(password), id});
    tx.commit();
}

namespace {

void setDocumentsLocation(const QString& mainPath, const QString& documentsPath)
{
    QSqlDatabase db = Db::open(mainPath);
    Db::Transaction tx(db);
    Db::exec(db, QStringLiteral("DELETE FROM AttachedDocDBLocation"));
    Db::exec(db, QStringLiteral("INSERT INTO AttachedDocDBLocation (DocDBLocation) VALUES (?)"),
             {Db::keptName(documentsPath)});
    tx.commit();
}

} // namespace

void createStartingDatabases(const QString& mainPath, const QString& documentsPath, const QString& adminName,
                             const QString& adminPassword)
{
    if (SameName::userKey(adminName).isEmpty())
        throw AppError(AppError::DatabaseError, QStringLiteral("Schema"), QStringLiteral("The administrator needs a name."));
    // Nobody could log in with it.
    if (PasswordHash::isBlank(adminPassword))
        throw AppError(AppError::DatabaseError, QStringLiteral("Schema"), QStringLiteral("Password is a required field!"));
    // Neither database is written unless both can be made.
    Db::checkCreatablePair(mainPath, documentsPath);
    createMainDatabase(mainPath);
    createDocumentsOrUnmake(mainPath, documentsPath);
    setDocumentsLocation(mainPath, documentsPath);
    {
        QSqlDatabase db = Db::open(mainPath);
        Db::Transaction tx(db);
        Db::exec(db,
                 QStringLiteral("INSERT INTO Users (UserName, Password, ChkPreparedBy, ChkReviewedBy, ChkApprovedBy, "
                                "Role, rptname) VALUES (?, ?, 1, 1, 1, 'Administrator', ?)"),
                 {SameName::userName(adminName), PasswordHash::hash(adminPassword), SameName::userName(adminName)});
        tx.commit();
    }
    Db::close(mainPath);
}

void createTutorialDatabases(const QString& mainPath, const QString& documentsPath)
{
    // Files are made anew; neither database is written unless both can be made.
    Db::checkCreatablePair(mainPath, documentsPath, true);
    removeDatabaseFile(mainPath);
    removeDatabaseFile(documentsPath);
    createFrom(mainPath, {mainSchemaScript(), tutorialDataScript()});
    createDocumentsOrUnmake(mainPath, documentsPath);
    hashPlainPasswords(mainPath);
    setDocumentsLocation(mainPath, documentsPath);
    Db::close(mainPath);
}

} // namespace Schema
