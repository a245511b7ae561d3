#include "listrecdialog.h"

#include "accountpanels.h"
#include "apperror.h"
#include "baserecpanel.h"
#include "ctlattachedfiles.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "recitemlistpanel.h"
#include "recresources.h"
#include "recrules.h"
#include "reportoutput.h"
#include "titlepanels.h"
#include "twolevelrecreport.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

using DialogBehaviour::named;

ListRecDialog::ListRecDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ListRecDialog"));
    DialogBehaviour::useTahoma(this);
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_titlePanel = new RecDialogTitlePanel(this);
    top->addWidget(m_titlePanel, 1);
    auto* tutorial = named<TutorialButton>(this, QStringLiteral("TutorialButton1"));
    top->addWidget(tutorial, 0, Qt::AlignTop);
    outer->addLayout(top);

    auto* tabs = named<QTabWidget>(this, QStringLiteral("SSTab1"));
    auto* recTab = new QWidget(tabs);
    auto* rec = new QVBoxLayout(recTab);
    m_baseRecPanel = new BaseRecPanel(recTab);
    rec->addWidget(m_baseRecPanel);
    rec->addWidget(named<QLabel>(recTab, QStringLiteral("Label2"), QStringLiteral("Items:")));
    m_recItemListPanel = new RecItemListPanel(recTab);
    rec->addWidget(m_recItemListPanel, 1);
    QHBoxLayout* itemButtons = m_recItemListPanel->addItemButtons(recTab);
    itemButtons->addStretch();
    itemButtons->addWidget(
        named<QLabel>(recTab, QStringLiteral("Label1"), QStringLiteral("Unidentified Difference:")));
    m_lblDifference = named<QLabel>(recTab, QStringLiteral("lblDifference"));
    m_lblDifference->setMinimumWidth(110);
    m_lblDifference->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont bold = m_lblDifference->font();
    bold.setBold(true);
    m_lblDifference->setFont(bold);
    itemButtons->addWidget(m_lblDifference);
    rec->addLayout(itemButtons);
    tabs->addTab(recTab, QStringLiteral("Reconciliation"));
    m_accountInfoPanel = new AccountInfoPanel(tabs);
    tabs->addTab(m_accountInfoPanel, QStringLiteral("&Account Information"));
    outer->addWidget(tabs, 1);

    m_ctlAttachedFiles11 = named<ctlAttachedFiles1>(this, QStringLiteral("ctlAttachedFiles11"));
    outer->addWidget(m_ctlAttachedFiles11);
    outer->addWidget(new DividerLine(this));

    auto* buttons = new QHBoxLayout;
    auto* cmdPrint = named<QPushButton>(this, QStringLiteral("cmdPrint"), QStringLiteral("Pre&view Report"));
    auto* btnPrint =
        named<QPushButton>(this, QStringLiteral("btnCmdReportPrint"), QStringLiteral("&Print Report"));
    auto* cmdOK = named<QPushButton>(this, QStringLiteral("cmdOK"), QStringLiteral("&Save && Exit"));
    auto* cmdCancel = named<QPushButton>(this, QStringLiteral("CmdCancel"), QStringLiteral("&Cancel"));
    DialogBehaviour::setCausesValidation(cmdCancel, false);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(btnPrint);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    outer->addLayout(buttons);
    DialogBehaviour::noAutoDefault(this);
    resize(760, 700);

    connect(cmdPrint, &QPushButton::clicked, this, &ListRecDialog::preview);
    connect(btnPrint, &QPushButton::clicked, this, &ListRecDialog::print);
    connect(cmdOK, &QPushButton::clicked, this, &ListRecDialog::save);
    connect(cmdCancel, &QPushButton::clicked, this, &ListRecDialog::reject);
    connect(m_baseRecPanel, &BaseRecPanel::AmountChanged, this, &ListRecDialog::showDifference);
    connect(m_recItemListPanel, &RecItemListPanel::TotalAmountChanged, this, &ListRecDialog::showDifference);
}

ListRecDialog::~ListRecDialog() = default;

void ListRecDialog::initialize(GLAccount& account, QString& recDate)
{
    m_account = std::make_shared<GLAccount>(account);
    m_balance.Load(m_account, recDate);
    m_items.Load(m_account->getID(), recDate, QString());
    m_recItemListPanel->intitalize(m_items, QStringLiteral("L"), *m_account, recDate);
    showDifference();
    setWindowTitle(RecDialogResource().getDialogTitle(*m_balance.getGLAccount()));
    m_titlePanel->initialize(m_balance);
    m_baseRecPanel->initialize(m_balance);
    m_accountInfoPanel->initialize(*m_account);
    m_ctlAttachedFiles11->setAccountId(m_account->getID().toInt());
    m_ctlAttachedFiles11->setItemType(2);
    m_ctlAttachedFiles11->setDocCheckDate(recDate);
    m_ctlAttachedFiles11->intitalize();
    if (m_ctlAttachedFiles11->getAccountId() >= 1)
        m_ctlAttachedFiles11->loadListView();
    m_balance.beginEdit();
}

void ListRecDialog::showDialog()
{
    // At the top of the screen, centred across it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move((screen->availableGeometry().width() - width()) / 2, -50 / 15);
    exec();
}

void ListRecDialog::showDifference()
{
    m_lblDifference->setText(RecRules::difference(m_balance, m_items).toString(true));
}

void ListRecDialog::save()
{
    try {
        if (!DialogBehaviour::commitFocusedField(this))
            return;
        if (!m_baseRecPanel->explainsDifference(RecRules::difference(m_balance, m_items)))
            return;
        m_balance.applyEdit();
        m_ctlAttachedFiles11->SaveFiles();
        accept();
    } catch (const AppError& e) {
        m_baseRecPanel->handleDataValidationError(e);
    }
}

void ListRecDialog::reject()
{
    m_balance.cancelEdit();
    QDialog::reject();
}

void ListRecDialog::preview()
{
    DialogBehaviour::guardedCommitted(this, [this] {
        ListRecReport report;
        report.initialize(m_balance, m_recItemListPanel->getItems());
        ReportOutput::show(report.report(), this, ReportOutput::Modality::Modal);
    });
}

void ListRecDialog::print()
{
    DialogBehaviour::guardedCommitted(this,
                                      [this] { PrintReport(m_balance, m_recItemListPanel->getItems()); });
}

bool ListRecDialog::PrintReport(const GLAccountBalance& balance, const ReconcilingItemList& items)
{
    if (!m_printReport)
        m_printReport = std::make_unique<ListRecReport>();
    m_printReport->initialize(balance, items);
    return ReportOutput::print(m_printReport->report(), this);
}
