#pragma once

#include "arcurrency.h"

#include <QList>
#include <QString>
#include <optional>

// One account of an account-selection grid at a date.
struct AccountSelectionRow
{
    qint64 id = 0;
    QString number;
    QString name;
    std::optional<qint64> balance; // units; none when no balance is stored for the date
    QString status;                // the sign-off status, a date, or ""
    // The reconciliation's figures, exact (one past the money type shows as too large); none when
    // they were not asked for, or when the account's reconciliation type has no reconciliation.
    std::optional<ARCurrencySum> requiredAdjustments;
    std::optional<ARCurrencySum> unresolved;
    std::optional<ARCurrencySum> unidentifiedDifference;
};

// Which accounts the grids list: the option indexes of the two filter groups.
struct AccountSelectionFilter
{
    int active = 0;     // 0 active, 1 all, 2 inactive
    int keyControl = 0; // 0 key-control, 1 non-key, 2 both

    // The flag of an account passes when it is "Yes" or "No" as the index asks; any other flag never does.
    bool passes(const QString& activeFlag, const QString& keyControlFlag) const;
};

namespace AccountSelectionQuery {

// The accounts that pass the filter, in account-number order, read set-based from the active main
// connection. With figures (the review grid) every row also gets its reconciliation figures, and an
// account without a sign-off at the date whose history holds more than one balance gets, as its
// status, the date of its latest balance with a preparer.
QList<AccountSelectionRow> load(const QString& date, const AccountSelectionFilter& filter, bool withFigures);

} // namespace AccountSelectionQuery
