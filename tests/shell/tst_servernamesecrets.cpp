#include "adminsession.h"
#include "administrationdialog.h"
#include "apperror.h"
#include "desktopseams.h"
#include "frmlogin.h"
#include "loginsettings.h"
#include "schema.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// A server database's name with a password in it, whatever the password holds, is refused
// wherever a name is taken, and no message, window, settings file or error text shows the password.
class tst_ServerNameSecrets : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void noPasswordShown_data();
    void noPasswordShown();
};

namespace {

// Looked for apart, so that a name cut at the character between them still counts as shown.
const QString kBefore = QStringLiteral("Hush");
const QString kAfter = QStringLiteral("Word7");

QStringList texts(const QWidget& window)
{
    QStringList out{window.windowTitle()};
    for (const QLineEdit* box : window.findChildren<QLineEdit*>())
        out << box->text();
    return out;
}

QStringList logIn(frmLogin& login, const QString& main, const QString& documents)
{
    login.findChild<QLineEdit*>("txtDBNAME")->setText(main);
    login.findChild<QLineEdit*>("txtAttachedDocDB")->setText(documents);
    login.findChild<QLineEdit*>("txtUserName")->setText("admin");
    login.findChild<QLineEdit*>("txtPassword")->setText("admin");
    login.findChild<QPushButton*>("cmdOK")->click();
    return texts(login);
}

} // namespace

void tst_ServerNameSecrets::noPasswordShown_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("said"); // in every refusal
    const QString noPassword = QStringLiteral("a password may not be part of it");
    for (const QString c : {"/", "?", "#", "@", "%"}) {
        const QString password = kBefore + c + kAfter;
        QTest::addRow("user part holds %s", qPrintable(c))
            << "postgresql://ann:" + password + "@localhost:5473/docs" << noPassword;
        QTest::addRow("setting holds %s", qPrintable(c))
            << "postgresql://ann@localhost:5473/docs?sslmode=disable&password=" + password << noPassword;
    }
    QTest::newRow("user part and setting") << "postgresql://ann:" + kBefore + "@host/docs?password=x@" + kAfter
                                           << noPassword;
    QTest::newRow("user part holds a password setting")
        << "postgresql://ann:" + kBefore + "?password=x@" + kAfter + "/docs" << noPassword;
    QTest::newRow("no user before the password") << "postgresql://:" + kBefore + "/" + kAfter + "@host/docs"
                                                 << noPassword;
    for (const QString key : {"sslmode", "host", "user", "dbname"})
        QTest::addRow("smuggled into the %s setting", qPrintable(key))
            << "postgresql://ann@localhost/docs?" + key + "=x;password=" + kBefore + "@" + kAfter
            << "the value of the setting '" + key + "' may not";
}

void tst_ServerNameSecrets::noPasswordShown()
{
    QFETCH(QString, name);
    QFETCH(QString, said);
    AdminSession s;
    TestSeams& seams = s.seams;
    // Qt's own file dialog, which keeps its state in the settings; the rest recorded.
    DesktopSeams::install();
    Prompter::install(&seams.prompter);
    AppExit::install(&seams.exits);
    ShellOpener::install(&seams.opener);
    int dialogs = 0;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            ++dialogs;
            dialog->reject();
        }
    });
    closer.start(20);
    QStringList shown;

    // Opened, and made by the database tool as main or as documents database.
    for (const std::function<void()>& use : QList<std::function<void()>>{
             [&] { Db::open(name); },
             [&] { Schema::createStartingDatabases(name, seams.path("made-docs.db"), "admin", "pw"); },
             [&] { Schema::createStartingDatabases(TestDb::newDatabase(seams.folder(), "made.db"), name, "a", "pw"); }}) {
        try {
            use();
            QFAIL("the name must be refused");
        } catch (const AppError& e) {
            QVERIFY2(e.description().contains(said), qPrintable(e.description()));
            shown << e.description() << e.details() << QString::fromUtf8(e.what());
        }
    }

    // Kept in the settings by an older version: shown, and kept from now on, without it.
    LoginSettings::setMainDatabasePath(name);
    LoginSettings::setDocumentsPath(name);
    {
        frmLogin login;
        bool loggedIn = false;
        login.setOnLoggedIn([&](const QString&) { loggedIn = true; });
        const auto kept = [] { return QStringList{*LoginSettings::mainDatabasePath(), *LoginSettings::documentsPath()}; };
        const QStringList before = kept();
        shown << texts(login) << logIn(login, name, s.mainPath) << logIn(login, s.mainPath, name);
        QCOMPARE(seams.prompter.messages.size(), 2);
        QVERIFY(!loggedIn);
        QCOMPARE(kept(), before);

        // Another login shows the server name without a file dialog; Browse starts elsewhere.
        login.findChild<QLineEdit*>("txtDBNAME")->setText(name);
        login.showForAnotherLogin();
        QCOMPARE(dialogs, 0);
        login.findChild<QLineEdit*>("txtAttachedDocDB")->setText(name);
        login.findChild<QPushButton*>("cmdBrowser1")->click();
        QCOMPARE(dialogs, 1);
    }
    {
        ApplicationSetupDialog d;
        auto* box = d.findChild<QLineEdit*>("txtAttachedDocDB");
        box->clear();
        QTest::keyClicks(box, name);
        QTest::keyClick(box, Qt::Key_Return);
        shown << texts(d);
    }
    QCOMPARE(seams.prompter.messages.size(), 3);
    for (const Prompter::Message& m : seams.prompter.messages) {
        QVERIFY2(m.text.contains(said), qPrintable(m.text));
        shown << m.title << m.text << m.details;
    }
    for (const QString& text : std::as_const(shown))
        QVERIFY2(!text.contains(kBefore) && !text.contains(kAfter), qPrintable(text));

    // Every file the test wrote, the program's and Qt's file dialog's settings among them.
    QDirIterator files(seams.folder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    int settingsFiles = 0;
    while (files.hasNext()) {
        QFile file(files.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY2(!bytes.contains(kBefore.toUtf8()) && !bytes.contains(kAfter.toUtf8()), qPrintable(file.fileName()));
        settingsFiles += file.fileName().endsWith(".conf");
    }
    QVERIFY(settingsFiles >= 2);
}

QTEST_MAIN(tst_ServerNameSecrets)
#include "tst_servernamesecrets.moc"
