#pragma once

#include "balancefilereader.h"

#include <QString>

#include <optional>

// What the three balance file readers share: how they name a file to the user and how they fail.
namespace BalanceFileReader::detail {
// The path as the user knows it, in quotes: "'/home/ann/balances.csv'".
QString quotedPath(const QString& path);
// Raises the import error (ObjectError1001) with the given description.
[[noreturn]] void fail(const QString& description);
// Fails with a clear description when the path is missing, is a folder or cannot be read.
void requireReadableFile(const QString& path);

// Fails for a workbook whose every worksheet is hidden: a hidden sheet is never the one read.
[[noreturn]] void failHiddenOnly(const QString& path);

// Blanks as the CSV reader trims them around an unquoted field: spaces and tabs.
bool isBlank(QChar c);
QString trimBlanks(const QString& text);

// How a cell's number format shows its number: as a number, as a date (with its time of day when
// the format has one), or as a time alone.
struct NumberFormat
{
    enum Kind { Number, Date, Time } kind = Number;
    QString code; // the format code the kind was judged by
};
// A cell's number format by the code the workbook defines for its id, whatever the id (workbooks
// written by some programs define their own formats from id 100 on, and may redefine a built-in
// one); an id the workbook leaves undefined by its built-in code. The built-in dates and times are
// ids 14 to 22 and 45 to 47, and 27 to 36 and 50 to 58 in East Asian locales. A code shows a date
// or a time by its date or time letters outside its quoted texts, escaped characters and
// bracketed colours or conditions ("m/d/yyyy", "h:mm", "[h]:mm").
NumberFormat numberFormat(int formatId, const std::optional<QString>& definedCode);
// The text of a number cell whose format shows a date or a time. A date reads in the editor's date
// form, "12/31/2026", with the time of day when there is one ("12/31/2026 18:00:00"); a time alone
// reads as the sheet shows it ("12:30", "12:30 PM", "36:00" for an elapsed time). A serial is a
// count of days from the workbook's epoch (1900, whose made-up 29 February is day 60, or 1904); one
// the sheet cannot show as a date reads as the sheet shows it, "#####".
QString serialDateText(double serial, bool from1904, const NumberFormat& format);

// What both workbook readers keep of a worksheet: columns A and B from row 1 down to the first row
// whose column A is empty, and the first row below that one that still holds data.
class WorksheetRows
{
public:
    WorksheetRows();
    // Takes the cells of `row` (1 is the first row; a row the file leaves out is empty). False once
    // nothing further is needed.
    bool take(qint64 row, const QString& account, QString amount);
    BalanceRows rows() && { return std::move(m_rows); }

private:
    BalanceRows m_rows;
    qint64 m_next = 1;
};
} // namespace BalanceFileReader::detail
