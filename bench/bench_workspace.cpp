// The list reconciliation of one account with 1,000 open items in a ledger of 10,000 accounts x
// 24 month-ends: loading its item list, and opening the whole dialog, each against the raw SQL of
// the same rows in the same run.
#include "benchsupport.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "listrecdialog.h"
#include "recitemlistpanel.h"
#include "reconcilingitemlist.h"

#include <QApplication>

namespace {

const QString kAccount = QStringLiteral("2"); // a list account
constexpr int kItems = 1000;

// The account's own five items and 995 more, all open at the date, written untimed.
void addItems()
{
    const QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db);
    for (int i = 5; i < kItems; ++i)
        Db::exec(db,
                 QStringLiteral("INSERT INTO ReconcilingItem (glAcctID, openDate, comment, amount, typeCode, "
                                "ReqTiming, CreateDate, CreateUser) VALUES (2, ?, ?, ?, 'L', 'T', "
                                "'2024-06-01 10:00:00', 'bench')"),
                 {QDate(2024, 1, 1).addDays(i % 300).toString(Qt::ISODate), QStringLiteral("Item %1").arg(i),
                  qint64(i) * 10000});
    tx.commit();
}

const QString kRawItems = QStringLiteral(
    "SELECT * FROM ReconcilingItem WHERE glAcctID = 2 AND openDate <= '2024-11-30' AND "
    "(closeDate IS NULL OR closeDate > '2024-11-30') ORDER BY openDate, comment");

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const Bench::Ledger ledger(10000);
    addItems();
    const QString date = QStringLiteral("11/30/2024");
    const QSqlDatabase db = Global::getConnection();

    ReconcilingItemList items;
    items.Load(kAccount, date, QString()); // the item types are read once per connection
    qint64 before = Db::statementCount();
    const double ours = Bench::timeIt([&] { items.Load(kAccount, date, QString()); }, 5);
    const qint64 queries = (Db::statementCount() - before) / 5;
    const double base = Bench::timeIt([&] { Bench::readAll(db, kRawItems); }, 5);
    if (items.count() != kItems)
        return Bench::fail(QStringLiteral("rec-item-list-load: loaded the wrong items"));
    Bench::print(QStringLiteral("rec-item-list-load"), ours, base, items.count(), queries);

    GLAccount account;
    account.Load(kAccount);
    qint64 dialogQueries = 0;
    qint64 rows = 0;
    const double open = Bench::timeIt([&] {
        ListRecDialog dialog;
        QString recDate = date;
        const qint64 start = Db::statementCount();
        dialog.initialize(account, recDate);
        dialogQueries = Db::statementCount() - start;
        rows = dialog.recItemListPanel()->getItems().count();
    });
    const double raw = Bench::timeIt([&] {
        Bench::readAll(db, QStringLiteral("SELECT * FROM GLAccountBalance WHERE glAcctID = 2 AND Date = '2024-11-30'"));
        Bench::readAll(db, kRawItems);
        Bench::readAll(db, QStringLiteral("SELECT * FROM AttachedDocument WHERE GLAcctId = 2"));
    });
    if (rows != kItems)
        return Bench::fail(QStringLiteral("list-rec-open: the dialog shows the wrong items"));
    if (dialogQueries >= 10)
        return Bench::fail(QStringLiteral("list-rec-open: %1 queries to open the dialog").arg(dialogQueries));
    Bench::print(QStringLiteral("list-rec-open"), open, raw, rows, dialogQueries);
    return 0;
}
