#include "recrules.h"

#include "apperror.h"
#include "daterules.h"

namespace RecRules {

std::optional<ARCurrency> difference(const std::function<ARCurrency()>& compute)
{
    try {
        return compute();
    } catch (const AppError& e) {
        if (e.number() == AppError::Overflow)
            return std::nullopt;
        throw;
    }
}

QString differenceText(const std::optional<ARCurrency>& difference)
{
    return difference ? difference->toLocaleString(true) : QStringLiteral("Overflow");
}

bool commentRequired(const std::optional<ARCurrency>& difference, const QString& comment)
{
    return !(difference && difference->isZero()) && comment.trimmed().isEmpty();
}

QString commentRequiredMessage()
{
    return QStringLiteral("Please enter Comment explaining why there is an Unidentified Difference");
}

} // namespace RecRules

namespace RecItemRules {

QString timingCode(const QString& stored)
{
    const QString code = stored.trimmed().toUpper();
    static const QStringList codes{QStringLiteral("R"), QStringLiteral("T"), QStringLiteral("L"),
                                   QStringLiteral("U")};
    return codes.contains(code) ? code : QStringLiteral("U");
}

QString dayAfter(const QString& openDate)
{
    const auto open = DateRules::fromText(Global::formatDateString(openDate));
    return open ? DateRules::toText(open->addDays(1)) : QString();
}

QString datesProblem(const QString& openDate, bool hasCloseDate, const QString& closeDate)
{
    const auto open = DateRules::fromText(Global::formatDateString(openDate));
    if (!open)
        return QStringLiteral("The entry for Open Date is invalid.");
    if (!hasCloseDate)
        return QString();
    const auto close = DateRules::fromText(Global::formatDateString(closeDate));
    if (!close)
        return QStringLiteral("The entry for Close Date is invalid.");
    if (*close > *open)
        return QString();
    return QStringLiteral(
        "The Close Date must be after the Open Date. Please change the date so that the Close Date "
        "will be after the Open Date.");
}

QString openDateEmptyMessage()
{
    return QStringLiteral("Open date cannot be emptyt.");
}

QString openDateInvalidMessage()
{
    return QStringLiteral("Open date entered is invalid, Please enter a valid date in MMDDYYYY format.");
}

QString closeDateInvalidMessage()
{
    return QStringLiteral("Close date entered is invalid, Please enter a valid date in MMDDYYYY format.");
}

} // namespace RecItemRules
