#include "prepaidrules.h"

#include "daterules.h"
#include "glaccount.h"

namespace PrepaidRules {

namespace {
const QString kKeyPrefix = QStringLiteral("ID:");
const QString kDateFormat = QStringLiteral(", Please enter a valid date in MMDDYYYY format.");
} // namespace

QString makeItemKey(const QString& id)
{
    return kKeyPrefix + id;
}

QString parseItemKey(const QString& key)
{
    return key.mid(kKeyPrefix.size());
}

NewItemDates newItemDates(const QString& recDate)
{
    const auto day = DateRules::fromText(Global::formatDateString(recDate));
    if (!day)
        return {};
    const QDate start = day->addDays(1);
    return {DateRules::toText(*day), DateRules::toText(start),
            DateRules::toText(start.addYears(1).addDays(-1))};
}

QString itemDialogTitle(const GLAccount* account)
{
    const QString number = account ? account->getNumber() : QString();
    const QString name = account ? account->getName() : QString();
    return QStringLiteral("Amortizable Item for ") + number + QStringLiteral(" (") + name +
           QStringLiteral(")");
}

QString openDateInvalidMessage()
{
    return QStringLiteral("Open Date entered is invalid") + kDateFormat;
}

QString startDateInvalidMessage()
{
    return QStringLiteral("Start Date entered is invalid") + kDateFormat;
}

QString endDateInvalidMessage()
{
    return QStringLiteral("End Date entered is invalid") + kDateFormat;
}

QString endDateNotAfterStartMessage()
{
    return QStringLiteral("End Date is Invalid");
}

QString missingFieldsMessage(const ARCurrency& amount, const QString& description)
{
    QString missing;
    if (amount.isZero())
        missing += QStringLiteral(" - Amount\r\n");
    if (description.trimmed().isEmpty())
        missing += QStringLiteral(" - Description");
    return missing.isEmpty() ? QString() : QStringLiteral("Please enter the following fields:\r\n") + missing;
}

QString nonZeroBalanceTitle()
{
    return QStringLiteral("Non-zero Balance Remaining");
}

QString nonZeroBalanceMessage(const ARCurrency& remaining)
{
    return QStringLiteral("Your amortization schedule has a balance remaining of ") +
           remaining.toLocaleString(true) +
           QStringLiteral(". Please adjust the amounts so that the balance remaining is zero.");
}

QString deleteQuestion()
{
    return QStringLiteral("Are you sure that you want to delete this amortizable item?");
}

QString itemGoneMessage()
{
    return QStringLiteral("This amortizable item no longer exists; another user may have deleted it. "
                          "The list is shown again as it is stored now.");
}

} // namespace PrepaidRules
