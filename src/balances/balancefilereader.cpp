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

void failHiddenOnly(const QString& path)
{
    fail(QStringLiteral("The workbook %1 has no visible worksheet: every worksheet in it is hidden. Unhide the "
                        "worksheet of balances, save the workbook and import it again.")
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

namespace {

// The built-in format codes of dates and times, for ids a workbook leaves undefined.
std::optional<QString> builtInDateCode(int id)
{
    switch (id) {
    case 14: return QStringLiteral("m/d/yyyy");
    case 15: return QStringLiteral("d-mmm-yy");
    case 16: return QStringLiteral("d-mmm");
    case 17: return QStringLiteral("mmm-yy");
    case 18: return QStringLiteral("h:mm AM/PM");
    case 19: return QStringLiteral("h:mm:ss AM/PM");
    case 20: return QStringLiteral("h:mm");
    case 21: return QStringLiteral("h:mm:ss");
    case 22: return QStringLiteral("m/d/yyyy h:mm");
    case 45: return QStringLiteral("mm:ss");
    case 46: return QStringLiteral("[h]:mm:ss");
    case 47: return QStringLiteral("mm:ss.0");
    // East Asian locales: their times of day, and dates in their own forms.
    case 32: return QStringLiteral("h\"\u6642\"mm\"\u5206\"");
    case 33: return QStringLiteral("h\"\u6642\"mm\"\u5206\"ss\"\u79d2\"");
    default:
        if ((id >= 27 && id <= 36) || (id >= 50 && id <= 58))
            return QStringLiteral("yyyy/m/d");
        return std::nullopt;
    }
}

// One piece of a format code's first section, as the sheet reads it.
struct CodePiece
{
    enum Kind { Literal, Letters, Elapsed, AmPm } kind;
    QString text; // the literal text, the run of letters ("hh"), or the AM/PM marker as written
};

// The pieces of a code's first section (the one for positive numbers): quoted texts, escaped
// characters and other characters are literals; bracketed colours, conditions and locales drop out.
QList<CodePiece> codePieces(const QString& code)
{
    QList<CodePiece> pieces;
    const auto literal = [&](const QString& text) {
        if (!pieces.isEmpty() && pieces.last().kind == CodePiece::Literal)
            pieces.last().text += text;
        else
            pieces.append({CodePiece::Literal, text});
    };
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        const QChar lower = c.toLower();
        if (c == u';') {
            break;
        } else if (c == u'"') {
            const qsizetype close = code.indexOf(u'"', i + 1);
            literal(code.mid(i + 1, (close < 0 ? code.size() : close) - i - 1));
            i = close < 0 ? code.size() : close;
        } else if (c == u'\\') {
            if (i + 1 < code.size())
                literal(code.at(++i));
        } else if (c == u'_') { // a blank as wide as the next character
            ++i;
            literal(QStringLiteral(" "));
        } else if (c == u'*') { // the next character fills the cell
            ++i;
        } else if (c == u'[') {
            const qsizetype close = code.indexOf(u']', i + 1);
            if (close < 0)
                break;
            const QString inside = code.mid(i + 1, close - i - 1).toLower();
            if (!inside.isEmpty() && QStringLiteral("hms").contains(inside.at(0)) &&
                inside.count(inside.at(0)) == inside.size())
                pieces.append({CodePiece::Elapsed, inside});
            i = close;
        } else if (code.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            pieces.append({CodePiece::AmPm, code.mid(i, 5)});
            i += 4;
        } else if (code.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
            pieces.append({CodePiece::AmPm, code.mid(i, 3)});
            i += 2;
        } else if (lower == u'd' || lower == u'm' || lower == u'y' || lower == u'h' || lower == u's') {
            qsizetype run = 1;
            while (i + run < code.size() && code.at(i + run).toLower() == lower)
                ++run;
            pieces.append({CodePiece::Letters, code.mid(i, run).toLower()});
            i += run - 1;
        } else {
            literal(QString(c));
        }
    }
    return pieces;
}

NumberFormat::Kind kindOf(const QString& code)
{
    bool time = false;
    bool months = false;
    for (const CodePiece& piece : codePieces(code)) {
        if (piece.kind == CodePiece::Elapsed || piece.kind == CodePiece::AmPm)
            time = true;
        if (piece.kind != CodePiece::Letters)
            continue;
        const QChar letter = piece.text.at(0);
        if (letter == u'd' || letter == u'y')
            return NumberFormat::Date;
        if (letter == u'h' || letter == u's')
            time = true;
        else
            months = true;
    }
    // Without days and years an "m" beside hours or seconds is minutes, and alone a month.
    return time ? NumberFormat::Time : months ? NumberFormat::Date : NumberFormat::Number;
}

QString padded(qint64 value, qsizetype width)
{
    return QStringLiteral("%1").arg(value, int(std::min<qsizetype>(width, 2)), 10, QLatin1Char('0'));
}

// A time alone as its format shows it: hours, minutes and seconds of the day (or elapsed, in
// brackets), 12-hour with the format's AM/PM marker when it has one.
QString timeText(double serial, const QString& code)
{
    const qint64 total = std::llround(serial * 86400); // whole seconds, as the sheet rounds them
    const qint64 ofDay = total % 86400;
    const QList<CodePiece> pieces = codePieces(code);
    const bool twelveHours =
        std::any_of(pieces.cbegin(), pieces.cend(), [](const CodePiece& p) { return p.kind == CodePiece::AmPm; });
    QString text;
    for (const CodePiece& piece : pieces) {
        switch (piece.kind) {
        case CodePiece::Literal: text += piece.text; break;
        case CodePiece::AmPm: {
            const bool pm = ofDay >= 12 * 3600;
            const bool upper = piece.text.at(0).isUpper();
            const QString marker = piece.text.size() == 3 ? QString(QChar(pm ? u'P' : u'A'))
                                                          : pm ? QStringLiteral("PM") : QStringLiteral("AM");
            text += upper ? marker : marker.toLower();
            break;
        }
        case CodePiece::Elapsed: {
            const QChar unit = piece.text.at(0);
            const qint64 value = unit == u'h' ? total / 3600 : unit == u'm' ? total / 60 : total;
            text += padded(value, piece.text.size());
            break;
        }
        case CodePiece::Letters: {
            const QChar unit = piece.text.at(0);
            if (unit == u'h') {
                qint64 hours = ofDay / 3600;
                if (twelveHours)
                    hours = hours % 12 == 0 ? 12 : hours % 12;
                text += padded(hours, piece.text.size());
            } else if (unit == u'm') {
                text += padded(ofDay / 60 % 60, piece.text.size());
            } else if (unit == u's') {
                text += padded(ofDay % 60, piece.text.size());
            }
            break;
        }
        }
    }
    return text;
}

} // namespace

NumberFormat numberFormat(int formatId, const std::optional<QString>& definedCode)
{
    const std::optional<QString> code = definedCode ? definedCode : builtInDateCode(formatId);
    if (!code)
        return {}; // the other built-in formats are numbers, texts and currencies
    return {kindOf(*code), *code};
}

QString serialDateText(double serial, bool from1904, const NumberFormat& format)
{
    constexpr double kLastDay = 2958465; // 12/31/9999
    if (!std::isfinite(serial) || serial < 0 || serial >= kLastDay + 1)
        return QStringLiteral("#####");
    if (format.kind == NumberFormat::Time)
        return timeText(serial, format.code);
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

WorksheetRows::WorksheetRows()
{
    m_rows.place = BalanceRows::Place::Row;
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
            m_rows.append({std::move(number), std::move(amount), QString(), row});
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
