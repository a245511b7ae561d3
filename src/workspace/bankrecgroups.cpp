#include "bankrecgroups.h"

#include "reconciliation.h"

namespace BankRecGroups {

const QList<Group>& all()
{
    static const QList<Group> groups{
        {QStringLiteral("C"), QStringLiteral("Outstanding Checks"), QStringLiteral("-")},
        {QStringLiteral("D"), QStringLiteral("Deposits in Transit"), QStringLiteral("+")},
        {QStringLiteral("B"), QStringLiteral("Bank Fees"), QStringLiteral("+")},
        {QStringLiteral("N"), QStringLiteral("NSF Checks"), QStringLiteral("+")},
    };
    return groups;
}

ARCurrency total(const BankReconciliation& reconciliation, const QString& code)
{
    if (code == QStringLiteral("C"))
        return reconciliation.getTotalCheckAmount();
    if (code == QStringLiteral("D"))
        return reconciliation.getTotalDepositAmount();
    if (code == QStringLiteral("B"))
        return reconciliation.getTotalBankFeeAmount();
    if (code == QStringLiteral("N"))
        return reconciliation.getTotalNSFCheckAmount();
    return ARCurrency();
}

} // namespace BankRecGroups
