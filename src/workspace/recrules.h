#pragma once

#include "arcurrency.h"

#include <QString>

class GLAccountBalance;
class ReconcilingItemList;

// The rules a reconciliation dialog applies before it stores its balance.
namespace RecRules {

// What the items leave unexplained: the balance less its target amount and the items' total.
ARCurrency difference(const GLAccountBalance& balance, const ReconcilingItemList& items);

// A difference that is not zero must be explained: a comment of blanks only is no comment (it is
// stored as Null).
bool commentRequired(const ARCurrency& difference, const QString& comment);
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
