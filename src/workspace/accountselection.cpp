#include "accountselection.h"

#include "accountfigures.h"
#include "daterules.h"
#include "db.h"
#include "global.h"
#include "persistence.h"
#include "reconciliation.h"

#include <QHash>
#include <QSqlQuery>

namespace {

bool flagIs(const QString& flag, const char* word)
{
    return flag.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// The date of each account's latest balance with a preparer on or before the date, for accounts with
// more than one balance: a sign-off made for a later month says nothing about this one.
QHash<qint64, QString> preparedHistory(const QSqlDatabase& db, const QString& date)
{
    QHash<qint64, QString> out;
    QSqlQuery q = Db::exec(
        db,
        QStringLiteral("SELECT glAcctID, MAX(CASE WHEN preparedBy IS NOT NULL AND Date <= ? THEN Date END) "
                       "FROM GLAccountBalance GROUP BY glAcctID HAVING COUNT(*) > 1"),
        {DateRules::toDb(date)});
    while (q.next())
        if (!q.value(1).isNull())
            out.insert(q.value(0).toLongLong(), Persistence::dateOf(q.value(1)));
    return out;
}

} // namespace

bool AccountSelectionFilter::passes(const QString& activeFlag, const QString& keyControlFlag) const
{
    const bool activeYes = flagIs(activeFlag, "Yes"), activeNo = flagIs(activeFlag, "No");
    const bool keyYes = flagIs(keyControlFlag, "Yes"), keyNo = flagIs(keyControlFlag, "No");
    const bool activePasses = active == 0 ? activeYes : active == 1 ? activeYes || activeNo : activeNo; // Active, All, Inactive
    const bool keyPasses = keyControl == 0 ? keyYes : keyControl == 1 ? keyNo : keyYes || keyNo;   // Key, Non-Key, Both
    return activePasses && keyPasses;
}

namespace AccountSelectionQuery {

QList<AccountSelectionRow> load(const QString& date, const AccountSelectionFilter& filter, bool withFigures)
{
    const QList<AccountFigures> figures = AccountFiguresQuery::load(date, QStringLiteral("All Accounts"));
    const QHash<qint64, QString> history =
        withFigures ? preparedHistory(Global::getConnection(), date) : QHash<qint64, QString>();
    QList<AccountSelectionRow> rows;
    rows.reserve(figures.size());
    for (const AccountFigures& f : figures) {
        if (!filter.passes(f.active, f.keyControl))
            continue;
        AccountSelectionRow& row = rows.emplaceBack();
        row.id = f.accountId;
        row.number = f.number;
        row.name = f.name;
        if (f.hasBalanceRow)
            row.balance = f.amount.units();
        row.status = f.status();
        if (!withFigures)
            continue;
        if (row.status.isEmpty())
            row.status = history.value(f.accountId);
        if (ReconciliationFactory::hasKind(f.recTypeCode)) {
            row.requiredAdjustments = f.requiredAdjustments;
            row.unresolved = f.unresolved;
            row.unidentifiedDifference = f.unidentifiedDifference();
        }
    }
    return rows;
}

} // namespace AccountSelectionQuery
