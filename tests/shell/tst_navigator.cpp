#include "apperror.h"
#include "apppages.h"
#include "db.h"
#include "frmlogin.h"
#include "glaccount.h"
#include "global.h"
#include "mainhelpdialog.h"
#include "modmain.h"
#include "modregistry.h"
#include "navigator.h"
#include "printtarget.h"
#include "recdialogfactory.h"
#include "recorders.h"
#include "recselectdialog.h"
#include "testdb.h"
#include "titlepanels.h"

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

// The navigator: how its links name commands, the gate, each command's sequence as far as this
// version goes, errors that stop at the command, its pages, and another login from it.
class tst_Navigator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { AppPages::setFolder(QStringLiteral(CORVANTIS_HTML_DIR)); }
    void commandOf_data();
    void commandOf();
    void dispatch_data();
    void dispatch();
    void gate_data();
    void gate();
    void commandErrorKeepsNavigator();
    void administrationCommands();
    void helpAndReadmeSayWhatItDoes();
    void balances();
    void reconciliationLoop_data();
    void reconciliationLoop();
    void reconciliationLoopEachKind_data();
    void reconciliationLoopEachKind();
    void reconciliationLoopGoesOn_data();
    void reconciliationLoopGoesOn();
    void doubleClickTestsTheDate_data();
    void doubleClickTestsTheDate();
    void listAccountOpensItsReconciliation();
    void summaryReport();
    void helpAndTutorial();
    void pageLinksAreCommands();
    void clickedLinkKeepsItsSpelling();
    void missingPages();
    void anotherLogin_data();
    void anotherLogin();
    void anotherLoginSucceeds();
    void databaseCommand_data();
    void databaseCommand();
};

namespace {

class PreviewRecorder final : public PrintTarget
{
public:
    PreviewRecorder() { PrintTarget::install(this); }
    ~PreviewRecorder() override { PrintTarget::install(nullptr); }
    bool choosePrinter(QPrinter&, QWidget*, int) override { return false; }
    void preview(const Preview&) override { ++previews; }
    int previews = 0;
};

// Answers the date picker: sets the date text and presses the named button (none: cancel).
std::function<int(QDialog&)> answerDate(const QString& date, const char* button, QStringList* seen = nullptr)
{
    return [=](QDialog& d) {
        if (seen)
            seen->append(d.objectName());
        if (auto* box = d.findChild<QLineEdit*>("dtpRecDate"))
            box->setText(date);
        if (button)
            if (auto* b = d.findChild<QPushButton*>(button))
                b->click();
        return d.result();
    };
}

// Every command records its word instead of opening its window.
QStringList& ranCommands()
{
    static QStringList ran;
    return ran;
}

void recordInto(Navigator& nav)
{
    ranCommands().clear();
    for (const QString& word : NavigatorCommands::words())
        nav.commands().setHandler(word, [word] { ranCommands().append(word); });
}

QString mainDatabaseSetting()
{
    QVariant value;
    modRegistry::getSetting("HKCU", "Software\\Corvantis\\Database", "Path", "S", "None", value);
    return value.toString();
}

// The server session of the main connection; 0 on a file, which has none.
qint64 serverSession()
{
    return TestDb::onServer() ? Db::scalar(Global::getConnection(), "SELECT pg_backend_pid()").toLongLong() : 0;
}

// Whether the server still has that session (a file has none).
bool sessionLives(qint64 session)
{
    return TestDb::onServer() &&
           Db::scalar(Global::getConnection(), "SELECT count(*) FROM pg_stat_activity WHERE pid = ?", {session})
                   .toLongLong() == 1;
}

// Two main databases that share a valid documents database (so the gate lets DB_LOCATION through),
// the login window and the navigator wired as the program wires them, logged in to the first file.
struct TwoFiles
{
    TwoFiles(const TestSeams& seams, const QString& secondUser, const QString& secondPassword)
        : first(TestDb::emptyMain(seams.folder(), "first.db")), second(TestDb::emptyMain(seams.folder(), "second.db"))
    {
        TestDb::addPlainUser(first, "admin", "admin", "Administrator", 0, 0, 1, "First Admin");
        TestDb::addPlainUser(second, secondUser, secondPassword, "User", 1, 0, 0, "Second User");
        const QString documents = TestDb::documents(seams.folder());
        TestDb::setDocumentsLocation(first, documents);
        TestDb::setDocumentsLocation(second, documents);
        modMain::connectLogin(login, [this]() -> Navigator& { return nav; });
        nav.setOnDatabaseLocation([this] { login.showForAnotherLogin(); });
        logIn(first, "admin", "admin");
    }
    void logIn(const QString& path, const QString& user, const QString& password)
    {
        if (!path.isEmpty())
            login.findChild<QLineEdit*>("txtDBNAME")->setText(path);
        login.findChild<QLineEdit*>("txtUserName")->setText(user);
        login.findChild<QLineEdit*>("txtPassword")->setText(password);
        login.findChild<QPushButton*>("cmdOK")->click();
    }
    // The database command and another main database chosen there: a file in the picker (""
    // cancels it), a server database's name typed into the window.
    void changeDatabase(FileChooserScript& chooser, const QString& chosen)
    {
        chooser.answers = {chosen};
        nav.navigate("event:DB_LOCATION");
        if (!Db::namesFile(first) && login.isVisible())
            login.findChild<QLineEdit*>("txtDBNAME")->setText(chosen);
    }
    QString first;
    QString second;
    frmLogin login;
    Navigator nav;
};

} // namespace

void tst_Navigator::commandOf_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("command"); // "-": no command, the link is followed
    QTest::newRow("plain") << "event:PREPARE_REC" << "PREPARE_REC";
    QTest::newRow("lower case, query cut") << "event:prepare_rec?x=1" << "PREPARE_REC";
    QTest::newRow("after a path") << "file:///opt/corvantis/html/app/event:summary_report" << "SUMMARY_REPORT";
    QTest::newRow("only the first ? counts") << "event:Balances?a?b" << "BALANCES";
    QTest::newRow("nothing after the marker") << "event:" << "";
    QTest::newRow("blank kept") << "event: PREPARE_REC" << " PREPARE_REC";
    QTest::newRow("unknown word") << "event:FOO" << "FOO";
    QTest::newRow("marker in upper case") << "EVENT:EXIT_PROGRAM" << "-";
    QTest::newRow("no marker") << "main_help.html" << "-";
}

void tst_Navigator::commandOf()
{
    QFETCH(QString, address);
    QFETCH(QString, command);
    QCOMPARE(NavigatorCommands::commandOf(address).value_or("-"), command);
}

void tst_Navigator::dispatch_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("ran");     // the command run, "" for none
    QTest::addColumn<QString>("message"); // the message shown, "" for none
    for (const QString& word : NavigatorCommands::words())
        QTest::newRow(qPrintable(word)) << "event:" + word.toLower() << word << "";
    QTest::newRow("query") << "event:prepare_rec?x=1" << "PREPARE_REC" << "";
    QTest::newRow("unknown") << "event:FOO" << "" << NavigatorCommands::unknownCommandMessage("FOO");
    QTest::newRow("empty") << "event:" << "" << NavigatorCommands::unknownCommandMessage("");
    QTest::newRow("blank") << "event: PREPARE_REC" << ""
                           << NavigatorCommands::unknownCommandMessage(" PREPARE_REC");
}

void tst_Navigator::dispatch()
{
    QFETCH(QString, address);
    QFETCH(QString, ran);
    QFETCH(QString, message);
    TestSeams seams;
    Global::isDocDBValid = true;
    Global::mainDatabasePath = seams.path("main.db");
    Navigator nav;
    recordInto(nav);
    QVERIFY(nav.navigate(address)); // handled: the page stays
    QCOMPARE(ranCommands(), ran.isEmpty() ? QStringList{} : QStringList{ran});
    QCOMPARE(seams.prompter.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
    QVERIFY(!nav.navigate("main_help.html")); // an ordinary link is followed
}

void tst_Navigator::gate_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QString>("documents"); // what the main database names since the login found none valid
    QTest::addColumn<QString>("said");      // the gate's words; empty: the command runs
    for (const QString& word : NavigatorCommands::words())
        QTest::newRow(qPrintable(word)) << word << true << "" << NavigatorCommands::gateMessage();
    QTest::newRow("unknown") << "FOO" << true << "" << NavigatorCommands::gateMessage();
    // Looked at again at each command: whatever kept it from use may have passed since.
    QTest::newRow("valid now") << "PREPARE_REC" << true << "documents" << "";
    QTest::newRow("still no documents database") << "PREPARE_REC" << true << "main"
                                                 << NavigatorCommands::gateMessage();
    QTest::newRow("its server not reached")
        << "PREPARE_REC" << true << "postgresql://corvantis@%2Fno-such-folder/docs"
        << "Could not connect to the database docs on /no-such-folder: the server cannot be reached";
    // Before a login nothing runs, the way to the documents database neither.
    for (const char* word : {"APP_SETUP", "DB_LOCATION", "EXIT_PROGRAM"})
        QTest::newRow(qPrintable(QStringLiteral("before a login: ") + word))
            << word << false << "" << Global::notLoggedInMessage();
}

void tst_Navigator::gate()
{
    QFETCH(QString, word);
    QFETCH(bool, loggedIn);
    QFETCH(QString, documents);
    QFETCH(QString, said);
    TestSeams seams;
    if (!documents.isEmpty()) {
        // Logged in to a main database that names this documents database now.
        Global::mainDatabasePath = TestDb::emptyMain(seams.folder());
        TestDb::setDocumentsLocation(Global::mainDatabasePath,
                                     documents == "documents" ? TestDb::documents(seams.folder())
                                     : documents == "main"    ? Global::mainDatabasePath
                                                              : documents);
        Global::isLoggedIn = true;
    }
    Global::isDocDBValid = false;
    if (loggedIn && documents.isEmpty())
        Global::mainDatabasePath = seams.path("main.db");
    Navigator nav;
    recordInto(nav);
    nav.navigate("event:" + word);
    if (!loggedIn) {
        QVERIFY(ranCommands().isEmpty());
        QCOMPARE(seams.prompter.texts(), QStringList{said});
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList{});
        QVERIFY(!seams.exits.ended());
    } else if (said.isEmpty()) {
        QCOMPARE(ranCommands(), QStringList{word});
        QVERIFY(seams.prompter.messages.isEmpty());
        QVERIFY(Global::isDocDBValid);
    } else if (word == "APP_SETUP") {
        QCOMPARE(ranCommands(), QStringList{word}); // the way to a valid documents database
        QVERIFY(seams.prompter.messages.isEmpty());
    } else {
        QVERIFY(ranCommands().isEmpty());
        QCOMPARE(seams.prompter.messages.size(), 1);
        QVERIFY2(seams.prompter.lastText().startsWith(said), qPrintable(seams.prompter.lastText()));
        QVERIFY(!Global::isDocDBValid);
    }
}

void tst_Navigator::commandErrorKeepsNavigator()
{
    TestSeams seams;
    Global::isDocDBValid = true;
    Global::mainDatabasePath = TestDb::emptyMain(seams.folder());
    Navigator nav;
    nav.commands().setHandler("PREPARE_REC", [] {
        throw AppError(AppError::ObjectError1001, "RecDialogFactory", "Not expecting a 'N' code in the create() method");
    });
    QVERIFY(nav.navigate("event:PREPARE_REC"));
    QCOMPARE(seams.prompter.texts(), QStringList{"Not expecting a 'N' code in the create() method"});
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Corvantis"));
    QVERIFY(!seams.exits.ended());

    // A real command failing on the database: the report is not shown, the navigator goes on.
    PreviewRecorder previews;
    Db::exec(Global::getConnection(), "DROP TABLE GLAccountBalance");
    nav.setDialogRunner(answerDate("01/31/2024", "OKButton"));
    seams.prompter.clear();
    nav.navigate("event:SUMMARY_REPORT");
    QCOMPARE(seams.prompter.messages.size(), 1);
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Corvantis"));
    QCOMPARE(previews.previews, 0);
    nav.navigate("event:EXIT_PROGRAM");
    QVERIFY(seams.exits.ended());
}

void tst_Navigator::administrationCommands()
{
    TestSeams seams;
    Global::mainDatabasePath = TestDb::tutorial(seams.folder());
    Global::isDBVersionOK = true;
    Global::isDocDBValid = true;
    Global::gridColumnWidths = QList<int>(10, 99);
    Navigator nav;
    QStringList dialogs;
    nav.setDialogRunner([&](QDialog& d) {
        // Each opening starts from the grid's default widths.
        dialogs << d.objectName() + (Global::gridColumnWidths.isEmpty() ? "" : " with widths");
        return 0;
    });
    nav.navigate("event:APP_SETUP");
    nav.navigate("event:acc_setup");
    QCOMPARE(dialogs, (QStringList{"ApplicationSetupDialog", "AccountManageDialog"}));
    QCOMPARE(seams.prompter.texts(), QStringList{});
}

void tst_Navigator::helpAndReadmeSayWhatItDoes()
{
    const auto read = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const QString help = read(QStringLiteral(CORVANTIS_HTML_DIR) + "/main_help.html");
    const QString readme = read(QStringLiteral(CORVANTIS_README));
    QVERIFY(!help.isEmpty() && !readme.isEmpty());
    // The selection's buttons by the names they carry.
    RecSelectDialogSimple selection;
    for (const char* name : {"OKButton", "CancelButton"}) {
        const QString caption = selection.findChild<QPushButton*>(name)->text().remove(QLatin1Char('&'));
        QVERIFY2(help.contains("<i>" + caption + "</i>"), qPrintable(caption));
    }
    QVERIFY(!help.contains("press OK"));
    QVERIFY(!help.contains("<i>Account setup</i> answer"));
    // The tutorial's roles as the database holds them.
    TestSeams seams;
    QSqlDatabase db = Db::open(TestDb::tutorial(seams.folder()));
    QSqlQuery q = Db::exec(db, "SELECT UserName, Role FROM Users");
    while (q.next())
        QVERIFY2(
            readme.contains(
                QStringLiteral("| `%1` | `%1` | %2 |").arg(q.value(0).toString(), q.value(1).toString())),
            qPrintable(q.value(0).toString()));
    // The tutorial's sign-offs as the README tells them: the balance-only accounts it names carry
    // none and open only the factory's error; every other balance before November 30, 2026 is
    // prepared, approved and reviewed.
    const QString text = readme.simplified();
    QVERIFY(text.contains(RecDialogFactory::unexpectedCode("B").description()));
    q = Db::exec(db, "SELECT a.glacctnbr || ' ' || a.name, a.recTypeCode = 'B', b.Date < '2026-11-30', "
                     "b.preparedBy IS NOT NULL AND b.approvedBy IS NOT NULL AND b.reviewedBy IS NOT NULL, "
                     "COALESCE(b.preparedBy, b.approvedBy, b.reviewedBy) IS NULL "
                     "FROM GLAccountBalance b JOIN GLAccount a ON a.glAcctID = b.glAcctID");
    while (q.next()) {
        const QString account = q.value(0).toString();
        if (q.value(1).toBool())
            QVERIFY2(text.contains(account) && q.value(4).toBool(), qPrintable(account));
        else if (q.value(2).toBool())
            QVERIFY2(q.value(3).toBool(), qPrintable(account));
    }
}

void tst_Navigator::reconciliationLoop_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("caption");
    QTest::newRow("prepare") << "PREPARE_REC" << "RecSelectDialogSimple" << "Prepare Reconciliation";
    QTest::newRow("review") << "REC_REVIEW" << "RecSelectDialog" << "Reconciliation Review Table";
}

void tst_Navigator::reconciliationLoop()
{
    QFETCH(QString, command);
    QFETCH(QString, dialog);
    QFETCH(QString, caption);
    TestSeams seams;
    Global::mainDatabasePath = TestDb::tutorial(seams.folder());
    Global::isDocDBValid = true;
    Global::setCurrentRecDate("10/31/2026");
    Navigator nav;
    // The selection opens, its first account (1010, a bank account) is chosen for 09/30/2026, its
    // reconciliation opens and is cancelled, the same selection comes back holding that date, and
    // Close ends the command.
    QStringList seen;
    QStringList dates;
    nav.setDialogRunner([&](QDialog& d) {
        seen << d.objectName() + ":" + d.windowTitle();
        d.show(); // showing loads the grid
        if (d.objectName() == "BankRecDialog") {
            d.findChild<QPushButton*>("CmdCancel")->click();
            d.hide();
            return d.result();
        }
        auto* box = d.findChild<QLineEdit*>("dtpRecDate");
        dates << box->text();
        if (seen.size() == 1) {
            box->setText("09/30/2026");
            d.findChild<QPushButton*>("OKButton")->click();
        } else {
            d.findChild<QPushButton*>("CancelButton")->click();
        }
        d.hide();
        return d.result();
    });
    nav.navigate("event:" + command);
    QCOMPARE(seen, (QStringList{dialog + ":" + caption, "BankRecDialog:Account 1010", dialog + ":" + caption}));
    QCOMPARE(dates, (QStringList{"10/31/2026", "09/30/2026"}));
    QVERIFY(seams.prompter.messages.isEmpty());
    QCOMPARE(Global::getCurrentRecDate(), QStringLiteral("09/30/2026"));
}

namespace {

// The selection grid's row of an account number, made current; -1 when it is not listed.
int chooseAccount(QDialog& selection, const QString& number)
{
    auto* grid = selection.findChild<QTableView*>("grd");
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        if (grid->model()->index(r, 1).data().toString() == number) {
            grid->setCurrentIndex(grid->model()->index(r, 1));
            return r;
        }
    return -1;
}

// The tutorial ledger with every account listed by the selections and the preparer logged in.
void tutorialForPreparer(const TestSeams& seams)
{
    Global::mainDatabasePath = TestDb::tutorial(seams.folder());
    Global::docDBPath =
        Db::scalar(Global::getConnection(), "SELECT DocDBLocation FROM AttachedDocDBLocation").toString();
    Global::isDocDBValid = true;
    Global::userName = "preparer";
    Global::permission = "CAN_PREPARE";
    Global::reportName = "Pat Rivera";
    const QString key = RecSelectDialogBase::settingsKey();
    modRegistry::setSetting("HKCU", key, "optAcctType", "D", 1);   // all accounts
    modRegistry::setSetting("HKCU", key, "optKeyControl", "D", 2); // key-control or not
}

} // namespace

void tst_Navigator::reconciliationLoopEachKind_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("number");
    QTest::addColumn<qint64>("accountId");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("subledger") << "PREPARE_REC" << "1100" << qint64(6) << "SubledgerRecDialog";
    QTest::newRow("calculated balance") << "REC_REVIEW" << "1040" << qint64(4) << "CalcBalRecDialog";
    QTest::newRow("list") << "PREPARE_REC" << "1150" << qint64(8) << "ListRecDialog";
    QTest::newRow("bank") << "REC_REVIEW" << "1010" << qint64(1) << "BankRecDialog";
    QTest::newRow("prepaid, preparing") << "PREPARE_REC" << "1300" << qint64(11) << "PrepaidRecDialog";
    QTest::newRow("prepaid, reviewing") << "REC_REVIEW" << "1310" << qint64(12) << "PrepaidRecDialog";
}

void tst_Navigator::reconciliationLoopEachKind()
{
    QFETCH(QString, command);
    QFETCH(QString, number);
    QFETCH(qint64, accountId);
    QFETCH(QString, dialog);
    TestSeams seams;
    tutorialForPreparer(seams);
    Navigator nav;
    // A month-end with no balance stored yet: the account is picked, prepared with a comment, a
    // target and a basis where its dialog has them, and saved; the selection comes back at the
    // same date with the account prepared.
    QStringList seen, dates, statuses;
    bool sortedByName = false;
    nav.setDialogRunner([&](QDialog& d) {
        seen << d.objectName();
        d.show();
        if (d.objectName().startsWith("RecSelectDialog")) {
            auto* box = d.findChild<QLineEdit*>("dtpRecDate");
            dates << box->text();
            if (seen.size() == 1) {
                box->setText("12/31/2026");
                Q_EMIT box->editingFinished(); // leaving the box loads the grid for the date
            }
            auto* grid = d.findChild<QTableView*>("grd");
            if (seen.size() == 1) {
                static_cast<RecSelectDialogBase&>(d).sortGrid(2); // by name
            } else {
                const QHeaderView* header = grid->horizontalHeader();
                const QString first = grid->model()->index(0, 2).data().toString();
                const QString second = grid->model()->index(1, 2).data().toString();
                sortedByName = header->sortIndicatorSection() == 2 &&
                               (header->sortIndicatorOrder() == Qt::AscendingOrder ? first <= second : first >= second);
            }
            const int row = chooseAccount(d, number);
            statuses << grid->model()->index(row, 4).data().toString();
            d.findChild<QPushButton*>(seen.size() == 1 ? "OKButton" : "CancelButton")->click();
        } else {
            if (auto* target = d.findChild<QLineEdit*>("txtTargetAmount"))
                target->setText("25.50");
            if (auto* basis = d.findChild<QPlainTextEdit*>("txtbasisofCal"))
                basis->setPlainText("Count of the box");
            d.findChild<QPlainTextEdit*>("txtComment")->setPlainText("Reviewed with the ledger");
            d.findChild<QCheckBox*>("ChkPreparedBy")->click();
            if (auto* target = d.findChild<QLineEdit*>("txtTargetAmount"))
                target->setFocus(); // Save takes the box being edited
            d.findChild<QPushButton*>("cmdOK")->click();
        }
        d.hide();
        return d.result();
    });
    nav.navigate("event:" + command);
    QCOMPARE(seen, (QStringList{seen.first(), dialog, seen.first()}));
    QVERIFY(seams.prompter.messages.isEmpty());
    QCOMPARE(dates.last(), QStringLiteral("12/31/2026"));
    // Before: nothing signed at the date (the review grid shows the last prepared month-end).
    QVERIFY(statuses.first() != QStringLiteral("Prepared"));
    QCOMPARE(statuses.last(), QStringLiteral("Prepared"));
    QVERIFY(sortedByName); // the sort chosen before is kept
    QCOMPARE(Global::getCurrentRecDate(), QStringLiteral("12/31/2026"));
    QSqlDatabase db = Global::getConnection();
    QSqlQuery row = Db::exec(db, "SELECT preparedBy, comment, targetAmount, CalcBasis FROM GLAccountBalance "
                                 "WHERE glAcctID = ? AND Date = '2026-12-31'", {accountId});
    QVERIFY(row.next());
    QCOMPARE(row.value(0).toString(), QStringLiteral("Pat Rivera"));
    QCOMPARE(row.value(1).toString(), QStringLiteral("Reviewed with the ledger"));
    const bool hasTarget = dialog != "ListRecDialog" && dialog != "PrepaidRecDialog";
    QCOMPARE(row.value(2).toLongLong(), hasTarget ? qint64(255000) : 0);
    QCOMPARE(row.value(3).toString(), dialog == "CalcBalRecDialog" ? QStringLiteral("Count of the box") : QString());
    QCOMPARE(Db::scalar(db, "SELECT Activity || ' ' || ActivityUser FROM GLAccountBalanceAudit WHERE glAcctID = ? "
                            "AND Date = '2026-12-31'", {accountId})
                 .toString(),
             QStringLiteral("INSERT preparer"));
}

void tst_Navigator::reconciliationLoopGoesOn_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("breakSql");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("deletedWhileShown"); // by the reviewer, at 09:48
    QTest::newRow("B") << "3000" << "" << "Not expecting a 'B' code in the create() method" << false;
    QTest::newRow("N") << "9990" << "" << "Not expecting a 'N' code in the create() method" << false;
    QTest::newRow("load fails") << "1100" << "ALTER TABLE AttachedDocument RENAME TO Gone" << "AttachedDocument"
                                << false;
    QTest::newRow("deleted while shown") << "1100" << "" << "Account 1100 was deleted by Robin Chen at 09:48."
                                         << true;
}

void tst_Navigator::reconciliationLoopGoesOn()
{
    QFETCH(QString, number);
    QFETCH(QString, breakSql);
    QFETCH(QString, message);
    QFETCH(bool, deletedWhileShown);
    TestSeams seams;
    tutorialForPreparer(seams);
    Global::setCurrentRecDate("10/31/2026");
    if (!breakSql.isEmpty())
        Db::exec(Global::getConnection(), breakSql);
    Navigator nav;
    // A kind without a dialog says so, and the selection comes back for the next account.
    QStringList seen;
    nav.setDialogRunner([&](QDialog& d) {
        seen << d.objectName();
        d.show();
        const bool chosen = seen.size() == 1 && chooseAccount(d, number) >= 0;
        if (chosen && deletedWhileShown) {
            seams.clock.set(QDateTime(seams.clock.today(), QTime(9, 48)));
            Global::userName = "reviewer";
            GLAccount shown;
            shown.Load(Db::scalar(Global::getConnection(), "SELECT glAcctID FROM GLAccount WHERE glacctnbr = ?",
                                  {number}).toString());
            shown.remove();
            Global::userName = "preparer";
        }
        d.findChild<QPushButton*>(chosen ? "OKButton" : "CancelButton")->click();
        d.hide();
        return d.result();
    });
    nav.navigate("event:REC_REVIEW");
    QCOMPARE(seen, QStringList(2, "RecSelectDialog"));
    QCOMPARE(seams.prompter.messages.size(), 1);
    QVERIFY2(seams.prompter.lastText().contains(message, Qt::CaseInsensitive),
             qPrintable(seams.prompter.lastText()));
    QCOMPARE(Global::getCurrentRecDate(), QStringLiteral("10/31/2026"));
}

void tst_Navigator::doubleClickTestsTheDate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("a date opens the account") << "09/30/2026"
                                              << QStringList{"RecSelectDialogSimple", "SubledgerRecDialog"};
    QTest::newRow("empty") << "" << QStringList{"RecSelectDialogSimple"};
    QTest::newRow("no such day") << "13/45/2026" << QStringList{"RecSelectDialogSimple"};
}

void tst_Navigator::doubleClickTestsTheDate()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, opened);
    TestSeams seams;
    tutorialForPreparer(seams);
    Global::setCurrentRecDate("10/31/2026");
    Navigator nav;
    // A double-click on an account opens it only while the date box holds a date.
    QStringList seen;
    nav.setDialogRunner([&](QDialog& d) {
        seen << d.objectName();
        d.show();
        if (seen.size() == 1) {
            d.findChild<QLineEdit*>("dtpRecDate")->setText(typed);
            auto* grid = d.findChild<QTableView*>("grd");
            const int row = chooseAccount(d, "1100");
            Q_EMIT grid->doubleClicked(grid->model()->index(row, 1));
        }
        if (d.isVisible())
            d.findChild<QPushButton*>(seen.size() == 2 ? "CmdCancel" : "CancelButton")->click();
        d.hide();
        return d.result();
    });
    nav.navigate("event:PREPARE_REC");
    QCOMPARE(seen.mid(0, 2), opened);
    QCOMPARE(Global::getCurrentRecDate(), opened.size() > 1 ? typed : QStringLiteral("10/31/2026"));
}

void tst_Navigator::listAccountOpensItsReconciliation()
{
    TestSeams seams;
    Global::mainDatabasePath = TestDb::tutorial(seams.folder());
    Global::isDocDBValid = true;
    Global::setCurrentRecDate("11/30/2026");
    Global::selectedGLAcctID = 20; // 2200, a list account, is chosen in the grid
    Navigator nav;
    QStringList seen;
    nav.setDialogRunner([&](QDialog& d) {
        seen << d.objectName() + ":" + d.windowTitle();
        d.show();
        const char* button = seen.size() == 1 ? "OKButton" : seen.size() == 2 ? "CmdCancel" : "CancelButton";
        d.findChild<QPushButton*>(button)->click();
        d.hide();
        return d.result();
    });
    nav.navigate("event:PREPARE_REC");
    QCOMPARE(seen, (QStringList{"RecSelectDialogSimple:Prepare Reconciliation", "ListRecDialog:Account 2200",
                                "RecSelectDialogSimple:Prepare Reconciliation"}));
    QVERIFY(seams.prompter.messages.isEmpty());
}

void tst_Navigator::balances()
{
    TestSeams seams;
    Global::mainDatabasePath = TestDb::tutorial(seams.folder());
    Global::isDocDBValid = true;
    Navigator nav;
    // The balances command asks for its date first: cancelled, it says nothing more.
    QStringList dialogs;
    nav.setDialogRunner(answerDate("01/31/2024", nullptr, &dialogs));
    nav.navigate("event:BALANCES");
    QCOMPARE(dialogs, QStringList{"RecDateSelectDialog"});
    QVERIFY(seams.prompter.messages.isEmpty());
    // Approved: the picker's OK is "&OK" without filter buttons; then the editor for that date,
    // and the date becomes the current one.
    bool filtersHidden = false;
    QString okCaption, subtitle;
    dialogs.clear();
    nav.setDialogRunner([&](QDialog& d) {
        dialogs << d.objectName();
        if (d.objectName() == "PeriodEndBalancesDialog") {
            subtitle = d.findChild<CompoundDialogTitlePanel*>("m_title")->subTitle();
            d.findChild<QPushButton*>("CancelButton")->click();
            return d.result();
        }
        filtersHidden = d.findChild<QPushButton*>("btnActiveAccts")->isHidden() &&
                        d.findChild<QPushButton*>("btnKeyCtrlAccts")->isHidden();
        okCaption = d.findChild<QPushButton*>("OKButton")->text();
        return answerDate("01/31/2024", "OKButton")(d);
    });
    nav.navigate("event:BALANCES");
    QCOMPARE(dialogs, (QStringList{"RecDateSelectDialog", "PeriodEndBalancesDialog"}));
    QVERIFY(filtersHidden);
    QCOMPARE(okCaption, QStringLiteral("&OK"));
    QCOMPARE(subtitle, QStringLiteral("As of January 31, 2024"));
    QVERIFY(seams.prompter.messages.isEmpty());
    QCOMPARE(Global::getCurrentRecDate(), QStringLiteral("01/31/2024"));
}

void tst_Navigator::summaryReport()
{
    TestSeams seams;
    PreviewRecorder previews;
    Global::mainDatabasePath = TestDb::emptyMain(seams.folder());
    Global::isDocDBValid = true;
    Navigator nav;
    QString okCaption;
    bool filtersShown = false;
    nav.setDialogRunner([&](QDialog& d) {
        filtersShown = !d.findChild<QPushButton*>("btnActiveAccts")->isHidden();
        okCaption = d.findChild<QPushButton*>("OKButton")->text();
        return answerDate("1/31/24", "btnActiveAccts")(d);
    });
    nav.navigate("event:SUMMARY_REPORT");
    QVERIFY(filtersShown);
    QCOMPARE(okCaption, QStringLiteral("&All Accounts"));
    QCOMPARE(previews.previews, 1);
    QCOMPARE(Global::accountFilter, QStringLiteral("Active Accounts"));
    QCOMPARE(Global::getCurrentRecDate(), QStringLiteral("01/31/2024"));

    // The same picker again: its earlier approval does not make a cancel open a report.
    nav.setDialogRunner(answerDate("02/29/2024", nullptr));
    nav.navigate("event:SUMMARY_REPORT");
    QCOMPARE(previews.previews, 1);
    QCOMPARE(Global::getCurrentRecDate(), QStringLiteral("01/31/2024"));
}

void tst_Navigator::helpAndTutorial()
{
    TestSeams seams;
    Global::isDocDBValid = true;
    Global::mainDatabasePath = seams.path("main.db");
    Navigator nav;
    QString helpText;
    nav.setDialogRunner([&](QDialog& d) {
        if (auto* help = qobject_cast<MainHelpDialog*>(&d))
            helpText = help->browser()->toPlainText();
        return 0;
    });
    nav.navigate("event:MAIN_HELP");
    QVERIFY(helpText.contains("month-end"));
    QVERIFY(seams.prompter.messages.isEmpty());

    Global::tutorialPath = seams.path("Tutorial/CorvantisHelp.pdf");
    nav.navigate("event:MAIN_TUTORIAL");
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Application Error"));
    QVERIFY(seams.opener.opened.isEmpty());
    QDir().mkpath(seams.path("Tutorial"));
    TestDb::textFile(seams.path("Tutorial"), "CorvantisHelp.pdf", "%PDF-1.4");
    nav.navigate("event:MAIN_TUTORIAL");
    QCOMPARE(seams.opener.opened, QStringList{Global::tutorialPath});
}

void tst_Navigator::pageLinksAreCommands()
{
    // Every command has its link on the page, and every link of the page is a command.
    QFile page(QStringLiteral(CORVANTIS_HTML_DIR) + "/navigator.html");
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QStringList linked;
    auto it = QRegularExpression(R"re(href="([^"]*)")re").globalMatch(html);
    while (it.hasNext()) {
        const auto word = NavigatorCommands::commandOf(it.next().captured(1));
        QVERIFY(word);
        QVERIFY2(NavigatorCommands::words().contains(*word), qPrintable(*word));
        linked << *word;
    }
    linked.removeDuplicates();
    QCOMPARE(linked.size(), NavigatorCommands::words().size());
    QVERIFY(!html.contains("<script", Qt::CaseInsensitive));
}

void tst_Navigator::clickedLinkKeepsItsSpelling()
{
    TestSeams seams;
    Global::isDocDBValid = true;
    Global::mainDatabasePath = seams.path("main.db");
    Navigator nav;
    recordInto(nav);
    nav.resize(600, 400);
    nav.show();
    QVERIFY(QTest::qWaitForWindowExposed(&nav));
    // A click on a link runs the command the page wrote; the marker in upper case is no command.
    const auto clickFirstLink = [&](const QString& href) {
        nav.page()->setHtml(QStringLiteral("<p><a href=\"%1\">Go there now</a></p>").arg(href));
        QTextCursor c(nav.page()->document());
        c.setPosition(3);
        const QPoint at = nav.page()->cursorRect(c).center();
        QTest::mouseClick(nav.page()->viewport(), Qt::LeftButton, {}, at);
    };
    clickFirstLink("event:summary_report?from=page");
    QCOMPARE(ranCommands(), QStringList{"SUMMARY_REPORT"});
    clickFirstLink("EVENT:EXIT_PROGRAM");
    QCOMPARE(ranCommands(), QStringList{"SUMMARY_REPORT"});
    QVERIFY(!seams.exits.ended());
}

void tst_Navigator::missingPages()
{
    TestSeams seams;
    AppPages::setFolder(seams.path("nowhere"));
    Global::isDocDBValid = true;
    Global::mainDatabasePath = seams.path("main.db");
    {
        Navigator nav; // the window opens anyway, with the commands as plain links
        QCOMPARE(seams.prompter.messages.size(), 1);
        QVERIFY(seams.prompter.lastText().startsWith("Error :"));
        QVERIFY(seams.prompter.lastText().contains("navigator.html"));
        QVERIFY(nav.page()->toHtml().contains("event:EXIT_PROGRAM"));
        seams.prompter.clear();
        QString helpText;
        nav.setDialogRunner([&](QDialog& d) {
            helpText = static_cast<MainHelpDialog&>(d).browser()->toPlainText();
            return 0;
        });
        nav.navigate("event:MAIN_HELP");
        QVERIFY(seams.prompter.lastText().contains("main_help.html"));
        QVERIFY(helpText.contains("not installed"));
    }
    AppPages::setFolder(QStringLiteral(CORVANTIS_HTML_DIR));
}

void tst_Navigator::anotherLogin_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("wrong password") << "wrong password";
    QTest::newRow("user unknown there") << "unknown user";
    QTest::newRow("chosen file removed") << "missing file";
    QTest::newRow("left open, navigator used") << "left open";
    if (!TestDb::onServer()) // a server database's name has no picker
        QTest::newRow("picker cancelled") << "cancelled";
    if (TestDb::onServer()) // a name that would log in if the driver read its setting as two
        QTest::newRow("password smuggled into a setting") << "smuggled";
}

void tst_Navigator::anotherLogin()
{
    QFETCH(QString, how);
    TestSeams seams;
    TwoFiles files(seams, "admin", "other");
    frmLogin& login = files.login;
    Navigator& nav = files.nav;
    QCOMPARE(Global::mainDatabasePath, files.first);
    QCOMPARE(nav.statusText(), "Connected: " + QDir::toNativeSeparators(files.first));
    const QString firstConnection = Global::getConnection().databaseName();
    const qint64 firstSession = serverSession();

    seams.prompter.clear();
    files.changeDatabase(seams.chooser, how == "cancelled" ? QString() : files.second);
    QCOMPARE(login.isVisible(), how != "cancelled");
    if (how != "cancelled") {
        QCOMPARE(login.mainDatabasePath(), files.second);
        QVERIFY(!login.findChild<QPushButton*>("Command1")->isVisible()); // a new file: log in or end
        QVERIFY(login.findChild<QLineEdit*>("txtPassword")->text().isEmpty());
    }
    if (how == "wrong password" || how == "unknown user" || how == "missing file") {
        if (how == "missing file")
            TestDb::remove(files.second);
        files.logIn({}, how == "unknown user" ? "nobody" : "admin", "admin");
        QCOMPARE(seams.prompter.messages.size(), 1);
        QVERIFY(login.isVisible());
    }
    if (how == "smuggled") {
        files.logIn(files.second + "?sslmode=disable;password=secret", "admin", "other");
        QCOMPARE(seams.prompter.messages.size(), 1);
        QVERIFY(!seams.prompter.lastText().contains("secret"));
        QVERIFY(login.isVisible());
    }
    if (how == "left open") { // the navigator goes on with the file it is connected to
        PreviewRecorder previews;
        nav.setDialogRunner(answerDate("01/31/2024", "OKButton"));
        nav.navigate("event:SUMMARY_REPORT");
        QCOMPARE(previews.previews, 1);
    }
    // Nothing of the chosen file is in use before a login to it succeeds.
    QCOMPARE(Global::mainDatabasePath, files.first);
    QCOMPARE(Global::getConnection().databaseName(), firstConnection);
    QVERIFY(Db::isOpen(files.first));
    QCOMPARE(serverSession(), firstSession);
    QVERIFY(sessionLives(firstSession) || !TestDb::onServer());
    QCOMPARE(mainDatabaseSetting(), files.first);
    QCOMPARE(Global::reportName, QStringLiteral("First Admin"));
    QVERIFY(Global::isAdminUser);
    QCOMPARE(Global::permission, Global::PermissionApprove);
    QCOMPARE(nav.statusText(), "Connected: " + QDir::toNativeSeparators(files.first));
    QVERIFY(!seams.exits.ended());
}

void tst_Navigator::anotherLoginSucceeds()
{
    TestSeams seams;
    TwoFiles files(seams, "pat", "pat");
    Global::selectedGLAcctID = 7; // an account of the first file
    const qint64 firstSession = serverSession();

    files.changeDatabase(seams.chooser, files.second);
    files.logIn({}, "pat", "pat");
    QVERIFY(!files.login.isVisible());
    // The first file's connection is closed, on the server its session ended.
    QVERIFY(!Db::isOpen(files.first));
    QTRY_VERIFY(!sessionLives(firstSession));
    QCOMPARE(Global::mainDatabasePath, files.second);
    QVERIFY(Global::getConnection().databaseName().contains("second"));
    QCOMPARE(mainDatabaseSetting(), files.second);
    QCOMPARE(Global::userName, QStringLiteral("pat"));
    QVERIFY(!Global::isAdminUser);
    QCOMPARE(Global::selectedGLAcctID, 0);
    QCOMPARE(files.nav.statusText(), "Connected: " + QDir::toNativeSeparators(files.second));
}

void tst_Navigator::databaseCommand_data()
{
    // What the main-database field holds when the command runs; the picker answers with it.
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("picker");      // the file picker is offered
    QTest::addColumn<bool>("credentials"); // the user name and password show
    QTest::newRow("server database") << "postgresql://corvantis@db.example/books" << false << true;
    QTest::newRow("file") << "/data/books.db" << true << true;
    QTest::newRow("too short for a file") << "a.db" << false << false;
}

// The login window comes back with its way back to the navigator; a file is picked first, a
// server database's name stands as it is. Wherever the window was left, it comes back whole on
// the screen, placed as at start-up.
void tst_Navigator::databaseCommand()
{
    QFETCH(QString, field);
    QFETCH(bool, picker);
    QFETCH(bool, credentials);
    TestSeams seams;
    Global::isDocDBValid = true;
    Global::mainDatabasePath = seams.path("logged-in.db"); // a session to go back to
    frmLogin login;
    Navigator nav;
    modMain::connectLogin(login, [&]() -> Navigator& { return nav; });
    nav.setOnDatabaseLocation([&] { login.showForAnotherLogin(); });
    login.findChild<QLineEdit*>("txtDBNAME")->setText(field);
    login.show();
    const QRect area = login.screen()->availableGeometry();
    const QPoint centre = login.frameGeometry().center();
    QVERIFY(area.contains(login.frameGeometry()));
    login.hide();
    login.move(area.left(), area.bottom() - 20); // as a window manager may leave it

    seams.chooser.answers = {field}; // the same file chosen again
    nav.navigate("event:DB_LOCATION");
    QCOMPARE(seams.chooser.titles, picker ? QStringList{"Open Reconciliations Database"} : QStringList{});
    QVERIFY(login.isVisible());
    QCOMPARE(login.mainDatabasePath(), field);
    QCOMPARE(login.findChild<QWidget*>("frLogin")->isVisible(), credentials);
    QVERIFY(area.contains(login.frameGeometry()));
    QVERIFY((login.frameGeometry().center() - centre).manhattanLength() <= 1 || !credentials);
    QTest::mouseClick(login.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(!login.isVisible());
    QVERIFY(nav.isVisible());
}

QTEST_MAIN(tst_Navigator)
#include "tst_navigator.moc"
