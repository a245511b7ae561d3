// The prepaid reconciliation of one account with 200 prepaid items x 12 months, in a ledger of
// 12,000 accounts of which 2,000 are prepaid accounts with 10 items x 12 months each: loading the
// item list with its schedules, and opening the whole dialog, each against the raw SELECTs of the
// same rows in the same run; then every account's figures at the date, whose prepaid remainders
// stay in one grouped query however many prepaid items there are.
#include "accountfigures.h"
#include "amortizableitemlist.h"
#include "benchsupport.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "prepaidrecdialog.h"

#include <QApplication>
#include <QDate>

namespace {

constexpr int kAccounts = 12000;
constexpr int kPerAccount = 10;
constexpr int kAccount = 4; // a prepaid account
constexpr int kItems = 200;

// Ten items of twelve months on every prepaid account, and the rest of the 200 on the one timed.
void addItems()
{
    const QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db);
    qint64 id = 100000;
    const auto add = [&](int account, int n) {
        for (int i = 0; i < n; ++i, ++id) {
            Db::exec(db,
                     QStringLiteral(
                         "INSERT INTO AmortizableItem (AmortizableItemID, glAcctID, openDate, startDate, "
                         "endDate, amount, \"desc\") VALUES (?, ?, '2024-06-01', '2024-07-01', "
                         "'2025-06-30', 1200000, ?)"),
                     {id, account, QStringLiteral("Policy %1").arg(id)});
            for (int m = 0; m < 12; ++m)
                Db::exec(db,
                         QStringLiteral(
                             "INSERT INTO Amortization (amortizableItemID, period, amount) VALUES (?, ?, "
                             "100000)"),
                         {id, QDate(2024, 7, 1).addMonths(m + 1).addDays(-1).toString(Qt::ISODate)});
        }
    };
    for (int a = 4; a <= kAccounts; a += 6)
        add(a, kPerAccount);
    add(kAccount, kItems - kPerAccount);
    tx.commit();
}

const QString kRawItems =
    QStringLiteral("SELECT * FROM AmortizableItem WHERE glAcctID = 4 AND openDate <= '2024-11-30' AND "
                   "(endDate >= '2024-11-30' OR endDate IS NULL) ORDER BY endDate, \"desc\"");
const QString kRawPeriods = QStringLiteral(
    "SELECT z.* FROM Amortization z JOIN AmortizableItem m ON m.AmortizableItemID = z.amortizableItemID "
    "WHERE m.glAcctID = 4 AND m.openDate <= '2024-11-30' AND (m.endDate >= '2024-11-30' OR m.endDate IS "
    "NULL) "
    "ORDER BY z.amortizableItemID, z.AmortizationID");

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Bench::Ledger ledger(kAccounts);
    addItems();
    const QString date = QStringLiteral("11/30/2024");
    const QSqlDatabase db = Global::getConnection();
    auto account = std::make_shared<GLAccount>();
    account->Load(QString::number(kAccount));

    AmortizableItemList items;
    const qint64 before = Db::statementCount();
    const double ours = Bench::timeIt([&] { items.Load(account, date); }, 5);
    const qint64 queries = (Db::statementCount() - before) / 5;
    const double base =
        Bench::timeIt([&] { Bench::readAll(db, kRawItems), Bench::readAll(db, kRawPeriods); }, 5);
    if (items.count() != kItems || items.getTotalRemainingBalance(date).units() != kItems * 7 * 100000)
        return Bench::fail(QStringLiteral("prepaid-item-list-load: loaded the wrong items"));
    if (queries > 2)
        return Bench::fail(QStringLiteral("prepaid-item-list-load: %1 queries").arg(queries));
    Bench::print(QStringLiteral("prepaid-item-list-load"), ours, base, items.count(), queries);

    qint64 dialogQueries = 0;
    qint64 rows = 0;
    const double open = Bench::timeIt([&] {
        PrepaidRecDialog dialog;
        QString recDate = date;
        const qint64 start = Db::statementCount();
        dialog.initialize(*account, recDate);
        dialogQueries = Db::statementCount() - start;
        rows = dialog.prepaidItems().count();
    });
    const double raw = Bench::timeIt([&] {
        Bench::readAll(
            db, QStringLiteral("SELECT * FROM GLAccountBalance WHERE glAcctID = 4 AND Date = '2024-11-30'"));
        Bench::readAll(db, kRawItems);
        Bench::readAll(db, kRawPeriods);
        Bench::readAll(db,
                       QStringLiteral("SELECT * FROM ReconcilingItem WHERE glAcctID = 4 AND openDate <= "
                                      "'2024-11-30' AND (closeDate IS NULL OR closeDate > '2024-11-30')"));
        Bench::readAll(db, QStringLiteral("SELECT * FROM AttachedDocument WHERE GLAcctId = 4"));
    });
    if (rows != kItems)
        return Bench::fail(QStringLiteral("prepaid-rec-open: the dialog shows the wrong items"));
    if (dialogQueries >= 12)
        return Bench::fail(
            QStringLiteral("prepaid-rec-open: %1 queries to open the dialog").arg(dialogQueries));
    Bench::print(QStringLiteral("prepaid-rec-open"), open, raw, rows, dialogQueries);

    // Every account's figures: the prepaid remainders of 20,000 items in the one grouped query.
    qint64 figureQueries = 0;
    qint64 accounts = 0;
    const double figures = Bench::timeIt([&] {
        const qint64 start = Db::statementCount();
        accounts = AccountFiguresQuery::load(date, QStringLiteral("All Accounts")).size();
        figureQueries = Db::statementCount() - start;
    });
    const double floor = Bench::timeIt([&] { Bench::readFigureRows(db, QStringLiteral("2024-11-30")); });
    if (accounts != kAccounts || figureQueries > 3)
        return Bench::fail(
            QStringLiteral("prepaid-figures: %1 accounts in %2 queries").arg(accounts).arg(figureQueries));
    Bench::print(QStringLiteral("prepaid-figures"), figures, floor, accounts, figureQueries);
    return 0;
}
