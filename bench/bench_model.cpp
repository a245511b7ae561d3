// The business classes over 10,000 accounts x 24 month-ends: each load or store against the raw
// SQL of the same rows in the same run.
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

namespace {

qint64 readAll(const QString& sql, const QVariantList& values = {})
{
    qint64 rows = 0;
    QSqlQuery q = Db::exec(Global::getConnection(), sql, values);
    const int columns = q.record().count();
    while (q.next()) {
        for (int c = 0; c < columns; ++c)
            q.value(c);
        ++rows;
    }
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    Schema::createMainDatabase(path);
    const int accounts = 10000;
    Bench::makeLedger(path, accounts);
    Global::mainDatabasePath = path;
    Global::userName = QStringLiteral("bench");
    const QString date = QStringLiteral("11/30/2024");

    // GLAccountList load
    qint64 before = Db::statementCount();
    qint64 count = 0;
    double ours = Bench::timeIt([&] { count = GLAccountList().count(); });
    qint64 queries = (Db::statementCount() - before) / 3;
    double base =
        Bench::timeIt([&] { readAll(QStringLiteral("SELECT * FROM GLAccount ORDER BY glacctnbr")); });
    if (count != accounts)
        return Bench::fail(QStringLiteral("account-list: wrong rows"));
    Bench::print(QStringLiteral("account-list"), ours, base, count, queries);

    // GLAccountBalanceList load
    GLAccountBalanceList list;
    before = Db::statementCount();
    ours = Bench::timeIt([&] {
        list = GLAccountBalanceList();
        list.Load(date);
    });
    queries = (Db::statementCount() - before) / 3;
    base = Bench::timeIt([&] {
        readAll(QStringLiteral(
                    "SELECT * FROM GLAccount a LEFT JOIN GLAccountBalance b ON b.glAcctID = a.glAcctID "
                    "AND b.Date = ? ORDER BY a.glacctnbr"),
                {QStringLiteral("2024-11-30")});
    });
    if (list.count() != accounts)
        return Bench::fail(QStringLiteral("balance-list-load: wrong rows"));
    Bench::print(QStringLiteral("balance-list-load"), ours, base, list.count(), queries);

    // GLAccountBalanceList store: every balance updated with its audit row
    before = Db::statementCount();
    ours = Bench::timeIt([&] { list.applyEdit(); }, 1);
    queries = Db::statementCount() - before;
    base = Bench::timeIt(
        [&] {
            QSqlDatabase db = Global::getConnection();
            Db::Transaction tx(db);
            QSqlQuery update(db), audit(db);
            update.prepare(
                QStringLiteral("UPDATE GLAccountBalance SET amount = ?, targetAmount = ?, CreateUser = ? "
                               "WHERE glAcctID = ? AND Date = ?"));
            audit.prepare(
                QStringLiteral("INSERT INTO GLAccountBalanceAudit (glAcctID, Date, amount, targetAmount, "
                               "Activity, ActivityDate, ActivityUser) VALUES (?, ?, ?, ?, 'UPDATE', ?, ?)"));
            for (qint64 i = 1; i <= list.count(); ++i) {
                const GLAccountBalance& b = list.getGLAccountBalanceAt(i);
                const QVariantList keys{b.getGLAccount()->getID(), QStringLiteral("2024-11-30")};
                update.addBindValue(b.amount().units());
                update.addBindValue(b.targetAmount().units());
                update.addBindValue(QStringLiteral("bench"));
                update.addBindValue(keys[0]);
                update.addBindValue(keys[1]);
                update.exec();
                audit.addBindValue(keys[0]);
                audit.addBindValue(keys[1]);
                audit.addBindValue(b.amount().units());
                audit.addBindValue(b.targetAmount().units());
                audit.addBindValue(QStringLiteral("2024-12-01 00:00:00"));
                audit.addBindValue(QStringLiteral("bench"));
                audit.exec();
            }
            tx.commit();
        },
        1);
    Bench::print(QStringLiteral("balance-list-store"), ours, base, list.count(), queries);

    // One account's bank reconciliation
    auto account = std::make_shared<GLAccount>();
    account->Load(QStringLiteral("6")); // kind "C"
    BankReconciliation bank;
    before = Db::statementCount();
    ours = Bench::timeIt([&] { bank.Load(account, date); }, 5);
    queries = (Db::statementCount() - before) / 5;
    base = Bench::timeIt(
        [&] {
            readAll(
                QStringLiteral("SELECT * FROM GLAccountBalance WHERE glAcctID = 6 AND Date = '2024-11-30'"));
            readAll(QStringLiteral(
                "SELECT * FROM ReconcilingItem WHERE glAcctID = 6 AND openDate <= '2024-11-30' AND "
                "(closeDate IS NULL OR closeDate > '2024-11-30') ORDER BY openDate, comment"));
        },
        5);
    if (bank.allItems().count() != 5)
        return Bench::fail(QStringLiteral("bank-reconciliation: wrong items"));
    Bench::print(QStringLiteral("bank-reconciliation"), ours, base, bank.allItems().count(), queries);
    return 0;
}
