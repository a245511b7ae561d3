#include "reconciliationkind.h"

#include "typecode.h"

namespace ReconciliationKind {

std::optional<Kind> of(const QString& code)
{
    if (code == QStringLiteral("S") || code == QStringLiteral("L") || code == QStringLiteral("B") ||
        code == QStringLiteral("H"))
        return Kind::Plain;
    if (code == QStringLiteral("A"))
        return Kind::Prepaid;
    if (code == QStringLiteral("C"))
        return Kind::Bank;
    return std::nullopt;
}

std::optional<BankItemType> bankItemTypeOf(const QString& code)
{
    if (TypeCode::is(code, u"C"))
        return BankItemType::Check;
    if (TypeCode::is(code, u"D"))
        return BankItemType::Deposit;
    if (TypeCode::is(code, u"B"))
        return BankItemType::BankFee;
    if (TypeCode::is(code, u"N"))
        return BankItemType::NSFCheck;
    if (TypeCode::is(code, u"O"))
        return BankItemType::Other;
    return std::nullopt;
}

ARCurrency explained(Kind kind, const Evidence& evidence)
{
    return explained(kind, EvidenceSums{ARCurrencySum(evidence.items), ARCurrencySum(evidence.bankItems),
                                        ARCurrencySum(evidence.prepaidRemaining)})
        .value();
}

ARCurrencySum explained(Kind kind, const EvidenceSums& evidence)
{
    switch (kind) {
    case Kind::Bank:
        return evidence.bankItems;
    case Kind::Prepaid:
        return ARCurrencySum(evidence.prepaidRemaining).add(evidence.items);
    case Kind::Plain:
        break;
    }
    return evidence.items;
}

} // namespace ReconciliationKind
