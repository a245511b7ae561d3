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
#include <QTemporaryDir>

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
    const double baseline = Bench::timeIt([&] { Bench::readFigureRows(Global::getConnection(), QStringLiteral("2024-11-30")); });
    if (figures.size() != accounts || figures.first().itemsTotal == ARCurrencySum())
        return Bench::fail(QStringLiteral("account-figures: wrong rows"));
    Bench::print(QStringLiteral("account-figures"), ours, baseline, accounts, queries);
    return 0;
}
