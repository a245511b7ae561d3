#include "balancefilereader.h"
#include "balancefilereader_p.h"

#include "apperror.h"

#include <QDir>
#include <QFileInfo>

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
