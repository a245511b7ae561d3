#pragma once

#include <QList>
#include <QString>

// One row of a balances import file: the account number and the amount, both as the file holds
// them (the editor decides what is a known account and what is a number).
struct BalanceRow
{
    QString accountNumber;
    QString amount;
    bool operator==(const BalanceRow&) const = default;
};
using BalanceRows = QList<BalanceRow>;

// Readers of the three import file kinds. Each returns the rows in file order, or raises an
// AppError (number ObjectError1001) whose description tells the user what is wrong with the file.
namespace BalanceFileReader {
// No heading row, comma-separated, fields optionally in double quotes ("" inside them is a quote);
// UTF-8 (a byte-order mark is skipped) or, when the bytes are not UTF-8, Windows-1252; a text
// that starts with a UTF-16 or UTF-32 byte-order mark is read in that encoding.
BalanceRows readCsv(const QString& path);
// First worksheet, column A the account, column B the amount, from row 1 to the first row whose
// column A is empty.
BalanceRows readXls(const QString& path);
BalanceRows readXlsx(const QString& path);
// A spreadsheet number as a cell shows it in the general format: up to 15 significant digits,
// no exponent for ordinary amounts ("1234.56", "12", "-0.5").
QString numberText(double value);
} // namespace BalanceFileReader
