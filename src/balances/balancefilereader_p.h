#pragma once

#include "balancefilereader.h"

#include <QString>

// What the three balance file readers share: how they name a file to the user and how they fail.
namespace BalanceFileReader::detail {
// The path as the user knows it, in quotes: "'/home/ann/balances.csv'".
QString quotedPath(const QString& path);
// Raises the import error (ObjectError1001) with the given description.
[[noreturn]] void fail(const QString& description);
// Fails with a clear description when the path is missing, is a folder or cannot be read.
void requireReadableFile(const QString& path);

// Blanks as the CSV reader trims them around an unquoted field: spaces and tabs.
bool isBlank(QChar c);
QString trimBlanks(const QString& text);

// Whether a number format shows its number as a date or a time: a built-in format of dates and
// times (ids 14 to 22 and 45 to 47), or a format code with date or time letters outside its quoted
// texts, escaped characters and bracketed colours or conditions ("mm/dd/yyyy", "[h]:mm").
bool isDateFormat(int formatId, const QString& formatCode);
// The text of a date cell as the sheet shows it in the editor's date form: "12/31/2026", with the
// time of day when there is one ("12/31/2026 18:00:00"). A serial is a count of days from the
// workbook's epoch (1900, whose made-up 29 February is day 60, or 1904); one the sheet cannot show
// as a date reads as the sheet shows it, "#####".
QString serialDateText(double serial, bool from1904);

// What both workbook readers keep of a worksheet: columns A and B from row 1 down to the first row
// whose column A is empty, and the first row below that one that still holds data.
class WorksheetRows
{
public:
    // Takes the cells of `row` (1 is the first row; a row the file leaves out is empty). False once
    // nothing further is needed.
    bool take(qint64 row, const QString& account, QString amount);
    BalanceRows rows() && { return std::move(m_rows); }

private:
    BalanceRows m_rows;
    qint64 m_next = 1;
};
} // namespace BalanceFileReader::detail
