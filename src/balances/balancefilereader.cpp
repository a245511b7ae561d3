#include "balancefilereader.h"
#include "balancefilereader_p.h"

#include "apperror.h"
#include "daterules.h"

#include <QDir>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace BalanceFileReader {

namespace detail {

QString quotedPath(const QString& path)
{
    return QLatin1Char('\'') + QDir::toNativeSeparators(path) + QLatin1Char('\'');
}

void fail(const QString& description)
{
    throw AppError(AppError::ObjectError1001, QStringLiteral("BalanceFileReader"), description);
}

void requireReadableFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        fail(QStringLiteral("The file %1 does not exist.").arg(quotedPath(path)));
    if (!info.isFile())
        fail(QStringLiteral("%1 is a folder, not a file.").arg(quotedPath(path)));
    if (!info.isReadable())
        fail(QStringLiteral("The file %1 cannot be read: you have no permission to read it.")
                 .arg(quotedPath(path)));
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QString trimBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

bool isDateFormat(int formatId, const QString& formatCode)
{
    if ((formatId >= 14 && formatId <= 22) || (formatId >= 45 && formatId <= 47))
        return true;
    if (formatId < 164) // the other built-in formats are numbers, texts and currencies
        return false;
    const auto isDateLetter = [](QChar c) {
        const char16_t u = c.toLower().unicode();
        return u == u'd' || u == u'm' || u == u'y' || u == u'h' || u == u's';
    };
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode.at(i);
        if (c == u'"') { // a quoted text
            const qsizetype close = formatCode.indexOf(u'"', i + 1);
            if (close < 0)
                return false;
            i = close;
        } else if (c == u'\\' || c == u'_' || c == u'*') { // an escaped, spaced or fill character
            ++i;
        } else if (c == u'[') { // a colour, a condition or a locale, or an elapsed time ("[h]")
            const qsizetype close = formatCode.indexOf(u']', i + 1);
            if (close < 0)
                return false;
            const QString inside = formatCode.mid(i + 1, close - i - 1).toLower();
            const bool elapsed = !inside.isEmpty() && isDateLetter(inside.at(0)) &&
                                 inside.count(inside.at(0)) == inside.size();
            if (elapsed)
                return true;
            i = close;
        } else if (isDateLetter(c)) {
            return true;
        }
    }
    return false;
}

QString serialDateText(double serial, bool from1904)
{
    constexpr double kLastDay = 2958465; // 12/31/9999
    if (!std::isfinite(serial) || serial < 0 || serial >= kLastDay + 1)
        return QStringLiteral("#####");
    qint64 days = qint64(std::floor(serial));
    qint64 seconds = std::llround((serial - double(days)) * 86400);
    if (seconds == 86400) {
        ++days;
        seconds = 0;
    }
    QString text;
    if (from1904)
        text = DateRules::toText(QDate(1904, 1, 1).addDays(days));
    else if (days == 60) // the day the 1900 system counts although the year had none
        text = QStringLiteral("02/29/1900");
    else
        text = DateRules::toText(QDate(1899, 12, 31).addDays(days < 60 ? days : days - 1));
    if (seconds > 0)
        text += QLatin1Char(' ') + QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("HH:mm:ss"));
    return text;
}

bool WorksheetRows::take(qint64 row, const QString& account, QString amount)
{
    QString number = trimBlanks(account);
    if (m_rows.stoppedAtRow == 0) {
        if (row > m_next) { // a row left out of the file is empty: the reading ends there
            m_rows.stoppedAtRow = m_next;
        } else if (number.isEmpty()) {
            m_rows.stoppedAtRow = row;
            return true;
        } else {
            m_rows.append({std::move(number), std::move(amount)});
            m_next = row + 1;
            return true;
        }
    }
    if (number.isEmpty() && trimBlanks(amount).isEmpty())
        return true;
    m_rows.dataBelowRow = row;
    return false;
}

} // namespace detail

QString numberText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    // Amounts below 10^15 are shown in full, as a cell in the general format shows them; only
    // larger (and very small) magnitudes keep the exponent. The 15 significant digits come from
    // the exponent form, which rounds once ("0.30000000000000004" becomes "3.00000000000000e-01").
    if (!std::isfinite(value) || std::fabs(value) >= 1e15)
        return QString::number(value, 'g', 15).toUpper();
    const QString scientific = QString::number(value, 'e', 14);
    const qsizetype e = scientific.indexOf(QLatin1Char('e'));
    const int exponent = scientific.mid(e + 1).toInt();
    const bool negative = scientific.startsWith(QLatin1Char('-'));
    QString digits = scientific.left(e);
    digits.remove(QLatin1Char('-'));
    digits.remove(QLatin1Char('.')); // 15 digits, the first one before the point

    QString whole;
    QString fraction;
    if (exponent >= 0) {
        whole = digits.left(exponent + 1);
        fraction = digits.mid(exponent + 1);
    } else {
        whole = QStringLiteral("0");
        fraction = QString(-exponent - 1, QLatin1Char('0')) + digits;
    }
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    QString text = negative ? QStringLiteral("-") + whole : whole;
    if (!fraction.isEmpty())
        text += QLatin1Char('.') + fraction;
    return text;
}

} // namespace BalanceFileReader
