#include "recdialogframe.h"

#include "accountpanels.h"
#include "amountbox.h"
#include "apperror.h"
#include "baserecpanel.h"
#include "ctlattachedfiles.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "gridview.h"
#include "recitemlistpanel.h"
#include "recresources.h"
#include "recrules.h"
#include "reportoutput.h"
#include "titlepanels.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

// The last control of a panel that takes the focus by Tab.
QWidget* lastInTabOrder(QWidget* panel)
{
    QWidget* last = panel;
    for (QWidget* w = panel->nextInFocusChain(); w != panel && panel->isAncestorOf(w); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            last = w;
    return last;
}

} // namespace

RecDialogFrame::RecDialogFrame(Kind kind, QWidget* parent) : QDialog(parent), m_kind(std::move(kind))
{
    setObjectName(m_kind.objectName);
    setWindowTitle(m_kind.caption);
    DialogBehaviour::useTahoma(this);
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_titlePanel = new RecDialogTitlePanel(this);
    top->addWidget(m_titlePanel, 1);
    top->addWidget(named<TutorialButton>(this, QStringLiteral("TutorialButton1")), 0, Qt::AlignTop);
    outer->addLayout(top);

    auto* tabs = named<QTabWidget>(this, QStringLiteral("SSTab1"));
    auto* recTab = new QWidget(tabs);
    auto* rec = new QVBoxLayout(recTab);
    m_baseRecPanel = new BaseRecPanel(recTab);
    rec->addWidget(m_baseRecPanel);
    m_fields = new QGridLayout;
    m_fields->setColumnStretch(1, 1);
    rec->addLayout(m_fields);
    m_kindArea = new QVBoxLayout;
    rec->addLayout(m_kindArea);
    rec->addWidget(named<QLabel>(recTab, m_kind.itemsLabelName, m_kind.itemsLabel));
    m_recItemListPanel = new RecItemListPanel(recTab);
    rec->addWidget(m_recItemListPanel, 1);
    QHBoxLayout* itemButtons = m_recItemListPanel->addItemButtons(recTab);
    itemButtons->addStretch();
    itemButtons->addWidget(
        named<QLabel>(recTab, m_kind.differenceLabelName, QStringLiteral("Unidentified Difference:")));
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
    outer->addWidget(named<DividerLine>(this, QStringLiteral("DividerLine2")));

    auto* buttons = new QHBoxLayout;
    auto* cmdPrint = named<QPushButton>(this, QStringLiteral("cmdPrint"), QStringLiteral("Pre&view Report"));
    auto* btnPrint = named<QPushButton>(this, m_kind.printButtonName, QStringLiteral("&Print Report"));
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
    resize(760, 720);

    connect(cmdPrint, &QPushButton::clicked, this, [this] { run([this] { previewReport(); }); });
    connect(btnPrint, &QPushButton::clicked, this, [this] { run([this] { printReport(); }); });
    connect(cmdOK, &QPushButton::clicked, this, &RecDialogFrame::save);
    connect(cmdCancel, &QPushButton::clicked, this, &RecDialogFrame::reject);
    connect(m_baseRecPanel, &BaseRecPanel::AmountChanged, this, &RecDialogFrame::updateDifference);
    connect(m_recItemListPanel, &RecItemListPanel::TotalAmountChanged, this, &RecDialogFrame::updateDifference);
}

RecDialogFrame::~RecDialogFrame() = default;

void RecDialogFrame::initialize(GLAccount& account, QString& recDate)
{
    m_account = std::make_shared<GLAccount>(account);
    loadReconciliation(m_account, recDate);
    updateDifference();
    setWindowTitle(RecDialogResource().getDialogTitle(*balance().getGLAccount()));
    m_titlePanel->initialize(balance());
    m_baseRecPanel->initialize(balance());
    m_accountInfoPanel->initialize(*m_account);
    if (m_txtTargetAmount)
        m_txtTargetAmount->setAmount(balance().getTargetAmount());
    fillKindFields();
    m_ctlAttachedFiles11->setAccountId(m_account->getID().toInt(), m_account->getNumber());
    m_ctlAttachedFiles11->setItemType(2);
    m_ctlAttachedFiles11->setDocCheckDate(recDate);
    m_ctlAttachedFiles11->intitalize();
    if (m_ctlAttachedFiles11->getAccountId() >= 1)
        m_ctlAttachedFiles11->loadListView();
    balance().beginEdit();
}

void RecDialogFrame::loadReconciliation(const std::shared_ptr<GLAccount>& account, QString& recDate)
{
    m_glAccountBalance.Load(account, recDate);
    m_recItemListPanel->load(m_items, m_kind.itemTypeCode, *account, recDate, RecItemListPanel::Listed::EveryType);
}

void RecDialogFrame::showDialog()
{
    exec();
}

void RecDialogFrame::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && !m_placed) {
        // 50 twips above the top of the screen, centred across it.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.left() + (area.width() - width()) / 2, area.top() - GridView::pixelsOfTwips(this, 50));
        }
        m_placed = true;
    }
    QDialog::showEvent(event);
}

ARCurrency RecDialogFrame::unidentifiedDifference()
{
    return balance().getUnidentifiedDifference(m_recItemListPanel->getTotalAmount());
}

ReconciliationEvidence RecDialogFrame::shownEvidence()
{
    ReconciliationEvidence shown;
    shown.addItems(m_recItemListPanel->getItems());
    return shown;
}

std::optional<ARCurrency> RecDialogFrame::difference()
{
    return RecRules::difference([this] { return unidentifiedDifference(); });
}

void RecDialogFrame::updateDifference()
{
    DialogBehaviour::showFigure(m_lblDifference, [this] { return RecRules::differenceText(difference()); });
}

void RecDialogFrame::addField(QLabel* label, QWidget* field)
{
    const int row = m_fields->rowCount();
    label->setBuddy(field);
    // A one-line box keeps its own width, at the left, beside its label; a taller one takes the
    // row, its label at its top.
    const bool oneLine = field->sizePolicy().verticalPolicy() == QSizePolicy::Fixed;
    m_fields->addWidget(label, row, 0, oneLine ? Qt::AlignVCenter : Qt::AlignTop);
    m_fields->addWidget(field, row, 1, oneLine ? Qt::AlignLeft : Qt::Alignment());
    followInTabOrder(field);
}

void RecDialogFrame::followInTabOrder(QWidget* widget)
{
    QWidget::setTabOrder(m_lastField ? m_lastField : lastInTabOrder(m_baseRecPanel), widget);
    m_lastField = widget;
}

AmountBox* RecDialogFrame::addTargetAmountBox(const QString& caption)
{
    m_txtTargetAmount = named<AmountBox>(this, QStringLiteral("txtTargetAmount"));
    m_txtTargetAmount->setMaximumWidth(m_txtTargetAmount->fontMetrics().horizontalAdvance(
                                           QStringLiteral("(999,999,999,999.99)")) + 16);
    addField(named<QLabel>(this, QStringLiteral("Label1"), caption), m_txtTargetAmount);
    connect(m_txtTargetAmount, &AmountBox::amountAccepted, this, [this] {
        balance().getTargetAmount() = m_txtTargetAmount->amount();
        updateDifference();
    });
    return m_txtTargetAmount;
}

void RecDialogFrame::run(const std::function<void()>& work)
{
    DialogBehaviour::guardedCommitted(this, work);
}

void RecDialogFrame::save()
{
    run([this] {
        if (!m_baseRecPanel->explainsDifference(difference()))
            return;
        // The balance and its documents are stored as one: when either is refused, nothing is,
        // and the balance is as it was before, edit and all, so Save & Exit can try again.
        const GLAccountBalance before = balance();
        try {
            balance().vouchFor(shownEvidence());
            m_ctlAttachedFiles11->SaveFiles([this] { balance().applyEdit(); });
        } catch (const AppError& e) {
            balance() = before;
            m_baseRecPanel->handleDataValidationError(e);
            return;
        }
        // Stored: from here Cancel returns to what was stored.
        balance().beginEdit();
        accept();
    });
}

void RecDialogFrame::reject()
{
    balance().cancelEdit();
    QDialog::reject();
}

// ---------------------------------------------------------------------------------------------

TwoLevelRecDialog::TwoLevelRecDialog(Kind kind, TwoLevelRecReport::Kind report, QWidget* parent)
    : RecDialogFrame(std::move(kind), parent), m_report(report)
{
}

void TwoLevelRecDialog::previewReport()
{
    TwoLevelRecReport report(m_report);
    report.initialize(balance(), recItemListPanel()->getItems());
    ReportOutput::show(report.report(), this, ReportOutput::Modality::Modal);
}

void TwoLevelRecDialog::printReport()
{
    PrintReport(balance(), recItemListPanel()->getItems());
}

bool TwoLevelRecDialog::PrintReport(const GLAccountBalance& balance, const ReconcilingItemList& items)
{
    if (!m_printReport)
        m_printReport = std::make_unique<TwoLevelRecReport>(m_report);
    m_printReport->initialize(balance, items);
    return ReportOutput::print(m_printReport->report(), this);
}
