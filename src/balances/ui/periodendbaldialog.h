#pragma once

#include <QDialog>
#include <functional>

class DateBox;
class QCheckBox;
class QPushButton;

// "Export Data": picks an as-of date and writes, to one file the user chooses, every account's
// period-end status at that date and then every reconciling item open at it. The whole file is
// made in memory first; it replaces a file already there only when the user says so, and a failed
// write leaves that file as it was. Each run stands on its own: nothing of one run carries into
// the next.
class PeriodEndBalDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PeriodEndBalDialog(QWidget* parent = nullptr);

    // What the Export buttons of the administration dialogs do: a fresh dialog, shown modally,
    // gone once it is closed. A caller that runs its dialogs through a runner of its own (so that
    // tests answer them) passes it; otherwise the dialog's own exec() shows it.
    static void showExport(QWidget* parent = nullptr, const std::function<int(QDialog&)>& runDialog = {});

    // "Run &Export": takes the date in the box as it stands, makes the file, asks where to put it
    // and writes it. The dialog stays open for another run.
    void runExport();

private:
    void writeExport(const QString& asOfDate);

    DateBox* m_asOfDate;
    QCheckBox* m_headings;
    QPushButton* m_extract;
    QPushButton* m_cancel;
};
