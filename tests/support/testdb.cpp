#include "testdb.h"

#include "db.h"
#include "db_p.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

namespace TestDb {

bool onServer()
{
    return qEnvironmentVariableIsSet("CORVANTIS_TEST_SERVER");
}

QString serverName(const QString& database, const QString& user)
{
    QString server = qEnvironmentVariable("CORVANTIS_TEST_SERVER");
    if (!user.isEmpty())
        server.replace(QRegularExpression(QStringLiteral("//[^@/]*@")), QStringLiteral("//") + user + QLatin1Char('@'));
    return server + QLatin1Char('/') + database;
}

void serverAdmin(const QString& statement)
{
    const QString name = serverName(QStringLiteral("postgres"));
    QSqlDatabase db = Db::open(name, QStringLiteral("testadmin"));
    QSqlQuery q(db);
    if (!q.exec(statement))
        qFatal("test server: %s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
}

void loginRole(const QString& role, const QString& password, const QString& passFile)
{
    const QString asked =
        password.isEmpty() ? QString() : QStringLiteral(" PASSWORD '%1' IN ROLE corvantis_password").arg(password);
    serverAdmin(QStringLiteral("DO $$ BEGIN CREATE ROLE %1 LOGIN%2; "
                               "EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$")
                    .arg(role, asked));
    if (passFile.isEmpty())
        return;
    QFile f(passFile);
    if (f.open(QIODevice::WriteOnly))
        f.write(QStringLiteral("*:*:*:%1:%2\n").arg(role, password).toUtf8());
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

namespace {

QStringList g_made;

// The databases a test program made go when it ends, as its temporary folder does: a run of the
// whole suite would otherwise leave gigabytes on the server.
void dropMade()
{
    Db::closeAll();
    for (const QString& database : std::as_const(g_made))
        serverAdmin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
    Db::closeAll();
}

} // namespace

QString newDatabase(const QString& folder, const QString& name)
{
    if (!onServer())
        return QDir(folder).filePath(name);
    // Every database of every test run is new: the process id and a count keep the names apart.
    static int made = 0;
    if (made == 0)
        qAddPostRoutine(dropMade);
    QString base = name.section(QLatin1Char('.'), 0, 0).toLower();
    base.replace(QRegularExpression(QStringLiteral("[^a-z0-9]")), QStringLiteral("_"));
    const QString database =
        QStringLiteral("t%1_%2_%3").arg(QCoreApplication::applicationPid()).arg(++made).arg(base.left(30));
    serverAdmin(QStringLiteral("CREATE DATABASE ") + database);
    g_made << database;
    return serverName(database);
}

QString emptyMain(const QString& folder, const QString& name)
{
    const QString path = newDatabase(folder, name);
    Schema::createMainDatabase(path);
    return path;
}

QString emptyMainInLanguageOrder(const QString& folder)
{
    const QString path = newDatabase(folder, QStringLiteral("language.db"));
    if (onServer()) {
        const QString database = path.section(QLatin1Char('/'), -1);
        serverAdmin(QStringLiteral("DROP DATABASE ") + database);
        serverAdmin(
            QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE 'en-US'")
                .arg(database));
    }
    Schema::createMainDatabase(path);
    return path;
}

QString documents(const QString& folder, const QString& name)
{
    const QString path = newDatabase(folder, name);
    Schema::createDocumentsDatabase(path);
    return path;
}

QString tutorial(const QString& folder)
{
    if (onServer()) {
        // Made once in a run and copied for each test: the server copies a database in a fraction
        // of the time the tutorial's statements take to make it.
        static const QStringList made = [&] {
            const QStringList pair{newDatabase(folder, QStringLiteral("tutorial.db")),
                                   newDatabase(folder, QStringLiteral("tutorial-docs.db"))};
            Schema::createTutorialDatabases(pair.at(0), pair.at(1));
            return pair;
        }();
        const QString mainPath = copyOf(made.at(0), folder, QStringLiteral("tutorial.db"));
        setDocumentsLocation(mainPath, copyOf(made.at(1), folder, QStringLiteral("tutorial-docs.db")));
        return mainPath;
    }
    const QString mainPath = newDatabase(folder, QStringLiteral("tutorial.db"));
    Schema::createTutorialDatabases(mainPath, newDatabase(folder, QStringLiteral("tutorial-docs.db")));
    return mainPath;
}

QString madeDatabase(const QString& folder, const QString& name, const QStringList& statements)
{
    const QString made = newDatabase(folder, name);
    {
        QSqlDatabase db = Db::create(made);
        for (const QString& statement : statements)
            Db::exec(db, statement);
    }
    Db::close(made);
    return made;
}

QByteArray snapshot(const QString& name)
{
    if (!Db::isServerName(name)) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    const QString purpose = QStringLiteral("snapshot");
    QByteArray out;
    {
        QSqlDatabase db = Db::open(name, purpose);
        QStringList tables;
        QSqlQuery q = Db::exec(db, QStringLiteral("SELECT table_name, column_name, data_type FROM information_schema.columns "
                                                  "WHERE table_schema = current_schema() ORDER BY table_name, ordinal_position"));
        while (q.next()) {
            out += q.value(0).toString().toUtf8() + '.' + q.value(1).toString().toUtf8() + ' ' +
                   q.value(2).toString().toUtf8() + '\n';
            if (!tables.contains(q.value(0).toString()))
                tables << q.value(0).toString();
        }
        for (const QString& table : tables)
            out += table.toUtf8() + " rows " +
                   Db::scalar(db, QStringLiteral("SELECT count(*) FROM ") + db.driver()->escapeIdentifier(table, QSqlDriver::TableName))
                       .toByteArray() +
                   '\n';
    }
    Db::close(name, purpose);
    return out;
}

void continueKeys(const QSqlDatabase& db)
{
    Db::continueKeys(db);
}

void numberKeysFrom(const QSqlDatabase& db, const QString& table, qint64 next)
{
    if (onServer())
        Db::exec(db, QStringLiteral("SELECT setval(pg_get_serial_sequence(lower(?), (SELECT column_name FROM "
                                    "information_schema.columns WHERE table_schema = current_schema() AND "
                                    "table_name = lower(?) AND is_identity = 'YES')), ?, false)"),
                 {table, table, next});
    else
        Db::exec(db, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"), {table, next - 1});
}

QString copyOf(const QString& source, const QString& folder, const QString& name)
{
    if (!onServer()) {
        const QString target = QDir(folder).filePath(name);
        QFile::copy(source, target);
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }
    // The server copies a database that nobody is connected to.
    const QString target = newDatabase(folder, name);
    const QString database = target.section(QLatin1Char('/'), -1);
    serverAdmin(QStringLiteral("DROP DATABASE ") + database);
    serverAdmin(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(database, source.section(QLatin1Char('/'), -1)));
    return target;
}

void remove(const QString& name)
{
    if (!Db::isServerName(name)) {
        QFile::remove(name);
        return;
    }
    serverAdmin(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(name.section(QLatin1Char('/'), -1)));
}

QString lockOut(const QString& table)
{
    return onServer() ? QStringLiteral("BEGIN; LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(table)
                      : QStringLiteral("BEGIN EXCLUSIVE");
}

void waitBusyOnly(const QSqlDatabase& db, int ms)
{
    Db::exec(db, (onServer() ? QStringLiteral("SET lock_timeout = %1")
                             : QStringLiteral("PRAGMA busy_timeout = %1"))
                     .arg(ms));
}

void failInserts(const QSqlDatabase& db, const QString& table, const QString& condition)
{
    if (onServer()) {
        const QString test = condition.isEmpty() ? QStringLiteral("true") : condition;
        Db::exec(db, QStringLiteral("CREATE OR REPLACE FUNCTION refuse_row() RETURNS trigger LANGUAGE plpgsql AS "
                                    "$$ BEGIN IF %1 THEN RAISE EXCEPTION 'refused'; END IF; RETURN NEW; END $$")
                         .arg(test));
        Db::exec(db, QStringLiteral("CREATE TRIGGER t BEFORE INSERT ON %1 FOR EACH ROW EXECUTE FUNCTION refuse_row()").arg(table));
        return;
    }
    const QString when = condition.isEmpty() ? QString() : QStringLiteral(" WHEN ") + condition;
    Db::exec(db, QStringLiteral("CREATE TRIGGER t BEFORE INSERT ON %1%2 BEGIN SELECT RAISE(ABORT, 'refused'); END").arg(table, when));
}

void mendInserts(const QSqlDatabase& db, const QString& table)
{
    Db::exec(db, onServer() ? QStringLiteral("DROP TRIGGER t ON ") + table : QStringLiteral("DROP TRIGGER t"));
}

qint64 addPlainUser(const QString& mainPath, const QString& userName, const QString& password, const QString& role,
                    int prepared, int reviewed, int approved, const QString& fullName)
{
    QSqlDatabase db = Db::open(mainPath, QStringLiteral("testdb"));
    const qint64 id = Db::insertReturningId(db,
                                            QStringLiteral("INSERT INTO Users (UserName, Password, ChkPreparedBy, "
                                                           "ChkApprovedBy, ChkReviewedBy, Role, rptname) VALUES "
                                                           "(?, ?, ?, ?, ?, ?, ?)"),
                                            {userName, password, prepared, approved, reviewed, role, fullName});
    db = QSqlDatabase();
    Db::close(mainPath, QStringLiteral("testdb"));
    return id;
}

void setDocumentsLocation(const QString& mainPath, const QString& documentsPath)
{
    QSqlDatabase db = Db::open(mainPath, QStringLiteral("testdb"));
    Db::exec(db, QStringLiteral("DELETE FROM AttachedDocDBLocation"));
    Db::exec(db, QStringLiteral("INSERT INTO AttachedDocDBLocation (DocDBLocation) VALUES (?)"), {documentsPath});
    db = QSqlDatabase();
    Db::close(mainPath, QStringLiteral("testdb"));
}

QString textFile(const QString& folder, const QString& name, const QByteArray& content)
{
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return path;
}

} // namespace TestDb
