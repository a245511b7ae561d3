#pragma once

#include <QList>
#include <QString>

class AccountSelectionModel;
class ExportWriter;
struct SelectionColumn;

// Writing the account-selection grid to a tab-separated file, apart from the dialog: the name the
// user chose made whole, the checks before anything is written, and the lines as the grid shows
// them. Messages go through the Prompter under the export's title.
class SelectionExport
{
public:
    static QString title();

    // The chosen name with ".xls" added when it has no extension.
    static QString completePath(const QString& chosen);

    // Asks before replacing a file that exists and refuses a file another program holds open:
    // false when nothing is to be written.
    static bool mayWrite(const QString& path);

    // One line of headings, then one line per row in grid order, the visible columns as shown.
    static void addRows(ExportWriter& writer, const QList<SelectionColumn>& columns, const AccountSelectionModel& model);

    // What the user is told once the file is written, or why it was not.
    static void reportOutcome(const ExportWriter& writer, bool written);
};
