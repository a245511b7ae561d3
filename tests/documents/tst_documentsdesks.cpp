#include "apperror.h"
#include "clsattachedfilelist.h"
#include "documentsfixture.h"
#include "documentslocation.h"
#include "modutility.h"
#include "otherwriter.h"
#include "schema.h"

#include <QProcess>
#include <QUrl>
#include <QTest>

// Several desks on one documents database: the name kept in the main database holds no role and
// each desk opens it with its own; a document is stored where the main database names now, also
// when an administrator on another desk named another one after this desk logged in.
class tst_DocumentsDesks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void namesAsEachDeskOpensThem_data();
    void namesAsEachDeskOpensThem();
    void storeFollowsAnotherDesksChoice_data();
    void storeFollowsAnotherDesksChoice();
    void eachDeskAttachesAsItsOwnRole_data();
    void eachDeskAttachesAsItsOwnRole();
};

namespace {

// Tells this test program, started again, to be another desk that attaches a document to an
// account: "attach|MAIN" (a preparer) or "name|MAIN|DOCS" (an administrator who names DOCS first).
const char* const kDesk = "CORVANTIS_TEST_DESK";

// Attaches the file to the account: "stored " and where, or "refused: " and why.
QString attach(const QVariant& account, const QString& source)
{
    clsAttachedfileList list;
    list.setAccountId(account.toInt(), account.toString());
    list.setItemType(2);
    try {
        list.AddFile(modUtility::GetUniqueFileName(source), u"Bank statement"_qs, source, u"01/31/2024"_qs);
        list.SaveFiles();
        return u"stored "_qs + list.getFiles().first().getDocPath();
    } catch (const AppError& e) {
        return u"refused: "_qs + e.description();
    }
}

int beAnotherDesk(const QStringList& task)
{
    TestSeams seams;
    const bool admin = task.at(0) == u"name"_qs;
    if (!Global::validateLogin(task.at(1), admin ? u"admin"_qs : u"preparer"_qs, admin ? u"pw"_qs : u"preparer"_qs)
        || (admin && !DocumentsLocation::choose(task.at(2), DocumentsLocation::inUse())))
        return 1;
    Global::docDBPath = DocumentsLocation::inUse();
    const QVariant account = Db::scalar(Global::getConnection(), u"SELECT min(glAcctID) FROM GLAccount"_qs);
    const QString source = TestDb::textFile(seams.folder(), u"statement.pdf"_qs, "%PDF of the desk");
    QTextStream(stdout) << attach(account, source) << Qt::endl;
    // A preparer stays connected until told to go, so that the server can be asked who he is.
    if (!admin)
        QTextStream(stdin).readLine();
    return 0;
}

// Runs another desk to its first line, however long it takes it to get there.
QString startDesk(QProcess& desk, const QString& task, const QString& passFile = {}, const QString& serviceFile = {})
{
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QString::fromLatin1(kDesk), task);
    if (!passFile.isEmpty())
        e.insert(u"PGPASSFILE"_qs, passFile);
    if (!serviceFile.isEmpty())
        e.insert(u"PGSERVICEFILE"_qs, serviceFile);
    desk.setProcessEnvironment(e);
    desk.start(QCoreApplication::applicationFilePath());
    while (!desk.canReadLine() && desk.waitForReadyRead(-1)) {
    }
    return QString::fromUtf8(desk.readLine().trimmed());
}

qint64 documents(const QString& path)
{
    return Db::scalar(Global::getDocDBConnection(path), u"SELECT count(*) FROM Document"_qs).toLongLong();
}

} // namespace

void tst_DocumentsDesks::namesAsEachDeskOpensThem_data()
{
    QTest::addColumn<QString>("typed");  // the documents database as an administrator named it
    QTest::addColumn<QString>("kept");   // as the main database keeps it
    QTest::addColumn<QString>("main");   // the main database as a desk logged in to it
    QTest::addColumn<QString>("opened"); // the documents database as that desk opens it
    QTest::newRow("another person's desk") << "postgresql://ann@db.example:5433/docs" << "postgresql://db.example:5433/docs"
                                           << "postgresql://bob@db.example/main" << "postgresql://bob@db.example:5433/docs";
    QTest::newRow("role as a setting, kept settings stay")
        << "postgresql://db.example/docs?user=ann&sslmode=require" << "postgresql://db.example/docs?sslmode=require"
        << "postgresql://db.example/main?user=bob" << "postgresql://bob@db.example/docs?sslmode=require";
    QTest::newRow("desk with the default role") << "postgresql://ann@%2Frun%2Fpg/docs" << "postgresql://%2Frun%2Fpg/docs"
                                                << "postgresql://%2Frun%2Fpg/main" << "postgresql://%2Frun%2Fpg/docs";
    QTest::newRow("role that needs quoting") << "postgresql://[::1]/docs" << "postgresql://[::1]/docs"
                                             << "postgresql://o%40brien@[::1]/main" << "postgresql://o%40brien@[::1]/docs";
    // Kept by an older version with its setter's role: read as the desk's own.
    QTest::newRow("kept with a role") << "" << "postgresql://ann@db.example/docs" << "postgresql://bob@db.example/main"
                                      << "postgresql://bob@db.example/docs";
    QTest::newRow("main database a file") << "" << "postgresql://ann@db.example/docs" << "/srv/books/main.db"
                                          << "postgresql://ann@db.example/docs";
    QTest::newRow("documents database a file") << "/srv/books/docs.db" << "/srv/books/docs.db"
                                               << "postgresql://bob@db.example/main" << "/srv/books/docs.db";
    // Files on one desk's machine are not another's: each desk brings its own.
    QTest::newRow("certificate files are the desk's own")
        << "postgresql://ann@db.example/docs?sslmode=verify-full&sslrootcert=/home/ann/root.crt&sslcert=/home/ann/"
           "ann.crt&sslkey=/home/ann/ann.key&sslcrl=/home/ann/crl.pem"
        << "postgresql://db.example/docs?sslmode=verify-full"
        << "postgresql://bob@db.example/main?sslmode=require&sslcert=/home/bob/bob.crt&sslkey=/home/bob/bob.key"
        << "postgresql://bob@db.example/docs?sslmode=verify-full&sslcert=/home/bob/bob.crt&sslkey=/home/bob/bob.key";
    QTest::newRow("the desk's service gives its role") << "postgresql://db.example/docs?service=ann"
                                                       << "postgresql://db.example/docs"
                                                       << "postgresql:///main?service=team"
                                                       << "postgresql://db.example/docs?service=team";
    QTest::newRow("a service that names the database stays")
        << "postgresql://ann@?service=docs" << "postgresql://?service=docs" << "postgresql://bob@db.example/main?service=team"
        << "postgresql://bob@?service=docs";
}

void tst_DocumentsDesks::namesAsEachDeskOpensThem()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QString, main);
    QFETCH(QString, opened);
    if (!typed.isEmpty())
        QCOMPARE(Db::keptName(typed), kept);
    QCOMPARE(Db::withRoleOf(kept, main), opened);
    QVERIFY(Db::sameDatabase(kept, opened) || opened.contains(u"service="_qs)); // a service may name a server
    Db::checkServerName(opened); // a name the desk can open

}

void tst_DocumentsDesks::storeFollowsAnotherDesksChoice_data()
{
    QTest::addColumn<QString>("when"); // "before": named before the store; "gone": and removed
                                       // since; "while": named while the store runs
    QTest::newRow("another documents database named") << "before";
    QTest::newRow("the one named is gone") << "gone";
    QTest::newRow("named while the document is stored") << "while";
}

// An administrator on another desk names another documents database while this desk is logged in
// with the old one: what this desk attaches next goes to the new one, or is refused.
void tst_DocumentsDesks::storeFollowsAnotherDesksChoice()
{
    QFETCH(QString, when);
    DocumentsFixture fx;
    TestDb::addPlainUser(Global::mainDatabasePath, u"admin"_qs, u"pw"_qs, u"Administrator"_qs, 1, 1, 1);
    ModelFixture::addAccount(7);
    QVERIFY(attach(7, fx.file(u"before.pdf"_qs)).startsWith(u"stored "_qs));
    const QString named = TestDb::documents(fx.seams.folder(), u"named.db"_qs);
    Db::close(named);

    QString said;
    if (when == u"while"_qs) {
        // The other desk's change is not yet committed when this desk reads where to store the
        // contents, and is when it stores the row: the contents go to the one named now.
        const QString update = u"UPDATE AttachedDocDBLocation SET DocDBLocation = '%1'"_qs.arg(named);
        OtherWriter admin(Global::mainDatabasePath,
                          TestDb::onServer() ? QStringList{u"BEGIN; "_qs + update} : QStringList{u"BEGIN IMMEDIATE"_qs, update},
                          1000, u"COMMIT"_qs);
        QVERIFY(admin.holds());
        said = attach(7, fx.file(u"after.pdf"_qs));
    } else {
        QProcess admin;
        const QString theirs = startDesk(admin, u"name|%1|%2"_qs.arg(Global::mainDatabasePath, named));
        QVERIFY2(theirs.startsWith(u"stored "_qs), qPrintable(theirs));
        QVERIFY(admin.waitForFinished(-1));
        if (when == u"gone"_qs)
            TestDb::remove(named);
        else // read from where it went, before this desk stores anything
            QVERIFY(modUtility::ExtractDocumentFromDB(theirs.mid(7), fx.seams.folder()));
        said = attach(7, fx.file(u"after.pdf"_qs));
    }
    // Contents stored in the old one before the change was seen are taken out of it again.
    QCOMPARE(documents(fx.docsPath), 1);
    if (when == u"gone"_qs) {
        QVERIFY2(said.contains(u"The document \"after.pdf\" was not saved."_qs), qPrintable(said));
        QCOMPARE(fx.rows(u"AttachedDocument"_qs), 2); // this desk's first and the administrator's
    } else {
        QVERIFY2(said.startsWith(u"stored "_qs), qPrintable(said));
        QCOMPARE(Global::docDBPath, named);
        const int theirs = when == u"while"_qs ? 0 : 1;
        QCOMPARE(documents(named), 1 + theirs);
        QCOMPARE(fx.rows(u"AttachedDocument"_qs), 2 + theirs);
    }
}

void tst_DocumentsDesks::eachDeskAttachesAsItsOwnRole_data()
{
    QTest::addColumn<QString>("desk");         // the role the desk logs in with: "maker", "other", "reader"
    QTest::addColumn<bool>("keptWithRole");    // the location names the maker's role, as older versions kept it
    QTest::addColumn<QString>("service");      // the desk's main database named through its service file:
                                               // "" not, "all" host, database and role, "role" all but the database
    QTest::newRow("the maker's desk") << "maker" << false << "";
    QTest::newRow("another person's desk") << "other" << false << "";
    QTest::newRow("another person's desk, kept with the maker's role") << "other" << true << "";
    QTest::newRow("a desk that may only read") << "reader" << false << "";
    QTest::newRow("a desk whose service names its database") << "other" << false << "all";
    QTest::newRow("a desk whose service names its role") << "other" << false << "role";
}

// One role per person, each with a password in his own password file: the pair made by one of
// them, and a document attached on each desk as that desk's own role.
void tst_DocumentsDesks::eachDeskAttachesAsItsOwnRole()
{
    QFETCH(QString, desk);
    QFETCH(bool, keptWithRole);
    QFETCH(QString, service);
    if (!TestDb::onServer())
        QSKIP("a file has no roles");
    TestSeams seams;
    static int run = 0;
    const QString suffix = u"%1_%2"_qs.arg(QCoreApplication::applicationPid()).arg(++run);
    for (const QString& person : {u"maker"_qs, u"other"_qs, u"reader"_qs})
        TestDb::loginRole(u"desk_%1_%2"_qs.arg(person, suffix), u"pw-"_qs + person, seams.path(person + u".pgpass"_qs));
    const QString maker = u"desk_maker_"_qs + suffix;
    const QString role = u"desk_%1_%2"_qs.arg(desk, suffix);
    QStringList databases;
    for (const QString& name : {u"main.db"_qs, u"docs.db"_qs}) {
        databases << TestDb::newDatabase(seams.folder(), name).section(u'/', -1);
        TestDb::serverAdmin(u"ALTER DATABASE %1 OWNER TO %2"_qs.arg(databases.last(), maker));
    }
    // The maker makes the pair as himself, and lets the others in.
    qputenv("PGPASSFILE", seams.path(u"maker.pgpass"_qs).toUtf8());
    Schema::createTutorialDatabases(TestDb::serverName(databases.at(0), maker), TestDb::serverName(databases.at(1), maker));
    for (const QString& database : databases) {
        const QSqlDatabase db = Db::open(TestDb::serverName(database, maker));
        for (const QString& grant : {u"SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO desk_other_%1"_qs,
                                     u"USAGE, SELECT ON ALL SEQUENCES IN SCHEMA public TO desk_other_%1"_qs,
                                     u"SELECT ON ALL TABLES IN SCHEMA public TO desk_reader_%1"_qs})
            Db::exec(db, u"GRANT "_qs + grant.arg(suffix));
        if (keptWithRole && database == databases.at(0))
            Db::exec(db, u"UPDATE AttachedDocDBLocation SET DocDBLocation = ?"_qs,
                     {TestDb::serverName(databases.at(1), maker)});
    }
    Db::closeAll(); // no connection of the maker's is left to be taken for the desk's
    qunsetenv("PGPASSFILE");

    // The desk's own service file: the server's socket folder, the role, and the main database.
    QString main = TestDb::serverName(databases.at(0), role);
    if (!service.isEmpty()) {
        const QString server = qEnvironmentVariable("CORVANTIS_TEST_SERVER");
        const QString folder = QUrl::fromPercentEncoding(server.section(u'@', 1).toUtf8());
        TestDb::textFile(seams.folder(), u"pg_service.conf"_qs,
                         u"[desk]\nhost=%1\nuser=%2\ndbname=%3\n"_qs.arg(folder, role, databases.at(0)).toUtf8());
        main = service == u"all"_qs ? u"postgresql://?service=desk"_qs : u"postgresql:///%1?service=desk"_qs.arg(databases.at(0));
    }
    QProcess other;
    const QString said = startDesk(other, u"attach|"_qs + main, seams.path(desk + u".pgpass"_qs), seams.path(u"pg_service.conf"_qs));
    const QSqlDatabase watch = Db::open(TestDb::serverName(u"postgres"_qs), u"watch"_qs);
    const QVariant connectedAs = Db::scalar(watch, u"SELECT string_agg(DISTINCT usename, ',') FROM pg_stat_activity "
                                                   "WHERE datname = ?"_qs, {databases.at(1)});
    other.write("\n");
    other.closeWriteChannel();
    QVERIFY(other.waitForFinished(-1));
    const qint64 stored = documents(TestDb::serverName(databases.at(1), u"corvantis"_qs));
    if (desk == u"reader"_qs) {
        QVERIFY2(said.startsWith(u"refused: The document \"statement.pdf\" was not saved."_qs), qPrintable(said));
        QCOMPARE(stored, 0);
    } else {
        QVERIFY2(said.startsWith(u"stored "_qs), qPrintable(said));
        QCOMPARE(connectedAs.toString(), role);
        QCOMPARE(stored, 1);
    }
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kDesk))
        return beAnotherDesk(qEnvironmentVariable(kDesk).split(u'|'));
    tst_DocumentsDesks test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_documentsdesks.moc"
