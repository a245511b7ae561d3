#pragma once

#include "apperror.h"

// Failures of the report engine (a declaration it cannot read, a control or field that does not
// exist, a printer that cannot be written) reach the button or command that started the report.
inline AppError reportError(const QString& source, const QString& description)
{
    return AppError(AppError::ObjectError1001, source, description);
}
