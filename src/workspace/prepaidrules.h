#pragma once

#include "arcurrency.h"

#include <QString>

class GLAccount;

// The rules and texts of the prepaid reconciliation and its item dialogs that need no window: the
// list's row keys, the dates proposed for a new item, the item dialog's checks before it stores,
// and the monthly schedule's refusal while a balance remains.
namespace PrepaidRules {

// A row of the amortizable-item list is keyed "ID:" and the item's id.
QString makeItemKey(const QString& id);
QString parseItemKey(const QString& key);

// A new item at the reconciliation date: opened on the date, amortized from the next day for one
// year (12/31/2023 gives 01/01/2024 to 12/31/2024). Empty texts for a date that is no date.
struct NewItemDates
{
    QString openDate;
    QString startDate;
    QString endDate;
};
NewItemDates newItemDates(const QString& recDate);

// "Amortizable Item for 1300 (Prepaid Insurance)"; the parts of a missing account are empty.
QString itemDialogTitle(const GLAccount* account);

// The item dialog's messages for a date box holding a text that is no date.
QString openDateInvalidMessage();
QString startDateInvalidMessage();
QString endDateInvalidMessage();
// An end date not after the start date: refused before anything is written.
QString endDateNotAfterStartMessage();
// "Please enter the following fields:" and the missing ones; empty when none is missing.
QString missingFieldsMessage(const ARCurrency& amount, const QString& description);

// The monthly schedule may be closed with OK only when nothing remains to be amortized.
QString nonZeroBalanceTitle();
QString nonZeroBalanceMessage(const ARCurrency& remaining);

QString deleteQuestion();
// Edit or Delete of an item that another user deleted meanwhile.
QString itemGoneMessage();

} // namespace PrepaidRules
