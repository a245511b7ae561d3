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
