// The CSV balances reader: the layout the import folder's schema.ini declares for the copied file
// (csvFormat: no heading row, comma-delimited, double-quoted text, the first two columns as text).
#include "balancefilereader.h"
#include "balancefilereader_p.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <optional>

using namespace BalanceFileReader::detail;
using BalanceFileReader::csvFormat;

namespace {

// What the bytes are when they hold a zero byte, which no text in UTF-8 or a single-byte
// character set has: the description of a refusal, or nothing when a byte-order mark says how to
// read them. UTF-16 without a mark has a zero beside each digit, comma and line end, on the same side.
QString zeroBytesProblem(QByteArrayView bytes, const QString& path)
{
    const QByteArrayView start = bytes.first(std::min<qsizetype>(bytes.size(), 1 << 16));
    if (!start.contains('\0') || QStringConverter::encodingForData(start))
        return {};
    qsizetype even = 0, odd = 0;
    for (qsizetype i = 0; i < start.size(); ++i)
        if (start[i] == '\0')
            ++(i % 2 ? odd : even);
    if (std::min(even, odd) * 4 < std::max(even, odd))
        return QStringLiteral(
                   "The file %1 is saved as UTF-16 (Unicode) text without a byte-order mark, so its "
                   "characters cannot be read with certainty. Save it as CSV in UTF-8, or as UTF-16 "
                   "with a byte-order mark, and import it again.")
            .arg(quotedPath(path));
    return QStringLiteral(
               "The file %1 is not a CSV text file: it holds zero bytes, which no text in UTF-8 or a "
               "Windows character set has. Save it as CSV in UTF-8 and import it again.")
        .arg(quotedPath(path));
}

QString decode(QByteArrayView bytes)
{
    static constexpr char utf8Bom[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(utf8Bom))
        bytes = bytes.sliced(3);
    else if (const auto bom = QStringConverter::encodingForData(bytes);
             bom && *bom != QStringConverter::Utf8) {
        // A text saved as UTF-16 or UTF-32 announces itself with its byte-order mark.
        QStringDecoder decoder(*bom, QStringConverter::Flag::Stateless);
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: a file written by a Windows program in its single-byte character set.
    QStringDecoder ansi("windows-1252", QStringConverter::Flag::Stateless);
    if (!ansi.isValid())
        ansi = QStringDecoder(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
    return ansi.decode(bytes);
}

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// The separator a spreadsheet program writes in place of the comma in many countries, when an
// unquoted field holds one: a file written with it reads as one field a line, or is split at the
// comma inside a quoted amount ("1000;\"1,234.50\"").
std::optional<QChar> otherSeparatorIn(const QString& unquotedField)
{
    for (const QChar c : unquotedField)
        if (c == u';' || c == u'\t')
            return c;
    return std::nullopt;
}

[[noreturn]] void failOtherSeparator(QChar separator)
{
    fail(QStringLiteral("The file separates its fields with %1, not with commas, as a spreadsheet program "
                        "saves CSV files in many countries. Save it as CSV with a comma between the account "
                        "number and the amount and import it again.")
             .arg(separator == u';' ? QStringLiteral("semicolons (;)") : QStringLiteral("tabs")));
}

// Walks the decoded text once, record by record.
class CsvParser
{
public:
    explicit CsvParser(const QString& text) : m_p(text.constData()), m_end(text.constData() + text.size()) {}

    BalanceRows rows()
    {
        BalanceRows result;
        result.reserve(std::count(m_p, m_end, u'\n') + 1); // one row a line: no regrowth
        while (m_p < m_end) {
            const int line = m_line;
            QString fields[2];
            QStringList further;
            bool furtherText = false;
            int count = 0;
            bool quoted = false;
            bool firstQuoted = false;
            for (;;) {
                bool fieldQuoted = false;
                QString value = field(fieldQuoted);
                quoted = quoted || fieldQuoted;
                if (count == 0)
                    firstQuoted = fieldQuoted;
                if (count < 2) {
                    fields[count] = std::move(value);
                } else {
                    furtherText = furtherText || !value.isEmpty();
                    further.append(std::move(value));
                }
                ++count;
                if (m_p < m_end && *m_p == csvFormat.delimiter)
                    ++m_p;
                else
                    break;
            }
            endLine();
            if (count == 1 && fields[0].isEmpty() && !quoted)
                continue; // a blank line
            // The first line tells the separator the file was written with, and so may a line of one
            // field; nothing of such a file is read.
            if (!firstQuoted && (result.isEmpty() || count == 1))
                if (const auto separator = otherSeparatorIn(fields[0]))
                    failOtherSeparator(*separator);
            if (fields[0].isEmpty())
                fail(QStringLiteral("Line %1 of the file has no account number (its first field is empty).")
                         .arg(line));
            if (count == 1)
                fail(QStringLiteral("Line %1 of the file holds only one field. Each line needs an account "
                                    "number and an amount, separated by a comma.")
                         .arg(line));
            if (fields[1].isEmpty())
                fail(QStringLiteral("Line %1 of the file has no amount (its second field is empty).")
                         .arg(line));
            if (csvFormat.hasHeadingRow && !m_headingSkipped) {
                m_headingSkipped = true;
                continue;
            }
            result.append({std::move(fields[0]), std::move(fields[1]),
                           furtherText ? further.join(QChar(csvFormat.delimiter)) : QString(), line});
        }
        return result;
    }

private:
    // One field, from the current position up to the comma or the line end that follows it.
    QString field(bool& quoted)
    {
        while (m_p < m_end && isBlank(*m_p))
            ++m_p;
        if (m_p < m_end && *m_p == csvFormat.quote) {
            quoted = true;
            return quotedField();
        }
        return restOfField();
    }

    // The field's text up to the next comma or line end, without trailing blanks.
    QString restOfField()
    {
        const QChar* start = m_p;
        while (m_p < m_end && *m_p != csvFormat.delimiter && !isLineEnd(*m_p))
            ++m_p;
        const QChar* stop = m_p;
        while (stop > start && isBlank(stop[-1]))
            --stop;
        return QString(start, stop - start);
    }

    // A field in double quotes: commas and line breaks inside are data, "" is one quote. Anything
    // between the closing quote and the next comma is kept as it stands.
    QString quotedField()
    {
        const int openedOn = m_line;
        ++m_p;
        QString value;
        for (;;) {
            const QChar* run = m_p;
            while (m_p < m_end && *m_p != csvFormat.quote) {
                if (*m_p == u'\n' || (*m_p == u'\r' && (m_p + 1 == m_end || m_p[1] != u'\n')))
                    ++m_line;
                ++m_p;
            }
            value.append(run, m_p - run);
            if (m_p == m_end)
                fail(QStringLiteral("Line %1 of the file has a field that starts with a double quote (\") "
                                    "but is never closed by another one.")
                         .arg(openedOn));
            ++m_p; // the quote
            if (m_p < m_end && *m_p == csvFormat.quote) {
                value += QChar(csvFormat.quote); // "" stands for one quote
                ++m_p;
                continue;
            }
            break;
        }
        return value + restOfField();
    }

    // Steps over CR LF, LF or a lone CR.
    void endLine()
    {
        if (m_p < m_end && *m_p == u'\r')
            ++m_p;
        if (m_p < m_end && *m_p == u'\n')
            ++m_p;
        ++m_line;
    }

    const QChar* m_p;
    const QChar* m_end;
    int m_line = 1;
    bool m_headingSkipped = false;
};

} // namespace

QByteArray BalanceFileReader::schemaIniSection(const QString& fileName)
{
    return "[" + fileName.toUtf8() + "]\r\n" + "ColNameHeader = " + (csvFormat.hasHeadingRow ? "True" : "False") +
           "\r\n" + "Col1=AccountNumber Text\r\n" + "Col2=Amount Text\r\n";
}

BalanceRows BalanceFileReader::readCsv(const QString& path)
{
    requireReadableFile(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("The file %1 cannot be opened: %2.").arg(quotedPath(path), file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("The file %1 cannot be read: %2.").arg(quotedPath(path), file.errorString()));
    if (const QString problem = zeroBytesProblem(bytes, path); !problem.isEmpty())
        fail(problem);
    const QString text = decode(bytes);
    return CsvParser(text).rows();
}
