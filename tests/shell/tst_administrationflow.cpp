#include "adminsession.h"
#include "administrationdialog.h"
#include "company.h"
#include "loginflow.h"
#include "navigator.h"
#include "passwordhash.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

// From the navigator through the administration dialogs and back through the login: what an
// administrator and a preparer change there is what the next login finds.
class tst_AdministrationFlow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void changesReachNextLogin();
};

namespace {

void set(QDialog& d, const char* name, const QString& text)
{
    child<QLineEdit>(d, name)->setText(text);
}

void press(QDialog& d, const char* name)
{
    child<QPushButton>(d, name)->click();
}

} // namespace

void tst_AdministrationFlow::changesReachNextLogin()
{
    TestSeams seams;
    const QString mainPath = TestDb::tutorial(seams.folder());
    const QString docs = TestDb::documents(seams.folder(), "docs2.db");
    QCOMPARE(LoginFlow().login(mainPath, "admin", "admin"), LoginFlow::Outcome::LoggedIn);

    Navigator nav;
    seams.prompter.clear(); // the command page is not installed beside the tests
    QStringList opened;
    nav.setDialogRunner([&](QDialog& d) {
        opened << d.objectName();
        if (d.objectName() == "ApplicationSetupDialog") {
            set(d, "txtCompanyName", "Harbor Holdings");
            seams.chooser.answers = {docs};
            press(d, "cmdBrowser1");
            press(d, "btnCreateUsers");
            press(d, "OKButton");
        } else if (d.objectName() == "frmUserManager" && Global::isAdminUser) {
            press(d, "btnAddnew");
            set(d, "txtUserName", "carol");
            set(d, "txtPassword", "c4rol");
            set(d, "txtRptName", "Carol Diaz");
            press(d, "btnSave");
            auto* list = child<QTreeWidget>(d, "lstViewUsers");
            emit list->itemDoubleClicked(list->findItems("reviewer", Qt::MatchExactly).first(), 0);
            set(d, "txtPassword", "r3v");
            press(d, "btnSave");
            press(d, "btnDone");
        } else if (d.objectName() == "frmUserManager") {
            set(d, "txtPassword", "p4t");
            press(d, "btnSave");
        } else if (d.objectName() == "AccountManageDialog") {
            child<QTableView>(d, "grd")->setCurrentIndex(child<QTableView>(d, "grd")->model()->index(2, 0));
            press(d, "cmdAccountProperties");
            press(d, "cmdAccountAdd");
            press(d, "OKButton");
        } else if (d.objectName() == "AccountSetupDialog" && d.windowTitle() == "Account 1030") {
            set(d, "txtName", "Money Market");
            press(d, "OKButton");
        } else if (d.objectName() == "AccountSetupDialog") {
            press(d, "CancelButton"); // a new account left unsaved: nothing stored
        } else if (d.objectName() == "ApplicationSetupDialog") {
            press(d, "cmdCancel");
        }
        return d.result();
    });
    nav.navigate("event:APP_SETUP");
    nav.navigate("event:ACC_SETUP");
    QCOMPARE(opened, (QStringList{"ApplicationSetupDialog", "frmUserManager", "AccountManageDialog",
                                  "AccountSetupDialog", "AccountSetupDialog"}));
    QCOMPARE(seams.prompter.texts(), (QStringList{"User Created successfully.", "User information updated successfully."}));

    // The preparer changes his own password only.
    QCOMPARE(LoginFlow().login(mainPath, "preparer", "preparer"), LoginFlow::Outcome::LoggedIn);
    opened.clear();
    nav.setDialogRunner([&](QDialog& d) {
        opened << d.objectName();
        if (d.objectName() == "ApplicationSetupDialog")
            press(d, "btnCreateUsers");
        else
            set(d, "txtPassword", "p4t"), press(d, "btnSave");
        return d.result();
    });
    nav.navigate("event:APP_SETUP");
    QCOMPARE(opened, (QStringList{"ApplicationSetupDialog", "frmUserManager"}));

    for (const auto& [user, password] : {std::pair{"carol", "c4rol"}, {"reviewer", "r3v"}, {"preparer", "p4t"}})
        QVERIFY2(LoginFlow().login(mainPath, user, password) == LoginFlow::Outcome::LoggedIn, user);
    QCOMPARE(Global::docDBPath, docs);
    QVERIFY(Global::isDocDBValid);
    Company::reload();
    QCOMPARE(Company().getName(), QStringLiteral("Harbor Holdings"));
    QSqlDatabase db = Global::getConnection();
    QCOMPARE(Db::scalar(db, "SELECT count(*) FROM Users").toInt(), 4);
    QSqlQuery q = Db::exec(db, "SELECT Password FROM Users");
    while (q.next())
        QVERIFY(PasswordHash::isHashed(q.value(0).toString()));
    QCOMPARE(Db::scalar(db, "SELECT Role || rptname FROM Users WHERE UserName = 'preparer'").toString(),
             QStringLiteral("USERPat Rivera"));
    QCOMPARE(Db::scalar(db, "SELECT count(*) FROM GLAccountAudit WHERE glacctnbr = '1030' AND Activity = 'UPDATE' "
                            "AND name = 'Money Market' AND ActivityUser = 'admin'")
                 .toInt(),
             1);
    QCOMPARE(Db::scalar(db, "SELECT count(*) FROM GLAccount WHERE glacctnbr IS NULL OR glacctnbr = ''").toInt(), 0);
}

QTEST_MAIN(tst_AdministrationFlow)
#include "tst_administrationflow.moc"
