#include "accountsetupdialog.h"
#include "adminsession.h"
#include "glaccount.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

// The account setup dialog: a new account and an existing one, the number's uniqueness through
// the dialog, the consolidation account typed or chosen, and the warning before a change of
// reconciliation type.
class tst_AccountSetupDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newAccount_data();
    void newAccount();
    void editAccount();
    void recTypeChange_data();
    void recTypeChange();
};

namespace {

void choose(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(box->findText(text));
    emit box->activated(box->currentIndex());
}

} // namespace

void tst_AccountSetupDialog::newAccount_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("erp");
    QTest::addColumn<QString>("message"); // "" when stored
    QTest::newRow("stored") << "1060" << "Lockbox" << "C1000" << "";
    QTest::newRow("quote in the number") << "10'60" << "Lockbox" << "C1000" << "";
    QTest::newRow("ERP code not in the list") << "1061" << "Lockbox" << "Z-99" << "";
    QTest::newRow("number of another in other case") << "1010" << "Dup" << "C1000"
        << "There is already a General Ledger Account with this Account Number. Please choose a different Account Number";
    QTest::newRow("name missing") << "1062" << " " << "C1000" << "Please enter the following fields\r\n   -  Account Name\r\n";
}

void tst_AccountSetupDialog::newAccount()
{
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(QString, erp);
    QFETCH(QString, message);
    AdminSession s;
    Db::exec(s.db(), "UPDATE GLAccount SET glacctnbr = 'AB-7' WHERE glacctnbr = '1010'");
    if (number == "1010")
        number = "ab-7";
    const qint64 accounts = s.count("GLAccount");
    const qint64 audits = s.count("GLAccountAudit");
    GLAccount account;
    AccountSetupDialog d;
    d.initialize(account);
    QCOMPARE(d.windowTitle(), QStringLiteral("Account "));
    QCOMPARE(child<QLabel>(d, "lblTitle")->text(), QStringLiteral("New Account"));
    QVERIFY(child<QRadioButton>(d, "Optkeycontrolyes")->isChecked());
    QVERIFY(child<QRadioButton>(d, "Active_OptYes")->isChecked());
    QCOMPARE(child<QComboBox>(d, "cboRecType")->currentIndex(), -1);

    child<QLineEdit>(d, "txtNumber")->setText(number);
    child<QLineEdit>(d, "txtName")->setText(name);
    child<QPlainTextEdit>(d, "txtComment")->setPlainText("Swept daily");
    choose(child<QComboBox>(d, "cboAccountType"), "Asset");
    choose(child<QComboBox>(d, "cboRecType"), "Bank"); // a new account: no warning
    child<QRadioButton>(d, "OptKeyControlNo")->click();
    child<QComboBox>(d, "txtErpNumber")->setEditText(erp);
    child<QPushButton>(d, "OKButton")->click();

    QCOMPARE(s.seams.prompter.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
    QCOMPARE(d.result(), message.isEmpty() ? int(QDialog::Accepted) : 0);
    QCOMPARE(s.count("GLAccount"), message.isEmpty() ? accounts + 1 : accounts);
    if (!message.isEmpty()) {
        QCOMPARE(s.count("GLAccountAudit"), audits);
        if (message.startsWith("There is"))
            QCOMPARE(child<QLineEdit>(d, "txtNumber")->selectedText(), number);
        return;
    }
    QCOMPARE(s.value("SELECT name || '|' || comment || '|' || accountTypeCode || recTypeCode || '|' || keycontrol || "
                     "'|' || ERPNumber FROM GLAccount WHERE glacctnbr = ?",
                     {number})
                 .toString(),
             name + "|Swept daily|AC|No|" + erp);
    QCOMPARE(s.value("SELECT count(*) FROM GLAccountAudit WHERE glacctnbr = ? AND Activity = 'INSERT'", {number}).toInt(), 1);
}

void tst_AccountSetupDialog::editAccount()
{
    AdminSession s;
    GLAccount account;
    account.Load("1");
    AccountSetupDialog d;
    d.initialize(account);
    QCOMPARE(d.windowTitle(), QStringLiteral("Account 1010"));
    QCOMPARE(child<QLabel>(d, "lblTitle")->text(), QStringLiteral("1010 - Operating Cash - Coastal Federal Bank"));
    QCOMPARE(child<QComboBox>(d, "cboAccountType")->currentText(), QStringLiteral("Asset"));
    QCOMPARE(child<QComboBox>(d, "cboRecType")->currentText(), QStringLiteral("Bank"));
    QCOMPARE(child<QComboBox>(d, "txtErpNumber")->currentText(), QStringLiteral("C1000"));
    QCOMPARE(child<QLabel>(d, "lblErpNumberDesc")->text(), QStringLiteral("Cash and Cash Equivalents"));
    const qint64 statements = Db::statementCount();
    for (const QString typed : {"C", "C1", "C11", "C110"})
        child<QComboBox>(d, "txtErpNumber")->setEditText(typed);
    QCOMPARE(Db::statementCount(), statements); // the lists come from the connection's cache
    choose(child<QComboBox>(d, "txtErpNumber"), "C1100");
    QCOMPARE(child<QLabel>(d, "lblErpNumberDesc")->text(), QStringLiteral("Trade Receivables, Net"));
    child<QPushButton>(d, "OKButton")->click(); // its own number again is no duplicate
    QCOMPARE(s.seams.prompter.texts(), QStringList{});
    QCOMPARE(s.value("SELECT ERPNumber FROM GLAccount WHERE glAcctID = 1").toString(), QStringLiteral("C1100"));

    // Cancel after changes stores nothing.
    GLAccount again;
    again.Load("1");
    AccountSetupDialog cancelled;
    cancelled.initialize(again);
    child<QLineEdit>(cancelled, "txtName")->setText("Changed");
    child<QPushButton>(cancelled, "CancelButton")->click();
    QCOMPARE(s.value("SELECT name FROM GLAccount WHERE glAcctID = 1").toString(),
             QStringLiteral("Operating Cash - Coastal Federal Bank"));
}

void tst_AccountSetupDialog::recTypeChange_data()
{
    QTest::addColumn<QString>("storedType"); // the account's type when the dialog opens
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<QString>("savedType");
    QTest::newRow("yes") << "C" << int(Prompter::Yes) << true << "L";
    QTest::newRow("no puts the old type back") << "C" << int(Prompter::No) << true << "C";
    QTest::newRow("account without a type") << "N" << int(Prompter::No) << false << "L";
}

void tst_AccountSetupDialog::recTypeChange()
{
    QFETCH(QString, storedType);
    QFETCH(int, answer);
    QFETCH(bool, warned);
    QFETCH(QString, savedType);
    AdminSession s;
    Db::exec(s.db(), "UPDATE GLAccount SET recTypeCode = ? WHERE glAcctID = 1", {storedType});
    GLAccount account;
    account.Load("1");
    AccountSetupDialog d;
    d.initialize(account);
    auto* recType = child<QComboBox>(d, "cboRecType");
    const QString shownBefore = recType->currentText();
    s.seams.prompter.answers = {Prompter::Answer(answer)};
    choose(recType, "List");
    QCOMPARE(s.seams.prompter.messages.size(), warned ? 1 : 0);
    if (warned) {
        QCOMPARE(s.seams.prompter.lastText(), AccountSetupDialog::recTypeWarningText());
        QCOMPARE(s.seams.prompter.messages.last().buttons, Prompter::Buttons::YesNo);
    }
    QCOMPARE(recType->currentText(), savedType == "C" ? shownBefore : QStringLiteral("List"));
    if (storedType == "N")
        choose(recType, "Subledger"), choose(recType, "List"); // changed again, still no warning
    QCOMPARE(s.seams.prompter.messages.size(), warned ? 1 : 0);
    child<QPushButton>(d, "OKButton")->click();
    QCOMPARE(s.value("SELECT recTypeCode FROM GLAccount WHERE glAcctID = 1").toString(), savedType);
}

QTEST_MAIN(tst_AccountSetupDialog)
#include "tst_accountsetupdialog.moc"
