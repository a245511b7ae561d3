#pragma once

#include <QString>

// What the three balance file readers share: how they name a file to the user and how they fail.
namespace BalanceFileReader::detail {
// The path as the user knows it, in quotes: "'/home/ann/balances.csv'".
QString quotedPath(const QString& path);
// Raises the import error (ObjectError1001) with the given description.
[[noreturn]] void fail(const QString& description);
// Fails with a clear description when the path is missing, is a folder or cannot be read.
void requireReadableFile(const QString& path);
} // namespace BalanceFileReader::detail
