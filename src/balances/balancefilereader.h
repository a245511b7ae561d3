#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One row of a balances import file: the account number and the amount, both as the file holds
// them (the editor decides what is a known account and what is a number).
struct BalanceRow
{
    QString accountNumber;
    QString amount;
    // A CSV line's fields after the amount, joined by commas, when any of them holds text: an
    // unquoted amount with a thousands separator ("1,234.56") arrives split over them.
    QString further = {};
    // Where the row stands: its line in a CSV file (the first, when a quoted field spans several)
    // or its row in a worksheet; 1 is the first.
    qint64 line = 0;
    // Two rows are the same when they hold the same texts, wherever they stand.
    bool operator==(const BalanceRow& other) const
    {
        return accountNumber == other.accountNumber && amount == other.amount && further == other.further;
    }
};

// The rows of a file in file order. A workbook is read down to its first row whose column A is
// empty; when a row below that one still holds data, both rows are named so the user can be told.
struct BalanceRows : QList<BalanceRow>
{
    using QList<BalanceRow>::QList;
    BalanceRows() = default;
    BalanceRows(QList<BalanceRow> rows) : QList<BalanceRow>(std::move(rows)) {}
    // What a row's place is called to the user: a line of a CSV file or a row of a worksheet.
    enum class Place { Line, Row } place = Place::Line;
    qint64 stoppedAtRow = 0; // the empty row that ended the reading (1 is the first row)
    qint64 dataBelowRow = 0; // the first row below it with data, 0 when there is none
};

// Readers of the three import file kinds. Each returns the rows in file order, or raises an
// AppError (number ObjectError1001) whose description tells the user what is wrong with the file.
namespace BalanceFileReader {
// The layout of a balances CSV file: the import writes it into the import folder's schema.ini for
// the copied file, and readCsv follows it. Two columns, account number and amount, both text.
struct CsvFormat
{
    bool hasHeadingRow;
    char16_t delimiter;
    char16_t quote;
};
inline constexpr CsvFormat csvFormat{false, u',', u'"'};
// The schema.ini section that declares csvFormat for the named file (CR LF line ends); the
// delimiter and quote it leaves to the defaults, a comma and a double quote.
QByteArray schemaIniSection(const QString& fileName);

// No heading row, comma-separated, fields optionally in double quotes ("" inside them is a quote);
// a file whose first line is separated by semicolons or tabs is refused as one with another separator;
// UTF-8 (a byte-order mark is skipped) or, when the bytes are not UTF-8, Windows-1252; a text
// that starts with a UTF-16 or UTF-32 byte-order mark is read in that encoding.
BalanceRows readCsv(const QString& path);
// The worksheet the workbook was saved showing (its active sheet), column A the account (blanks
// around it trimmed), column B the amount, from row 1 to the first row whose column A is empty. A
// number cell formatted as a date reads as the date's text, which is no amount.
BalanceRows readXls(const QString& path);
BalanceRows readXlsx(const QString& path);
// A spreadsheet number as a cell shows it in the general format: up to 15 significant digits,
// no exponent for ordinary amounts ("1234.56", "12", "-0.5").
QString numberText(double value);
} // namespace BalanceFileReader
