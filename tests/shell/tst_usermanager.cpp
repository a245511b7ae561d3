#include "adminsession.h"
#include "frmusermanager.h"
#include "passwordhash.h"
#include "userstore.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

// The user manager: what an administrator and anyone else may change, passwords hashed and never
// shown, the user the window shows as the one acted on, and an administrator always left.
class tst_UserManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addUser_data();
    void addUser();
    void adminEditsUser_data();
    void adminEditsUser();
    void sameName_data();
    void sameName();
    void nameLimitCountsCharacters();
    void longStoredNameKept();
    void deleteActsOnShownUser();
    void administratorsStay_data();
    void administratorsStay();
    void staleUser_data();
    void staleUser();
    void newUserRole_data();
    void newUserRole();
    void singleRole();
    void userChangesOwnPassword();
    void ownPasswordOverAdministratorsReset();
    void nameTakenMeanwhileIsListed();
};

namespace {

void pick(frmUserManager& w, const QString& name)
{
    auto* list = child<QTreeWidget>(w, "lstViewUsers");
    const auto items = list->findItems(name, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(name));
    emit list->itemDoubleClicked(items.first(), 0);
}

void fill(frmUserManager& w, const QString& name, const QString& password, const QString& fullName,
          const char* right = "OptPrepare")
{
    child<QLineEdit>(w, "txtUserName")->setText(name);
    child<QLineEdit>(w, "txtPassword")->setText(password);
    child<QLineEdit>(w, "txtRptName")->setText(fullName);
    if (right)
        child<QRadioButton>(w, right)->setChecked(true);
}

void click(frmUserManager& w, const char* button)
{
    child<QPushButton>(w, button)->click();
}

QString storedPassword(const AdminSession& s, const QString& name)
{
    return s.value(QStringLiteral("SELECT Password FROM Users WHERE UserName = ?"), {name}).toString();
}

} // namespace

void tst_UserManager::addUser_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("stored");
    QTest::newRow("quote kept literally") << "O'Brien" << "pw1" << "Pat O'Brien" << "User Created successfully." << true;
    QTest::newRow("SQL text kept literally") << "a\";DROP--" << "pw2" << "X" << "User Created successfully." << true;
    QTest::newRow("password longer than the name") << "longpass" << QString(40, u'p') + "!" << "Long Pass"
                                                   << "User Created successfully." << true;
    QTest::newRow("name of another in other case and blanks")
        << "Preparer " << "pw" << "Someone" << "User Preparer  already exists in the system." << false;
    QTest::newRow("no password for a new user")
        << "newbie" << "" << "New Bie" << "Please enter the following fields.\n     -  Password\n" << false;
    QTest::newRow("zero-width space alone")
        << "\u200B" << "pw" << "Nobody" << "Please enter the following fields.\n     -  UserName\n" << false;
    QTest::newRow("Hangul filler alone")
        << "\u3164" << "pw" << "Nobody" << "Please enter the following fields.\n     -  UserName\n" << false;
    QTest::newRow("control character")
        << "new\u0001bie" << "pw" << "New Bie" << "Please enter a User Name without control characters." << false;
    QTest::newRow("wide and no-break blanks around") << "\u3000newbie\u00A0" << "pw" << "New Bie"
                                                     << "User Created successfully." << true;
    QTest::newRow("every field empty")
        << "" << "" << ""
        << "Please enter the following fields.\n     -  UserName\n     -  Password\n     -  Full Name\n" << false;
}

void tst_UserManager::addUser()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, fullName);
    QFETCH(QString, message);
    QFETCH(bool, stored);
    AdminSession s;
    frmUserManager w;
    click(w, "btnAddnew");
    QVERIFY(w.isNewUser());
    QVERIFY2(!child<QPushButton>(w, "btnDelete")->isEnabled(), "a user not saved yet cannot be deleted");
    QCOMPARE(child<QComboBox>(w, "cmbRole")->currentText(), QStringLiteral("USER")); // the ordinary role
    QCOMPARE(child<QLineEdit>(w, "txtPassword")->echoMode(), QLineEdit::Password);
    fill(w, name, password, fullName);
    QCOMPARE(child<QLineEdit>(w, "txtPassword")->text(), password); // taken whole, never cut
    click(w, "btnSave");

    QCOMPARE(s.seams.prompter.texts(), QStringList{message});
    QCOMPARE(s.count("Users"), stored ? 4 : 3);
    if (!stored) {
        QCOMPARE(child<QLineEdit>(w, "txtUserName")->text(), name); // kept for correcting
        return;
    }
    const QString hash = storedPassword(s, name.trimmed()); // stored without the blanks around it
    QVERIFY(PasswordHash::isHashed(hash));
    QVERIFY(PasswordHash::verify(password, hash));
    QVERIFY(child<QTreeWidget>(w, "lstViewUsers")->findItems(name.trimmed(), Qt::MatchExactly).size() == 1);
    QVERIFY(Global::validateLogin(s.mainPath, name, password));
}

void tst_UserManager::adminEditsUser_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("rename");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty password keeps the stored one") << "" << "reviewer" << "User information updated successfully.";
    QTest::newRow("new password") << "fresh" << "reviewer" << "User information updated successfully.";
    QTest::newRow("own name in other case") << "" << "REVIEWER" << "User information updated successfully.";
    QTest::newRow("another user's name") << "" << "Admin" << "User Admin already exists in the system.";
}

void tst_UserManager::adminEditsUser()
{
    QFETCH(QString, password);
    QFETCH(QString, rename);
    QFETCH(QString, message);
    AdminSession s;
    const QString before = storedPassword(s, "reviewer");
    frmUserManager w;
    pick(w, "reviewer");
    QCOMPARE(w.shownUserId(), qint64(3));
    QVERIFY2(child<QLineEdit>(w, "txtPassword")->text().isEmpty(), "a stored password is never shown");
    QCOMPARE(child<QLineEdit>(w, "txtRptName")->text(), QStringLiteral("Robin Chen"));
    QVERIFY(child<QRadioButton>(w, "OptReview")->isChecked());
    child<QLineEdit>(w, "txtUserName")->setText(rename);
    child<QLineEdit>(w, "txtPassword")->setText(password);
    child<QRadioButton>(w, "OptApprove")->setChecked(true);
    click(w, "btnSave");

    QCOMPARE(s.seams.prompter.texts(), QStringList{message});
    const bool refused = message.contains("already exists");
    QCOMPARE(s.value("SELECT UserName FROM Users WHERE UserId = 3").toString(), refused ? "reviewer" : rename);
    QCOMPARE(s.value("SELECT ChkApprovedBy FROM Users WHERE UserId = 3").toInt(), refused ? 0 : 1);
    QCOMPARE(Global::userName, QStringLiteral("admin")); // another user's change leaves the session alone
    const QString after = s.value("SELECT Password FROM Users WHERE UserId = 3").toString();
    if (password.isEmpty())
        QCOMPARE(after, before);
    else
        QVERIFY(Global::validateLogin(s.mainPath, "reviewer", password));
}

void tst_UserManager::sameName_data()
{
    // A user named `stored` is there: adding `typed`, renaming another to it and logging in as it agree.
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("same");
    QTest::newRow("accented, other case") << "ärger" << "ÄRGER" << true;
    QTest::newRow("sharp s") << "Straße" << "STRASSE" << true;
    QTest::newRow("surrounding blanks") << "maria" << "  MARIA " << true;
    QTest::newRow("accent composed or typed apart") << "José" << "JOSE\u0301" << true;
    QTest::newRow("zero-width space") << "maria" << "ma\u200Bria" << true;
    QTest::newRow("Hangul filler after") << "maria" << "maria\u3164" << true;
    QTest::newRow("dotless i is not i") << "Isık" << "Isik" << false;
    QTest::newRow("accent differs") << "ärger" << "arger" << false;
    QTest::newRow("inner blank") << "ma ria" << "maria" << false;
}

void tst_UserManager::sameName()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, same);
    AdminSession s;
    const qint64 id = TestDb::addPlainUser(s.mainPath, stored, "pw1");
    frmUserManager w;
    click(w, "btnAddnew");
    fill(w, typed, "pw2", "New User");
    click(w, "btnSave");
    QCOMPARE(s.count("Users"), same ? id : id + 1);
    Db::exec(s.db(), "DELETE FROM Users WHERE UserId > ?", {id}); // only the insert was asked about
    pick(w, "reviewer");
    child<QLineEdit>(w, "txtUserName")->setText(typed);
    click(w, "btnSave");
    QCOMPARE(s.value("SELECT UserName FROM Users WHERE UserId = 3").toString(), same ? "reviewer" : typed);
    QCOMPARE(s.seams.prompter.texts().count(UserStore::nameTakenMessage(typed)), same ? 2 : 0);
    QCOMPARE(Global::validateLogin(s.mainPath, typed, "pw1"), same);
}

void tst_UserManager::nameLimitCountsCharacters()
{
    AdminSession s;
    frmUserManager w;
    click(w, "btnAddnew");
    auto* box = child<QLineEdit>(w, "txtUserName");
    for (char32_t letter = 0x10400; letter < 0x10410; ++letter) // 16 letters outside the basic plane
        box->insert(QString::fromUcs4(&letter, 1));
    QCOMPARE(box->text().size(), 30);                 // the first 15, each whole (two UTF-16 units)
    QCOMPARE(box->text().toUcs4().constLast(), 0x1040Eu);
}

void tst_UserManager::longStoredNameKept()
{
    AdminSession s;
    const QString longName = QStringLiteral("reviewer-of-accounts"); // stored before names were limited
    Db::exec(s.db(), "UPDATE Users SET UserName = ? WHERE UserId = 3", {longName});
    frmUserManager w;
    pick(w, longName);
    click(w, "btnSave");
    QCOMPARE(s.value("SELECT UserName FROM Users WHERE UserId = 3").toString(), longName);
}

void tst_UserManager::deleteActsOnShownUser()
{
    AdminSession s;
    frmUserManager w;
    pick(w, "preparer");
    s.seams.prompter.answers = {Prompter::No};
    click(w, "btnDelete");
    QCOMPARE(s.count("Users"), 3);
    s.seams.prompter.answers = {Prompter::Yes};
    click(w, "btnDelete");
    QCOMPARE(s.seams.prompter.lastText(), QStringLiteral("User successfully deleted"));
    QCOMPARE(s.value("SELECT count(*) FROM Users WHERE UserId = 2").toInt(), 0);
    QCOMPARE(s.value("SELECT count(*) FROM Users WHERE UserId = 1").toInt(), 1); // not the logged-in one
    QVERIFY(!child<QPushButton>(w, "btnDelete")->isEnabled());
    QVERIFY(child<QPushButton>(w, "btnAddnew")->isEnabled());

    // Save with nobody shown changes nothing and says why.
    s.seams.prompter.clear();
    fill(w, "ghost", "pw", "Ghost");
    click(w, "btnSave");
    QCOMPARE(s.count("Users"), 2);
    QVERIFY(s.seams.prompter.lastText().contains("no user to save"));
}

void tst_UserManager::administratorsStay_data()
{
    QTest::addColumn<bool>("remove");
    QTest::addColumn<QString>("loggedInId");
    QTest::addColumn<QString>("message");
    QTest::newRow("delete himself") << true << "1" << "You cannot delete the user you are logged in as.";
    QTest::newRow("demote himself") << false << "1"
                                    << "You cannot take the Administrator role from the user you are logged in as.";
    QTest::newRow("delete the last administrator as a plain user")
        << true << "2" << "You no longer have the right to manage the users";
    QTest::newRow("demote the last administrator as a plain user")
        << false << "2" << "You no longer have the right to manage the users";
}

void tst_UserManager::administratorsStay()
{
    QFETCH(bool, remove);
    QFETCH(QString, loggedInId);
    QFETCH(QString, message);
    AdminSession s;
    Global::userID = loggedInId; // the administrator seen from a session that is not his
    frmUserManager w;
    pick(w, "admin");
    child<QComboBox>(w, "cmbRole")->setEditText("USER");
    s.seams.prompter.answers = {Prompter::Yes};
    click(w, remove ? "btnDelete" : "btnSave");
    QVERIFY2(s.seams.prompter.lastText().startsWith(message), qPrintable(s.seams.prompter.lastText()));
    QCOMPARE(s.value("SELECT Role FROM Users WHERE UserId = 1").toString(), QStringLiteral("Administrator"));
}

void tst_UserManager::staleUser_data()
{
    QTest::addColumn<bool>("remove");
    QTest::addColumn<QString>("password"); // typed before saving
    QTest::addColumn<QString>("theirs");   // another administrator's change, after the pick
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("left"); // the reviewer's row afterwards
    const QString deleted = "DELETE FROM Users WHERE UserId = 3";
    const QString promoted = "UPDATE Users SET UserName = 'auditlead', Role = 'Administrator' WHERE UserId = 3";
    const QString reset = "UPDATE Users SET Password = 'reset' WHERE UserId = 3";
    const QString gone = "User reviewer was deleted by another user after you opened it";
    const QString changed = "User reviewer was changed by another user";
    QTest::newRow("save a deleted user") << false << "" << deleted << gone << "";
    QTest::newRow("delete a deleted user") << true << "" << deleted << gone << "";
    QTest::newRow("delete a changed user") << true << "" << promoted << changed << "auditlead|Administrator|";
    QTest::newRow("password over another's password") << false << "pwB" << reset << changed << "reviewer|USER|reset";
}

void tst_UserManager::staleUser()
{
    QFETCH(bool, remove);
    QFETCH(QString, password);
    QFETCH(QString, theirs);
    QFETCH(QString, message);
    QFETCH(QString, left);
    AdminSession s;
    frmUserManager w;
    pick(w, "reviewer");
    child<QLineEdit>(w, "txtPassword")->setText(password);
    Db::exec(Db::open(s.mainPath, "other administrator"), theirs);
    s.seams.prompter.answers = {Prompter::Yes};
    click(w, remove ? "btnDelete" : "btnSave");
    QVERIFY2(s.seams.prompter.lastText().contains(message), qPrintable(s.seams.prompter.lastText()));
    QCOMPARE(s.value("SELECT UserName || '|' || Role || '|' || CASE WHEN Password = 'reset' THEN Password ELSE '' "
                     "END FROM Users WHERE UserId = 3")
                 .toString(),
             left);
}

void tst_UserManager::newUserRole_data()
{
    // The administrator role comes first, the others by name; with the tutorial's two alone
    // addUser holds it.
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<bool>("keepUser");
    QTest::addColumn<QString>("offered");
    QTest::newRow("a role sorting before Administrator") << QStringList{"Admin Assistant"} << true << "USER";
    QTest::newRow("a role sorting after it") << QStringList{"Auditor"} << true << "USER";
    QTest::newRow("no ordinary role") << QStringList{"Auditor"} << false << "";
}

void tst_UserManager::newUserRole()
{
    QFETCH(QStringList, added);
    QFETCH(bool, keepUser);
    QFETCH(QString, offered);
    AdminSession s;
    for (const QString& role : added)
        Db::exec(s.db(), "INSERT INTO SystemType (SystemType, Value) VALUES ('ROLE', ?)", {role});
    if (!keepUser)
        Db::exec(s.db(), "DELETE FROM SystemType WHERE SystemType = 'ROLE' AND Value = 'USER'");
    frmUserManager w;
    QCOMPARE(child<QComboBox>(w, "cmbRole")->itemText(0), UserStore::administratorRole());
    click(w, "btnAddnew");
    QCOMPARE(child<QComboBox>(w, "cmbRole")->currentText(), offered);
    fill(w, "newbie", "pw", "New Bie");
    click(w, "btnSave");
    if (offered.isEmpty()) {
        QCOMPARE(s.seams.prompter.lastText(), QStringLiteral("Please enter the following fields.\n     -  Role\n"));
        QCOMPARE(s.count("Users"), 3);
    } else {
        QCOMPARE(s.value("SELECT Role FROM Users WHERE UserName = 'newbie'").toString(), offered);
    }
}

void tst_UserManager::singleRole()
{
    AdminSession s;
    Db::exec(s.db(), "DELETE FROM SystemType WHERE SystemType = 'ROLE' AND Value = 'USER'");
    Db::exec(s.db(), "UPDATE Users SET Role = 'admin' WHERE UserId = 3");
    frmUserManager w;
    pick(w, "reviewer");
    QCOMPARE(child<QComboBox>(w, "cmbRole")->currentText(), QStringLiteral("Administrator")); // "admin" as shown
}

void tst_UserManager::userChangesOwnPassword()
{
    AdminSession s(QStringLiteral("PREPARER")); // typed in upper case at login
    QVERIFY(!Global::isAdminUser);
    frmUserManager w;
    QVERIFY(child<QLineEdit>(w, "txtUserName")->isReadOnly());
    QCOMPARE(child<QLineEdit>(w, "txtUserName")->text(), QStringLiteral("preparer"));
    QVERIFY(child<QLineEdit>(w, "txtPassword")->text().isEmpty());
    QVERIFY(!child<QPushButton>(w, "btnDelete")->isEnabled());
    QVERIFY(!child<QPushButton>(w, "btnAddnew")->isEnabled());
    QVERIFY(!child<QComboBox>(w, "cmbRole")->isEnabled());
    QCOMPARE(child<QTreeWidget>(w, "lstViewUsers")->topLevelItemCount(), 0);

    click(w, "btnSave");
    QCOMPARE(s.seams.prompter.texts(), QStringList{"Password is a required field!"});
    QCOMPARE(w.result(), 0);

    child<QLineEdit>(w, "txtPassword")->setText("n3w");
    click(w, "btnSave");
    QCOMPARE(s.seams.prompter.lastText(), QStringLiteral("User information updated successfully."));
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(s.value("SELECT UserName || '|' || Role || '|' || rptname || ChkPreparedBy FROM Users WHERE UserId = 2")
                 .toString(),
             QStringLiteral("preparer|USER|Pat Rivera1"));
    QVERIFY(!Global::validateLogin(s.mainPath, "preparer", "preparer"));
    QVERIFY(Global::validateLogin(s.mainPath, "preparer", "n3w"));
}

// The user's own window saves his password over the one it found: an administrator's reset since
// stays, and the window stays open to say so.
void tst_UserManager::ownPasswordOverAdministratorsReset()
{
    AdminSession s(QStringLiteral("preparer"));
    frmUserManager w;
    Db::exec(Db::open(s.mainPath, "administrator"), "UPDATE Users SET Password = 'reset' WHERE UserId = 2");
    child<QLineEdit>(w, "txtPassword")->setText("n3w");
    click(w, "btnSave");
    QVERIFY2(s.seams.prompter.lastText().startsWith("User preparer was changed by another user"),
             qPrintable(s.seams.prompter.lastText()));
    QCOMPARE(w.result(), 0);
    QCOMPARE(storedPassword(s, "preparer"), QStringLiteral("reset"));
}

// A name another administrator took after the window was filled is refused, and the list then
// shows his user.
void tst_UserManager::nameTakenMeanwhileIsListed()
{
    AdminSession s;
    frmUserManager w;
    QVERIFY(UserStore::insert({0, "Sam", "Sam Ortiz", "USER", UserAccount::Right::Review, {}, {}}, "pw") > 0);
    click(w, "btnAddnew");
    fill(w, "sam", "pw2", "Sam Other");
    click(w, "btnSave");
    QCOMPARE(s.seams.prompter.lastText(), QStringLiteral("User sam already exists in the system."));
    QCOMPARE(child<QTreeWidget>(w, "lstViewUsers")->findItems("Sam", Qt::MatchExactly).size(), 1);
    QCOMPARE(child<QLineEdit>(w, "txtRptName")->text(), QStringLiteral("Sam Other")); // what was typed stays
}

QTEST_MAIN(tst_UserManager)
#include "tst_usermanager.moc"
