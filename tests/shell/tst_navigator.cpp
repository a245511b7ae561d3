#include "datebox.h"
#include "db.h"
#include "frmlogin.h"
#include "global.h"
#include "navigator.h"
#include "printtarget.h"
#include "recdateselectdialog.h"
#include "recorders.h"
#include "testdb.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// The navigator's command words, its gate, the date picker and the commands that open windows.
class tst_Navigator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commandWords_data();
    void commandWords();
    void gateAdmitsOnlyAdministration();
    void commandsNotBuiltYetSayIt();
    void datePicker_data();
    void datePicker();
    void invalidDateIsReported();
    void summaryReportOpensModeless();
    void commandErrorKeepsNavigator();
    void failedReloginKeepsSession();
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
std::function<int(QDialog&)> answerDate(const QString& date, const char* button)
{
    return [=](QDialog& d) {
        if (auto* box = d.findChild<QLineEdit*>("dtpRecDate"))
            box->setText(date);
        if (button)
            if (auto* b = d.findChild<QPushButton*>(button))
                b->click();
        return d.result();
    };
}

} // namespace

void tst_Navigator::commandWords_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("command");
    QTest::newRow("plain") << "event:PREPARE_REC" << "PREPARE_REC";
    QTest::newRow("lower case with query") << "about:blank/event:summary_report?x=1" << "SUMMARY_REPORT";
    QTest::newRow("marker in upper case is no command") << "EVENT:EXIT_PROGRAM" << "-";
    QTest::newRow("no marker") << "http://example.invalid/page.html" << "-";
}

void tst_Navigator::commandWords()
{
    QFETCH(QString, address);
    QFETCH(QString, command);
    const auto got = Navigator::commandOf(address);
    QCOMPARE(got.value_or("-"), command);
}

void tst_Navigator::gateAdmitsOnlyAdministration()
{
    TestSeams seams;
    Navigator nav;
    Global::isDocDBValid = false;
    QVERIFY(nav.navigate("event:EXIT_PROGRAM"));
    QCOMPARE(seams.prompter.texts(), QStringList{Navigator::gateMessage()});
    QVERIFY(!seams.exits.ended());
    QVERIFY(nav.navigate("event:APP_SETUP"));
    QCOMPARE(seams.prompter.lastText(), Navigator::notAvailableMessage()); // admitted
    QVERIFY(!nav.navigate("page.html"));
    Global::isDocDBValid = true;
    nav.navigate("event:EXIT_PROGRAM");
    QVERIFY(seams.exits.ended());
}

void tst_Navigator::commandsNotBuiltYetSayIt()
{
    TestSeams seams;
    Global::isDocDBValid = true;
    Navigator nav;
    for (const QString c : {"PREPARE_REC", "REC_REVIEW", "ACC_SETUP"}) {
        seams.prompter.clear();
        nav.navigate("event:" + c);
        QCOMPARE(seams.prompter.texts(), QStringList{Navigator::notAvailableMessage()});
    }
    // The balances command asks for its date first; cancelled, it says nothing.
    seams.prompter.clear();
    nav.setDialogRunner(answerDate("01/31/2024", nullptr));
    nav.navigate("event:BALANCES");
    QVERIFY(seams.prompter.messages.isEmpty());
    nav.setDialogRunner(answerDate("01/31/2024", "OKButton"));
    nav.navigate("event:BALANCES");
    QCOMPARE(seams.prompter.texts(), QStringList{Navigator::notAvailableMessage()});
    nav.navigate("event:NO_SUCH_WORD");
    QCOMPARE(seams.prompter.messages.size(), 1);
}

void tst_Navigator::datePicker_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("approved");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("filter");
    QTest::newRow("all accounts") << "1/31/2024" << "OKButton" << true << "01/31/2024" << "All Accounts";
    QTest::newRow("digits only") << "022824" << "btnActiveAccts" << true << "02/28/2024" << "Active Accounts";
    QTest::newRow("key control") << "02/29/2024" << "btnKeyCtrlAccts" << true << "02/29/2024" << "Key Control Accounts";
    QTest::newRow("empty stays open") << "" << "OKButton" << false << "" << "";
    QTest::newRow("impossible date stays open") << "02/30/2024" << "OKButton" << false << "" << "";
}

void tst_Navigator::datePicker()
{
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(bool, approved);
    QFETCH(QString, date);
    QFETCH(QString, filter);
    TestSeams seams;
    RecDateSelectDialog d;
    QCOMPARE(d.findChild<QLineEdit*>("dtpRecDate")->text(), QStringLiteral("02/29/2024")); // today 03/15/2024
    d.findChild<QLineEdit*>("dtpRecDate")->setText(typed);
    d.findChild<QPushButton*>(button)->click();
    QCOMPARE(d.isApproved(), approved);
    if (approved)
        QCOMPARE(d.getSelectedDate(), date);
    QCOMPARE(Global::accountFilter, filter);
    QVERIFY(seams.prompter.messages.isEmpty());
}

void tst_Navigator::invalidDateIsReported()
{
    TestSeams seams;
    RecDateSelectDialog d;
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    auto* box = d.findChild<DateBox*>("dtpRecDate");
    box->setFocus();
    box->setText(QString());
    QTest::keyClicks(box, "13a4/2024"); // the letter is refused
    QCOMPARE(box->text(), QStringLiteral("134/2024"));
    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(seams.prompter.lastText(),
             QStringLiteral("Date entered is invalid, Please enter a valid date in MMDDYYYY format."));
    QCOMPARE(box->text(), QStringLiteral("134/2024")); // kept as typed

    // Pasted letters are refused like typed ones; Cancel with an invalid date closes quietly.
    box->setFocus();
    box->selectAll();
    box->insert("ab");
    QCOMPARE(box->text(), QStringLiteral("134/2024"));
    box->end(false);
    QTest::keyClicks(box, "99");
    seams.prompter.clear();
    QTest::mouseClick(d.findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
    QVERIFY(seams.prompter.messages.isEmpty());
    QVERIFY(!d.isApproved());

    // The calendar puts the chosen day into the box.
    box->showCalendar();
    auto* calendar = box->findChild<QCalendarWidget*>("calendarPopup");
    QVERIFY(calendar);
    Q_EMIT calendar->clicked(QDate(2024, 1, 31));
    QCOMPARE(box->text(), QStringLiteral("01/31/2024"));
}

void tst_Navigator::summaryReportOpensModeless()
{
    TestSeams seams;
    PreviewRecorder previews;
    Global::mainDatabasePath = TestDb::emptyMain(seams.folder());
    Global::isDocDBValid = true;
    Navigator nav;
    nav.setDialogRunner(answerDate("01/31/2024", "btnActiveAccts"));
    nav.navigate("event:SUMMARY_REPORT");
    QCOMPARE(previews.previews, 1);
    QCOMPARE(Global::accountFilter, QStringLiteral("Active Accounts"));
    QCOMPARE(Global::getCurrentRecDate(), QStringLiteral("01/31/2024"));
    nav.setDialogRunner(answerDate("01/31/2024", nullptr)); // cancelled: nothing opens
    nav.navigate("event:SUMMARY_REPORT");
    QCOMPARE(previews.previews, 1);
}

void tst_Navigator::commandErrorKeepsNavigator()
{
    TestSeams seams;
    PreviewRecorder previews;
    Global::mainDatabasePath = TestDb::emptyMain(seams.folder());
    Db::exec(Global::getConnection(), "DROP TABLE GLAccountBalance");
    Global::isDocDBValid = true;
    Navigator nav;
    nav.setDialogRunner(answerDate("01/31/2024", "OKButton"));
    nav.navigate("event:SUMMARY_REPORT");
    QCOMPARE(seams.prompter.messages.size(), 1);
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Corvantis"));
    QCOMPARE(previews.previews, 0); // a report that failed to build is not shown
    QVERIFY(!seams.exits.ended());
    nav.navigate("event:MAIN_TUTORIAL"); // still working
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Application Error"));
}

void tst_Navigator::failedReloginKeepsSession()
{
    TestSeams seams;
    const QString first = TestDb::emptyMain(seams.folder(), "first.db");
    TestDb::addPlainUser(first, "admin", "admin", "Administrator");
    const QString second = TestDb::emptyMain(seams.folder(), "second.db");
    TestDb::addPlainUser(second, "admin", "other", "User");
    QVERIFY(Global::validateLogin(first, "admin", "admin"));

    frmLogin login;
    seams.chooser.answers = {second};
    login.showForAnotherLogin();
    QVERIFY(login.isVisible());
    QCOMPARE(login.mainDatabasePath(), second);
    login.findChild<QLineEdit*>("txtUserName")->setText("admin");
    login.findChild<QLineEdit*>("txtPassword")->setText("admin"); // wrong for the second file
    login.findChild<QPushButton*>("cmdOK")->click();
    QCOMPARE(seams.prompter.lastText(), QStringLiteral("Invalid Password, try again!"));
    QCOMPARE(Global::mainDatabasePath, first);
    QVERIFY(Global::isAdminUser);

    seams.chooser.answers = {QString()}; // the picker cancelled: the window is not shown again
    frmLogin other;
    other.showForAnotherLogin();
    QVERIFY(!other.isVisible());
}

QTEST_MAIN(tst_Navigator)
#include "tst_navigator.moc"
