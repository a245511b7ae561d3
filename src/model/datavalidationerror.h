#pragma once

#include <QString>

class AppError;

// A validation failure as the user sees it: the code after ":" in the error's source, and the
// sentence for that source (the error's own description for a source without one).
class DataValidationError
{
public:
    DataValidationError() = default;
    explicit DataValidationError(const AppError& error) { initialize(error); }

    void initialize(const AppError& error);
    const QString& getType() const { return m_type; }
    const QString& getMessage() const { return m_message; }

    // A validation failure raised by a business class: the object error base and "Class:Code".
    static AppError raise(const QString& className, const QString& code,
                          const QString& description = QStringLiteral("Validation Error"));

private:
    QString m_type;
    QString m_message;
};
