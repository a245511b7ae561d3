#include "selectionexport.h"

#include "accountselectionmodel.h"
#include "exportwriter.h"
#include "fileinuse.h"
#include "prompter.h"

#include <QDir>
#include <QFileInfo>

QString SelectionExport::title()
{
    return QStringLiteral("Export Reconciliations Grid");
}

QString SelectionExport::completePath(const QString& chosen)
{
    return chosen.contains(QLatin1Char('.')) ? chosen : chosen + QStringLiteral(".xls");
}

bool SelectionExport::mayWrite(const QString& path)
{
    if (QFileInfo::exists(path) &&
        Prompter::show(Prompter::applicationTitle(),
                       QStringLiteral("File '") + QDir::toNativeSeparators(path) +
                           QStringLiteral("' already exists.  Do you want to overwrite it?"),
                       Prompter::Buttons::YesNo) != Prompter::Yes)
        return false;
    if (FileInUse::isFileAlreadyOpen(path)) {
        Prompter::show(title(),
                       QStringLiteral("File is already in use by another process. Please close the file and try again."),
                       Prompter::Buttons::Ok, Prompter::Icon::Critical);
        return false;
    }
    return true;
}

void SelectionExport::addRows(ExportWriter& writer, const QList<SelectionColumn>& columns,
                              const AccountSelectionModel& model)
{
    QList<int> visible;
    QStringList headings;
    for (int c = 0; c < columns.size(); ++c)
        if (columns.at(c).visible) {
            visible << c;
            headings << columns.at(c).caption;
        }
    writer.addRow(headings);
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList fields;
        for (int c : std::as_const(visible))
            fields << model.text(r, c);
        writer.addRow(fields);
    }
}

void SelectionExport::reportOutcome(const ExportWriter& writer, bool written)
{
    if (!written)
        Prompter::show(title(), writer.errorString(), Prompter::Buttons::Ok, Prompter::Icon::Critical);
    else
        Prompter::show(title(), QStringLiteral("Export Completed"));
}
