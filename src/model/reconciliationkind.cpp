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

namespace {

// The bank item types by their codes.
struct BankItemCode
{
    char16_t code;
    BankItemType type;
};
constexpr BankItemCode kBankItemCodes[] = {{u'C', BankItemType::Check},
                                           {u'D', BankItemType::Deposit},
                                           {u'B', BankItemType::BankFee},
                                           {u'N', BankItemType::NSFCheck},
                                           {u'O', BankItemType::Other}};

} // namespace

std::optional<BankItemType> bankItemTypeOf(const QString& code)
{
    for (const BankItemCode& bank : kBankItemCodes)
        if (TypeCode::is(code, QStringView(&bank.code, 1)))
            return bank.type;
    return std::nullopt;
}

QStringList bankItemTypeCodes()
{
    QStringList codes;
    for (const BankItemCode& bank : kBankItemCodes)
        codes.append(QString(QChar(bank.code)));
    return codes;
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
