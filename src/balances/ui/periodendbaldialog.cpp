#include "periodendbaldialog.h"

#include "clock.h"
#include "datebox.h"
#include "daterules.h"
#include "dialogbehaviour.h"
#include "exportwriter.h"
#include "filechooser.h"
#include "global.h"
#include "periodendexport.h"
#include "prompter.h"
#include "titlepanels.h"
#include "waitcursor.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

using DialogBehaviour::named;

PeriodEndBalDialog::PeriodEndBalDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PeriodEndBalDialog"));
    setWindowTitle(QStringLiteral("Export Data"));
    auto* title = named<SimpleDialogTitlePanel>(this, QStringLiteral("m_title"));
    title->initialize(QStringLiteral("Pick an Export As Of Date"));

    auto* label = named<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("As Of Date:"));
    m_asOfDate = named<DateBox>(this, QStringLiteral("txtAsofDate"));
    m_asOfDate->setMaxLength(10);
    m_asOfDate->setMinimumWidth(m_asOfDate->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);
    label->setBuddy(m_asOfDate);
    // Leaving the box normalises a date and keeps any other text as typed, without a word: the
    // run is what refuses a text that is no date.
    LeaveCheck::install(
        m_asOfDate, [this] { m_asOfDate->commit(); return true; }, [] {});
    m_headings = named<QCheckBox>(this, QStringLiteral("ChkIncludeHeadingRpt"), QStringLiteral("Include Column Headings"));
    m_extract = named<QPushButton>(this, QStringLiteral("btnExtract"), QStringLiteral("Run &Export"));
    m_cancel = named<QPushButton>(this, QStringLiteral("CancelButton"), QStringLiteral("&Cancel"));
    DialogBehaviour::noAutoDefault(this);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(label);
    dateRow->addWidget(m_asOfDate);
    dateRow->addSpacing(16);
    dateRow->addWidget(m_headings);
    dateRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_extract);
    buttons->addWidget(m_cancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 10, 16, 0);
    body->setSpacing(10);
    body->addLayout(dateRow);
    body->addWidget(new DividerLine(this));
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(title);
    layout->addLayout(body);
    setTabOrder(m_asOfDate, m_headings);
    setTabOrder(m_headings, m_extract);
    setTabOrder(m_extract, m_cancel);

    connect(m_extract, &QPushButton::clicked, this, &PeriodEndBalDialog::runExport);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_asOfDate->setText(Global::getCurrentRecDate());
    m_asOfDate->setFocus();
}

void PeriodEndBalDialog::showExport(QWidget* parent, const std::function<int(QDialog&)>& runDialog)
{
    PeriodEndBalDialog dialog(parent);
    if (runDialog)
        runDialog(dialog);
    else
        dialog.exec();
}

void PeriodEndBalDialog::runExport()
{
    // A mnemonic presses the button with the focus still in the box: what is typed there counts.
    m_asOfDate->commit();
    const QString asOfDate = m_asOfDate->date();
    if (asOfDate.isEmpty()) {
        Prompter::show(Prompter::applicationTitle(), DateBox::defaultInvalidMessage());
        m_asOfDate->setFocus();
        return;
    }
    m_cancel->setEnabled(false);
    const auto done = qScopeGuard([this] {
        m_cancel->setEnabled(true);
        m_cancel->setFocus();
    });
    DialogBehaviour::guarded([&] { writeExport(asOfDate); });
}

void PeriodEndBalDialog::writeExport(const QString& asOfDate)
{
    ExportWriter writer;
    {
        WaitCursor wait;
        PeriodEndExport::build(writer, {asOfDate, DateRules::dateTimeText(Clock::instance().now()),
                                        m_headings->isChecked()});
    }
    const QString path =
        FileChooser::instance().saveFile(windowTitle(), QString(), QStringLiteral("Excel Export (*.xls)"));
    if (path.isEmpty() || !ExportWriter::mayReplace(path, Prompter::applicationTitle()))
        return;
    writer.setPath(path);
    if (!writer.commit()) {
        Prompter::show(Prompter::applicationTitle(), writer.errorString(), Prompter::Buttons::Ok,
                       Prompter::Icon::Critical);
        return;
    }
    Prompter::show(Prompter::applicationTitle(), QStringLiteral("Export Created"), Prompter::Buttons::Ok,
                   Prompter::Icon::Information);
}
