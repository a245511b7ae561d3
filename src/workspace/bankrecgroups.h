#pragma once

#include "arcurrency.h"

#include <QList>
#include <QString>

class BankReconciliation;

// The item groups the bank reconciliation lists above its other items, in their order:
// outstanding checks, deposits in transit, bank fees and NSF checks. The sign is what the list
// shows beside a group; it takes no part in any sum (every amount carries its own sign).
namespace BankRecGroups {

struct Group
{
    QString code; // the item type code, the row's key
    QString name;
    QString sign;
};

const QList<Group>& all();

// The total of the group's items as they stand in the reconciliation; 0 for a code of no group.
ARCurrency total(const BankReconciliation& reconciliation, const QString& code);

} // namespace BankRecGroups
