#include "accountfigures.h"
#include "apperror.h"
#include "bankrecdialog.h"
#include "bankrecreport.h"
#include "baserecpanel.h"
#include "dialogbehaviour.h"
#include "glsummaryreport.h"
#include "printrecorder.h"
#include "recdialogfixture.h"
#include "recrules.h"
#include "reportdocument.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeWidget>

// The bank reconciliation dialog driven headless over the tutorial ledger: its groups and their
// details dialogs, the other items, the bank balance box with bad input, the difference against
// the other views of it, the save rules and printing.
class tst_BankRecDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void workedExampleAgreesEverywhere();
    void groupDetails_data();
    void groupDetails();
    void otherItemsChangeNoGroup();
    void bankBalance_data();
    void bankBalance();
    void saveChecks_data();
    void saveChecks();
    void itemsOfOtherKinds();
    void itemTypeMissing_data();
    void itemTypeMissing();
    void printing();
};

using namespace RecDialogTest;

namespace {

// The account 1010's reconciliation at the date: ledger 1,000.00, bank 900.00, a check of -150.00
// and a deposit of 50.00, nothing else open.
void workedExample(const Fixture& fx)
{
    Db::exec(fx.db, QStringLiteral("DELETE FROM ReconcilingItem WHERE glAcctID = 1"));
    Db::exec(fx.db,
             QStringLiteral("UPDATE GLAccountBalance SET amount = ?, targetAmount = ?, comment = NULL "
                            "WHERE glAcctID = 1 AND Date = ?"),
             {units(1000), units(900), kDbDate});
    fx.addItem(1, QStringLiteral("C"), units(-150));
    fx.addItem(1, QStringLiteral("D"), units(50));
}

BankRecDialog& bank(const std::unique_ptr<RecDialogFrame>& d)
{
    return *static_cast<BankRecDialog*>(d.get());
}

// The group rows as "name total", in their order.
QStringList groupRows(const BankRecDialog& d)
{
    QStringList rows;
    for (int i = 0; i < d.groupList()->topLevelItemCount(); ++i)
        rows << d.groupList()->topLevelItem(i)->text(0) + QLatin1Char(' ') +
                    d.groupList()->topLevelItem(i)->text(2);
    return rows;
}

QString differenceShown(const RecDialogFrame& d)
{
    return child<QLabel>(const_cast<RecDialogFrame*>(&d), QStringLiteral("lblDifference"))->text();
}

// Answers the item dialog: a new item of `amount` described as `comment`, saved.
DialogRunner newItem(const QString& amount, const QString& comment)
{
    return [=](QDialog& item) {
        child<QLineEdit>(&item, QStringLiteral("txtAmount"))->setText(amount);
        child<QPlainTextEdit>(&item, QStringLiteral("txtComment"))->setPlainText(comment);
        child<QLineEdit>(&item, QStringLiteral("txtAmount"))->setFocus();
        click(&item, "OKButton");
        return item.result();
    };
}

constexpr qint64 kNothing = std::numeric_limits<qint64>::min(); // nothing is stored

} // namespace

void tst_BankRecDialog::workedExampleAgreesEverywhere()
{
    Fixture fx;
    workedExample(fx);
    const auto d = fx.open(1);
    QCOMPARE(d->objectName(), QStringLiteral("BankRecDialog"));
    QCOMPARE(groupRows(bank(d)),
             QStringList({QStringLiteral("Outstanding Checks (150.00)"),
                          QStringLiteral("Deposits in Transit 50.00 "), QStringLiteral("Bank Fees 0.00 "),
                          QStringLiteral("NSF Checks 0.00 ")}));
    QVERIFY(bank(d).groupList()->isColumnHidden(1)); // the sign is shown nowhere and sums nothing
    QCOMPARE(d->targetAmountBox()->text(), QStringLiteral("900.00 "));
    QCOMPARE(differenceShown(*d), QStringLiteral("200.00 "));
    QCOMPARE(d->recItemListPanel()->listView()->topLevelItemCount(), 0);

    // The review grid, the summary report and the bank report show the same figure.
    Global::accountFilter = QStringLiteral("All Accounts");
    const QList<AccountFigures> all = AccountFiguresQuery::load(kDate, Global::accountFilter);
    const auto figures =
        std::find_if(all.begin(), all.end(), [](const AccountFigures& f) { return f.accountId == 1; });
    QCOMPARE(figures->unidentifiedDifference().value().units(), units(200));
    GLSummaryReport summary;
    summary.initialize(kDate);
    const QStringList summaryLines = summary.report().layOut()->pages.first().lines();
    const QStringList row = summaryLines.filter(QStringLiteral("Operating Cash"));
    QCOMPARE(row.size(), 1);
    QVERIFY2(row.first().contains(QStringLiteral("200.00")), qPrintable(row.first()));
    BankRecReport report;
    report.initialize(bank(d).bankReconciliation());
    QCOMPARE(report.report().layOut()->pages.last().textOf(QStringLiteral("Text4")).trimmed(),
             QStringLiteral("200.00"));
}

void tst_BankRecDialog::groupDetails_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("code");
    QTest::newRow("checks: a positive check adds like any item") << 0 << "C";
    QTest::newRow("deposits") << 1 << "D";
    QTest::newRow("bank fees") << 2 << "B";
    QTest::newRow("NSF checks") << 3 << "N";
}

void tst_BankRecDialog::groupDetails()
{
    QFETCH(int, row);
    QFETCH(QString, code);
    Fixture fx;
    workedExample(fx);
    const auto d = fx.open(1);
    int shown = 0;
    bank(d).setDialogRunner([&](QDialog& details) {
        ++shown;
        auto* list = details.findChild<RecItemListPanel*>();
        list->setDialogRunner(newItem(QStringLiteral("25"), QStringLiteral("added in the group")));
        click(&details, "cmdNew");
        return QDialog::Accepted;
    });
    // With no group selected the button does nothing.
    bank(d).groupList()->clearSelection();
    click(d.get(), "cmdDetails");
    QCOMPARE(shown, 0);
    QVERIFY(fx.seams.prompter.messages.isEmpty());

    const QStringList before = groupRows(bank(d));
    bank(d).groupList()->setCurrentItem(bank(d).groupList()->topLevelItem(row));
    click(d.get(), "cmdDetails");
    QCOMPARE(shown, 1);
    QVERIFY2(fx.seams.prompter.messages.isEmpty(), qPrintable(fx.seams.prompter.lastText()));
    QCOMPARE(
        fx.value(QStringLiteral("SELECT typeCode FROM ReconcilingItem WHERE comment = 'added in the group'"))
            .toString(),
        code);
    // Only that group's total moved, and the difference with it at once.
    QStringList after = groupRows(bank(d));
    QVERIFY(after[row] != before[row]);
    after[row] = before[row];
    QCOMPARE(after, before);
    QCOMPARE(differenceShown(*d), QStringLiteral("175.00 "));
}

void tst_BankRecDialog::otherItemsChangeNoGroup()
{
    Fixture fx;
    workedExample(fx);
    const auto d = fx.open(1);
    const QStringList groups = groupRows(bank(d));
    d->recItemListPanel()->setDialogRunner(
        newItem(QStringLiteral("-30"), QStringLiteral("interest not booked")));
    click(d.get(), "cmdNew");
    QCOMPARE(d->recItemListPanel()->listView()->topLevelItemCount(), 1);
    QCOMPARE(groupRows(bank(d)), groups);
    QCOMPARE(differenceShown(*d), QStringLiteral("230.00 "));
    QCOMPARE(bank(d).bankReconciliation().getTotalOtherAmount().units(), units(-30));
}

void tst_BankRecDialog::bankBalance_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key"); // the key pressed after typing; 0: Save & Exit clicked at once
    QTest::addColumn<bool>("refused");
    QTest::addColumn<qint64>("stored"); // the target stored, or kNothing
    QTest::newRow("letters are not taken") << "abc" << 0 << false << qint64(0);
    QTest::newRow("blank is zero") << "" << 0 << false << qint64(0);
    QTest::newRow("cents cut") << "12.349" << 0 << false << units(12.34);
    QTest::newRow("negative cut") << "-12.349" << 0 << false << units(-12.34);
    QTest::newRow("grouped") << "1,234.5" << 0 << false << units(1234.5);
    QTest::newRow("sign alone") << "-" << 0 << true << kNothing;
    QTest::newRow("point alone") << "." << 0 << true << kNothing;
    QTest::newRow("two points") << "1.2.3" << 0 << true << kNothing;
    QTest::newRow("twenty nines") << "99999999999999999999" << 0 << true << kNothing;
    QTest::newRow("Enter moves on, saves nothing") << "10" << int(Qt::Key_Return) << false << kNothing;
    QTest::newRow("Esc cancels") << "10" << int(Qt::Key_Escape) << false << kNothing;
}

void tst_BankRecDialog::bankBalance()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(bool, refused);
    QFETCH(qint64, stored);
    Fixture fx;
    const auto d = fx.open(1);
    const qint64 loaded = d->balance().targetAmount().units();
    const qint64 audits = fx.audits(1);
    d->baseRecPanel()->commentBox()->setPlainText(QStringLiteral("outstanding items explained"));
    typeTarget(*d, typed);
    if (key)
        QTest::keyClick(d->targetAmountBox(), Qt::Key(key));
    else
        click(d.get(), "cmdOK"); // the mnemonic's click: the box still has the focus
    QCOMPARE(fx.audits(1), audits + (stored != kNothing ? 1 : 0));
    if (refused) {
        QCOMPARE(fx.seams.prompter.texts(), QStringList{ARCurrency::refusedEntryMessage(typed)});
        QTest::qWait(20);
        QVERIFY(d->targetAmountBox()->hasFocus());
        QVERIFY(d->isVisible());
        QCOMPARE(d->balance().targetAmount().units(), loaded);
        return;
    }
    QVERIFY(fx.seams.prompter.messages.isEmpty());
    if (stored != kNothing) {
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(fx.balanceColumn(1, QStringLiteral("targetAmount")).toLongLong(), stored);
    } else if (key == Qt::Key_Escape) {
        QVERIFY(!d->isVisible());
        QCOMPARE(d->balance().targetAmount().units(), loaded);
    } else {
        QVERIFY(d->isVisible());
        QCOMPARE(d->balance().targetAmount().units(), units(10));
        QCOMPARE(QApplication::focusWidget(), bank(d).groupList()); // the groups come next
    }
    QCOMPARE(fx.balanceColumn(1, QStringLiteral("targetAmount")).toLongLong(),
             stored != kNothing ? stored : loaded);
}

void tst_BankRecDialog::saveChecks_data()
{
    QTest::addColumn<qint64>("offset"); // added to the ledger balance, in units
    QTest::addColumn<QString>("reconciledDate");
    QTest::addColumn<QString>("message"); // "" when Save & Exit stores
    QTest::newRow("balanced") << qint64(0) << ""
                              << "";
    QTest::newRow("a cent left, no comment") << units(0.01) << "" << RecRules::commentRequiredMessage();
    // Half a cent shows as 0.00 or 0.01, yet is not nothing.
    QTest::newRow("half a cent left, no comment") << qint64(50) << "" << RecRules::commentRequiredMessage();
    QTest::newRow("completed on the period date")
        << qint64(0) << kDbDate
        << "The Reconciliation Completed Date must be after the current Reconciliation Date.";
    QTest::newRow("completed the next day") << qint64(0) << "2026-10-01"
                                            << "";
}

void tst_BankRecDialog::saveChecks()
{
    QFETCH(qint64, offset);
    QFETCH(QString, reconciledDate);
    QFETCH(QString, message);
    Fixture fx;
    workedExample(fx);
    // The difference of the worked example taken up by the bank balance, then the offset left.
    Db::exec(fx.db,
             QStringLiteral("UPDATE GLAccountBalance SET targetAmount = ?, amount = amount + ?, "
                            "ReconciledInd = ?, reconciledDate = ? WHERE glAcctID = 1 AND Date = ?"),
             {units(1100), offset, reconciledDate.isEmpty() ? 0 : 1,
              reconciledDate.isEmpty() ? QVariant() : QVariant(reconciledDate), kDbDate});
    const auto d = fx.open(1);
    const qint64 audits = fx.audits(1);
    click(d.get(), "cmdOK");
    if (message.isEmpty()) {
        QVERIFY2(fx.seams.prompter.messages.isEmpty(), qPrintable(fx.seams.prompter.lastText()));
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(fx.audits(1), audits + 1);
        // After the store there is no edit left to cancel: Cancel changes nothing.
        d->balance().cancelEdit();
        d->balance().cancelEdit();
        QCOMPARE(d->balance().targetAmount().units(), units(1100));
        return;
    }
    QCOMPARE(fx.seams.prompter.texts(), QStringList{message});
    QVERIFY(d->isVisible());
    QCOMPARE(fx.audits(1), audits);
    click(d.get(), "CmdCancel");
    QCOMPARE(d->result(), int(QDialog::Rejected));
}

void tst_BankRecDialog::itemsOfOtherKinds()
{
    Fixture fx;
    workedExample(fx);
    // A list item to adjust and a subledger item left unresolved, as an account whose kind was
    // changed keeps them; and checks closed on the date and the next day.
    fx.addItem(1, QStringLiteral("L"), units(300));
    fx.addItem(1, QStringLiteral("S"), units(70));
    Db::exec(fx.db, QStringLiteral(
                        "UPDATE ReconcilingItem SET ReqTiming = CASE typeCode WHEN 'L' THEN 'R' ELSE 'U' END "
                        "WHERE glAcctID = 1 AND typeCode IN ('L', 'S')"));
    Db::exec(fx.db,
             QStringLiteral("INSERT INTO ReconcilingItem (glAcctID, typeCode, openDate, closeDate, amount) "
                            "VALUES (1, 'C', '2026-09-01', ?, ?), (1, 'C', '2026-09-01', '2026-10-01', ?)"),
             {kDbDate, units(-1), units(-2)});
    const auto d = fx.open(1);
    BankReconciliation& r = bank(d).bankReconciliation();
    QCOMPARE(r.getCheckItems().count(), 2); // the one closed on the date is no longer open
    QCOMPARE(r.getTotalCheckAmount().units(), units(-152));
    QCOMPARE(differenceShown(*d), QStringLiteral("202.00 "));
    QCOMPARE(r.getRequiredAdjustments().units(), units(300));
    QCOMPARE(r.getUnResolved().units(), units(70));
    const QList<AccountFigures> all = AccountFiguresQuery::load(kDate, QStringLiteral("All Accounts"));
    const auto figures =
        std::find_if(all.begin(), all.end(), [](const AccountFigures& f) { return f.accountId == 1; });
    QCOMPARE(figures->unidentifiedDifference().value().units(), units(202));
    QCOMPARE(figures->requiredAdjustments.value().units(), units(300));
}

void tst_BankRecDialog::itemTypeMissing_data()
{
    QTest::addColumn<QString>("code");   // taken out of the item-type table
    QTest::addColumn<QString>("button"); // pressed once the dialog is open; "" when it does not open
    QTest::addColumn<QString>("message");
    const QString noType = QStringLiteral("There is no reconciling item type with the code '%1'.");
    QTest::newRow("no other items: the dialog does not open") << "O"
                                                              << "" << noType.arg("O");
    QTest::newRow("bank fees stored: the dialog does not open")
        << "B"
        << ""
        << "Reconciling item 1 has the item type code 'B', which is not a known item type.";
    QTest::newRow("no bank fees: their details") << "B"
                                                 << "cmdDetails" << noType.arg("B");
    QTest::newRow("no checks: the preview") << "C"
                                            << "cmdPrint" << noType.arg("C");
    QTest::newRow("no checks: the print") << "C"
                                          << "CmdRptPrint" << noType.arg("C");
}

void tst_BankRecDialog::itemTypeMissing()
{
    QFETCH(QString, code);
    QFETCH(QString, button);
    QFETCH(QString, message);
    Fixture fx;
    PrintRecorder printer;
    Db::exec(fx.db, QStringLiteral("DELETE FROM ReconcilingItem WHERE glAcctID = 1"));
    if (button.isEmpty() && code == QStringLiteral("B"))
        Db::exec(fx.db, QStringLiteral(
                            "INSERT INTO ReconcilingItem (RecItemId, glAcctID, typeCode, openDate, amount) "
                            "VALUES (1, 1, 'B', '2026-09-01', 50000)"));
    Db::exec(fx.db, QStringLiteral("DELETE FROM ReconcilingItemType WHERE recItemTypeCode = ?"), {code});
    ReconcilingItemTypeList::reload();
    std::unique_ptr<RecDialogFrame> d;
    // The loop shows what the factory raises, and the user goes on choosing.
    QCOMPARE(DialogBehaviour::guarded([&] { d = fx.open(1); }), !button.isEmpty());
    if (button.isEmpty()) {
        QCOMPARE(fx.seams.prompter.texts(), QStringList{message});
        return;
    }
    bool opened = false;
    bank(d).setDialogRunner([&](QDialog&) { return int(opened = true); });
    bank(d).groupList()->setCurrentItem(bank(d).groupList()->topLevelItem(2));
    click(d.get(), qPrintable(button));
    QCOMPARE(fx.seams.prompter.texts(), QStringList{message});
    QVERIFY(!opened);
    QCOMPARE(printer.asked + printer.previews.size(), 0);
    QVERIFY(d->isVisible() && d->isEnabled());
}

void tst_BankRecDialog::printing()
{
    Fixture fx;
    PrintRecorder printer;
    workedExample(fx);
    const auto d = fx.open(1);
    // Cancelled: nothing printed, nothing said.
    click(d.get(), "CmdRptPrint");
    QCOMPARE(printer.asked, 1);
    QVERIFY(fx.seams.prompter.messages.isEmpty());
    // Printed with the dialog disabled, then usable again; the preview shows the same pages.
    const QString path = fx.seams.path(QStringLiteral("bank.pdf"));
    printer.answers << path;
    typeTarget(*d, QStringLiteral("850")); // unsaved: the report prints what the dialog shows
    click(d.get(), "CmdRptPrint");
    QCOMPARE(printer.parentEnabled, QList<bool>({false, false}));
    QVERIFY(d->isEnabled());
    QVERIFY(QFileInfo(path).size() > 0);
    click(d.get(), "cmdPrint");
    QCOMPARE(printer.previews.size(), 1);
    QCOMPARE(printer.previews.first().title, QStringLiteral("Bank Reconciliation Report"));
    QVERIFY(fx.seams.prompter.messages.isEmpty());
    QCOMPARE(d->balance().targetAmount().units(), units(850));
    QCOMPARE(fx.balanceColumn(1, QStringLiteral("targetAmount")).toLongLong(), units(900));
}

QTEST_MAIN(tst_BankRecDialog)
#include "tst_bankrecdialog.moc"
