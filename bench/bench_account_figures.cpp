// The figures of every account at one date (the summary report, the review grid, the status
// export) over 10,000 accounts x 24 month-ends with 5 open items each and 2,000 prepaid items of
// 12 months: our grouped queries and arithmetic against the same raw queries only read.
#include "accountfigures.h"
#include "benchsupport.h"
#include "db.h"
#include "global.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDate>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

// The same rows read without any arithmetic: the floor our path cannot go below.
qint64 rawQueries(const QSqlDatabase& db, const QString& date)
{
    qint64 rows = 0;
    const QStringList sql = {
        QStringLiteral("SELECT a.glAcctID, a.glacctnbr, a.name, a.accountTypeCode, a.recTypeCode, b.amount, "
                       "b.targetAmount, b.preparedBy, b.reviewedBy, b.approvedBy, (SELECT MAX(p.Date) FROM "
                       "GLAccountBalance p WHERE p.glAcctID = a.glAcctID AND p.Date <= :d AND p.PreparedByDate IS NOT "
                       "NULL) FROM GLAccount a LEFT JOIN GLAccountBalance b ON b.glAcctID = a.glAcctID AND b.Date = :d "
                       "ORDER BY a.glacctnbr"),
        QStringLiteral("SELECT glAcctID, typeCode, ReqTiming, SUM(amount) FROM ReconcilingItem WHERE openDate <= :d AND "
                       "(closeDate IS NULL OR closeDate > :d) GROUP BY glAcctID, typeCode, ReqTiming"),
        QStringLiteral("SELECT m.glAcctID, SUM(z.amount) FROM AmortizableItem m JOIN Amortization z ON "
                       "z.amortizableItemID = m.AmortizableItemID WHERE m.openDate <= :d AND z.period > :d GROUP BY "
                       "m.glAcctID")};
    for (const QString& s : sql) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(s);
        q.bindValue(QStringLiteral(":d"), date);
        q.exec();
        while (q.next())
            ++rows;
    }
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int accounts = 10000;
    const Bench::Ledger ledger(accounts);
    Global::getConnection();

    QList<AccountFigures> figures;
    const qint64 before = Db::statementCount();
    const double ours = Bench::timeIt([&] { figures = AccountFiguresQuery::load(QStringLiteral("11/30/2024"), QStringLiteral("All Accounts")); });
    const qint64 queries = (Db::statementCount() - before) / 3;
    const double baseline = Bench::timeIt([&] { rawQueries(Global::getConnection(), QStringLiteral("2024-11-30")); });
    if (figures.size() != accounts || figures.first().itemsTotal.isZero())
        return Bench::fail(QStringLiteral("account-figures: wrong rows"));
    Bench::print(QStringLiteral("account-figures"), ours, baseline, accounts, queries);
    return 0;
}
