#pragma once

#include "arcurrency.h"
#include "balancefilereader.h"

#include <QString>

class GLAccountBalanceList;

// What an import did: how many balances it set, their net amount and the rows it refused.
struct BalancesImportOutcome
{
    qint64 imported = 0;
    ARCurrency net;
    QString refusals; // one line per refused row
    qint64 stoppedAtRow = 0; // a workbook's first empty row, when data follows it
    qint64 dataBelowRow = 0;

    // The text of the "Import Summary" message.
    QString summary() const;
};

// The balances import of the period-end balances editor: the chosen file is copied into the import
// folder, read, checked row by row and applied to the editor's balances in memory. Every row is read
// and checked before any balance changes, so a failure leaves the balances as they were.
namespace BalancesImport {

// The shared data folder's "import" folder, created when missing.
QString importFolder();

// Copies the chosen file into the import folder as "__balances." + its extension (as written) and
// returns the copy's path. The copy replaces the previous one only once it is complete, and a copy
// of the import folder's own file leaves that file as it is.
QString copySelectedImportFileToImportDirectory(const QString& path);

// Writes the import folder's "schema.ini" (the CSV copy's description) when there is none.
void createSchemaIniFileIfNecessary(const QString& folder);

// The rows of the copy, read by the reader of the chosen path's extension.
BalanceRows getBalances(const QString& path, const QString& copy);

// Checks every row against the list and the money rules, then sets the balances of the rows it
// accepts. A number names the account that holds it exactly, else the one account that is its name
// under the same-name rule; one that names two accounts is refused, and so is a row of an account
// deleted since the list was loaded, so the count and net amount are what OK stores. Raises (and
// changes nothing) when the net amount cannot be held by the money type.
BalancesImportOutcome apply(const BalanceRows& rows, GLAccountBalanceList& list);

// The whole import; raises AppError with the description the user is shown.
BalancesImportOutcome run(const QString& path, GLAccountBalanceList& list);

} // namespace BalancesImport
