#include "periodendbalancesimportdialog.h"

#include "company.h"
#include "daterules.h"
#include "dialogbehaviour.h"
#include "filechooser.h"
#include "prompter.h"
#include "titlepanels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

using DialogBehaviour::named;

QString PeriodEndBalancesImportDialog::infoText()
{
    return QStringLiteral("To import account balances into Corvantis make ") +
           QStringLiteral("sure you have created a .csv or .xls file in the format shown in the ") +
           QStringLiteral("Corvantis tutorial. You can find the instructions on the ") +
           QStringLiteral("Special Issues \u2013 Import GL Balances page.") + QStringLiteral("\r\n\r\n") +
           QStringLiteral("The information you are importing will replace all account ") +
           QStringLiteral("balance information for the period you have selected. If you ") +
           QStringLiteral("have already performed reconciliations for this accounting ") +
           QStringLiteral("period you should review the General Ledger Reconciliation ") +
           QStringLiteral("Summary Report to make sure all your reconciliations agree ") +
           QStringLiteral("with the new balances you have imported.");
}

QString PeriodEndBalancesImportDialog::warningText()
{
    return QStringLiteral("WARNING: If you are not sure about the accuracy ") +
           QStringLiteral("of the information you are about to import, click on Cancel ") +
           QStringLiteral("to avoid updating the balances at this time. You cannot undo ") +
           QStringLiteral("the import process.");
}

PeriodEndBalancesImportDialog::PeriodEndBalancesImportDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PeriodEndBalancesImportDialog"));
    setWindowTitle(QStringLiteral("Import Period End Balances"));
    m_titlePanel = named<CompoundDialogTitlePanel>(this, QStringLiteral("m_titlePanel"));
    // A label shows "\r\n" as two breaks; the texts keep the form the system writes.
    QString info = infoText();
    auto* lblInfo = named<QLabel>(this, QStringLiteral("lblInfo"), info.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    lblInfo->setWordWrap(true);
    auto* lblWarning = named<QLabel>(this, QStringLiteral("lblWarning"), warningText());
    lblWarning->setWordWrap(true);
    QFont bold = lblWarning->font();
    bold.setBold(true);
    lblWarning->setFont(bold);
    auto* label = named<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("Period End Balance Import File:"));
    m_fileLocation = named<QLineEdit>(this, QStringLiteral("txtFileLocation"));
    label->setBuddy(m_fileLocation);
    auto* browse = named<QPushButton>(this, QStringLiteral("cmdBrowse"), QStringLiteral("&Browse..."));
    auto* ok = named<QPushButton>(this, QStringLiteral("OKButton"), QStringLiteral("&Import"));
    auto* cancel = named<QPushButton>(this, QStringLiteral("CancelButton"), QStringLiteral("&Cancel"));
    auto* divider = named<DividerLine>(this, QStringLiteral("DividerLine1"));
    DialogBehaviour::noAutoDefault(this);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_fileLocation, 1);
    fileRow->addWidget(browse);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 10, 16, 0);
    body->setSpacing(10);
    body->addWidget(lblInfo);
    body->addWidget(lblWarning);
    body->addWidget(label);
    body->addLayout(fileRow);
    body->addWidget(divider);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(m_titlePanel);
    layout->addLayout(body);
    setMinimumWidth(560);

    connect(browse, &QPushButton::clicked, this, &PeriodEndBalancesImportDialog::browse);
    connect(ok, &QPushButton::clicked, this, &PeriodEndBalancesImportDialog::approve);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void PeriodEndBalancesImportDialog::initialize(const QString& date)
{
    const Company company;
    const auto asDate = DateRules::fromText(date);
    m_titlePanel->initialize(company.getName(),
                             QStringLiteral("For the Period Ending ") + (asDate ? DateRules::longDate(*asDate) : date));
}

QString PeriodEndBalancesImportDialog::getFileLocation() const
{
    return m_fileLocation->text();
}

void PeriodEndBalancesImportDialog::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        m_approved = false;
    QDialog::showEvent(event);
}

void PeriodEndBalancesImportDialog::browse()
{
    const QString filter = QStringLiteral("Microsoft Excel Files (*.xls)|*.xls|") +
                           QStringLiteral("Microsoft Excel Files (*.xlsx)|*.xlsx|") +
                           QStringLiteral("Comma Separated Value Files (*.csv)|*.csv");
    const QString chosen = FileChooser::instance().openFile(windowTitle(), m_chosen, filter);
    if (!chosen.isEmpty())
        m_chosen = chosen; // a cancelled browse keeps the previous choice
    m_fileLocation->setText(m_chosen);
}

void PeriodEndBalancesImportDialog::approve()
{
    if (m_fileLocation->text().isEmpty()) {
        Prompter::show(Prompter::applicationTitle(),
                       QStringLiteral("Please select the location of the period end ") +
                           QStringLiteral("balance import button by clicking the Browse button."));
        return;
    }
    m_approved = true;
    accept();
}
