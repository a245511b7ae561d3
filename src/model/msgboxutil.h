#pragma once

#include "prompter.h"

#include <QString>
#include <QStringList>

class DataValidationError;

// The system's standard message boxes, shown through the Prompter.
namespace MsgBoxUtil {

Prompter::Answer displayMessage(const QString& title, const QString& message);
// The message wrapped at about eighty characters, never inside a word.
Prompter::Answer displayFixedMessage(const QString& title, const QString& message);
Prompter::Answer displayDataValidationError(const DataValidationError& error);
// Asked before an account is deleted: Yes or No.
Prompter::Answer displayGLAccountDeleteWarning();

// An item or a document stored with a date after the date of the reconciliation it was entered
// from belongs to the later reconciliations only, so the list the user is looking at drops it.
// The text that says it is stored and from which date it is listed: `what` names it ("item",
// "document \"a.pdf\""); "" when the date is not after the reconciliation date or either is no
// date.
QString listedLaterText(const QString& what, const QString& date, const QString& recDate);
// Shows such texts, gathered from one store, in one message box after the store; nothing when
// every text is empty. True when it was shown.
bool displayListedLaterNotice(const QStringList& texts);

// The wrapping rule: a blank met at column 81 or later becomes a line break (CR LF).
QString wrap(const QString& message);
QString glAccountDeleteWarningText();

} // namespace MsgBoxUtil
