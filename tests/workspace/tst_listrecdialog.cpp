#include "amountbox.h"
#include "apperror.h"
#include "baserecpanel.h"
#include "ctlattachedfiles.h"
#include "datebox.h"
#include "glaccount.h"
#include "listrecdialog.h"
#include "modelfixture.h"
#include "msgboxutil.h"
#include "printrecorder.h"
#include "recitemdialog.h"
#include "recitemlistpanel.h"
#include "recrules.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

// The list reconciliation as the tutorial's users work it, headless: signing as each right
// allows with what lands in the database, the comment rule, items added, edited and deleted with
// their audit rows, bad input in every field, failures at Save, Esc, Enter, preview and print.
class tst_ListRecDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void signsAsRightsAllow_data();
    void signsAsRightsAllow();
    void commentRule_data();
    void commentRule();
    void amounts_data();
    void amounts();
    void itemsAreStoredWithAudit();
    void itemDialogDates_data();
    void itemDialogDates();
    void itemDialogTextAndTiming();
    void saveFailuresKeepTheDialog();
    void newBalanceIsInserted();
    void attachmentsRetriedAfterFailure();
    void laterDatedIsToldOnce_data();
    void laterDatedIsToldOnce();
    void escEnterAndNoSelection();
    void previewAndPrint();
    void itemListDialog();
    void screenshots();
};

namespace {

const QString kDate = QStringLiteral("11/30/2026");

template <typename W>
W* child(QObject* parent, const QString& name)
{
    W* w = parent->findChild<W*>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

void click(QObject* parent, const QString& name)
{
    child<QPushButton>(parent, name)->click();
}

// The tutorial with its documents database, one of its users logged in.
struct Fixture : ModelFixture
{
    explicit Fixture(const QString& user = QStringLiteral("preparer")) : ModelFixture(true)
    {
        Global::docDBPath = value("SELECT DocDBLocation FROM AttachedDocDBLocation").toString();
        Global::isDocDBValid = true;
        login(user);
    }

    void login(const QString& user)
    {
        Global::userName = user;
        Global::reportName = value("SELECT rptname FROM Users WHERE UserName = ?", {user}).toString();
        Global::permission = user == "admin"      ? QStringLiteral("CAN_APPROVE")
                             : user == "reviewer" ? QStringLiteral("CAN_REVIEW")
                             : user == "preparer" ? QStringLiteral("CAN_PREPARE")
                                                  : QString();
    }
    // Sets the stored sign-offs of account 2200 at the date: "P", "A", "R" signed by the
    // tutorial's users, the rest empty.
    void signOffs(const QString& state) const
    {
        const auto v = [&](QChar c, const char* text) { return state.contains(c) ? QVariant(text) : QVariant(); };
        Db::exec(db,
                 "UPDATE GLAccountBalance SET preparedBy = ?, PreparedByDate = ?, approvedBy = ?, ApprovedByDate = ?, "
                 "reviewedBy = ?, ReviewedByDate = ? WHERE glAcctID = 20 AND Date = '2026-11-30'",
                 {v('P', "Pat Rivera"), v('P', "2026-12-04"), v('A', "Alex Morgan"), v('A', "2026-12-05"),
                  v('R', "Robin Chen"), v('R', "2026-12-06")});
    }
    QVariant balanceColumn(const QString& column) const
    {
        return value("SELECT " + column + " FROM GLAccountBalance WHERE glAcctID = 20 AND Date = '2026-11-30'");
    }
    std::unique_ptr<ListRecDialog> open(const QString& accountId = QStringLiteral("20")) const
    {
        auto dialog = std::make_unique<ListRecDialog>();
        GLAccount account;
        account.Load(accountId);
        QString date = kDate;
        try {
            dialog->initialize(account, date);
        } catch (const AppError& e) {
            qFatal("opening failed: %s %s", qPrintable(e.source()), qPrintable(e.description()));
        }
        return dialog;
    }
};

// Types text into a field as the user does and leaves it by the dialog's Save & Exit.
void typeInto(QWidget* field, const QString& text)
{
    field->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        line->selectAll();
        QTest::keyClick(line, Qt::Key_Backspace);
        QTest::keyClicks(line, text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
        plain->selectAll();
        plain->insertPlainText(text); // as a paste would
    }
}

// Answers the item dialog: every field given is typed in, then Save & Exit (or Cancel).
DialogRunner answerItem(const QString& amount, const QString& comment, bool save = true,
                        std::function<void(QDialog&)> more = {})
{
    return [=](QDialog& d) {
        if (!comment.isNull())
            child<QPlainTextEdit>(&d, "txtComment")->setPlainText(comment);
        if (!amount.isNull())
            typeInto(child<QLineEdit>(&d, "txtAmount"), amount);
        if (more)
            more(d);
        click(&d, save ? "OKButton" : "CancelButton");
        return d.result();
    };
}

void selectRow(RecItemListPanel* panel, int row)
{
    QTreeWidget* list = panel->listView();
    list->setCurrentItem(list->topLevelItem(row));
    list->topLevelItem(row)->setSelected(true);
}

} // namespace

void tst_ListRecDialog::signsAsRightsAllow_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("nameColumn");
    QTest::addColumn<QString>("name");
    QTest::newRow("preparer prepares") << "preparer" << "" << "ChkPreparedBy" << "preparedBy" << "Pat Rivera";
    QTest::newRow("approver approves") << "admin" << "P" << "ChkApprovedBy" << "approvedBy" << "Alex Morgan";
    QTest::newRow("reviewer reviews") << "reviewer" << "PA" << "ChkReviewedBy" << "reviewedBy" << "Robin Chen";
    QTest::newRow("preparer cannot approve") << "preparer" << "P" << "ChkApprovedBy" << "approvedBy" << "";
    QTest::newRow("approved balance is closed to the preparer")
        << "preparer" << "PA" << "ChkPreparedBy" << "preparedBy" << "Pat Rivera";
    QTest::newRow("no right signs nothing") << "nobody" << "" << "ChkPreparedBy" << "preparedBy" << "";
}

void tst_ListRecDialog::signsAsRightsAllow()
{
    QFETCH(QString, user);
    QFETCH(QString, stored);
    QFETCH(QString, box);
    QFETCH(QString, nameColumn);
    QFETCH(QString, name);
    Fixture fx(user);
    fx.signOffs(stored);
    const qint64 audits = fx.rows("GLAccountBalanceAudit");
    auto dialog = fx.open();
    QCheckBox* check = child<QCheckBox>(dialog.get(), box);
    const bool opened = check->isEnabled();
    if (opened)
        check->click();
    click(dialog.get(), "cmdOK");
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(fx.balanceColumn(nameColumn).toString(), name);
    const QString dateColumn = nameColumn.left(nameColumn.size() - 2) + "ByDate";
    const bool signedNow = opened && !name.isEmpty() && !stored.contains(nameColumn[0].toUpper());
    if (signedNow)
        QCOMPARE(fx.balanceColumn(dateColumn).toString(), QStringLiteral("2024-03-15")); // the clock's today
    QCOMPARE(fx.rows("GLAccountBalanceAudit"), audits + 1);
    QCOMPARE(fx.activities("GLAccountBalanceAudit").last(), QStringLiteral("UPDATE"));
    QCOMPARE(fx.value("SELECT ActivityUser FROM GLAccountBalanceAudit ORDER BY AuditId DESC LIMIT 1").toString(),
             user);
    // The other stored sign-offs are kept as they were.
    if (stored.contains('P') && nameColumn != "preparedBy")
        QCOMPARE(fx.balanceColumn("PreparedByDate").toString(), QStringLiteral("2026-12-04"));
}

void tst_ListRecDialog::commentRule_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<bool>("stored");
    // The items open at 11/30/2026 explain the credit balance of 18,852.91 exactly.
    QTest::newRow("zero difference, no comment") << "-18852.91" << "" << true;
    QTest::newRow("difference, no comment") << "-18852.90" << "" << false;
    QTest::newRow("difference, blanks only") << "-18852.90" << "   \n " << false;
    QTest::newRow("difference, comment") << "-18852.90" << "O'Brien \"x\" owes a cent" << true;
}

void tst_ListRecDialog::commentRule()
{
    QFETCH(QString, amount);
    QFETCH(QString, comment);
    QFETCH(bool, stored);
    Fixture fx;
    const qint64 audits = fx.rows("GLAccountBalanceAudit");
    auto dialog = fx.open();
    typeInto(child<QPlainTextEdit>(dialog.get(), "txtComment"), comment);
    typeInto(dialog->baseRecPanel()->amountBox(), amount);
    click(dialog.get(), "cmdOK"); // the amount is committed first
    QCOMPARE(dialog->result() == QDialog::Accepted, stored);
    QCOMPARE(fx.rows("GLAccountBalanceAudit"), audits + (stored ? 1 : 0));
    if (stored) {
        QCOMPARE(fx.balanceColumn("comment").isNull(), comment.isEmpty());
        QCOMPARE(fx.balanceColumn("comment").toString(), comment);
        QVERIFY(fx.seams.prompter.messages.isEmpty());
    } else {
        QCOMPARE(fx.seams.prompter.texts(), QStringList{RecRules::commentRequiredMessage()});
        QCOMPARE(fx.seams.prompter.messages.last().icon, Prompter::Icon::Information);
        QCOMPARE(child<QLabel>(dialog.get(), "lblDifference")->text(), QStringLiteral("0.01 "));
    }
}

void tst_ListRecDialog::amounts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // "" when refused
    QTest::newRow("lone minus") << "-" << "";
    QTest::newRow("two points") << "1.2.3" << "";
    QTest::newRow("16 digits") << "1234567890123456" << "";
    QTest::newRow("20 digits") << "12345678901234567890" << "";
    QTest::newRow("third decimal cut") << "1,234.567" << "1,234.56 ";
    QTest::newRow("negative") << "-5" << "(5.00)";
    QTest::newRow("empty") << "" << "0.00 ";
    QTest::newRow("letters are not taken") << "12abc" << "12.00 ";
    // Typed and shown with the separators of the user's locale.
    QTest::newRow("German: a decimal comma") << "7,5" << "7,50 ";
    QTest::newRow("German: grouped, a credit") << "-1.234,567" << "(1.234,56)";
    QTest::newRow("German: an English amount") << "1,234.56" << "";
}

void tst_ListRecDialog::amounts()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    const QLocale saved;
    if (QByteArray(QTest::currentDataTag()).startsWith("German:"))
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([&saved] { QLocale::setDefault(saved); });
    Fixture fx;
    auto dialog = fx.open();
    AmountBox* box = dialog->baseRecPanel()->amountBox();
    const qint64 before = dialog->balance().amount().units();
    typeInto(box, typed);
    click(dialog.get(), "cmdPrint"); // Preview commits the field first
    if (shown.isEmpty()) {
        QCOMPARE(fx.seams.prompter.texts(), QStringList{ARCurrency::refusedEntryMessage(typed)});
        QCOMPARE(box->text(), typed); // kept for mending
        QCOMPARE(dialog->balance().amount().units(), before);
    } else {
        QVERIFY(fx.seams.prompter.messages.isEmpty());
        QCOMPARE(box->text(), shown);
        QCOMPARE(dialog->balance().amount().toLocaleString(true), shown);
    }
    // Pasted letters are refused as typed ones are.
    box->selectAll();
    box->insert("abc");
    QVERIFY(!box->text().contains("abc"));
    // A stored amount too large to type is shown whole.
    box->setAmount(ARCurrency::fromUnits(9'000'000'000'000'000'000));
    QVERIFY(box->text().size() > 20);
}

void tst_ListRecDialog::itemsAreStoredWithAudit()
{
    Fixture fx;
    auto dialog = fx.open();
    RecItemListPanel* panel = dialog->recItemListPanel();
    QCOMPARE(panel->listView()->topLevelItemCount(), 2);
    QCOMPARE(child<QLabel>(dialog.get(), "lblDifference")->text(), QStringLiteral("0.00 "));
    QStringList dialogs;
    panel->setDialogRunner([&](QDialog& d) {
        dialogs << d.windowTitle() + "|" + child<QLineEdit>(&d, "dtpOpenDate")->text();
        return answerItem("-100.5", "Refund due to customer")(d);
    });
    click(dialog.get(), "cmdNew");
    QCOMPARE(dialogs, QStringList{"List or Reconciling Item|11/30/2026"});
    QCOMPARE(panel->listView()->topLevelItemCount(), 3);
    QCOMPARE(child<QLabel>(dialog.get(), "lblDifference")->text(), QStringLiteral("100.50 "));
    QCOMPARE(fx.activities("ReconcilingItemAudit").last(), QStringLiteral("INSERT"));
    const QVariant id = fx.value("SELECT max(RecItemId) FROM ReconcilingItem");
    QCOMPARE(fx.value("SELECT ReqTiming || typeCode FROM ReconcilingItem WHERE RecItemId = ?", {id}).toString(),
             QStringLiteral("UL"));

    QTreeWidgetItem* added = panel->listView()->findItems("Refund due to customer", Qt::MatchExactly, 3).value(0);
    QVERIFY(added);
    QCOMPARE((QStringList{added->text(0), added->text(1), added->text(2), added->text(4)}),
             (QStringList{"11/30/2026", "", "U", "(100.50)"}));
    QCOMPARE(qvariant_cast<Qt::Alignment>(added->data(4, Qt::TextAlignmentRole)), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(added->data(0, Qt::UserRole).toString(), "ID:" + id.toString());
    const int row = panel->listView()->indexOfTopLevelItem(added);
    selectRow(panel, row);
    panel->setDialogRunner(answerItem("-50", QString()));
    click(dialog.get(), "cmdEdit");
    QCOMPARE(fx.activities("ReconcilingItemAudit").last(), QStringLiteral("UPDATE"));
    QCOMPARE(fx.value("SELECT amount FROM ReconcilingItem WHERE RecItemId = ?", {id}).toLongLong(), units(-50));
    QCOMPARE(panel->listView()->topLevelItem(row)->text(4), "(50.00)"); // the row shows what was stored

    // Cancel stores nothing, and the list still reloads.
    const qint64 audits = fx.rows("ReconcilingItemAudit");
    QSignalSpy reloads(panel, &RecItemListPanel::TotalAmountChanged);
    selectRow(panel, row);
    panel->setDialogRunner(answerItem("7", QString(), false));
    click(dialog.get(), "cmdEdit");
    QCOMPARE(reloads.size(), 1);
    QCOMPARE(fx.rows("ReconcilingItemAudit"), audits);

    selectRow(panel, row);
    fx.seams.prompter.answers = {Prompter::No};
    click(dialog.get(), "cmdDelete");
    QCOMPARE(fx.rows("ReconcilingItemAudit"), audits);
    fx.seams.prompter.answers = {Prompter::Yes};
    click(dialog.get(), "cmdDelete");
    QCOMPARE(fx.seams.prompter.lastTitle(), QStringLiteral("Delete"));
    QCOMPARE(fx.activities("ReconcilingItemAudit").last(), QStringLiteral("DELETE"));
    QCOMPARE(fx.value("SELECT count(*) FROM ReconcilingItem WHERE RecItemId = ?", {id}).toInt(), 0);
    QCOMPARE(panel->listView()->topLevelItemCount(), 2);
    // Cancel of the reconciliation keeps the stored items.
    dialog->reject();
    QCOMPARE(fx.rows("ReconcilingItemAudit"), audits + 1);
}

void tst_ListRecDialog::itemDialogDates_data()
{
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("close"); // null: box not ticked
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("storedOpen");
    QTest::newRow("blank open date") << "" << QString() << "Open date cannot be emptyt." << "";
    QTest::newRow("no such date") << "13/45/2024" << QString()
                                  << "Open date entered is invalid, Please enter a valid date in MMDDYYYY format." << "";
    QTest::newRow("digits only") << "013124" << QString() << "" << "2024-01-31";
    QTest::newRow("close equal to open")
        << "01/31/2024" << "01/31/2024"
        << "The Close Date must be after the Open Date. Please change the date so that the Close Date will be after the "
           "Open Date."
        << "";
    QTest::newRow("close invalid") << "01/31/2024" << "02/30/2024"
                                   << "Close date entered is invalid, Please enter a valid date in MMDDYYYY format."
                                   << "";
    QTest::newRow("close a day later") << "01/31/2024" << "02/01/2024" << "" << "2024-01-31";
}

void tst_ListRecDialog::itemDialogDates()
{
    QFETCH(QString, open);
    QFETCH(QString, close);
    QFETCH(QString, message);
    QFETCH(QString, storedOpen);
    Fixture fx;
    auto dialog = fx.open();
    const qint64 items = fx.rows("ReconcilingItem");
    dialog->recItemListPanel()->setDialogRunner(answerItem("1", "dated", true, [&](QDialog& d) {
        if (!close.isNull()) {
            child<QCheckBox>(&d, "ChkCloseDate")->click(); // proposes the day after the open date
            typeInto(child<QLineEdit>(&d, "dtpOpenDate"), open);
            typeInto(child<QLineEdit>(&d, "dtpCloseDate"), close);
        } else {
            typeInto(child<QLineEdit>(&d, "dtpOpenDate"), open);
        }
    }));
    click(dialog.get(), "cmdNew");
    QCOMPARE(fx.seams.prompter.lastText(), message);
    QCOMPARE(fx.rows("ReconcilingItem"), items + (storedOpen.isEmpty() ? 0 : 1));
    if (!storedOpen.isEmpty())
        QCOMPARE(fx.value("SELECT openDate FROM ReconcilingItem WHERE comment = 'dated'").toString(), storedOpen);
}

void tst_ListRecDialog::itemDialogTextAndTiming()
{
    Fixture fx;
    auto item = std::make_shared<ReconcilingItem>();
    item->initialize(QString(), "20", "11/01/2026", "11/20/2026", QString(), "3", "L", QString(), QString(), "t ");
    GLAccount account;
    account.Load("20");
    RecItemDialog d;
    d.initialize(*item, account, kDate);
    QVERIFY(child<QCheckBox>(&d, "optTiming")->isChecked());
    QCOMPARE(item->getReqTiming(), QStringLiteral("T"));
    child<QCheckBox>(&d, "optTiming")->click(); // clearing the chosen box keeps it
    QVERIFY(child<QCheckBox>(&d, "optTiming")->isChecked());
    child<QCheckBox>(&d, "optReqadjustment")->click();
    QCOMPARE(item->getReqTiming(), QStringLiteral("R"));
    QVERIFY(!child<QCheckBox>(&d, "optTiming")->isChecked());
    // A close date opened with the item: cleared, then ticked again, the box stays closed but
    // the date is still checked at Save.
    auto* closeBox = child<QCheckBox>(&d, "ChkCloseDate");
    closeBox->click();
    QCOMPARE(item->getCloseDate(), QString());
    typeInto(child<QLineEdit>(&d, "dtpOpenDate"), "11/25/2026");
    closeBox->click();
    QCOMPARE(item->getCloseDate(), QStringLiteral("11/26/2026"));
    QVERIFY(!child<QLineEdit>(&d, "dtpCloseDate")->isEnabled());
    item->setCloseDate("11/25/2026"); // as a stale date would stand
    click(&d, "OKButton");
    QVERIFY(fx.seams.prompter.lastText().startsWith("The Close Date must be after the Open Date."));
    QCOMPARE(d.result(), int(QDialog::Rejected));

    // 1,001 pasted characters keep 1,000; quotes are stored as typed.
    auto* comment = child<QPlainTextEdit>(&d, "txtComment");
    typeInto(comment, QString(1001, 'c'));
    QCOMPARE(item->getComment().size(), 1000);
    typeInto(comment, "O'Brien \"x\"");
    item->setCloseDate("11/26/2026");
    click(&d, "OKButton");
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(fx.value("SELECT comment FROM ReconcilingItem WHERE RecItemId = ?", {item->getID()}).toString(),
             QStringLiteral("O'Brien \"x\""));
    QCOMPARE(fx.value("SELECT ReqTiming FROM ReconcilingItem WHERE RecItemId = ?", {item->getID()}).toString(),
             QStringLiteral("R"));
}

void tst_ListRecDialog::saveFailuresKeepTheDialog()
{
    Fixture fx;
    auto dialog = fx.open();
    child<QCheckBox>(dialog.get(), "ChkPreparedBy")->click();
    // Another user holds the database: Save waits, says so, and keeps everything for a retry.
    TestDb::waitBusyOnly(fx.db, 100);
    const QSqlDatabase other = Db::open(Global::mainDatabasePath, "locker");
    Db::exec(other, TestDb::lockOut("GLAccountBalance"));
    click(dialog.get(), "cmdOK");
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(fx.seams.prompter.messages.size(), 1);
    QCOMPARE(fx.seams.prompter.lastTitle(), QStringLiteral("Corvantis"));
    Db::exec(other, "ROLLBACK");
    QCOMPARE(dialog->balance().getPreparedBy(), QStringLiteral("Pat Rivera"));
    // A balance that fails validation shows its validation message.
    dialog->balance().setReconciledDate("11/15/2026"); // before the period end
    dialog->balance().setReconciled(true);
    fx.seams.prompter.clear();
    click(dialog.get(), "cmdOK");
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(fx.seams.prompter.lastTitle(), QStringLiteral("Data Validation Error"));
    dialog->balance().setReconciledDate("12/06/2026");
    click(dialog.get(), "cmdOK");
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(fx.balanceColumn("preparedBy").toString(), QStringLiteral("Pat Rivera"));
}

void tst_ListRecDialog::newBalanceIsInserted()
{
    Fixture fx("admin");
    Db::exec(fx.db, "DELETE FROM GLAccountBalance WHERE glAcctID = 20 AND Date = '2026-11-30'");
    // An item of another type open at the date is listed and counts.
    Db::exec(fx.db, "INSERT INTO ReconcilingItem (glAcctID, openDate, comment, amount, typeCode, ReqTiming) "
                    "VALUES (20, '2026-11-01', 'Other', 1000000, 'O', 'U')");
    auto dialog = fx.open();
    QCOMPARE(dialog->recItemListPanel()->listView()->topLevelItemCount(), 3);
    QCOMPARE(child<QLineEdit>(dialog.get(), "txtAmount")->text(), QStringLiteral("0.00 "));
    QCOMPARE(child<QLabel>(dialog.get(), "lblDifference")->text(), QStringLiteral("18,752.91 "));
    typeInto(child<QPlainTextEdit>(dialog.get(), "txtComment"), "Balance not yet posted");
    click(dialog.get(), "cmdOK");
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(fx.balanceColumn("comment").toString(), QStringLiteral("Balance not yet posted"));
    QCOMPARE(fx.activities("GLAccountBalanceAudit").last(), QStringLiteral("INSERT"));
}

void tst_ListRecDialog::attachmentsRetriedAfterFailure()
{
    for (const bool cancel : {false, true}) {
        Fixture fx;
        auto dialog = fx.open();
        ctlAttachedFiles1* files = dialog->attachments();
        const QString source = TestDb::textFile(fx.seams.folder(), "statement.txt", "statement");
        files->setDialogRunner([&](QDialog& d) {
            child<QLineEdit>(&d, "txtFilePathAndName")->setText(source);
            child<QLineEdit>(&d, "txtAttchDocDesc")->setText("November statement");
            click(&d, "btnOK");
            return d.result();
        });
        click(files, "btnAdd");
        fx.breakAudit("AttachedDocument");
        click(dialog.get(), "cmdOK");
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(fx.seams.prompter.messages.size(), 1);
        fx.mendAudit();
        const qint64 before = fx.rows("AttachedDocument");
        if (cancel) {
            dialog->reject(); // no edit is open any more: nothing to restore, nothing breaks
            QCOMPARE(dialog->result(), int(QDialog::Rejected));
            QCOMPARE(fx.rows("AttachedDocument"), before);
        } else {
            click(dialog.get(), "cmdOK");
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
            QCOMPARE(fx.rows("AttachedDocument"), before + 1);
        }
    }
}

void tst_ListRecDialog::laterDatedIsToldOnce_data()
{
    QTest::addColumn<QString>("itemDate");    // a new item's open date; "" for none
    QTest::addColumn<QStringList>("docDates"); // open dates of account documents added
    QTest::addColumn<QStringList>("told");
    const auto later = [](const QString& what, const QString& date) {
        return MsgBoxUtil::listedLaterText(what, date, kDate);
    };
    QTest::newRow("item on the date") << "11/30/2026" << QStringList() << QStringList();
    QTest::newRow("item dated later") << "12/15/2026" << QStringList() << QStringList{later("item", "12/15/2026")};
    QTest::newRow("documents, two dated later")
        << "" << QStringList{"12/01/2026", "11/30/2026", "01/05/2027"}
        << QStringList{later("document \"s.txt\"", "12/01/2026") + "\n\n" + later("document \"s.txt\"", "01/05/2027")};
}

// Something stored with a date after the reconciliation date drops out of its lists: told once.
void tst_ListRecDialog::laterDatedIsToldOnce()
{
    QFETCH(QString, itemDate);
    QFETCH(QStringList, docDates);
    QFETCH(QStringList, told);
    Fixture fx;
    auto dialog = fx.open();
    const qint64 stored = fx.rows("ReconcilingItem") + fx.rows("AttachedDocument");
    dialog->recItemListPanel()->setDialogRunner(answerItem("25", "Refund", true, [&](QDialog& d) {
        typeInto(child<QLineEdit>(&d, "dtpOpenDate"), itemDate);
    }));
    if (!itemDate.isEmpty())
        click(dialog.get(), "cmdNew");
    const QString source = TestDb::textFile(fx.seams.folder(), "s.txt", "statement");
    dialog->attachments()->setDialogRunner([&, next = 0](QDialog& d) mutable {
        child<QLineEdit>(&d, "txtFilePathAndName")->setText(source);
        child<DateBox>(&d, "dtpRecDocOpenDate")->setText(docDates.at(next++));
        click(&d, "btnOK");
        return d.result();
    });
    for (qsizetype i = 0; i < docDates.size(); ++i)
        click(dialog->attachments(), "btnAdd");
    typeInto(child<QPlainTextEdit>(dialog.get(), "txtComment"), "Refund posted in December"); // an item counted leaves a difference
    click(dialog.get(), "cmdOK");
    QCOMPARE(fx.rows("ReconcilingItem") + fx.rows("AttachedDocument"), stored + docDates.size() + !itemDate.isEmpty());
    QCOMPARE(fx.seams.prompter.texts(), told);
}

void tst_ListRecDialog::escEnterAndNoSelection()
{
    Fixture fx;
    auto dialog = fx.open();
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    AmountBox* amount = dialog->baseRecPanel()->amountBox();
    typeInto(amount, "5");
    QTest::keyClick(amount, Qt::Key_Return);
    QVERIFY(dialog->isVisible());
    QVERIFY(!amount->hasFocus());
    QCOMPARE(dialog->balance().amount().toString(true), QStringLiteral("5.00 "));
    // Edit and Delete without a selected row do nothing.
    dialog->recItemListPanel()->setDialogRunner([](QDialog&) -> int { qFatal("no dialog expected"); });
    click(dialog.get(), "cmdEdit");
    click(dialog.get(), "cmdDelete");
    QVERIFY(fx.seams.prompter.messages.isEmpty());
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->balance().amount().units(), units(-18852.91)); // back as loaded
}

void tst_ListRecDialog::previewAndPrint()
{
    Fixture fx;
    PrintRecorder printer;
    auto dialog = fx.open();
    typeInto(dialog->baseRecPanel()->amountBox(), "1234");
    click(dialog.get(), "cmdPrint");
    QCOMPARE(printer.previews.size(), 1);
    QCOMPARE(printer.previews.first().title, QStringLiteral("List Reconciliation Report"));
    QVERIFY(printer.previews.first().modal);
    QCOMPARE(dialog->balance().amount().units(), units(1234)); // committed before the report was built
    const QString pdf = fx.seams.path("list.pdf");
    printer.answers = {pdf};
    click(dialog.get(), "btnCmdReportPrint");
    QCOMPARE(printer.parentEnabled, QList<bool>{false});
    QVERIFY(dialog->isEnabled());
    QVERIFY(QFileInfo(pdf).size() > 1000);
    click(dialog.get(), "btnCmdReportPrint"); // a cancelled print says nothing
    QVERIFY(fx.seams.prompter.messages.isEmpty());
    QCOMPARE(fx.balanceColumn("amount").toLongLong(), units(-18852.91));
}

void tst_ListRecDialog::itemListDialog()
{
    Fixture fx;
    GLAccount account;
    account.Load("1"); // the operating bank account
    ReconcilingItemList items;
    items.Load("1", kDate, "C");
    RecItemListDialog d;
    d.initialize(items, "C", account, kDate);
    QVERIFY(d.windowTitle().contains("Outstanding Check"));
    QCOMPARE(child<QLabel>(&d, "lblTotalAmount")->text(), items.getTotalAmount().toString(true));
    const qint64 count = items.count();
    d.panel()->setDialogRunner(answerItem("-12.34", "Chk 99999 - Test payee"));
    click(&d, "cmdNew");
    QCOMPARE(items.count(), count + 1);
    QCOMPARE(fx.value("SELECT typeCode FROM ReconcilingItem WHERE comment = 'Chk 99999 - Test payee'").toString(),
             QStringLiteral("C"));
    QCOMPARE(child<QLabel>(&d, "lblTotalAmount")->text(), items.getTotalAmount().toString(true));
    // The description column is wide only in a wide list.
    RecItemListPanel panel;
    panel.intitalize(items, "C", account, kDate);
    panel.show();
    QList<int> widths;
    for (const int width : {400, 600}) { // 6,000 and 9,000 twips
        panel.resize(width, 300);
        widths << panel.listView()->columnWidth(3);
    }
    QCOMPARE(widths, (QList<int>{2460 / 15, 5110 / 15}));
    click(&d, "OKButton");
    QCOMPARE(d.result(), int(QDialog::Accepted));
}

void tst_ListRecDialog::screenshots()
{
    const QString out = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
    if (out.isEmpty())
        QSKIP("set CORVANTIS_SCREENSHOTS to a folder to write the pictures");
    Fixture fx("admin");
    auto dialog = fx.open();
    dialog->show();
    QVERIFY(dialog->grab().save(out + "/listrecdialog.png"));
    child<QTabWidget>(dialog.get(), "SSTab1")->setCurrentIndex(1);
    QVERIFY(dialog->grab().save(out + "/listrecdialog-account.png"));
    child<QTabWidget>(dialog.get(), "SSTab1")->setCurrentIndex(0);
    dialog->recItemListPanel()->setDialogRunner([&](QDialog& d) {
        d.show();
        d.grab().save(out + "/recitemdialog.png");
        return QDialog::Rejected;
    });
    selectRow(dialog->recItemListPanel(), 0);
    click(dialog.get(), "cmdEdit");
    GLAccount account;
    account.Load("1");
    ReconcilingItemList items;
    items.Load("1", kDate, "C");
    RecItemListDialog list;
    list.initialize(items, "C", account, kDate);
    list.show();
    QVERIFY(list.grab().save(out + "/recitemlistdialog.png"));
}

QTEST_MAIN(tst_ListRecDialog)
#include "tst_listrecdialog.moc"
