#pragma once

#include "prompter.h"

#include <QString>

class DataValidationError;

// The system's standard message boxes, shown through the Prompter.
namespace MsgBoxUtil {

Prompter::Answer displayMessage(const QString& title, const QString& message);
// The message wrapped at about eighty characters, never inside a word.
Prompter::Answer displayFixedMessage(const QString& title, const QString& message);
Prompter::Answer displayDataValidationError(const DataValidationError& error);
// Asked before an account is deleted: Yes or No.
Prompter::Answer displayGLAccountDeleteWarning();

// The wrapping rule: a blank met at column 81 or later becomes a line break (CR LF).
QString wrap(const QString& message);
QString glAccountDeleteWarningText();

} // namespace MsgBoxUtil
