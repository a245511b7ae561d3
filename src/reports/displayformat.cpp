#include "displayformat.h"

#include "arcurrency.h"
#include "reporterror.h"

namespace {
// The one number pattern the system's money rule prints: grouped thousands, two decimals.
const QString kNumberPattern = QStringLiteral("#,##0.00");
} // namespace

DisplayFormat::DisplayFormat(const QString& pattern) : m_pattern(pattern)
{
    const QStringList sections = pattern.split(QLatin1Char(';'));
    if (sections.size() > 3)
        throw reportError(QStringLiteral("DisplayFormat"),
                          QStringLiteral("The display format \"%1\" has more than three sections.").arg(pattern));
    m_positive = readSection(sections[0], pattern);
    if (sections.size() > 1 && !sections[1].isEmpty())
        m_negative = readSection(sections[1], pattern);
    if (sections.size() > 2 && !sections[2].isEmpty())
        m_zero = readSection(sections[2], pattern);
}

DisplayFormat::Section DisplayFormat::readSection(const QString& text, const QString& pattern)
{
    const qsizetype at = text.indexOf(kNumberPattern);
    const QString rest = at < 0 ? text : text.left(at) + text.mid(at + kNumberPattern.size());
    if (at < 0 || rest.contains(QLatin1Char('#')) || rest.contains(QLatin1Char('0')))
        throw reportError(QStringLiteral("DisplayFormat"),
                          QStringLiteral("The display format \"%1\" is not one this report engine prints.").arg(pattern));
    return {text.left(at), text.mid(at + kNumberPattern.size()), true};
}

QString DisplayFormat::apply(const QString& text) const
{
    if (isNull() || text.trimmed().isEmpty())
        return text;
    std::optional<qint64> units;
    try {
        units = ARCurrency::parseUnits(text);
    } catch (const AppError&) {
        return text; // beyond the money range: print it as it stands rather than lose it
    }
    if (!units)
        return text;
    const QString digits = ARCurrency::format(*units < 0 ? -*units : *units, false);
    const bool zero = digits == QLatin1String("0.00");
    if (zero && m_zero.present)
        return m_zero.prefix + digits + m_zero.suffix;
    if (*units < 0 && !zero) {
        if (m_negative.present)
            return m_negative.prefix + digits + m_negative.suffix;
        return QLatin1Char('-') + m_positive.prefix + digits + m_positive.suffix;
    }
    return m_positive.prefix + digits + m_positive.suffix;
}
