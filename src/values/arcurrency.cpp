#include "arcurrency.h"

#include "apperror.h"

#include <QLocale>
#include <algorithm>
#include <iterator>
#include <limits>

namespace {

using Wide = __int128;

constexpr Wide kMaxUnits = std::numeric_limits<qint64>::max();
// Beyond this the hundredfold of the amount no longer fits the money type.
constexpr Wide kMaxInputUnits = kMaxUnits / ARCurrency::UnitsPerCent;

AppError overflowError(const QString& source)
{
    return AppError(AppError::Overflow, source, QStringLiteral("Overflow: the amount is too large."));
}

qint64 checked(Wide value, const char* source)
{
    if (value > kMaxUnits || value < -kMaxUnits)
        throw overflowError(QString::fromLatin1(source));
    return static_cast<qint64>(value);
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Checks that a run of integer digits with "," separators groups them in threes.
bool validGrouping(const QString& intPart)
{
    if (!intPart.contains(QLatin1Char(',')))
        return true;
    const QStringList groups = intPart.split(QLatin1Char(','));
    if (groups.first().isEmpty() || groups.first().size() > 3)
        return false;
    for (qsizetype i = 1; i < groups.size(); ++i)
        if (groups[i].size() != 3)
            return false;
    return true;
}

// The user's separators of thousands and of the decimal point. A locale that groups with a blank
// (a narrow or non-breaking space) is typed with any blank.
struct UserSeparators
{
    QString group;
    QString decimal;

    UserSeparators() : UserSeparators(QLocale()) {}
    explicit UserSeparators(const QLocale& locale) : group(locale.groupSeparator()), decimal(locale.decimalPoint()) {}
    bool areFixed() const { return group == QLatin1String(",") && decimal == QLatin1String("."); }
    bool groupsWithBlank() const { return group.size() == 1 && (group[0].isSpace() || group[0] == QChar(0x202F)); }
};

// A text in the fixed form ("," groups, "." is the decimal point) with the user's separators.
QString inUserLocale(const QString& fixed)
{
    const UserSeparators s;
    if (s.areFixed())
        return fixed;
    QString text;
    text.reserve(fixed.size());
    for (const QChar c : fixed)
        text += c == u',' ? s.group : c == u'.' ? s.decimal : QString(c);
    return text;
}

// A text typed with the user's separators in the fixed form, or nothing when it holds a separator
// the user's locale does not use ("1,5" where "." is the decimal point and "," no group is no
// amount, whichever was meant).
std::optional<QString> fromUserLocale(const QString& typed)
{
    const UserSeparators s;
    if (s.areFixed())
        return typed;
    QString text;
    text.reserve(typed.size());
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QStringView rest = QStringView(typed).mid(i);
        if (!s.decimal.isEmpty() && rest.startsWith(s.decimal)) {
            text += u'.';
            i += s.decimal.size() - 1;
        } else if (!s.group.isEmpty() && rest.startsWith(s.group)) {
            text += u',';
            i += s.group.size() - 1;
        } else if (s.groupsWithBlank() && (typed[i] == u' ' || typed[i] == QChar(0x00A0) || typed[i] == QChar(0x202F)) &&
                   i > 0 && i + 1 < typed.size() && isDigit(typed[i - 1]) && isDigit(typed[i + 1])) {
            text += u',';
        } else if (typed[i] == u',' || typed[i] == u'.') {
            return std::nullopt;
        } else {
            text += typed[i];
        }
    }
    return text;
}

} // namespace

ARCurrency ARCurrency::fromUnits(qint64 units)
{
    return ARCurrency(units);
}

// The plain forms most amounts come in ("1234.56", "-20", and as printed "(1,234.50)" or "0.00 "),
// read without building any text: up to 14 whole digits, "," grouping in threes, 4 decimals.
// Nothing for any other form, which the full reading takes.
static std::optional<qint64> plainUnits(QStringView t)
{
    while (!t.isEmpty() && t.back() == QLatin1Char(' '))
        t.chop(1);
    const bool parens = t.size() >= 2 && t.front() == QLatin1Char('(') && t.back() == QLatin1Char(')');
    if (parens)
        t = t.mid(1, t.size() - 2);
    const bool negative = parens || (!t.isEmpty() && t[0] == QLatin1Char('-'));
    qsizetype i = negative && !parens ? 1 : 0;
    qint64 whole = 0;
    int wholeDigits = 0;
    int sinceComma = -1; // digits since the last ",", or -1 before any
    for (; i < t.size() && (isDigit(t[i]) || t[i] == QLatin1Char(',')); ++i) {
        if (t[i] == QLatin1Char(',')) {
            if (sinceComma < 0 ? wholeDigits < 1 || wholeDigits > 3 : sinceComma != 3)
                return std::nullopt;
            sinceComma = 0;
            continue;
        }
        if (++wholeDigits > 14)
            return std::nullopt;
        if (sinceComma >= 0)
            ++sinceComma;
        whole = whole * 10 + (t[i].unicode() - '0');
    }
    if (sinceComma >= 0 && sinceComma != 3)
        return std::nullopt;
    qint64 fraction = 0;
    int decimals = 0;
    if (i < t.size() && t[i] == QLatin1Char('.'))
        for (++i; i < t.size() && isDigit(t[i]); ++i) {
            if (++decimals > 4)
                return std::nullopt;
            fraction = fraction * 10 + (t[i].unicode() - '0');
        }
    if (i != t.size() || wholeDigits + decimals == 0)
        return std::nullopt;
    for (; decimals < 4; ++decimals)
        fraction *= 10;
    const qint64 units = whole * ARCurrency::UnitsPerWhole + fraction;
    if (units > kMaxInputUnits)
        return std::nullopt; // the full reading reports the overflow
    return negative ? -units : units;
}

std::optional<qint64> ARCurrency::parseUnits(const QString& input)
{
    if (const auto plain = plainUnits(input))
        return plain;
    QString t = input.trimmed();
    if (t.isEmpty())
        return std::nullopt;

    // One sign at most: parentheses, a leading "+" or "-", or a "-" after the currency sign.
    bool negative = false;
    bool hasSign = false;
    if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))) {
        negative = hasSign = true;
        t = t.mid(1, t.size() - 2).trimmed();
    }
    if (!t.isEmpty() && (t[0] == QLatin1Char('-') || t[0] == QLatin1Char('+'))) {
        if (hasSign)
            return std::nullopt;
        negative = t[0] == QLatin1Char('-');
        hasSign = true;
        t = t.mid(1).trimmed();
    }
    if (t.startsWith(QLatin1Char('$')))
        t = t.mid(1).trimmed();
    if (!t.isEmpty() && t[0] == QLatin1Char('-')) { // "$-5"
        if (hasSign)
            return std::nullopt;
        negative = true;
        t = t.mid(1);
    }

    // Split off an exponent.
    int exponent = 0;
    const qsizetype e = t.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive);
    if (e >= 0) {
        QString expText = t.mid(e + 1);
        t = t.left(e);
        bool ok = false;
        if (expText.isEmpty() || expText.size() > 4)
            return std::nullopt;
        for (qsizetype i = 0; i < expText.size(); ++i)
            if (!isDigit(expText[i]) && !(i == 0 && (expText[i] == QLatin1Char('-') || expText[i] == QLatin1Char('+'))))
                return std::nullopt;
        exponent = expText.toInt(&ok);
        if (!ok)
            return std::nullopt;
    }

    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    QString intPart = dot >= 0 ? t.left(dot) : t;
    QString fracPart = dot >= 0 ? t.mid(dot + 1) : QString();
    if (intPart.isEmpty() && fracPart.isEmpty())
        return std::nullopt;
    if (!validGrouping(intPart))
        return std::nullopt;
    intPart.remove(QLatin1Char(','));
    for (QChar c : intPart)
        if (!isDigit(c))
            return std::nullopt;
    for (QChar c : fracPart)
        if (!isDigit(c))
            return std::nullopt;

    // All digits with the decimal point moved by the exponent; keep four decimals and round the
    // rest half to even, as the money type's own conversion does.
    QString digits = intPart + fracPart;
    if (std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c == QLatin1Char('0'); }))
        return qint64(0); // a zero, whatever its exponent
    qsizetype pointAt = intPart.size() + exponent; // digits before the decimal point
    while (!digits.isEmpty() && digits[0] == QLatin1Char('0') && pointAt > 0) {
        digits.remove(0, 1);
        --pointAt;
    }
    if (pointAt > 20)
        throw overflowError(QStringLiteral("ARCurrency.setVal"));
    if (pointAt < -8) // far below a ten-thousandth: zero
        return qint64(0);
    if (pointAt < 0) {
        digits.prepend(QString(-pointAt, QLatin1Char('0')));
        pointAt = 0;
    }
    while (digits.size() < pointAt + 4)
        digits.append(QLatin1Char('0'));

    Wide units = 0;
    for (qsizetype i = 0; i < pointAt + 4; ++i) {
        units = units * 10 + (digits[i].unicode() - '0');
        if (units > kMaxInputUnits * 10)
            throw overflowError(QStringLiteral("ARCurrency.setVal"));
    }
    const QString rest = digits.mid(pointAt + 4);
    if (!rest.isEmpty()) {
        const int first = rest[0].unicode() - '0';
        bool beyondHalf = false;
        for (qsizetype i = 1; i < rest.size(); ++i)
            if (rest[i] != QLatin1Char('0'))
                beyondHalf = true;
        if (first > 5 || (first == 5 && (beyondHalf || (units % 2) == 1)))
            ++units;
    }
    if (units > kMaxInputUnits)
        throw overflowError(QStringLiteral("ARCurrency.setVal"));
    return static_cast<qint64>(negative ? -units : units);
}

bool ARCurrency::isNumeric(const QString& text)
{
    try {
        return parseUnits(text).has_value();
    } catch (const AppError&) {
        return true; // a number, only too large
    }
}

std::optional<ARCurrency> ARCurrency::fromText(const QString& text)
{
    try {
        const auto units = parseUnits(text);
        if (!units)
            return std::nullopt;
        return ARCurrency(*units / UnitsPerCent * UnitsPerCent);
    } catch (const AppError&) {
        return std::nullopt;
    }
}

std::optional<ARCurrency> ARCurrency::fromTypedText(const QString& text)
{
    if (text.trimmed().isEmpty())
        return ARCurrency();
    const auto fixed = fromUserLocale(text);
    return fixed ? fromText(*fixed) : std::nullopt;
}

ARCurrency ARCurrency::largestEntry()
{
    return ARCurrency(static_cast<qint64>(kMaxInputUnits / UnitsPerCent * UnitsPerCent));
}

QString ARCurrency::refusedEntryMessage(const QString& text)
{
    try {
        if (const auto fixed = fromUserLocale(text))
            parseUnits(*fixed);
    } catch (const AppError&) {
        const QString largest = largestEntry().toLocaleString(false);
        return QStringLiteral("The amount is too large. Please enter an amount between -%1 and %1.").arg(largest);
    }
    return QStringLiteral("Please enter an amount in nnnn.nn format.");
}

void ARCurrency::setVal(const QVariant& value)
{
    qint64 units = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const Wide whole = value.toLongLong();
        if (whole > kMaxInputUnits / UnitsPerWhole || whole < -kMaxInputUnits / UnitsPerWhole)
            throw overflowError(QStringLiteral("ARCurrency.setVal"));
        units = static_cast<qint64>(whole * UnitsPerWhole);
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        // The shortest text that reads back as the same double, so 0.29 is 0.29 and not 0.2899...
        units = parseUnits(QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest)).value_or(0);
        break;
    default:
        if (value.isNull())
            units = 0;
        else
            units = parseUnits(value.toString()).value_or(0);
    }
    m_units = units / UnitsPerCent * UnitsPerCent; // toward zero, whole cents
}

void ARCurrency::add(const ARCurrency& other)
{
    m_units = checked(Wide(m_units) + other.m_units, "ARCurrency.add");
}

void ARCurrency::subtract(const ARCurrency& other)
{
    m_units = checked(Wide(m_units) - other.m_units, "ARCurrency.subtract");
}

QString ARCurrency::format(qint64 units, bool useParens)
{
    // Round to cents half away from zero, as the display format does.
    Wide v = units;
    const bool negative = v < 0;
    if (negative)
        v = -v;
    Wide cents = (v + UnitsPerCent / 2) / UnitsPerCent;
    const Wide whole = cents / 100;
    const int frac = static_cast<int>(cents % 100);

    // Written from the right into a buffer: a list formats an amount a row. The widest amount,
    // 128-bit wholes with their commas, parentheses and all, fits in 64 characters.
    char16_t buffer[64];
    char16_t* begin = std::end(buffer);
    const bool shownNegative = negative && cents != 0;
    if (useParens)
        *--begin = shownNegative ? u')' : u' ';
    *--begin = char16_t(u'0' + frac % 10);
    *--begin = char16_t(u'0' + frac / 10);
    *--begin = u'.';
    auto w = static_cast<quint64>(whole); // a 64-bit amount's wholes fit
    int n = 0;
    do {
        if (n > 0 && n % 3 == 0)
            *--begin = u',';
        *--begin = char16_t(u'0' + static_cast<int>(w % 10));
        w /= 10;
        ++n;
    } while (w > 0);
    if (shownNegative)
        *--begin = useParens ? u'(' : u'-';
    return QString(reinterpret_cast<const QChar*>(begin), std::end(buffer) - begin);
}

QString ARCurrency::display(qint64 units)
{
    QString text = format(units, true);
    if (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QStringList ARCurrency::widestDisplays(qint64 least, qint64 greatest)
{
    if (least == greatest)
        return {display(least)};
    return {display(least), display(greatest)};
}

QString ARCurrency::localeDisplay(qint64 units)
{
    return inUserLocale(display(units));
}

QStringList ARCurrency::widestLocaleDisplays(qint64 least, qint64 greatest)
{
    QStringList widest = widestDisplays(least, greatest);
    for (QString& text : widest)
        text = inUserLocale(text);
    return widest;
}

QString ARCurrency::plainText(qint64 units)
{
    const Wide v = units < 0 ? -Wide(units) : Wide(units);
    QString text = QString::number(static_cast<quint64>(v / UnitsPerWhole));
    int fraction = static_cast<int>(v % UnitsPerWhole);
    if (fraction != 0) {
        int digits = 4;
        for (; fraction % 10 == 0; fraction /= 10)
            --digits;
        text += QLatin1Char('.') + QStringLiteral("%1").arg(fraction, digits, 10, QLatin1Char('0'));
    }
    return units < 0 ? QLatin1Char('-') + text : text;
}

QString ARCurrency::toString(bool useParens) const
{
    return format(m_units, useParens);
}

QString ARCurrency::toLocaleString(bool useParens) const
{
    return inUserLocale(format(m_units, useParens));
}

ARCurrencySum& ARCurrencySum::add(const ARCurrency& amount)
{
    m_units += amount.m_units;
    return *this;
}

ARCurrencySum& ARCurrencySum::subtract(const ARCurrency& amount)
{
    m_units -= amount.m_units;
    return *this;
}

ARCurrencySum& ARCurrencySum::add(const ARCurrencySum& other)
{
    m_units += other.m_units;
    return *this;
}

ARCurrencySum& ARCurrencySum::subtract(const ARCurrencySum& other)
{
    m_units -= other.m_units;
    return *this;
}

ARCurrencySum& ARCurrencySum::addHalves(qint64 high, qint64 low)
{
    m_units += Wide(high) * (Wide(1) << 32) + low;
    return *this;
}

bool ARCurrencySum::fits() const
{
    return m_units <= kMaxUnits && m_units >= -kMaxUnits;
}

ARCurrency ARCurrencySum::value() const
{
    return ARCurrency(checked(m_units, "ARCurrency.add"));
}

QString ARCurrencySum::display() const
{
    return fits() ? ARCurrency::display(static_cast<qint64>(m_units)) : tooLargeText();
}

QString ARCurrencySum::localeDisplay() const
{
    return fits() ? ARCurrency::localeDisplay(static_cast<qint64>(m_units)) : tooLargeText();
}

QString ARCurrencySum::tooLargeText()
{
    return QStringLiteral("Too large to show");
}
