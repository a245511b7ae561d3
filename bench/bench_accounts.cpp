// The chart of accounts and the balances of one date over 10,000 accounts x 24 month-ends: the
// account list, the balances list's load and its store (a new month and a stored month, each row
// with its audit row), each against the raw SQL of the same rows in the same run.
#include "benchsupport.h"
#include "db.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "glaccountbalancelist.h"
#include "global.h"
#include "schema.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

namespace {

const QString kStored = QStringLiteral("11/30/2024"); // every account has a row at this date
const QString kNew = QStringLiteral("01/31/2025");    // no account has one

// The same rows written with two statements prepared once, in one transaction.
void rawStore(const QSqlDatabase& db, GLAccountBalanceList& list, const QString& dbDate, bool insert)
{
    const QString columns = QStringLiteral("glAcctID, Date, amount, targetAmount, preparedBy, comment, ReconciledInd, "
                                           "reconciledDate, reviewedBy, approvedBy, PreparedByDate, ReviewedByDate, "
                                           "ApprovedByDate, CalcBasis, CreateDate, CreateUser");
    Db::Transaction tx(db);
    QSqlQuery row(db), audit(db);
    if (insert)
        row.prepare(QStringLiteral("INSERT INTO GLAccountBalance (%1) VALUES "
                                   "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                        .arg(columns));
    else
        row.prepare(QStringLiteral("UPDATE GLAccountBalance SET glAcctID = ?, Date = ?, amount = ?, "
                                   "targetAmount = ?, "
                                   "preparedBy = ?, comment = ?, ReconciledInd = ?, reconciledDate = ?, reviewedBy = ?, "
                                   "approvedBy = ?, PreparedByDate = ?, ReviewedByDate = ?, ApprovedByDate = ?, "
                                   "CalcBasis = ?, CreateDate = ?, CreateUser = ? WHERE glAcctID = ? AND Date = ?"));
    audit.prepare(QStringLiteral("INSERT INTO GLAccountBalanceAudit (%1, Activity, ActivityDate, ActivityUser) VALUES "
                                 "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                      .arg(columns));
    const QString now = QStringLiteral("2025-02-03 09:00:00");
    for (qint64 i = 1; i <= list.count(); ++i) {
        const GLAccountBalance& b = list.getGLAccountBalanceAt(i);
        const QVariantList values{b.getGLAccount()->getID().toLongLong(),
                                  dbDate,
                                  b.amount().units(),
                                  b.targetAmount().units(),
                                  b.getPreparedBy(),
                                  b.getComment(),
                                  b.isReconciled() ? 1 : 0,
                                  QVariant(),
                                  b.getReviewedBy(),
                                  b.getApprovedBy(),
                                  b.getPreparedByDate(),
                                  b.getReviewedByDate(),
                                  b.getApprovedByDate(),
                                  b.getCalcBalance(),
                                  now,
                                  QStringLiteral("bench")};
        for (int c = 0; c < values.size(); ++c)
            row.bindValue(c, values[c]);
        if (!insert) {
            row.bindValue(16, values[0]);
            row.bindValue(17, dbDate);
        }
        row.exec();
        for (int c = 0; c < values.size(); ++c)
            audit.bindValue(c, values[c]);
        audit.bindValue(16, insert ? QStringLiteral("INSERT") : QStringLiteral("UPDATE"));
        audit.bindValue(17, now);
        audit.bindValue(18, QStringLiteral("bench"));
        audit.exec();
    }
    tx.commit();
}

qint64 rows(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {})
{
    return Db::scalar(db, sql, values).toLongLong();
}

// Statements run between start() and count(), reused prepared ones included.
class StatementCounter
{
public:
    void start() { m_statements = Db::statementCount(); }
    qint64 count(int runs = 1) const { return (Db::statementCount() - m_statements) / runs; }

private:
    qint64 m_statements = 0;
};

// The best of `runs` runs of `work`, each after an untimed `prepare`.
double timeEach(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    double best = -1;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const double t = Bench::timeIt(work, 1);
        best = best < 0 ? t : std::min(best, t);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int accounts = 10000;
    const Bench::Ledger ledger(accounts);
    const QSqlDatabase db = Global::getConnection();
    StatementCounter counter;
    constexpr int kRuns = 5;
    // Warm the reference lists: they are read once per connection, not per load.
    GLAccountList();

    // The chart of accounts.
    qint64 loaded = 0;
    counter.start();
    double ours = Bench::timeIt([&] { loaded = GLAccountList().count(); }, kRuns);
    qint64 queries = counter.count(kRuns);
    const QString accountsSql =
        QStringLiteral("SELECT %1 FROM GLAccount ORDER BY glacctnbr").arg(GLAccount::selectColumns());
    double base = Bench::timeIt([&] { Bench::readAll(db, accountsSql); }, kRuns);
    if (loaded != accounts)
        return Bench::fail(QStringLiteral("account-list-load: loaded %1 accounts").arg(loaded));
    Bench::print(QStringLiteral("account-list-load"), ours, base, loaded, queries);

    // The balances of a stored month.
    const QString join = QStringLiteral("SELECT %1, %2 FROM GLAccount a LEFT JOIN GLAccountBalance b ON b.glAcctID = "
                                        "a.glAcctID AND b.Date = ? ORDER BY a.glacctnbr")
                             .arg(GLAccount::selectColumns(QStringLiteral("a")),
                                  GLAccountBalance::selectColumns(QStringLiteral("b")));
    GLAccountBalanceList stored;
    counter.start();
    ours = Bench::timeIt(
        [&] {
            stored = GLAccountBalanceList();
            stored.Load(kStored);
        },
        kRuns);
    queries = counter.count(kRuns);
    base = Bench::timeIt([&] { Bench::readAll(db, join, {QStringLiteral("2024-11-30")}); }, kRuns);
    if (stored.count() != accounts || stored.getGLAccountBalanceAt(1).isNew())
        return Bench::fail(QStringLiteral("balance-list-load: wrong members"));
    Bench::print(QStringLiteral("balance-list-load"), ours, base, stored.count(), queries);

    // The balances of a new month: 10,000 inserts, each with its "INSERT" audit row. Each run
    // starts from an empty month and a freshly loaded list, so that every run does the same work.
    const QString newMonth = QStringLiteral("2025-01-31");
    GLAccountBalanceList fresh;
    const auto emptyMonth = [&] {
        Db::exec(db, QStringLiteral("DELETE FROM GLAccountBalance WHERE Date = ?"), {newMonth});
        Db::exec(db, QStringLiteral("DELETE FROM GLAccountBalanceAudit WHERE Date = ?"), {newMonth});
        fresh = GLAccountBalanceList();
        fresh.Load(kNew);
    };
    qint64 written = 0;
    ours = timeEach(
        kRuns, emptyMonth,
        [&] {
            counter.start();
            fresh.applyEdit();
            queries = counter.count();
        });
    written = rows(db, QStringLiteral("SELECT count(*) FROM GLAccountBalanceAudit WHERE Date = ? AND Activity = "
                                      "'INSERT'"),
                   {newMonth});
    if (rows(db, QStringLiteral("SELECT count(*) FROM GLAccountBalance WHERE Date = ?"), {newMonth}) != accounts ||
        written != accounts || fresh.getGLAccountBalanceAt(accounts).isNew())
        return Bench::fail(QStringLiteral("balance-list-store-new: wrong rows"));
    base = timeEach(kRuns, emptyMonth, [&] { rawStore(db, fresh, newMonth, true); });
    Bench::print(QStringLiteral("balance-list-store-new"), ours, base, fresh.count(), queries);

    // The balances of a stored month changed and stored again: 10,000 updates with "UPDATE" rows.
    for (qint64 i = 1; i <= stored.count(); ++i)
        stored.getGLAccountBalanceAt(i).setAdjustedAmount(QStringLiteral("%1.25").arg(i));
    const auto updates = [&] {
        return rows(db, QStringLiteral("SELECT count(*) FROM GLAccountBalanceAudit WHERE Activity = 'UPDATE'"));
    };
    const qint64 updatesBefore = updates();
    counter.start();
    ours = Bench::timeIt([&] { stored.applyEdit(); }, kRuns);
    queries = counter.count(kRuns);
    if (updates() - updatesBefore != qint64(accounts) * kRuns ||
        rows(db, QStringLiteral("SELECT amount FROM GLAccountBalance WHERE glAcctID = ? AND Date = '2024-11-30'"),
             {stored.getGLAccountBalanceAt(7).getGLAccount()->getID()}) != 72500)
        return Bench::fail(QStringLiteral("balance-list-store: wrong rows"));
    base = Bench::timeIt([&] { rawStore(db, stored, QStringLiteral("2024-11-30"), false); }, kRuns);
    Bench::print(QStringLiteral("balance-list-store"), ours, base, stored.count(), queries);
    return 0;
}
