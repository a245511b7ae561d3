// One account's bank reconciliation in a ledger of 10,000 accounts x 24 month-ends, against the
// raw SQL of the same rows in the same run. (The lists are measured by bench_accounts.)
#include "benchsupport.h"
#include "db.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "global.h"
#include "reconciliation.h"
#include "schema.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const Bench::Ledger ledger(10000);
    const QString date = QStringLiteral("11/30/2024");

    qint64 before = 0;
    double ours = 0;
    qint64 queries = 0;
    double base = 0;
    // One account's bank reconciliation
    auto account = std::make_shared<GLAccount>();
    account->Load(QStringLiteral("6")); // kind "C"
    BankReconciliation bank;
    before = Db::statementCount();
    ours = Bench::timeIt([&] { bank.Load(account, date); }, 5);
    queries = (Db::statementCount() - before) / 5;
    base = Bench::timeIt(
        [&] {
            Bench::readAll(
                Global::getConnection(),
                QStringLiteral("SELECT * FROM GLAccountBalance WHERE glAcctID = 6 AND Date = '2024-11-30'"));
            Bench::readAll(
                Global::getConnection(),
                QStringLiteral(
                    "SELECT * FROM ReconcilingItem WHERE glAcctID = 6 AND openDate <= '2024-11-30' AND "
                    "(closeDate IS NULL OR closeDate > '2024-11-30') ORDER BY openDate, comment"));
        },
        5);
    if (bank.allItems().count() != 5)
        return Bench::fail(QStringLiteral("bank-reconciliation: wrong items"));
    Bench::print(QStringLiteral("bank-reconciliation"), ours, base, bank.allItems().count(), queries);
    return 0;
}
