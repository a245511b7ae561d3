#include "amortizableitemdialog.h"
#include "amortizationdialog.h"
#include "amountbox.h"
#include "baserecpanel.h"
#include "ctlattachedfiles.h"
#include "datebox.h"
#include "glaccount.h"
#include "modelfixture.h"
#include "prepaidrecdialog.h"
#include "prepaidrecreport.h"
#include "prepaidrules.h"
#include "printrecorder.h"
#include "recdialogfactory.h"
#include "recdialogfixture.h"
#include "reportrecordset.h"
#include "timelimit.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

// The prepaid reconciliation driven headless over the tutorial ledger: the worked example from the
// item dialog through the monthly amounts into the database, the list and the report; what the
// item dialog refuses; the monthly amounts' balance rule and cells; items deleted by another user;
// and printing.
class tst_PrepaidDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newItemDates_data();
    void newItemDates();
    void workedExample();
    void itemDialogInput_data();
    void itemDialogInput();
    void cancelStoresNothing();
    void documentsWaitForTheItem_data();
    void documentsWaitForTheItem();
    void monthlyAmountsBalance();
    void gridCells_data();
    void gridCells();
    void closeBoxIsCancel();
    void goneMeanwhile_data();
    void goneMeanwhile();
    void deleteAsks_data();
    void deleteAsks();
    void printing();
    void largeAmountsShowWhole_data();
    void largeAmountsShowWhole();
    void tabOrder();
    void screenshots();
};

namespace {

using RecDialogTest::child;
using RecDialogTest::click;

const qint64 kInsurance = 11;
const qint64 kNotStored = std::numeric_limits<qint64>::min();

// The tutorial ledger of the reconciliation dialogs' tests, with the prepaid dialog of an account
// at a date and readers of the stored prepaid items.
struct Fixture : RecDialogTest::Fixture
{
    std::unique_ptr<PrepaidRecDialog> open(const QString& date, qint64 accountId = kInsurance) const
    {
        std::unique_ptr<RecDialogFrame> made = RecDialogTest::Fixture::open(accountId, date);
        return std::unique_ptr<PrepaidRecDialog>(static_cast<PrepaidRecDialog*>(made.release()));
    }
    static void showActive(QWidget& w)
    {
        w.show();
        w.activateWindow();
        QApplication::setActiveWindow(&w);
    }
    qint64 items() const
    {
        return value(QStringLiteral("SELECT count(*) FROM AmortizableItem")).toLongLong();
    }
    // The newest item's periods as "yyyy-mm-dd=units", in schedule order.
    QStringList newestPeriods() const
    {
        QStringList out;
        QSqlQuery q =
            Db::exec(db, QStringLiteral("SELECT period, amount FROM Amortization WHERE amortizableItemID = "
                                        "(SELECT max(AmortizableItemID) FROM AmortizableItem) "
                                        "ORDER BY AmortizationID"));
        while (q.next())
            out << q.value(0).toString() + QLatin1Char('=') + q.value(1).toString();
        return out;
    }
};

// Types the item's fields as a user would; the amount last, still in its box.
void fill(QDialog& d, const QString& description, const QString& amount, const QString& open,
          const QString& start, const QString& end)
{
    child<QLineEdit>(&d, "txtDesc")->setText(description);
    child<DateBox>(&d, "dtpOpenDate")->setText(open);
    child<DateBox>(&d, "dtpStartDate")->setText(start);
    child<DateBox>(&d, "dtpEndDate")->setText(end);
    AmountBox* box = child<AmountBox>(&d, "txtAmount");
    box->setFocus();
    QCoreApplication::processEvents();
    box->selectAll();
    box->del();
    QTest::keyClicks(box, amount);
}

QString cell(const QAbstractItemModel& m, int row, int column)
{
    return m.data(m.index(row, column)).toString();
}

// An item of its own, not stored: 1,000.00 over January to March 2025, scheduled.
AmortizableItem workedItem()
{
    AmortizableItem item;
    item.initialize(QString(), nullptr, QStringLiteral("12/31/2024"), QStringLiteral("01/01/2025"),
                    QStringLiteral("03/31/2025"), QStringLiteral("1000"), QStringLiteral("Worked example"),
                    QString(), QString(), QString());
    return item;
}

} // namespace

void tst_PrepaidDialogs::newItemDates_data()
{
    QTest::addColumn<QString>("recDate");
    QTest::addColumn<QStringList>("proposed");
    QTest::newRow("year end") << "12/31/2023" << QStringList{"12/31/2023", "01/01/2024", "12/31/2024"};
    QTest::newRow("into a leap year")
        << "02/28/2023" << QStringList{"02/28/2023", "03/01/2023", "02/29/2024"};
    QTest::newRow("month end") << "01/31/2024" << QStringList{"01/31/2024", "02/01/2024", "01/31/2025"};
    QTest::newRow("no date") << "13/45/2024" << QStringList{"", "", ""};
}

void tst_PrepaidDialogs::newItemDates()
{
    QFETCH(QString, recDate);
    QFETCH(QStringList, proposed);
    const PrepaidRules::NewItemDates d = PrepaidRules::newItemDates(recDate);
    QCOMPARE((QStringList{d.openDate, d.startDate, d.endDate}), proposed);
}

void tst_PrepaidDialogs::workedExample()
{
    Fixture fx;
    const auto d = fx.open(QStringLiteral("12/31/2024"));
    const qint64 before = d->difference()->units();
    QStringList shownPeriods;
    QString shownRemaining;
    QStringList proposed;
    int calendars = 0;
    d->setDialogRunner([&](QDialog& dialog) {
        auto& itemDialog = static_cast<AmortizableItemDialog&>(dialog);
        Fixture::showActive(itemDialog);
        for (const char* name : {"dtpOpenDate", "dtpStartDate", "dtpEndDate"}) {
            auto* box = child<DateBox>(&itemDialog, name);
            proposed << box->text();
            // Plain text boxes: no calendar button, and F4 opens none.
            QTest::keyClick(box, Qt::Key_F4);
            calendars += int(box->actions().size() + box->findChildren<QCalendarWidget*>().size());
        }
        fill(itemDialog, QStringLiteral("Worked example"), QStringLiteral("1000"),
             QStringLiteral("12/31/2024"), QStringLiteral("01/01/2025"), QStringLiteral("03/31/2025"));
        itemDialog.setDialogRunner([&](QDialog& monthly) {
            const QAbstractItemModel& m = *static_cast<AmortizationDialog&>(monthly).grid()->model();
            for (int r = 0; r < m.rowCount(); ++r)
                shownPeriods << cell(m, r, 0) + QLatin1Char('=') + cell(m, r, 1);
            shownRemaining = child<QLabel>(&monthly, "lblNonAmortizedAmount")->text();
            click(&monthly, "OKButton");
            return monthly.result();
        });
        click(&itemDialog, "cmdMonthlyAmounts"); // the amount being typed is taken first
        click(&itemDialog, "OKButton");
        return itemDialog.result();
    });
    click(d.get(), "cmdNewAmortizableItem");
    QVERIFY2(fx.seams.prompter.messages.isEmpty(), qPrintable(fx.seams.prompter.lastText()));
    // The proposal of a new item at the date.
    QCOMPARE(proposed, (QStringList{"12/31/2024", "01/01/2025", "12/31/2025"}));
    QCOMPARE(calendars, 0);
    QCOMPARE(shownPeriods, (QStringList{"01/31/2025=333.34", "02/28/2025=333.33", "03/31/2025=333.33"}));
    QCOMPARE(shownRemaining, QStringLiteral("0.00 "));
    QCOMPARE(fx.newestPeriods(),
             (QStringList{"2025-01-31=3333400", "2025-02-28=3333300", "2025-03-31=3333300"}));

    // The list shows the stored item with all of it remaining, and the difference counts it.
    const QList<QTreeWidgetItem*> rows =
        d->prepaidListView()->findItems(QStringLiteral("Worked example"), Qt::MatchExactly);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first()->text(3), QStringLiteral("1,000.00 "));
    QCOMPARE(rows.first()->text(4), QStringLiteral("1,000.00 "));
    QCOMPARE(d->difference()->units(), before - 10000000);

    // A month on, the dialog and the report both leave the January period out.
    const auto later = fx.open(QStringLiteral("01/31/2025"));
    const QList<QTreeWidgetItem*> laterRows =
        later->prepaidListView()->findItems(QStringLiteral("Worked example"), Qt::MatchExactly);
    QCOMPARE(laterRows.first()->text(4), QStringLiteral("666.66 "));
    const auto records = PrepaidRecReport::buildRecords(later->balance(), later->prepaidItems(),
                                                        later->recItemListPanel()->getItems());
    const ReportRecordSet& items = records->chapter("ItemTypes").chapter("Items");
    bool found = false;
    for (int r = 0; r < items.rowCount(); ++r)
        if (items.value(r, "ItemDescription").toString() == QStringLiteral("Worked example")) {
            QCOMPARE(items.value(r, "UnamortizedBalance").toString(), QStringLiteral("666.66 "));
            found = true;
        }
    QVERIFY(found);
}

void tst_PrepaidDialogs::itemDialogInput_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("message"); // the first message shown, "" for none
    QTest::addColumn<qint64>("units");    // the stored amount; kNotStored when nothing is
    QTest::addColumn<int>("periods");
    const QString desc = QStringLiteral("Fleet policy");
    const QString open = QStringLiteral("12/31/2024");
    const QString jan = QStringLiteral("01/01/2025");
    const QString dec = QStringLiteral("12/31/2025");
    const QString missingAmount = QStringLiteral("Please enter the following fields:\r\n - Amount\r\n");
    const QString tooLarge = QStringLiteral("The amount is too large. Please enter an amount between "
                                            "-9,223,372,036,854.77 and 9,223,372,036,854.77.");
    QTest::newRow("cents cut") << desc << "1234.567" << open << jan << dec << "" << qint64(12345600) << 12;
    QTest::newRow("negative accepted") << desc << "-5" << open << jan << dec << "" << qint64(-50000) << 12;
    QTest::newRow("zero") << desc << "0" << open << jan << dec << missingAmount << kNotStored << 0;
    QTest::newRow("zero once cut") << desc << "0.009" << open << jan << dec << missingAmount << kNotStored
                                   << 0;
    QTest::newRow("letters never reach the box")
        << desc << "abc" << open << jan << dec << missingAmount << kNotStored << 0;
    QTest::newRow("twenty nines") << desc << QString(20, '9') << open << jan << dec << tooLarge
                                  << kNotStored << 0;
    QTest::newRow("blank description")
        << "  "
        << "10" << open << jan << dec << "Please enter the following fields:\r\n - Description" << kNotStored
        << 0;
    QTest::newRow("neither") << ""
                             << "" << open << jan << dec
                             << "Please enter the following fields:\r\n - Amount\r\n - Description"
                             << kNotStored << 0;
    QTest::newRow("no such day") << desc << "10"
                                 << "13/45/2024" << jan << dec << PrepaidRules::openDateInvalidMessage()
                                 << kNotStored << 0;
    QTest::newRow("February 30") << desc << "10" << open << "02/30/2024" << dec
                                 << PrepaidRules::startDateInvalidMessage() << kNotStored << 0;
    QTest::newRow("six digits") << desc << "10" << open << jan << "123125"
                                << "" << qint64(100000) << 12;
    QTest::newRow("end empty") << desc << "10" << open << jan << "" << PrepaidRules::endDateInvalidMessage()
                               << kNotStored << 0;
    QTest::newRow("end equal to start") << desc << "10" << open << jan << jan
                                        << PrepaidRules::endDateNotAfterStartMessage() << kNotStored << 0;
    QTest::newRow("end before start") << desc << "10" << open << jan << "12/15/2024"
                                      << PrepaidRules::endDateNotAfterStartMessage() << kNotStored << 0;
    QTest::newRow("within one month") << desc << "10" << open << "01/10/2025"
                                      << "01/20/2025"
                                      << "" << qint64(100000) << 1;
    QTest::newRow("year 2999") << desc << "11700" << open << jan << "12/31/2999"
                               << "" << qint64(117000000) << 11700;
    QTest::newRow("quotes and semicolons") << "O'Brien; DROP TABLE x"
                                           << "10" << open << jan << dec << "" << qint64(100000) << 12;
}

void tst_PrepaidDialogs::itemDialogInput()
{
    QFETCH(QString, description);
    QFETCH(QString, amount);
    QFETCH(QString, open);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, message);
    QFETCH(qint64, units);
    QFETCH(int, periods);
    Fixture fx;
    const auto d = fx.open(QStringLiteral("12/31/2024"));
    const qint64 before = fx.items();
    bool stayed = false;
    QElapsedTimer timer;
    d->setDialogRunner([&](QDialog& dialog) {
        Fixture::showActive(dialog);
        fill(dialog, description, amount, open, start, end);
        timer.start();
        click(&dialog, "OKButton");
        stayed = dialog.isVisible() && dialog.result() != QDialog::Accepted;
        if (stayed)
            click(&dialog, "CancelButton");
        return dialog.result();
    });
    click(d.get(), "cmdNewAmortizableItem");
    QCOMPARE(fx.seams.prompter.messages.isEmpty() ? QString() : fx.seams.prompter.messages.first().text,
             message);
    if (units == kNotStored) {
        QVERIFY(stayed);
        QCOMPARE(fx.items(), before);
        return;
    }
    QVERIFY(timer.elapsed() < timeLimitMs(5000));
    QCOMPARE(fx.items(), before + 1);
    QCOMPARE(
        fx.value(QStringLiteral("SELECT amount FROM AmortizableItem ORDER BY AmortizableItemID DESC LIMIT 1"))
            .toLongLong(),
        units);
    QCOMPARE(fx.value(QStringLiteral(
                          "SELECT \"desc\" FROM AmortizableItem ORDER BY AmortizableItemID DESC LIMIT 1"))
                 .toString(),
             description);
    QCOMPARE(fx.newestPeriods().size(), periods);
    // The schedule always adds up to the item's amount.
    QCOMPARE(fx.value(QStringLiteral("SELECT sum(amount) FROM Amortization WHERE amortizableItemID = "
                                     "(SELECT max(AmortizableItemID) FROM AmortizableItem)"))
                 .toLongLong(),
             units);
}

void tst_PrepaidDialogs::cancelStoresNothing()
{
    Fixture fx;
    const auto d = fx.open(QStringLiteral("09/30/2026"));
    d->prepaidListView()->setCurrentItem(d->prepaidListView()->topLevelItem(0));
    const QString id =
        PrepaidRules::parseItemKey(d->prepaidListView()->topLevelItem(0)->data(0, Qt::UserRole).toString());
    const qint64 audits = fx.rows(QStringLiteral("AmortizableItemAudit"));
    QString afterCancel;
    d->setDialogRunner([&](QDialog& dialog) {
        Fixture::showActive(dialog);
        fill(dialog, QStringLiteral("Changed"), QStringLiteral("1"), QStringLiteral("01/01/2026"),
             QStringLiteral("01/01/2026"), QStringLiteral("06/30/2026"));
        dialog.close(); // the close box is Cancel
        return dialog.result();
    });
    click(d.get(), "cmdEditAmortizableItem");
    QCOMPARE(fx.rows(QStringLiteral("AmortizableItemAudit")), audits);
    QVERIFY(fx.value(QStringLiteral("SELECT \"desc\" FROM AmortizableItem WHERE AmortizableItemID = ?"), {id})
                .toString() != QStringLiteral("Changed"));
}

void tst_PrepaidDialogs::documentsWaitForTheItem_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("save") << true;
    QTest::newRow("cancel") << false;
}

void tst_PrepaidDialogs::documentsWaitForTheItem()
{
    QFETCH(bool, save);
    Fixture fx;
    const auto d = fx.open(QStringLiteral("12/31/2024"));
    const QString source = TestDb::textFile(fx.seams.folder(), QStringLiteral("policy.pdf"), "%PDF-1.4 test");
    int listed = 0;
    d->setDialogRunner([&](QDialog& dialog) {
        auto& itemDialog = static_cast<AmortizableItemDialog&>(dialog);
        Fixture::showActive(itemDialog);
        fill(itemDialog, QStringLiteral("Fleet policy"), QStringLiteral("1200"), QStringLiteral("12/31/2024"),
             QStringLiteral("01/01/2025"), QStringLiteral("12/31/2025"));
        int n = 0;
        itemDialog.attachments()->setDialogRunner([&](QDialog& a) {
            child<QLineEdit>(&a, QStringLiteral("txtFilePathAndName"))->setText(source);
            child<QLineEdit>(&a, QStringLiteral("txtAttchDocDesc"))
                ->setText(QStringLiteral("Page %1").arg(++n));
            click(&a, "btnOK");
            return a.result();
        });
        click(itemDialog.attachments(), "btnAdd");
        click(itemDialog.attachments(), "btnAdd");
        listed = itemDialog.attachments()->listView()->topLevelItemCount();
        click(&itemDialog, save ? "OKButton" : "CancelButton");
        return itemDialog.result();
    });
    click(d.get(), "cmdNewAmortizableItem");
    QCOMPARE(listed, 2);
    QVERIFY2(fx.seams.prompter.messages.isEmpty(), qPrintable(fx.seams.prompter.lastText()));
    // Stored under the new item's id as documents of a prepaid item, or not at all.
    const QVariant newId = fx.value(QStringLiteral("SELECT max(AmortizableItemID) FROM AmortizableItem"));
    QCOMPARE(
        fx.value(QStringLiteral("SELECT count(*) FROM AttachedDocument WHERE AmortizableItemId = ?"), {newId})
            .toLongLong(),
        save ? 2 : 0);
    QCOMPARE(fx.value(QStringLiteral("SELECT count(*) FROM AttachedDocument")).toLongLong() > 0, save);
}

void tst_PrepaidDialogs::monthlyAmountsBalance()
{
    ModelFixture fx;
    AmortizableItem item = workedItem();
    AmortizationDialog d;
    d.initialize(item);
    Fixture::showActive(d);
    QAbstractItemModel& m = *d.grid()->model();
    QLabel* remaining = child<QLabel>(&d, "lblNonAmortizedAmount");
    // Ten more in January: ten too many amortized, shown in parentheses, and OK refuses.
    QVERIFY(m.setData(m.index(0, 1), QStringLiteral("343.34")));
    QCOMPARE(remaining->text(), QStringLiteral("(10.00)"));
    click(&d, "OKButton");
    QCOMPARE(fx.seams.prompter.lastTitle(), QStringLiteral("Non-zero Balance Remaining"));
    QCOMPARE(fx.seams.prompter.lastText(),
             QStringLiteral(
                 "Your amortization schedule has a balance remaining of (10.00). Please adjust the amounts "
                 "so that the balance remaining is zero."));
    QVERIFY(d.isVisible());
    // Twenty less in February: ten left, and OK refuses again; nothing moved onto a period.
    QVERIFY(m.setData(m.index(1, 1), QStringLiteral("313.33")));
    QCOMPARE(remaining->text(), QStringLiteral("10.00 "));
    click(&d, "OKButton");
    QVERIFY(fx.seams.prompter.lastText().contains(QStringLiteral("of 10.00 .")));
    QCOMPARE(item.getAmortizationList().getAmortizationAt(3).getAmount().units(), qint64(3333300));
    // The last amount typed into the open cell is taken by OK itself.
    const QModelIndex march = m.index(2, 1);
    d.grid()->setCurrentIndex(march);
    d.grid()->edit(march);
    auto* editor = d.grid()->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(QStringLiteral("343.33"));
    fx.seams.prompter.clear();
    click(&d, "OKButton");
    QVERIFY2(fx.seams.prompter.messages.isEmpty(), qPrintable(fx.seams.prompter.lastText()));
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(!item.hasNonAmortizedAmount());
}

void tst_PrepaidDialogs::gridCells_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("editDates");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("shown");
    QTest::newRow("cents cut") << 1 << false << "12.349" << true << "12.34";
    QTest::newRow("negative") << 1 << false << "-5" << true << "(5.00)";
    QTest::newRow("blank is nothing") << 1 << false << "" << true << "0.00";
    QTest::newRow("letters keep the amount") << 1 << false << "abc" << false << "333.34";
    QTest::newRow("too large keeps the amount") << 1 << false << QString(20, '9') << false << "333.34";
    QTest::newRow("dates locked") << 0 << false << "02/15/2025" << false << "01/31/2025";
    QTest::newRow("six digits") << 0 << true << "021525" << true << "02/15/2025";
    QTest::newRow("no date keeps the date") << 0 << true << "13/13/13" << false << "01/31/2025";
    QTest::newRow("empty keeps the date") << 0 << true << "" << false << "01/31/2025";
}

void tst_PrepaidDialogs::gridCells()
{
    QFETCH(int, column);
    QFETCH(bool, editDates);
    QFETCH(QString, typed);
    QFETCH(bool, taken);
    QFETCH(QString, shown);
    ModelFixture fx;
    AmortizableItem item = workedItem();
    AmortizationDialog d;
    d.initialize(item);
    if (editDates)
        child<QCheckBox>(&d, "chkEditPeriodEndDates")->click();
    QAbstractItemModel& m = *d.grid()->model();
    const bool editable = m.flags(m.index(0, column)) & Qt::ItemIsEditable;
    QCOMPARE(editable, column == 1 || editDates);
    QCOMPARE(m.setData(m.index(0, column), typed), taken);
    QCOMPARE(cell(m, 0, column), shown);
    // A refusal of an editable cell says why; a locked cell says nothing.
    QCOMPARE(fx.seams.prompter.messages.size(), !taken && editable ? 1 : 0);
    const Amortization& first = item.getAmortizationList().getAmortizationAt(1);
    QVERIFY(!first.getPeriod().isEmpty());
    QCOMPARE(column == 1 ? ARCurrency::display(first.getAmount().units()) : first.getPeriod(), shown);
}

void tst_PrepaidDialogs::closeBoxIsCancel()
{
    ModelFixture fx;
    AmortizableItem item = workedItem();
    item.createAmortizations();
    AmortizationDialog d;
    d.initialize(item);
    Fixture::showActive(d);
    QAbstractItemModel& m = *d.grid()->model();
    child<QCheckBox>(&d, "chkEditPeriodEndDates")->click();
    QVERIFY(m.setData(m.index(2, 1), QStringLiteral("400")));
    QVERIFY(m.setData(m.index(2, 0), QStringLiteral("04/30/2025")));
    d.close();
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QVERIFY(fx.seams.prompter.messages.isEmpty());
    const Amortization& march = item.getAmortizationList().getAmortizationAt(3);
    QCOMPARE(march.getAmount().units(), qint64(3333300));
    QCOMPARE(march.getPeriod(), QStringLiteral("03/31/2025"));
    QVERIFY(!item.hasNonAmortizedAmount());
}

void tst_PrepaidDialogs::goneMeanwhile_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("edit") << "cmdEditAmortizableItem";
    QTest::newRow("delete") << "cmdDeleteAmortizableItem";
    QTest::newRow("while its dialog is open") << "OKButton";
}

void tst_PrepaidDialogs::goneMeanwhile()
{
    QFETCH(QString, button);
    Fixture fx;
    const auto d = fx.open(QStringLiteral("09/30/2026"));
    QTreeWidget* list = d->prepaidListView();
    const int rows = list->topLevelItemCount();
    QVERIFY(rows > 1);
    list->setCurrentItem(list->topLevelItem(0));
    const QString id = PrepaidRules::parseItemKey(list->topLevelItem(0)->data(0, Qt::UserRole).toString());
    const auto deleteIt = [&] {
        // Another user deletes the item.
        Db::exec(fx.db, QStringLiteral("DELETE FROM AmortizableItem WHERE AmortizableItemID = ?"), {id});
    };
    const bool whileOpen = button == QStringLiteral("OKButton");
    const qint64 audits = fx.rows(QStringLiteral("AmortizableItemAudit"));
    const qint64 periodAudits = fx.rows(QStringLiteral("AmortizationAudit"));
    if (!whileOpen)
        deleteIt();
    int dialogs = 0;
    bool stayed = false;
    d->setDialogRunner([&](QDialog& dialog) {
        ++dialogs;
        Fixture::showActive(dialog);
        deleteIt();
        child<QLineEdit>(&dialog, "txtDesc")->setText(QStringLiteral("Changed meanwhile"));
        click(&dialog, "OKButton");
        stayed = dialog.isVisible();
        click(&dialog, "CancelButton");
        return dialog.result();
    });
    click(d.get(), whileOpen ? "cmdEditAmortizableItem" : qPrintable(button));
    QCOMPARE(dialogs, whileOpen ? 1 : 0);
    QCOMPARE(fx.seams.prompter.messages.size(), 1);
    if (whileOpen) {
        // The store finds no row: said so, nothing written, the dialog still open until Cancel.
        QVERIFY(stayed);
        QVERIFY2(fx.seams.prompter.lastText().contains(QStringLiteral("another user")),
                 qPrintable(fx.seams.prompter.lastText()));
        QCOMPARE(fx.rows(QStringLiteral("AmortizableItemAudit")), audits);
        QCOMPARE(fx.rows(QStringLiteral("AmortizationAudit")), periodAudits);
    } else {
        QCOMPARE(fx.seams.prompter.texts(), QStringList{PrepaidRules::itemGoneMessage()});
    }
    QCOMPARE(list->topLevelItemCount(), rows - 1);
    QVERIFY(d->isVisible());
}

void tst_PrepaidDialogs::deleteAsks_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("changed"); // by another user after the list was read: nothing is removed
    QTest::newRow("no") << false << false;
    QTest::newRow("yes") << true << false;
    QTest::newRow("yes over another user's change") << true << true;
}

void tst_PrepaidDialogs::deleteAsks()
{
    QFETCH(bool, yes);
    QFETCH(bool, changed);
    Fixture fx;
    const auto d = fx.open(QStringLiteral("09/30/2026"));
    QTreeWidget* list = d->prepaidListView();
    const int rows = list->topLevelItemCount();
    list->setCurrentItem(list->topLevelItem(0));
    const QString id = PrepaidRules::parseItemKey(list->topLevelItem(0)->data(0, Qt::UserRole).toString());
    AmortizableItem other;
    if (changed) {
        fx.seams.clock.set(QDateTime(QDate(2026, 12, 9), QTime(9, 48)));
        Global::userName = QStringLiteral("other");
        other.Load(id);
        other.setDescription(other.getDescription() + QStringLiteral(" A"));
        other.store();
        Global::userName = QStringLiteral("preparer");
    }
    const qint64 remaining =
        d->prepaidItems().getItem(id)->getRemainingBalance(QStringLiteral("09/30/2026")).units();
    QVERIFY(remaining != 0);
    const qint64 before = d->difference()->units();
    fx.seams.prompter.answers = {yes ? Prompter::Yes : Prompter::No};
    click(d.get(), "cmdDeleteAmortizableItem");
    QCOMPARE(fx.seams.prompter.messages.first().title, QStringLiteral("Delete"));
    QCOMPARE(fx.seams.prompter.messages.first().text, PrepaidRules::deleteQuestion());
    const bool removed = yes && !changed;
    QCOMPARE(list->topLevelItemCount(), removed ? rows - 1 : rows);
    QCOMPARE(d->difference()->units(), removed ? before + remaining : before);
    QCOMPARE(fx.value(QStringLiteral("SELECT count(*) FROM AmortizableItemAudit WHERE Activity = 'DELETE'"))
                 .toLongLong(),
             removed ? 1 : 0);
    if (changed) {
        QVERIFY2(fx.seams.prompter.lastText().contains(QStringLiteral(" was changed by other at 09:48")),
                 qPrintable(fx.seams.prompter.lastText()));
        QCOMPARE(d->prepaidItems().getItem(id)->getDescription(), other.getDescription()); // reloaded
    }
}

void tst_PrepaidDialogs::printing()
{
    Fixture fx;
    PrintRecorder printer;
    const auto d = fx.open(QStringLiteral("09/30/2026"));
    click(d.get(), "cmdPrint");
    QCOMPARE(printer.previews.size(), 1);
    QVERIFY(printer.previews.first().modal);
    const QString pdf = fx.seams.path(QStringLiteral("prepaid.pdf"));
    printer.answers = {pdf};
    click(d.get(), "btnCmdPrintRpt");
    QCOMPARE(printer.parentEnabled, QList<bool>{false}); // the dialog waits while it prints
    QVERIFY(d->isEnabled());
    QVERIFY(QFileInfo(pdf).size() > 1000);
    QVERIFY(fx.seams.prompter.messages.isEmpty());
}

void tst_PrepaidDialogs::tabOrder()
{
    Fixture fx;
    const auto d = fx.open(QStringLiteral("09/30/2026"));
    // After the sign-offs: the prepaid items and their buttons, then the reconciling items.
    QStringList order;
    QWidget* w = d->baseRecPanel();
    for (int i = 0; i < 60 && order.size() < 5; ++i) {
        w = w->nextInFocusChain();
        if ((w->focusPolicy() & Qt::TabFocus) && !d->baseRecPanel()->isAncestorOf(w))
            order << w->objectName();
    }
    QCOMPARE(order, (QStringList{"lvwAmortizableItemList", "cmdNewAmortizableItem", "cmdEditAmortizableItem",
                                 "cmdDeleteAmortizableItem", "lvwItemList"}));
}

void tst_PrepaidDialogs::screenshots()
{
    // For a person to look at: the item and monthly amounts dialogs over a tutorial item.
    const QByteArray folder = qgetenv("CORVANTIS_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("set CORVANTIS_SCREENSHOTS to a folder to write the screenshots");
    const QDir out(QString::fromLocal8Bit(folder));
    Fixture fx;
    const auto d = fx.open(QStringLiteral("09/30/2026"));
    d->prepaidListView()->setCurrentItem(d->prepaidListView()->topLevelItem(0));
    d->setDialogRunner([&](QDialog& dialog) {
        Fixture::showActive(dialog);
        QTest::qWait(50);
        dialog.grab().save(out.filePath(QStringLiteral("AmortizableItemDialog.png")));
        static_cast<AmortizableItemDialog&>(dialog).setDialogRunner([&](QDialog& monthly) {
            Fixture::showActive(monthly);
            QTest::qWait(50);
            monthly.grab().save(out.filePath(QStringLiteral("AmortizationDialog.png")));
            click(&monthly, "CancelButton");
            return monthly.result();
        });
        click(&dialog, "cmdMonthlyAmounts");
        click(&dialog, "CancelButton");
        return dialog.result();
    });
    click(d.get(), "cmdEditAmortizableItem");
    QVERIFY(QFileInfo::exists(out.filePath(QStringLiteral("AmortizationDialog.png"))));
}

void tst_PrepaidDialogs::largeAmountsShowWhole_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("shown");
    QTest::newRow("reconciling item") << "lvwItemList" << 4 << "(9,000,000,000,000.00)";
    QTest::newRow("amortizable item's amount") << "lvwAmortizableItemList" << 3 << "9,223,372,036,854.77 ";
    QTest::newRow("its remaining balance") << "lvwAmortizableItemList" << 4 << "9,223,372,036,854.77 ";
}

// Each amount column is as wide as its widest amount: nothing is cut to "…".
void tst_PrepaidDialogs::largeAmountsShowWhole()
{
    QFETCH(QString, list);
    QFETCH(int, column);
    QFETCH(QString, shown);
    Fixture fx;
    const qint64 largest = ARCurrency::largestEntry().units();
    fx.addItem(kInsurance, "L", -9'000'000'000'000'000'000 / 100);
    const qint64 item = Db::insertReturningId(fx.db, "INSERT INTO AmortizableItem (glAcctID, openDate, startDate, "
                                                     "endDate, amount, \"desc\") VALUES (?, '2026-01-01', "
                                                     "'2026-01-01', '2026-12-31', ?, 'Large')",
                                              {kInsurance, largest});
    Db::exec(fx.db, "INSERT INTO Amortization (amortizableItemID, period, amount) VALUES (?, '2026-12-31', ?)",
             {item, largest});
    auto dialog = fx.open(RecDialogTest::kDate);
    auto* view = child<QTreeWidget>(dialog.get(), list);
    QCOMPARE(view->findItems(shown, Qt::MatchExactly, column).size(), 1);
    QVERIFY2(static_cast<QAbstractItemView*>(view)->sizeHintForColumn(column) <= view->columnWidth(column),
             qPrintable(QString::number(view->columnWidth(column))));
}

QTEST_MAIN(tst_PrepaidDialogs)
#include "tst_prepaiddialogs.moc"
