#pragma once

#include "arcurrency.h"

#include <QString>
#include <functional>
#include <optional>

// The rules a reconciliation dialog applies before it stores its balance.
namespace RecRules {

// The unidentified difference as `compute` works it out, or nothing when one of its sums overflows
// the money type: an overflow is shown as such, never as a wrong figure.
std::optional<ARCurrency> difference(const std::function<ARCurrency()>& compute);
// The difference as the dialogs show it: parenthesised when negative, "Overflow" when it is none.
QString differenceText(const std::optional<ARCurrency>& difference);

// A difference that is not zero (an overflowed one included) must be explained: a comment of
// blanks only is no comment (it is stored as Null).
bool commentRequired(const std::optional<ARCurrency>& difference, const QString& comment);
QString commentRequiredMessage();

} // namespace RecRules

// The rules of the reconciling-item dialog.
namespace RecItemRules {

// The stored timing as the dialog takes it: "R", "T", "L" or "U" (trimmed, any case); any other
// value, the empty one included, is "U".
QString timingCode(const QString& stored);
// The close date the dialog proposes: the day after the open date; "" when that is no date.
QString dayAfter(const QString& openDate);
// Why the dates may not be stored, or "" when they may. The close date is checked whenever the
// item is to have one, so an item never closes on or before the day it opens (it would then
// belong to no reconciliation date at all).
QString datesProblem(const QString& openDate, bool hasCloseDate, const QString& closeDate);

QString openDateEmptyMessage();
QString openDateInvalidMessage();
QString closeDateInvalidMessage();

} // namespace RecItemRules
