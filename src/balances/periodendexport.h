#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class ExportWriter;

// The month-end export file that the controller hands on: one status line per account with a
// stored balance (where it stands at the as-of date, its figures and sign-offs), then one line per
// reconciling item open at that date, shifted right past the 21 status fields so both kinds sit
// in one sheet. Both are read set-based and gathered in an ExportWriter; nothing here touches a
// file or asks the user anything.
namespace PeriodEndExport {

inline constexpr int StatusFieldCount = 21;

// What one run of the export is made with, fixed once at its start.
struct Run
{
    QString asOfDate;    // "mm/dd/yyyy"
    QString extractedAt; // the moment of the run, as every line carries it
    bool headings = false;
};

QStringList statusHeadings();
// The twelve item words; their line starts with 21 empty fields as the item lines do.
QStringList openItemHeadings();

// Adds a status line for every account that has a balance row, in account-number order (accounts
// sharing a number stay apart), the heading first when asked for and a line follows. Returns the
// number of account lines.
qsizetype addStatusLines(ExportWriter& writer, const Run& run);
// Adds a line for every reconciling item open at the as-of date (opened on or before it, not
// closed or closed after it), the heading first when asked for and an item follows. Returns the
// number of item lines.
qsizetype addOpenItemLines(ExportWriter& writer, const Run& run);

// The whole file: the status lines, then the open-items lines.
void build(ExportWriter& writer, const Run& run);

// The two reads behind the lines, for a benchmark's baseline: the status rows (the as-of date
// "yyyy-mm-dd" bound once; the figures come from AccountFiguresQuery) and the open items (bound twice).
QString statusQuery(const QSqlDatabase& db);
QString openItemsQuery(const QSqlDatabase& db);

} // namespace PeriodEndExport
