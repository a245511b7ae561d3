#include "datavalidationerror.h"

#include "apperror.h"

#include <QHash>

namespace {

const QHash<QString, QString>& messages()
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("AmortizableItem:DescriptionMissing"), QStringLiteral("Please enter a Description.")},
        {QStringLiteral("AmortizableItem:AmountInvalid"), QStringLiteral("Please enter an Amount greater than 0.")},
        {QStringLiteral("AmortizableItem:EndDateInvalid"), QStringLiteral("The End Date must be after the Begin Date.")},
        {QStringLiteral("Company:NameMissing"), QStringLiteral("Please enter a Company Name.")},
        {QStringLiteral("GLAccountBalance:ReconciledDateInvalid"),
         QStringLiteral("The Reconciliation Completed Date must be after the current Reconciliation Date.")},
        {QStringLiteral("GLAccount:AccountNumberMissing"), QStringLiteral("Please enter an Account Number.")},
        {QStringLiteral("GLAccount:AccountNumberNotUnique"),
         QStringLiteral("There is already a General Ledger Account with this Account Number. Please choose a "
                        "different Account Number")},
        {QStringLiteral("GLAccount:AccountNumberInvalid"),
         QStringLiteral("Please enter an Account Number without control characters.")},
        {QStringLiteral("GLAccount:AccountNameMissing"), QStringLiteral("Please enter an Account Name.")},
        {QStringLiteral("GLAccount:AccountTypeMissing"), QStringLiteral("Please select an Account Type from the list.")},
        {QStringLiteral("GLAccount:RecTypeMissing"),
         QStringLiteral("Please select a Reconciliation Type from the list.")},
    };
    return table;
}

} // namespace

void DataValidationError::initialize(const AppError& error)
{
    const QString& source = error.source();
    const qsizetype colon = source.indexOf(QLatin1Char(':'));
    m_type = colon >= 0 ? source.mid(colon + 1) : QStringLiteral("Unknown");
    m_message = messages().value(source, error.description());
}

AppError DataValidationError::raise(const QString& className, const QString& code, const QString& description)
{
    return AppError(AppError::ObjectErrorBase, className + QLatin1Char(':') + code, description);
}
