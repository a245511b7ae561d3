#pragma once

#include "arcurrency.h"

#include <QString>
#include <QStringList>
#include <optional>

// The kinds of reconciliation and the bank item types by their codes, and what each kind counts as
// explaining the balance: one definition for the reconciliation objects and the set-based figures.
namespace ReconciliationKind {

enum class Kind { Plain, Prepaid, Bank };
// "S", "L", "B", "H" plain, "A" prepaid, "C" bank (codes compared exactly); nothing for any other.
std::optional<Kind> of(const QString& recTypeCode);

enum class BankItemType { Check, Deposit, BankFee, NSFCheck, Other };
// "C" checks, "D" deposits, "B" bank fees, "N" NSF checks, "O" others, without regard to letter
// case as item codes compare; nothing for any other code.
std::optional<BankItemType> bankItemTypeOf(const QString& itemTypeCode);
// Those five codes, for a query that tells the bank items apart itself.
QStringList bankItemTypeCodes();

// The totals a kind draws on.
struct Evidence
{
    ARCurrency items;            // every reconciling item open at the date
    ARCurrency bankItems;        // the open items of the five bank types
    ARCurrency prepaidRemaining; // what the prepaid items still amortize after the date
};

// The same totals, exact: summed over a whole month's items they may leave the money type.
struct EvidenceSums
{
    ARCurrencySum items;
    ARCurrencySum bankItems;
    ARCurrencySum prepaidRemaining;
};

// Plain: the items. Prepaid: the items and the prepaid remaining. Bank: the bank items only.
ARCurrency explained(Kind kind, const Evidence& evidence);
ARCurrencySum explained(Kind kind, const EvidenceSums& evidence);

} // namespace ReconciliationKind
