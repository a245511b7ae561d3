#include "daterules.h"

#include "clock.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const char* const kMonths[] = {"january", "february", "march",     "april",   "may",      "june",
                               "july",    "august",   "september", "october", "november", "december"};

int monthFromName(const QString& word)
{
    const QString w = word.toLower();
    for (int i = 0; i < 12; ++i) {
        const QString name = QString::fromLatin1(kMonths[i]);
        if (w == name || (w.size() == 3 && name.startsWith(w)))
            return i + 1;
    }
    return w == QStringLiteral("sept") ? 9 : 0;
}

bool allDigits(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// One or two digits take the century window; four digits stand as they are; three are refused.
std::optional<int> yearFrom(const QString& s)
{
    if (!allDigits(s))
        return std::nullopt;
    const int y = s.toInt();
    if (s.size() <= 2)
        return y < 30 ? 2000 + y : 1900 + y;
    if (s.size() == 4 && y >= 1000)
        return y;
    return std::nullopt;
}

std::optional<QDate> make(int y, int m, int d)
{
    if (!QDate::isValid(y, m, d))
        return std::nullopt;
    return QDate(y, m, d);
}

std::optional<QDate> parseNumeric(const QStringList& p)
{
    for (const QString& s : p)
        if (!allDigits(s))
            return std::nullopt;
    if (p.size() == 2) { // month and day of this year
        if (p[0].size() > 2 || p[1].size() > 2)
            return std::nullopt;
        return make(Clock::instance().today().year(), p[0].toInt(), p[1].toInt());
    }
    if (p.size() != 3)
        return std::nullopt;
    if (p[0].size() == 4) { // yyyy-mm-dd, from the year 1000 on as in every other form
        if (p[1].size() > 2 || p[2].size() > 2 || p[0].toInt() < 1000)
            return std::nullopt;
        return make(p[0].toInt(), p[1].toInt(), p[2].toInt());
    }
    if (p[0].size() > 2 || p[1].size() > 2)
        return std::nullopt;
    const auto y = yearFrom(p[2]);
    if (!y)
        return std::nullopt;
    return make(*y, p[0].toInt(), p[1].toInt());
}

std::optional<QDate> parseWithMonthName(const QStringList& words)
{
    // "March 5 2024", "5 March 2024", "Mar 2024" is not a day: refused.
    if (words.size() != 3)
        return std::nullopt;
    int month = monthFromName(words[0]);
    QString day, year;
    if (month) {
        day = words[1];
        year = words[2];
    } else if ((month = monthFromName(words[1]))) {
        day = words[0];
        year = words[2];
    } else {
        return std::nullopt;
    }
    if (!allDigits(day) || day.size() > 2)
        return std::nullopt;
    const auto y = yearFrom(year);
    if (!y)
        return std::nullopt;
    return make(*y, month, day.toInt());
}

} // namespace

namespace DateRules {

std::optional<QDate> parse(const QString& input)
{
    const QString t = input.trimmed();
    if (t.isEmpty() || t.size() > 40)
        return std::nullopt;
    static const QRegularExpression numericSep(QStringLiteral("^[0-9]+([/.-])[0-9]+(\\1[0-9]+)?$"));
    if (numericSep.match(t).hasMatch()) {
        const QChar sep = t[t.indexOf(QRegularExpression(QStringLiteral("[/.-]")))];
        return parseNumeric(t.split(sep));
    }
    static const QRegularExpression wordSeps(QStringLiteral("[\\s,/.-]+"));
    const QStringList words = t.split(wordSeps, Qt::SkipEmptyParts);
    bool hasLetters = false;
    for (QChar c : t)
        if (c.isLetter())
            hasLetters = true;
    if (hasLetters)
        return parseWithMonthName(words);
    return std::nullopt;
}

QString toText(const QDate& date)
{
    if (!date.isValid())
        return {};
    const int y = date.year();
    if (y < 1000 || y > 9999)
        return date.toString(QStringLiteral("MM/dd/yyyy"));
    // Written digit by digit: a list of thousands of items reads two dates each, and the date
    // formatter is many times slower than the loading around it.
    const int m = date.month();
    const int d = date.day();
    const auto digit = [](int n) { return QChar(u'0' + n); };
    const QChar text[10] = {digit(m / 10),      digit(m % 10),    QLatin1Char('/'), digit(d / 10),
                            digit(d % 10),      QLatin1Char('/'), digit(y / 1000),  digit(y / 100 % 10),
                            digit(y / 10 % 10), digit(y % 10)};
    return QString(text, 10);
}

// The date an "mm/dd/yyyy" text names, read digit by digit; nothing for any other text. It is the
// form of every date a record holds and shows, and a list reads one or two of them a row.
std::optional<QDate> fromNormalForm(const QString& t)
{
    if (t.size() != 10 || t[2] != QLatin1Char('/') || t[5] != QLatin1Char('/'))
        return std::nullopt;
    int n[8];
    int k = 0;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
        const unsigned d = t[i].unicode() - u'0';
        if (d > 9)
            return std::nullopt;
        n[k++] = int(d);
    }
    const int m = n[0] * 10 + n[1];
    const int d = n[2] * 10 + n[3];
    const int y = n[4] * 1000 + n[5] * 100 + n[6] * 10 + n[7];
    const QDate date(y, m, d);
    if (y < 1000 || !date.isValid())
        return std::nullopt;
    return date;
}

QString normalize(const QString& text)
{
    if (text.isEmpty())
        return {};
    if (fromNormalForm(text))
        return text;
    if (const auto d = parse(text))
        return toText(*d);
    if (text.size() < 6)
        return {};
    const QString rebuilt = text.left(2) + QLatin1Char('/') + text.mid(2, 2) + QLatin1Char('/') + text.mid(4);
    if (const auto d = parse(rebuilt))
        return toText(*d);
    return {};
}

std::optional<QDate> fromText(const QString& mmddyyyy)
{
    if (mmddyyyy.isEmpty())
        return std::nullopt;
    if (const auto d = fromNormalForm(mmddyyyy))
        return d;
    const QDate d = QDate::fromString(mmddyyyy, QStringLiteral("MM/dd/yyyy"));
    if (d.isValid())
        return d;
    return parse(mmddyyyy);
}

QVariant toDb(const QDate& date)
{
    if (!date.isValid())
        return QVariant(QMetaType::fromType<QString>());
    const int y = date.year();
    if (y < 1000 || y > 9999)
        return date.toString(Qt::ISODate);
    // Written digit by digit, as toText: a schedule's periods are compared in this form as loaded.
    const int m = date.month();
    const int d = date.day();
    const auto digit = [](int n) { return QChar(u'0' + n); };
    const QChar text[10] = {digit(y / 1000),   digit(y / 100 % 10), digit(y / 10 % 10), digit(y % 10),
                            QLatin1Char('-'),  digit(m / 10),       digit(m % 10),      QLatin1Char('-'),
                            digit(d / 10),     digit(d % 10)};
    return QString(text, 10);
}

QVariant toDb(const QString& text)
{
    const auto d = fromText(text);
    return d ? toDb(*d) : QVariant(QMetaType::fromType<QString>());
}

QString fromDb(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    if (stored.typeId() == QMetaType::QDate) // a date column of an engine that has the type
        return toText(stored.toDate());
    const QString s = stored.toString();
    // A stored date is "yyyy-MM-dd" (a time may follow): its digits are read in place, as a list
    // reads one or two dates a row, and a valid one is its own digits moved; any other text goes
    // through the general parser.
    const auto digit = [&](qsizetype i) { return s.at(i).unicode() - u'0'; };
    const auto isDigit = [&](qsizetype i) { return unsigned(digit(i)) <= 9u; };
    if (s.size() >= 10 && s.at(4) == u'-' && s.at(7) == u'-' && isDigit(0) && isDigit(1) && isDigit(2) &&
        isDigit(3) && isDigit(5) && isDigit(6) && isDigit(8) && isDigit(9)) {
        const int y = digit(0) * 1000 + digit(1) * 100 + digit(2) * 10 + digit(3);
        const int m = digit(5) * 10 + digit(6);
        const int d = digit(8) * 10 + digit(9);
        if (y < 1000 || !QDate::isValid(y, m, d))
            return toText(QDate(y, m, d));
        const QChar text[10] = {s.at(5), s.at(6), QLatin1Char('/'), s.at(8), s.at(9),
                                QLatin1Char('/'), s.at(0), s.at(1), s.at(2), s.at(3)};
        return QString(text, 10);
    }
    return toText(QDate::fromString(s.left(10), Qt::ISODate));
}

QString dateTimeToDb(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime dateTimeFromDb(const QVariant& stored)
{
    return QDateTime::fromString(stored.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString dateTimeText(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
}

QString longDate(const QDate& date)
{
    if (!date.isValid())
        return {};
    QString month = QString::fromLatin1(kMonths[date.month() - 1]);
    month[0] = month[0].toUpper();
    return QStringLiteral("%1 %2, %3").arg(month).arg(date.day()).arg(date.year());
}

} // namespace DateRules

QString Global::formatDateString(const QString& text)
{
    return DateRules::normalize(text);
}
