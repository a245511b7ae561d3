#include "apperror.h"
#include "db.h"
#include "frmlogin.h"
#include "global.h"
#include "loginflow.h"
#include "modregistry.h"
#include "otherwriter.h"
#include "recorders.h"
#include "testdb.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// The login window driven headless: fields by their names, buttons clicked, and what the
// session, the settings and the files hold afterwards.
class tst_frmLogin : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void defaultPaths();
    void rememberedPaths();
    void credentialsShowForDatabaseExtension();
    void nothingBeforeALogin_data();
    void nothingBeforeALogin();
    void refusals_data();
    void refusals();
    void wrongPasswordSelectsPassword();
    void nameHeldTwiceIsSaid();
    void successfulLogin();
    void readOnlyRoleKeepsPlainPassword();
    void outOfDateDatabaseEndsProgram();
    void busyDatabaseKeepsLoginWindow();
    void missingDocumentsDatabase();
    void invalidDocumentsDatabase_data();
    void invalidDocumentsDatabase();
    void documentsPathShownAtLogin_data();
    void documentsPathShownAtLogin();
    void serverDocumentsDatabaseIsNamed();
    void pickersOnlyFillFields();
    void leavingTheWindow();

private:
    QString m_template;
    QString m_docs;
    QTemporaryDir m_dir;
};

namespace {

QString readSetting(const QString& key)
{
    QVariant v;
    modRegistry::getSetting("HKCU", key, "Path", "S", "None", v);
    return v.toString();
}

template <class T>
T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

struct LoginWindow
{
    frmLogin window;
    QString loggedInPath;
    int returns = 0;
    LoginWindow()
    {
        window.setOnLoggedIn([this](const QString& p) { loggedInPath = p; });
        window.setOnReturn([this] { ++returns; });
        window.show();
    }
    void fill(const QString& path, const QString& user, const QString& password,
              const QString& shownDocuments = {}) // empty: no word on which documents database is used
    {
        child<QLineEdit>(window, "txtDBNAME")->setText(path);
        child<QLineEdit>(window, "txtAttachedDocDB")->setText(shownDocuments);
        child<QLineEdit>(window, "txtUserName")->setText(user);
        child<QLineEdit>(window, "txtPassword")->setText(password);
    }
    void ok() { QTest::mouseClick(child<QPushButton>(window, "cmdOK"), Qt::LeftButton); }
};

} // namespace

void tst_frmLogin::initTestCase()
{
    TestSeams seams;
    m_docs = TestDb::documents(m_dir.path(), "docs.db");
    m_template = TestDb::emptyMain(m_dir.path(), "template.db");
    TestDb::addPlainUser(m_template, "admin", "admin", "Administrator", 0, 0, 1, "Alex Morgan");
    TestDb::setDocumentsLocation(m_template, m_docs);
}

void tst_frmLogin::defaultPaths()
{
    TestSeams seams;
    LoginWindow w;
    QCOMPARE(child<QLineEdit>(w.window, "txtDBNAME")->text(),
             Global::programFolder() + "/Database/CorvantisTutorialReconciliations.db");
    QCOMPARE(child<QLineEdit>(w.window, "txtAttachedDocDB")->text(),
             Global::programFolder() + "/Database/CorvantisTutorialDocuments.db");
    QCOMPARE(w.window.windowTitle(), QStringLiteral("Corvantis Login"));
}

void tst_frmLogin::rememberedPaths()
{
    TestSeams seams;
    modRegistry::setSetting("HKCU", "Software\\Corvantis\\Database", "Path", "S", "/books/main.db");
    modRegistry::setSetting("HKCU", "Software\\Corvantis\\Database1", "Path", "S", "None");
    LoginWindow w;
    QCOMPARE(child<QLineEdit>(w.window, "txtDBNAME")->text(), QStringLiteral("/books/main.db"));
    // "None" is treated as nothing remembered.
    QCOMPARE(child<QLineEdit>(w.window, "txtAttachedDocDB")->text(),
             Global::programFolder() + "/Database/CorvantisTutorialDocuments.db");
}

void tst_frmLogin::credentialsShowForDatabaseExtension()
{
    TestSeams seams;
    modRegistry::setSetting("HKCU", "Software\\Corvantis\\Database", "Path", "S", "/books/main.txt");
    LoginWindow w;
    QVERIFY(!child<QGroupBox>(w.window, "frLogin")->isVisible());
    QVERIFY(child<QPushButton>(w.window, "cmdEnd")->isVisible());
    child<QLineEdit>(w.window, "txtDBNAME")->setText("/books/main.DB");
    QVERIFY(!child<QGroupBox>(w.window, "frLogin")->isVisible());
    child<QLineEdit>(w.window, "txtDBNAME")->setText("/books/main.db ");
    QVERIFY(child<QGroupBox>(w.window, "frLogin")->isVisible());
    QVERIFY(!child<QPushButton>(w.window, "cmdEnd")->isVisible());
    QVERIFY(!child<QPushButton>(w.window, "Command1")->isVisible());
    child<QLineEdit>(w.window, "txtDBNAME")->setText("/books/other");
    QVERIFY(child<QGroupBox>(w.window, "frLogin")->isVisible()); // never hides again
}

void tst_frmLogin::nothingBeforeALogin_data()
{
    // A remembered main database that the login cannot take: the window shows no credentials.
    QTest::addColumn<QString>("remembered");
    QTest::newRow("other extension") << "notadb.txt";
    QTest::newRow("upper-case extension") << "/books/main.DB";
    QTest::newRow("no extension") << "/books/main";
    QTest::newRow("empty") << "";
}

// At start-up only the login window is there: no way to the navigator and no main database
// connection until a login succeeds (nor a command: the navigator's gate).
void tst_frmLogin::nothingBeforeALogin()
{
    QFETCH(QString, remembered);
    TestSeams seams;
    modRegistry::setSetting("HKCU", "Software\\Corvantis\\Database", "Path", "S", remembered);
    LoginWindow w;
    QVERIFY(!child<QGroupBox>(w.window, "frLogin")->isVisible());
    QVERIFY(child<QPushButton>(w.window, "cmdEnd")->isVisible());
    QVERIFY(!child<QPushButton>(w.window, "Command1")->isVisible());
    child<QPushButton>(w.window, "Command1")->click(); // as its shortcut would
    QCOMPARE(w.returns, 0);
    QVERIFY(w.window.isVisible());

    QVERIFY_THROWS_EXCEPTION(AppError, Global::getConnection());
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList{});
    for (const QWidget* top : QApplication::topLevelWidgets())
        QVERIFY(!top->isVisible() || top == &w.window);
}

void tst_frmLogin::refusals_data()
{
    QTest::addColumn<QString>("pathKind");
    QTest::addColumn<QString>("message");
    QTest::newRow("upper-case extension") << "upper" << LoginFlow::extensionMessage();
    QTest::newRow("other extension") << "mdb" << LoginFlow::extensionMessage();
    QTest::newRow("missing file") << "missing" << LoginFlow::missingFileMessage();
    QTest::newRow("folder") << "folder" << LoginFlow::missingFileMessage();
    // An address that is never routed: refused at once or after the connect timeout.
    QTest::newRow("server not reachable") << "server" << "Could not connect to the database main on 192.0.2.1: the server cannot be reached";
    QTest::newRow("password smuggled into a setting")
        << "postgresql://corvantis@192.0.2.1/main?sslmode=disable;password=secret"
        << "'postgresql://corvantis@192.0.2.1/main?sslmode=*' is not a database name this program can use: the value";
    if (TestDb::onServer()) {
        QTest::newRow("role that may not read the tables") << "no read" << "The database role 'corvantis_noread' may not read the tables of";
        QTest::newRow("role whose password the desk lacks") << "no password" << "Could not connect to the database ";
    }
}

void tst_frmLogin::refusals()
{
    QFETCH(QString, pathKind);
    QFETCH(QString, message);
    TestSeams seams;
    QString path;
    if (pathKind == "upper")
        path = seams.path("MAIN.DB");
    else if (pathKind == "mdb")
        path = seams.path("main.mdb");
    else if (pathKind == "missing")
        path = seams.path("missing.db");
    else if (pathKind == "server")
        path = "postgresql://corvantis@192.0.2.1:5432/main";
    else if (pathKind.startsWith("postgresql://"))
        path = pathKind;
    else if (pathKind == "no read") {
        TestDb::serverAdmin("DO $$ BEGIN CREATE ROLE corvantis_noread LOGIN; "
                            "EXCEPTION WHEN duplicate_object THEN NULL; END $$");
        path = TestDb::copyOf(m_template, seams.folder(), "main.db").replace("//corvantis@", "//corvantis_noread@");
    } else if (pathKind == "no password") {
        TestDb::loginRole("corvantis_nopass", "unknown-here"); // no line in ~/.pgpass
        path = TestDb::copyOf(m_template, seams.folder(), "main.db").replace("//corvantis@", "//corvantis_nopass@");
        message += path.section('/', -1) + " on ";
    } else {
        path = seams.path("folder.db");
        QDir().mkpath(path);
    }
    LoginWindow w;
    w.fill(path, "admin", "admin");
    QElapsedTimer timer;
    timer.start();
    w.ok();
    QVERIFY(timer.elapsed() < (Db::ConnectTimeoutSeconds + 1) * 1000);
    QCOMPARE(seams.prompter.messages.size(), 1);
    QVERIFY2(seams.prompter.lastText().startsWith(message), qPrintable(seams.prompter.lastText()));
    QVERIFY(!seams.prompter.lastText().contains("secret"));
    QVERIFY2(pathKind != "no password" || seams.prompter.lastText().contains(
                 ": the server asks for the password of the role 'corvantis_nopass', and this desk has none for it."),
             qPrintable(seams.prompter.lastText()));
    QVERIFY(!seams.prompter.lastText().contains("fe_sendauth")); // libpq's words are only in the details
    QVERIFY(w.window.isVisible());
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Corvantis"));
    QVERIFY(w.loggedInPath.isEmpty());
    QVERIFY(!Global::isLoggedIn);
    QCOMPARE(readSetting("Software\\Corvantis\\Database"), QStringLiteral("None"));
    QVERIFY(pathKind == "folder" || !QFile::exists(path));
    QVERIFY(!seams.exits.ended());
}

void tst_frmLogin::wrongPasswordSelectsPassword()
{
    TestSeams seams;
    const QString path = TestDb::copyOf(m_template, seams.folder(), "main.db");
    LoginWindow w;
    w.window.activateWindow();
    w.fill(path, "admin", "nope");
    w.ok();
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Login"));
    QCOMPARE(seams.prompter.lastText(), QStringLiteral("Invalid Password, try again!"));
    auto* password = child<QLineEdit>(w.window, "txtPassword");
    QCOMPARE(password->selectedText(), QStringLiteral("nope"));
    QVERIFY(w.window.isVisible());
    QCOMPARE(readSetting("Software\\Corvantis\\Database"), QStringLiteral("None"));
}

void tst_frmLogin::nameHeldTwiceIsSaid()
{
    TestSeams seams;
    const QString path = TestDb::copyOf(m_template, seams.folder(), "main.db");
    TestDb::addPlainUser(path, "ADMIN", "admin"); // an older file: "admin" twice, in two spellings
    LoginWindow w;
    w.fill(path, "Admin", "admin");
    w.ok();
    QCOMPARE(seams.prompter.texts(), QStringList{LoginFlow::ambiguousNameMessage("Admin")});
    QVERIFY(!Global::isLoggedIn && w.window.isVisible());
}

void tst_frmLogin::successfulLogin()
{
    TestSeams seams;
    const QString path = TestDb::copyOf(m_template, seams.folder(), "main.db");
    LoginWindow w;
    w.fill(path, "ADMIN", "admin", m_docs);
    w.ok();
    QVERIFY2(seams.prompter.messages.isEmpty(), qPrintable(seams.prompter.texts().join('\n')));
    QCOMPARE(w.loggedInPath, path);
    QVERIFY(!w.window.isVisible());
    QVERIFY(Global::isLoggedIn && Global::isAdminUser && Global::isDBVersionOK && Global::isDocDBValid);
    QCOMPARE(Global::userName, QStringLiteral("admin"));
    QCOMPARE(Global::docDBPath, m_docs);
    QCOMPARE(Global::tutorialPath, Global::programFolder() + "/Tutorial/CorvantisHelp.pdf");
    QCOMPARE(readSetting("Software\\Corvantis\\Database"), path);
    QCOMPARE(readSetting("Software\\Corvantis\\Database1"), m_docs);
}

// A password an older database kept in plain text, at a login through a server role that may
// only read: the login goes on, the password stays as it was, and the user is told so once.
void tst_frmLogin::readOnlyRoleKeepsPlainPassword()
{
    if (!TestDb::onServer())
        QSKIP("a file has no roles: whoever may open it may change it");
    TestSeams seams;
    const QString reader = QStringLiteral("corvantis_login_reader");
    const QString path = TestDb::copyOf(m_template, seams.folder(), "main.db");
    TestDb::loginRole(reader);
    Db::exec(Db::open(path, "owner"), "GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + reader);
    Db::close(path, "owner");
    LoginWindow w;
    w.fill(QString(path).replace("//corvantis@", "//" + reader + "@"), "admin", "admin");
    w.ok();
    QCOMPARE(seams.prompter.texts().count(LoginFlow::passwordKeptPlainMessage(reader)), 1);
    QVERIFY(Global::isLoggedIn && !w.loggedInPath.isEmpty());
    const QString stored = Db::scalar(Db::open(path, "owner"), "SELECT Password FROM Users WHERE UserName = 'admin'").toString();
    QCOMPARE(stored, QStringLiteral("admin"));
}

void tst_frmLogin::outOfDateDatabaseEndsProgram()
{
    TestSeams seams;
    const QString path = TestDb::copyOf(m_template, seams.folder(), "old.db");
    {
        QSqlDatabase db = Db::open(path, "prep");
        Db::exec(db, "DROP TABLE AttachedDocument");
        Db::exec(db, "CREATE TABLE AttachedDocument (GLAcctId INTEGER, DocPath TEXT)");
    }
    Db::close(path, "prep");
    const QByteArray bytes = TestDb::snapshot(path);
    LoginWindow w;
    w.fill(path, "admin", "admin");
    w.ok();
    // Refused as it was: the plain password not re-stored, the journal not switched, so the
    // older version of the program still opens it.
    QCOMPARE(TestDb::snapshot(path), bytes);
    QVERIFY(!QFile::exists(path + "-wal"));
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Corvantis Database Out Of Date"));
    QVERIFY(seams.prompter.lastText().startsWith("The database you are attempting to open is not compatible"));
    QVERIFY(seams.exits.ended());
    QVERIFY(!Global::isDBVersionOK);
    QVERIFY(w.loggedInPath.isEmpty());
    QCOMPARE(readSetting("Software\\Corvantis\\Database"), path); // remembered before the check
}

void tst_frmLogin::busyDatabaseKeepsLoginWindow()
{
    TestSeams seams;
    // A rollback journal: another writer keeps readers out.
    const QString path = TestDb::copyOf(m_template, seams.folder(), "busy.db");
    LoginWindow w;
    w.fill(path, "admin", "admin");
    {
        OtherWriter other(path, TestDb::lockOut("Users"), Db::BusyTimeoutMs + 1500);
        QVERIFY(other.holds());
        w.ok();
    }
    // Waited, then said so; the program goes on and the user may try again.
    QCOMPARE(seams.prompter.texts(), QStringList{LoginFlow::inUseMessage()});
    QVERIFY(seams.prompter.messages.first().details.contains("lock")); // the database's own words
    QVERIFY(!seams.exits.ended());
    QVERIFY(w.window.isVisible());
    QVERIFY(!Global::isLoggedIn);
    seams.prompter.clear();
    w.ok();
    QVERIFY2(seams.prompter.messages.isEmpty(), qPrintable(seams.prompter.texts().join('\n')));
    QCOMPARE(w.loggedInPath, path);
}

void tst_frmLogin::missingDocumentsDatabase()
{
    TestSeams seams;
    const QString path = TestDb::copyOf(m_template, seams.folder(), "main.db");
    TestDb::setDocumentsLocation(path, "");
    LoginWindow w;
    w.fill(path, "admin", "admin");
    w.ok();
    QCOMPARE(seams.prompter.texts(),
             (QStringList{LoginFlow::missingDocumentsMessage(""), LoginFlow::invalidDocumentsMessage("")}));
    QVERIFY(seams.prompter.texts().first().contains("file \"\" does not exist"));
    QVERIFY(!Global::isDocDBValid);
    QCOMPARE(w.loggedInPath, path); // the login still completes
}

void tst_frmLogin::invalidDocumentsDatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("text file") << QByteArray("not a database");
    QTest::newRow("zero-byte file") << QByteArray();
    QTest::newRow("another program's database in WAL mode") << QByteArray("wal");
}

// Told at the login, and left exactly as it was, with nothing new beside it.
void tst_frmLogin::invalidDocumentsDatabase()
{
    QFETCH(QByteArray, content);
    TestSeams seams;
    const QString path = TestDb::copyOf(m_template, seams.folder(), "main.db");
    const QString docs = TestDb::textFile(seams.folder(), "docs.db", content == "wal" ? "" : content);
    if (content == "wal")
        FileLocks::runOtherProgram(docs, "PRAGMA journal_mode = WAL; CREATE TABLE Ledger (Account TEXT);");
    TestDb::setDocumentsLocation(path, docs);
    const QByteArray before = TestDb::snapshot(docs);
    LoginWindow w;
    w.fill(path, "admin", "admin");
    w.ok();
    QCOMPARE(seams.prompter.texts(), QStringList{LoginFlow::invalidDocumentsMessage(docs)});
    QVERIFY(!Global::isDocDBValid);
    QVERIFY(!Db::isConnectedFile(docs));
    QCOMPARE(TestDb::snapshot(docs), before);
    QCOMPARE(QDir(seams.folder()).entryList({"docs.db*"}, QDir::Files | QDir::Hidden), QStringList{"docs.db"});
}

void tst_frmLogin::documentsPathShownAtLogin_data()
{
    // The copied main database names the original's documents database; the window shows another.
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("notice");
    QTest::newRow("a copy of the documents database") << "docs.db" << true;
    QTest::newRow("the used file through a link") << "link.db" << false;
}

void tst_frmLogin::documentsPathShownAtLogin()
{
    QFETCH(QString, shown);
    QFETCH(bool, notice);
    if (TestDb::onServer() && !notice)
        QSKIP("a link is a file's");
    TestSeams seams;
    const QString path = TestDb::copyOf(m_template, seams.folder(), "main.db");
    if (notice)
        shown = TestDb::copyOf(m_docs, seams.folder(), shown);
    else
        QVERIFY(QFile::link(m_docs, shown = seams.path(shown)));
    LoginWindow w;
    w.fill(path, "admin", "admin", shown);
    w.ok();
    QCOMPARE(seams.prompter.texts(), notice ? QStringList{LoginFlow::otherDocumentsMessage(shown, m_docs)} : QStringList{});
    if (TestDb::onServer()) // named, not selected
        QCOMPARE(seams.prompter.texts().first(),
                 "This main database keeps its attached documents in the Documents database \"" + m_docs + "\", not in \"" +
                     shown + "\" shown in the login window. Attachments will be read from and written to \"" + m_docs +
                     "\". To keep them in another database, name it in the Administration dialog.");
    QCOMPARE(Global::docDBPath, m_docs); // the main database's choice holds
    QVERIFY(Global::isDocDBValid && !w.loggedInPath.isEmpty());
}

// The documents database the main one names is a server database: named, not a file selected.
void tst_frmLogin::serverDocumentsDatabaseIsNamed()
{
    TestSeams seams;
    const QString path = TestDb::copyOf(m_template, seams.folder(), "main.db");
    if (TestDb::onServer()) {
        TestDb::setDocumentsLocation(path, path); // a database without the documents' tables
        LoginWindow w;
        w.fill(path, "admin", "admin");
        w.ok();
        QCOMPARE(seams.prompter.texts(),
                 QStringList{"The Documents database \"" + path + "\" is not a valid Corvantis documents database. You must "
                             "go to the Administration dialog to name a valid Documents database before starting working "
                             "on any reconciliation."});
        QVERIFY(!Global::isDocDBValid);
    }

    // A server that cannot be reached says nothing of the database: it is told as it is.
    seams.prompter.clear();
    TestDb::setDocumentsLocation(path, "postgresql://corvantis@%2Fno-such-folder/docs");
    LoginWindow again;
    again.fill(path, "admin", "admin");
    again.ok();
    QCOMPARE(seams.prompter.texts(),
             QStringList{"Could not connect to the database docs on /no-such-folder: the server cannot be reached: it is "
                         "not running, its name or port is wrong, or the network is down."});
    QVERIFY(!Global::isDocDBValid && !again.loggedInPath.isEmpty());
}

void tst_frmLogin::pickersOnlyFillFields()
{
    TestSeams seams;
    LoginWindow w;
    const QString before = child<QLineEdit>(w.window, "txtDBNAME")->text();
    seams.chooser.answers = {QString(), seams.path("x.txt"), seams.path("chosen.db")};
    QVERIFY(!w.window.browseReconciliationsDatabase(before)); // cancelled
    QVERIFY(!w.window.browseReconciliationsDatabase(before)); // not a database file
    QCOMPARE(child<QLineEdit>(w.window, "txtDBNAME")->text(), before);
    QTest::mouseClick(child<QPushButton>(w.window, "cmdBrowse"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>(w.window, "txtDBNAME")->text(), seams.path("chosen.db"));
    QCOMPARE(seams.chooser.titles.last(), QStringLiteral("Open Reconciliations Database"));
    QCOMPARE(readSetting("Software\\Corvantis\\Database"), QStringLiteral("None"));

    seams.chooser.answers = {seams.path("docs.db")};
    QTest::mouseClick(child<QPushButton>(w.window, "cmdBrowser1"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>(w.window, "txtAttachedDocDB")->text(), seams.path("docs.db"));
    QCOMPARE(seams.chooser.titles.last(), QStringLiteral("Open Corvantis Database"));
    QCOMPARE(readSetting("Software\\Corvantis\\Database1"), QStringLiteral("None"));
    QVERIFY(seams.prompter.messages.isEmpty());
}

void tst_frmLogin::leavingTheWindow()
{
    {
        TestSeams seams;
        LoginWindow w;
        QTest::keyClick(&w.window, Qt::Key_Escape);
        QVERIFY(seams.exits.ended());
        QVERIFY(!Global::isLoggedIn);
    }
    {
        TestSeams seams;
        modRegistry::setSetting("HKCU", "Software\\Corvantis\\Database", "Path", "S", "/books/none.txt");
        LoginWindow w;
        seams.prompter.answers = {Prompter::No};
        QTest::mouseClick(child<QPushButton>(w.window, "cmdEnd"), Qt::LeftButton);
        QCOMPARE(seams.prompter.lastText(), QStringLiteral("Are you sure you want to exit Corvantis"));
        QCOMPARE(seams.prompter.messages.last().icon, Prompter::Icon::Question);
        QVERIFY(!seams.exits.ended());
        seams.prompter.answers = {Prompter::Yes};
        QTest::mouseClick(child<QPushButton>(w.window, "cmdEnd"), Qt::LeftButton);
        QVERIFY(seams.exits.ended());
    }
    {
        TestSeams seams;
        LoginWindow w;
        w.window.close();
        QVERIFY(seams.exits.ended());
    }
}

QTEST_MAIN(tst_frmLogin)
#include "tst_frmlogin.moc"
