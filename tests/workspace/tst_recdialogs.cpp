#include "accountfigures.h"
#include "amortizableitemlist.h"
#include "amountbox.h"
#include "apperror.h"
#include "baserecpanel.h"
#include "calcbalrecdialog.h"
#include "ctlattachedfiles.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "modelfixture.h"
#include "printrecorder.h"
#include "recdialogfactory.h"
#include "recdialogfixture.h"
#include "recdialogframe.h"
#include "recitemdialog.h"
#include "recitemlistpanel.h"
#include "reconcilingitem.h"
#include "reconcilingitemlist.h"
#include "recrules.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTreeWidget>

// The reconciliation dialogs on their shared frame, driven headless over the tutorial ledger: the
// factory's codes, the target amount box, the save and comment rules per kind, one difference per
// account, the basis of calculation, and saves that fail part-way.
class tst_RecDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void factory_data();
    void factory();
    void commentRule_data();
    void commentRule();
    void targetAmount_data();
    void targetAmount();
    void enterMovesOnNeverSaves();
    void correctionAfterRefusalIsSaved_data();
    void correctionAfterRefusalIsSaved();
    void saveRule_data();
    void saveRule();
    void oneDifferencePerAccount_data();
    void oneDifferencePerAccount();
    void overflowIsShownNeverAFigure();
    void basisOfCalculation();
    void failedStore_data();
    void failedStore();
    void staleSave_data();
    void staleSave();
    void failedDocumentsSave_data();
    void failedDocumentsSave();
    void previewAndPrint_data();
    void previewAndPrint();
    void screenshots();
};

using namespace RecDialogTest;

void tst_RecDialogs::factory_data()
{
    QTest::addColumn<qint64>("accountId");
    QTest::addColumn<QString>("setCode"); // the account's kind changed first, when given
    QTest::addColumn<QString>("dialog");  // "" when none is made
    QTest::addColumn<QString>("error");
    QTest::newRow("S subledger") << qint64(6) << "" << "SubledgerRecDialog" << "";
    QTest::newRow("H calculated") << qint64(4) << "" << "CalcBalRecDialog" << "";
    QTest::newRow("L list") << qint64(8) << "" << "ListRecDialog" << "";
    QTest::newRow("C bank") << qint64(1) << "" << "BankRecDialog" << "";
    QTest::newRow("A prepaid") << qint64(11) << "" << "PrepaidRecDialog" << "";
    QTest::newRow("B") << qint64(26) << "" << "" << "Not expecting a 'B' code in the create() method";
    QTest::newRow("N") << qint64(31) << "" << "" << "Not expecting a 'N' code in the create() method";
    QTest::newRow("unknown") << qint64(31) << "Q" << "" << "Not expecting a 'Q' code in the create() method";
    QTest::newRow("case counts") << qint64(31) << "q" << "" << "Not expecting a 'q' code in the create() method";
}

void tst_RecDialogs::factory()
{
    QFETCH(qint64, accountId);
    QFETCH(QString, setCode);
    QFETCH(QString, dialog);
    QFETCH(QString, error);
    Fixture fx;
    if (!setCode.isEmpty()) {
        Db::exec(fx.db, QStringLiteral("INSERT INTO ReconciliationType (recTypeCode, name) VALUES (?, 'Other')"),
                 {setCode});
        Db::exec(fx.db, QStringLiteral("UPDATE GLAccount SET recTypeCode = ? WHERE glAcctID = ?"), {setCode, accountId});
    }
    try {
        const auto made = fx.open(accountId);
        QVERIFY(error.isEmpty());
        QCOMPARE(made ? made->objectName() : QString(), dialog);
        if (!made)
            return;
        GLAccount account;
        account.Load(QString::number(accountId));
        QCOMPARE(made->windowTitle(), QStringLiteral("Account ") + account.getNumber());
        // Each call makes a dialog of its own.
        QVERIFY(fx.open(accountId).get() != made.get());
    } catch (const AppError& e) {
        QCOMPARE(e.description(), error);
        QCOMPARE(e.number(), AppError::ObjectError1001);
        QCOMPARE(e.source(), QStringLiteral("RecDialogFactory"));
    }
}

void tst_RecDialogs::commentRule_data()
{
    QTest::addColumn<bool>("overflow");
    QTest::addColumn<qint64>("difference");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<bool>("required");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zero, no comment") << false << qint64(0) << "" << false << "0.00 ";
    QTest::newRow("a cent short") << false << qint64(-100) << "" << true << "(0.01)";
    // The amount is tested, not its text: zero reads "0,00" there.
    QTest::newRow("in a German locale, zero, no comment") << false << qint64(0) << "" << false << "0,00 ";
    QTest::newRow("in a German locale, a thousand short") << false << qint64(-12345000) << "" << true << "(1.234,50)";
    QTest::newRow("blanks are no comment") << false << qint64(100) << "  \t " << true << "0.01 ";
    QTest::newRow("one letter") << false << qint64(100) << "x" << false << "0.01 ";
    QTest::newRow("overflow, no comment") << true << qint64(0) << "" << true << "Overflow";
    QTest::newRow("overflow explained") << true << qint64(0) << "too large" << false << "Overflow";
}

void tst_RecDialogs::commentRule()
{
    QFETCH(bool, overflow);
    QFETCH(qint64, difference);
    QFETCH(QString, comment);
    QFETCH(bool, required);
    QFETCH(QString, shown);
    const QLocale saved;
    if (QByteArray(QTest::currentDataTag()).startsWith("in a German locale"))
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([&saved] { QLocale::setDefault(saved); });
    const auto d = overflow ? std::optional<ARCurrency>() : ARCurrency::fromUnits(difference);
    QCOMPARE(RecRules::commentRequired(d, comment), required);
    QCOMPARE(RecRules::differenceText(d), shown);
}

void tst_RecDialogs::targetAmount_data()
{
    const QString format = QStringLiteral("Please enter an amount in nnnn.nn format.");
    const QString tooLarge = QStringLiteral("The amount is too large. Please enter an amount between "
                                            "-9,223,372,036,854.77 and 9,223,372,036,854.77.");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal"); // the message, "" when the amount is taken
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("shown");
    QTest::newRow("cleared is zero") << "" << "" << qint64(0) << "0.00 ";
    QTest::newRow("cents cut") << "1234.567" << "" << qint64(12345600) << "1,234.56 ";
    QTest::newRow("negative cut toward zero") << "-12.349" << "" << qint64(-123400) << "(12.34)";
    QTest::newRow("grouped") << "1,234.56" << "" << qint64(12345600) << "1,234.56 ";
    QTest::newRow("largest") << "-9223372036854.77" << "" << qint64(-92233720368547700) << "(9,223,372,036,854.77)";
    QTest::newRow("sign alone") << "-" << format << qint64(0) << "";
    QTest::newRow("point alone") << "." << format << qint64(0) << "";
    QTest::newRow("two points") << "1.2.3" << format << qint64(0) << "";
    QTest::newRow("a cent beyond the largest") << "9223372036854.78" << tooLarge << qint64(0) << "";
    QTest::newRow("twenty nines") << "99999999999999999999" << tooLarge << qint64(0) << "";
}

void tst_RecDialogs::targetAmount()
{
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    QFETCH(qint64, units);
    QFETCH(QString, shown);
    const bool accepted = refusal.isEmpty();
    Fixture fx;
    for (const qint64 accountId : {6, 4, 1}) { // the subledger, calculated and bank balances
        const auto d = fx.open(accountId);
        const qint64 before = d->balance().targetAmount().units();
        const qint64 explained = explainedUnits(*d);
        const QString differenceBefore = child<QLabel>(d.get(), "lblDifference")->text();
        AmountBox* box = d->targetAmountBox();
        // The focus shows the plain amount; a paste of letters is refused whole.
        typeTarget(*d, QString());
        box->insert(QStringLiteral("12abc"));
        QCOMPARE(box->text(), QString());
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Tab);
        QTest::qWait(20);
        if (!accepted) {
            QCOMPARE(fx.seams.prompter.texts(), QStringList{refusal});
            QVERIFY(box->hasFocus());
            QCOMPARE(d->balance().targetAmount().units(), before);
            QCOMPARE(child<QLabel>(d.get(), "lblDifference")->text(), differenceBefore);
            fx.seams.prompter.clear();
            click(d.get(), "CmdCancel");
            continue;
        }
        QVERIFY(fx.seams.prompter.messages.isEmpty());
        QVERIFY(!box->hasFocus());
        QCOMPARE(d->balance().targetAmount().units(), units);
        QCOMPARE(box->text(), shown);
        const qint64 expected = d->balance().amount().units() - units - explained;
        QCOMPARE(child<QLabel>(d.get(), "lblDifference")->text(), ARCurrency::fromUnits(expected).toString(true));
        // Back in the box the amount reads plain, and leaving it unchanged changes nothing.
        box->setFocus();
        QCOMPARE(box->text(), ARCurrency::fromUnits(units).toString(false));
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(d->balance().targetAmount().units(), units);
        // Cancel stores nothing and puts the loaded target back.
        click(d.get(), "CmdCancel");
        QCOMPARE(d->balance().targetAmount().units(), before);
        QCOMPARE(fx.balanceColumn(accountId, QStringLiteral("targetAmount")).toLongLong(), before);
    }
}

void tst_RecDialogs::correctionAfterRefusalIsSaved_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QString>("corrected");
    QTest::addColumn<QString>("stored");
    QTest::newRow("item amount") << "txtAmount" << "1.2.3" << "250.5" << "2505000";
    QTest::newRow("item close date") << "dtpCloseDate" << "13/45/2026" << "01/15/2027" << "2027-01-15";
    QTest::newRow("bank balance") << "txtTargetAmount" << "1.2.3" << "250.5" << "2505000";
}

void tst_RecDialogs::correctionAfterRefusalIsSaved()
{
    QFETCH(QString, box);
    QFETCH(QString, refused);
    QFETCH(QString, corrected);
    QFETCH(QString, stored);
    Fixture fx;
    const bool bank = box == "txtTargetAmount";
    ReconcilingItem item;
    item.initialize({}, "8", "12/01/2026", {}, {}, "3", "L", {}, {}, "T");
    GLAccount account;
    account.Load("8");
    std::unique_ptr<QDialog> d;
    if (bank) {
        auto frame = fx.open(1);
        frame->baseRecPanel()->commentBox()->setPlainText("outstanding items explained");
        d = std::move(frame);
    } else {
        auto itemDialog = std::make_unique<RecItemDialog>();
        itemDialog->initialize(item, account, "12/31/2026");
        itemDialog->show();
        QApplication::setActiveWindow(itemDialog.get());
        if (box == "dtpCloseDate")
            child<QCheckBox>(itemDialog.get(), "ChkCloseDate")->click();
        d = std::move(itemDialog);
    }
    auto* field = child<QLineEdit>(d.get(), box);
    const auto retype = [field](const QString& text) {
        field->selectAll();
        field->del();
        QTest::keyClicks(field, text);
    };
    field->setFocus();
    retype(refused);
    QTest::keyClick(field, Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(fx.seams.prompter.messages.size(), 1);
    // The message closed, the focus is elsewhere and no check ran (a desktop without a window
    // manager); the user types the correction and presses Save.
    auto* save = child<QPushButton>(d.get(), bank ? "cmdOK" : "OKButton");
    save->setFocus(Qt::OtherFocusReason);
    retype(corrected);
    save->click();
    QCOMPARE(fx.seams.prompter.messages.size(), 1);
    QCOMPARE(d->result(), int(QDialog::Accepted));
    const QString column = box == "txtAmount" ? "amount" : "closeDate";
    QCOMPARE(bank ? fx.balanceColumn(1, "targetAmount").toString()
                  : fx.value("SELECT " + column + " FROM ReconcilingItem WHERE RecItemId = ?", {item.getID()})
                        .toString(),
             stored);
}

void tst_RecDialogs::enterMovesOnNeverSaves()
{
    Fixture fx;
    const auto d = fx.open(6);
    const qint64 audits = fx.audits(6);
    typeTarget(*d, QStringLiteral("10"));
    QTest::keyClick(d->targetAmountBox(), Qt::Key_Return);
    QVERIFY(!d->targetAmountBox()->hasFocus());
    QCOMPARE(d->balance().targetAmount().units(), qint64(100000));
    QVERIFY(d->isVisible());
    QCOMPARE(fx.audits(6), audits);
}

void tst_RecDialogs::saveRule_data()
{
    QTest::addColumn<qint64>("accountId");
    QTest::addColumn<qint64>("remaining"); // the difference left, in units
    QTest::addColumn<QString>("comment");
    QTest::addColumn<bool>("saved");
    for (const auto& [kind, id] :
         {std::pair{"S", 6}, std::pair{"H", 4}, std::pair{"L", 8}, std::pair{"C", 1}, std::pair{"A", 11}}) {
        QTest::addRow("%s zero, no comment", kind) << qint64(id) << qint64(0) << "" << true;
        QTest::addRow("%s a cent, no comment", kind) << qint64(id) << qint64(-100) << "" << false;
        QTest::addRow("%s a cent, blanks", kind) << qint64(id) << qint64(100) << "   " << false;
        QTest::addRow("%s a cent, explained", kind) << qint64(id) << qint64(100) << "Timing" << true;
    }
}

void tst_RecDialogs::saveRule()
{
    QFETCH(qint64, accountId);
    QFETCH(qint64, remaining);
    QFETCH(QString, comment);
    QFETCH(bool, saved);
    Fixture fx;
    const auto d = fx.open(accountId);
    const qint64 audits = fx.audits(accountId);
    if (d->targetAmountBox()) {
        typeTarget(*d, targetLeaving(*d, remaining));
    } else {
        // The list and the prepaid have no target: the general-ledger balance moves the difference.
        const qint64 amount = d->balance().amount().units() - d->difference()->units() + remaining;
        d->baseRecPanel()->amountBox()->setText(ARCurrency::fromUnits(amount).toString(false));
        d->baseRecPanel()->amountBox()->setFocus();
    }
    d->baseRecPanel()->commentBox()->setPlainText(comment);
    click(d.get(), "cmdOK"); // the mnemonic's click: the box being edited is taken first
    QCOMPARE(d->difference()->units(), remaining);
    if (!saved) {
        QCOMPARE(fx.seams.prompter.texts(), QStringList{RecRules::commentRequiredMessage()});
        QCOMPARE(fx.seams.prompter.messages.last().title, QStringLiteral("Corvantis"));
        QVERIFY(d->isVisible());
        QCOMPARE(fx.audits(accountId), audits);
        return;
    }
    QVERIFY(fx.seams.prompter.messages.isEmpty());
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QCOMPARE(fx.audits(accountId), audits + 1);
    QCOMPARE(fx.balanceColumn(accountId, QStringLiteral("targetAmount")).toLongLong(),
             d->balance().targetAmount().units());
    QCOMPARE(fx.balanceColumn(accountId, QStringLiteral("amount")).toLongLong(), d->balance().amount().units());
    // A blank comment is stored as no comment.
    const QVariant stored = fx.balanceColumn(accountId, QStringLiteral("comment"));
    QCOMPARE(stored.isNull(), comment.trimmed().isEmpty());
    if (!stored.isNull())
        QCOMPARE(stored.toString(), comment);
    QCOMPARE(fx.value(QStringLiteral("SELECT Activity || ActivityUser FROM GLAccountBalanceAudit WHERE glAcctID = ? "
                                     "ORDER BY AuditId DESC LIMIT 1"),
                      {accountId})
                 .toString(),
             QStringLiteral("UPDATEpreparer"));
}

void tst_RecDialogs::oneDifferencePerAccount_data()
{
    QTest::addColumn<qint64>("accountId");
    QTest::addColumn<QString>("panelType"); // the type the item panel lists; "" every type
    QTest::newRow("S") << qint64(6) << "";
    QTest::newRow("H lists every kind of item too") << qint64(4) << "";
    QTest::newRow("L") << qint64(8) << "";
    // The bank's difference leaves out its subledger item; its panel lists the other items only.
    QTest::newRow("C") << qint64(1) << "O";
    QTest::newRow("A lists every kind of item too") << qint64(11) << "";
    QTest::newRow("A software") << qint64(12) << "";
    QTest::newRow("A rent") << qint64(13) << "";
}

void tst_RecDialogs::oneDifferencePerAccount()
{
    QFETCH(qint64, accountId);
    QFETCH(QString, panelType);
    Fixture fx;
    // Items of another kind, as an account whose kind was changed keeps them.
    fx.addItem(accountId, QStringLiteral("O"), 1234500);
    fx.addItem(accountId, QStringLiteral("S"), -20000);
    Db::exec(fx.db, QStringLiteral("UPDATE GLAccountBalance SET comment = NULL WHERE glAcctID = ? AND Date = ?"),
             {accountId, kDbDate});
    const auto d = fx.open(accountId);
    const QList<AccountFigures> all = AccountFiguresQuery::load(kDate, QStringLiteral("All Accounts"));
    const auto figures = std::find_if(all.begin(), all.end(), [&](const AccountFigures& f) { return f.accountId == accountId; });
    QVERIFY(figures != all.end());
    QVERIFY(!figures->unidentifiedDifference().value().isZero()); // so Save & Exit needs a comment
    const qint64 listed = fx.value(QStringLiteral("SELECT count(*) FROM ReconcilingItem WHERE glAcctID = ? AND "
                                                  "openDate <= ? AND (closeDate IS NULL OR closeDate > ?) AND "
                                                  "(? = '' OR typeCode = ?)"),
                                   {accountId, kDbDate, kDbDate, panelType, panelType})
                              .toLongLong();
    // The list, the difference shown and the items a report is built from stay the grid's, from
    // the opening on and after the list reloads.
    const auto sameAsGrid = [&] {
        QCOMPARE(d->difference()->units(), figures->unidentifiedDifference().value().units());
        QCOMPARE(child<QLabel>(d.get(), "lblDifference")->text(), figures->unidentifiedDifference().value().toString(true));
        QCOMPARE(d->recItemListPanel()->listView()->topLevelItemCount(), int(listed));
        QCOMPARE(d->recItemListPanel()->getItems().count(), listed);
    };
    sameAsGrid();
    if (QTest::currentTestFailed())
        return;
    // New, then Esc in the item dialog: nothing stored, the list reloaded.
    d->recItemListPanel()->setDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
    click(d.get(), "cmdNew");
    sameAsGrid();
    if (QTest::currentTestFailed())
        return;
    const qint64 audits = fx.audits(accountId);
    click(d.get(), "cmdOK");
    QCOMPARE(fx.seams.prompter.texts(), QStringList{RecRules::commentRequiredMessage()});
    QVERIFY(d->isVisible());
    QCOMPARE(fx.audits(accountId), audits);
}

void tst_RecDialogs::overflowIsShownNeverAFigure()
{
    Fixture fx;
    // Each amount fits the money type; the difference of the two does not.
    Db::exec(fx.db, QStringLiteral("UPDATE GLAccountBalance SET amount = ?, targetAmount = ? WHERE glAcctID = 6 AND Date = ?"),
             {qint64(9000000000000000000), qint64(-9000000000000000000), kDbDate});
    const auto d = fx.open(6);
    QVERIFY(!d->difference());
    QCOMPARE(child<QLabel>(d.get(), "lblDifference")->text(), QStringLiteral("Overflow"));
    click(d.get(), "cmdOK");
    QCOMPARE(fx.seams.prompter.texts(), QStringList{RecRules::commentRequiredMessage()});
    // A target that brings it back in range shows the figure again.
    typeTarget(*d, QStringLiteral("0"));
    QTest::keyClick(d->targetAmountBox(), Qt::Key_Tab);
    QVERIFY(d->difference());
    QCOMPARE(child<QLabel>(d.get(), "lblDifference")->text(), d->difference()->toString(true));
}

void tst_RecDialogs::basisOfCalculation()
{
    Fixture fx;
    // A stored basis longer than what may be typed is shown and stored whole.
    const QString stored = QString(1200, QLatin1Char('b'));
    Db::exec(fx.db, QStringLiteral("UPDATE GLAccountBalance SET CalcBasis = ? WHERE glAcctID = 4 AND Date = ?"),
             {stored, kDbDate});
    {
        const auto d = fx.open(4);
        auto* basis = static_cast<CalcBalRecDialog*>(d.get())->basisBox();
        QCOMPARE(basis->toPlainText(), stored);
        // The calculated balance comes first in the tab order, the basis next.
        QCOMPARE(d->targetAmountBox()->nextInFocusChain(), basis);
        basis->setFocus();
        basis->moveCursor(QTextCursor::End);
        QTest::keyClicks(basis, "more");
        QCOMPARE(basis->toPlainText(), stored);
        d->baseRecPanel()->commentBox()->setPlainText(QStringLiteral("checked"));
        click(d.get(), "cmdOK");
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(fx.balanceColumn(4, QStringLiteral("CalcBasis")).toString(), stored);
    }
    // A new balance: the basis is empty, 1,200 pasted characters keep 1,000, typing in it does
    // not move the difference, and Cancel stores no row.
    const QString fresh = QStringLiteral("12/31/2026");
    const auto d = fx.open(4, fresh);
    auto* basis = static_cast<CalcBalRecDialog*>(d.get())->basisBox();
    QCOMPARE(basis->toPlainText(), QString());
    QCOMPARE(d->targetAmountBox()->text(), QStringLiteral("0.00 "));
    const QString difference = child<QLabel>(d.get(), "lblDifference")->text();
    basis->setFocus();
    basis->insertPlainText(QString(1200, QLatin1Char('p')));
    QCOMPARE(basis->toPlainText().size(), CalcBalRecDialog::BasisLimit);
    QCOMPARE(d->balance().getCalcBalance().size(), CalcBalRecDialog::BasisLimit);
    QCOMPARE(child<QLabel>(d.get(), "lblDifference")->text(), difference);
    click(d.get(), "CmdCancel");
    QCOMPARE(fx.balanceColumn(4, QStringLiteral("count(*)"), QStringLiteral("2026-12-31")).toLongLong(), qint64(0));
}

void tst_RecDialogs::failedStore_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("thenCancel");
    QTest::newRow("locked, save again") << "locked" << false;
    QTest::newRow("locked, cancel") << "locked" << true;
    QTest::newRow("audit refused, save again") << "trigger" << false;
    QTest::newRow("audit refused, cancel") << "trigger" << true;
}

void tst_RecDialogs::failedStore()
{
    QFETCH(QString, failure);
    QFETCH(bool, thenCancel);
    Fixture fx;
    const auto d = fx.open(6);
    const qint64 loaded = d->balance().targetAmount().units();
    const qint64 audits = fx.audits(6);
    typeTarget(*d, QStringLiteral("77"));
    d->baseRecPanel()->commentBox()->setPlainText(QStringLiteral("explained"));

    QSqlDatabase holder;
    if (failure == QStringLiteral("locked")) {
        TestDb::waitBusyOnly(fx.db, 200);
        holder = Db::open(Global::mainDatabasePath, QStringLiteral("holder"));
        Db::exec(holder, TestDb::lockOut(QStringLiteral("GLAccountBalance")));
    } else {
        fx.breakAudit(QStringLiteral("GLAccountBalanceAudit"));
    }
    click(d.get(), "cmdOK");
    QCOMPARE(fx.seams.prompter.messages.size(), 1);
    QVERIFY(d->isVisible());
    if (holder.isValid())
        Db::exec(holder, QStringLiteral("ROLLBACK"));
    else
        fx.mendAudit();
    // Nothing half-written, and the dialog holds what the user typed.
    QCOMPARE(fx.audits(6), audits);
    QCOMPARE(fx.balanceColumn(6, QStringLiteral("targetAmount")).toLongLong(), loaded);
    QCOMPARE(d->balance().targetAmount().units(), qint64(770000));

    if (thenCancel) {
        click(d.get(), "CmdCancel");
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(d->balance().targetAmount().units(), loaded);
        QCOMPARE(fx.audits(6), audits);
    } else {
        click(d.get(), "cmdOK");
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(fx.balanceColumn(6, QStringLiteral("targetAmount")).toLongLong(), qint64(770000));
        QCOMPARE(fx.audits(6), audits + 1);
    }
}

void tst_RecDialogs::staleSave_data()
{
    QTest::addColumn<qint64>("accountId");
    QTest::addColumn<QString>("change"); // what another user did meanwhile
    for (const auto& [kind, id] :
         {std::pair{"S", 6}, std::pair{"H", 4}, std::pair{"L", 8}, std::pair{"C", 1}, std::pair{"A", 11}})
        QTest::addRow("%s signed off meanwhile", kind) << qint64(id) << QStringLiteral("signed off");
    QTest::newRow("C account deleted meanwhile") << qint64(1) << QStringLiteral("deleted");
    QTest::newRow("S account made balance-only meanwhile") << qint64(6) << QStringLiteral("type B");
    QTest::newRow("C account made a list meanwhile") << qint64(1) << QStringLiteral("type L");
    // The user signs: the figures he saw must be the stored ones.
    QTest::newRow("S sign-off over an item changed meanwhile") << qint64(6) << QStringLiteral("item");
    QTest::newRow("C sign-off over an item changed meanwhile") << qint64(1) << QStringLiteral("item");
    QTest::newRow("A sign-off over a prepaid item changed meanwhile") << qint64(11) << QStringLiteral("prepaid");
}

void tst_RecDialogs::staleSave()
{
    QFETCH(qint64, accountId);
    QFETCH(QString, change);
    const bool deleted = change == QStringLiteral("deleted");
    const bool signs = change == QStringLiteral("item") || change == QStringLiteral("prepaid");
    Fixture fx;
    if (signs)
        Db::exec(fx.db, "UPDATE GLAccountBalance SET preparedBy = NULL, PreparedByDate = NULL, approvedBy = NULL, "
                        "ApprovedByDate = NULL, reviewedBy = NULL, ReviewedByDate = NULL WHERE glAcctID = ?",
                 {accountId});
    const auto d = fx.open(accountId);
    d->baseRecPanel()->commentBox()->setPlainText(QStringLiteral("explained"));
    auto* prepared = child<QCheckBox>(d->baseRecPanel(), QStringLiteral("ChkPreparedBy"));
    if (signs)
        prepared->click();
    // Another user, with the same account open in another window, stores first.
    Global::userName = QStringLiteral("other");
    auto account = std::make_shared<GLAccount>();
    account->Load(QString::number(accountId));
    if (deleted) {
        account->remove();
    } else if (change.startsWith(QStringLiteral("type "))) {
        account->setRecTypeCode(change.mid(5));
        account->store();
    } else if (change == QStringLiteral("item")) {
        ReconcilingItemList items;
        items.Load(account->getID(), kDate, QString());
        (*items.begin())->getAmount().add(ARCurrency::fromUnits(10000));
        (*items.begin())->store();
    } else if (change == QStringLiteral("prepaid")) {
        AmortizableItemList items;
        items.Load(account->getID(), kDate);
        AmortizableItem item = **items.begin();
        item.setComment(QStringLiteral("renewed"));
        item.store();
    } else {
        GLAccountBalance theirs;
        theirs.Load(account, kDate);
        theirs.setApprovedBy(QStringLiteral("Robin Chen"));
        theirs.store();
    }
    Global::userName = QStringLiteral("preparer");
    const qint64 audits = fx.audits(accountId);

    click(d.get(), "cmdOK");
    QCOMPARE(fx.seams.prompter.messages.size(), 1);
    QVERIFY2(fx.seams.prompter.lastText().contains(deleted ? QStringLiteral(" was deleted by other at ")
                                                           : QStringLiteral(" was changed by other at ")),
             qPrintable(fx.seams.prompter.lastText()));
    QVERIFY(d->isVisible());
    QCOMPARE(d->baseRecPanel()->commentBox()->toPlainText(), QStringLiteral("explained"));
    QCOMPARE(fx.audits(accountId), audits);
    QVERIFY(fx.balanceColumn(accountId, QStringLiteral("comment")).toString() != QStringLiteral("explained"));
    if (change == QStringLiteral("signed off"))
        QCOMPARE(fx.balanceColumn(accountId, QStringLiteral("approvedBy")).toString(),
                 QStringLiteral("Robin Chen"));
    if (signs) {
        // The sign-off stays ticked in the dialog, and is not stored.
        QVERIFY(prepared->isChecked());
        QVERIFY(fx.balanceColumn(accountId, QStringLiteral("preparedBy")).isNull());
        QVERIFY2(fx.seams.prompter.lastText().contains(change == QStringLiteral("item") ? "The reconciling item "
                                                                                        : "The prepaid item "),
                 qPrintable(fx.seams.prompter.lastText()));
    }
}

void tst_RecDialogs::failedDocumentsSave_data()
{
    QTest::addColumn<qint64>("accountId");
    QTest::addColumn<bool>("thenCancel");
    QTest::newRow("save again") << qint64(6) << false;
    QTest::newRow("cancel") << qint64(6) << true;
    QTest::newRow("bank, cancel") << qint64(1) << true;
}

void tst_RecDialogs::failedDocumentsSave()
{
    QFETCH(qint64, accountId);
    QFETCH(bool, thenCancel);
    Fixture fx;
    const auto d = fx.open(accountId);
    const qint64 audits = fx.audits(accountId);
    const QVariant target = fx.balanceColumn(accountId, QStringLiteral("targetAmount"));
    // A document attached in the dialog, whose row the main database then refuses.
    const QString source = TestDb::textFile(fx.seams.folder(), QStringLiteral("statement.pdf"), "%PDF-1.4 test");
    d->attachments()->setDialogRunner([&](QDialog& a) {
        child<QLineEdit>(&a, QStringLiteral("txtFilePathAndName"))->setText(source);
        child<QLineEdit>(&a, QStringLiteral("txtAttchDocDesc"))->setText(QStringLiteral("September statement"));
        child<QLineEdit>(&a, QStringLiteral("dtpRecDocOpenDate"))->setText(kDate);
        click(&a, "btnOK");
        return a.result();
    });
    click(d->attachments(), "btnAdd");
    QCOMPARE(d->attachments()->listView()->topLevelItemCount(), 1);
    TestDb::failInserts(fx.db, QStringLiteral("AttachedDocument"));
    typeTarget(*d, QStringLiteral("88"));
    d->baseRecPanel()->commentBox()->setPlainText(QStringLiteral("explained"));
    click(d.get(), "cmdOK");
    // Neither the balance nor the documents are stored, the user is told, and the dialog keeps
    // what was typed.
    QCOMPARE(fx.seams.prompter.messages.size(), 1);
    QVERIFY(fx.seams.prompter.lastText().contains(QStringLiteral("refused")));
    QVERIFY(d->isVisible());
    QCOMPARE(fx.audits(accountId), audits);
    QCOMPARE(fx.balanceColumn(accountId, QStringLiteral("targetAmount")), target);
    QCOMPARE(d->balance().targetAmount().units(), qint64(880000));
    QCOMPARE(fx.rows(QStringLiteral("AttachedDocument WHERE GLAcctId = %1").arg(accountId)), qint64(0));
    TestDb::mendInserts(fx.db, QStringLiteral("AttachedDocument"));

    if (thenCancel) {
        // Cancel returns to what was loaded, and ends without a fault.
        click(d.get(), "CmdCancel");
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(fx.balanceColumn(accountId, QStringLiteral("targetAmount")), target);
        QVERIFY(d->balance().targetAmount().units() != qint64(880000));
        return;
    }
    click(d.get(), "cmdOK");
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QCOMPARE(fx.rows(QStringLiteral("AttachedDocument WHERE GLAcctId = %1").arg(accountId)), qint64(1));
    QCOMPARE(fx.balanceColumn(accountId, QStringLiteral("targetAmount")).toLongLong(), qint64(880000));
    QCOMPARE(fx.audits(accountId), audits + 1);
}

void tst_RecDialogs::previewAndPrint_data()
{
    QTest::addColumn<qint64>("accountId");
    QTest::addColumn<QString>("title");
    QTest::newRow("S") << qint64(6) << "Subledger Reconciliation Report";
    QTest::newRow("H") << qint64(4) << "Calculated Balance Report";
}

void tst_RecDialogs::previewAndPrint()
{
    QFETCH(qint64, accountId);
    QFETCH(QString, title);
    Fixture fx;
    PrintRecorder printer;
    const auto d = fx.open(accountId);
    typeTarget(*d, QStringLiteral("321"));
    click(d.get(), "cmdPrint"); // the target being typed is taken before the report is built
    QCOMPARE(printer.previews.size(), 1);
    QCOMPARE(printer.previews.first().title, title);
    QVERIFY(printer.previews.first().modal);
    QCOMPARE(d->balance().targetAmount().units(), qint64(3210000));
    const QString pdf = fx.seams.path(QStringLiteral("report.pdf"));
    printer.answers = {pdf};
    click(d.get(), "btnPrint");
    QVERIFY(QFileInfo(pdf).size() > 1000);
    QVERIFY(fx.seams.prompter.messages.isEmpty());
    QVERIFY(d->isVisible()); // the reports store nothing and close nothing
}

void tst_RecDialogs::screenshots()
{
    // For a person to look at: the subledger, calculated-balance, list and bank dialogs as they open.
    const QString folder = screenshotFolder();
    if (folder.isEmpty())
        QSKIP("set CORVANTIS_SCREENSHOTS to a folder to write the screenshots");
    Fixture fx;
    for (const qint64 id : {6, 4, 8, 1, 11})
        QVERIFY(saveScreenshot(*fx.open(id), folder));
}

QTEST_MAIN(tst_RecDialogs)
#include "tst_recdialogs.moc"
