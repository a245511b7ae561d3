#include "bankrecdialog.h"

#include "bankrecgroups.h"
#include "amountbox.h"
#include "bankrecreport.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "gridview.h"
#include "reportoutput.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

constexpr int kTotalColumn = 2;

} // namespace

BankRecDialog::BankRecDialog(QWidget* parent)
    : RecDialogFrame({QStringLiteral("BankRecDialog"), QString(), QStringLiteral("O"),
                      QStringLiteral("Label4"), QStringLiteral("Other Reconciling Items:"),
                      QStringLiteral("Label3"), QStringLiteral("CmdRptPrint")},
                     parent),
      m_runDialog([](QDialog& dialog) { return dialog.exec(); })
{
    addTargetAmountBox(QStringLiteral("&Bank Balance:"));

    kindArea()->addWidget(
        named<QLabel>(this, QStringLiteral("Label2"), QStringLiteral("Reconciling Item Groups:")));
    m_lvwItemGroupList = named<QTreeWidget>(this, QStringLiteral("lvwItemGroupList"));
    m_lvwItemGroupList->setRootIsDecorated(false);
    m_lvwItemGroupList->setUniformRowHeights(true);
    m_lvwItemGroupList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvwItemGroupList->setHeaderLabels(
        {QStringLiteral("Reconciling Item Type"), QStringLiteral("+/-"), QStringLiteral("Total Amount")});
    m_lvwItemGroupList->headerItem()->setTextAlignment(kTotalColumn, Qt::AlignRight);
    m_lvwItemGroupList->header()->setStretchLastSection(false);
    // Four rows and the heading, no more.
    m_lvwItemGroupList->setFixedHeight(m_lvwItemGroupList->fontMetrics().height() * 7 + 8);
    auto* row = new QHBoxLayout;
    row->addWidget(m_lvwItemGroupList, 1);
    m_cmdDetails = named<QPushButton>(this, QStringLiteral("cmdDetails"), QStringLiteral("Ed&it Details"));
    m_cmdDetails->setAutoDefault(false);
    row->addWidget(m_cmdDetails, 0, Qt::AlignTop);
    kindArea()->addLayout(row);
    // After the bank balance come the groups, then the other items.
    QWidget::setTabOrder(targetAmountBox(), m_lvwItemGroupList);
    QWidget::setTabOrder(m_lvwItemGroupList, m_cmdDetails);

    connect(m_cmdDetails, &QPushButton::clicked, this,
            [this] { run([this] { showSelectedGroupDetails(); }); });
    connect(m_lvwItemGroupList, &QTreeWidget::itemDoubleClicked, this,
            [this] { run([this] { showSelectedGroupDetails(); }); });
}

BankRecDialog::~BankRecDialog() = default;

void BankRecDialog::loadReconciliation(const std::shared_ptr<GLAccount>& account, QString& recDate)
{
    // One read of the balance and one of the items; the groups and the panel share those lists.
    m_bankReconciliation.Load(account, recDate);
    initItemGroupList();
    recItemListPanel()->intitalize(*m_bankReconciliation.getItemsForType(QStringLiteral("O")),
                                   QStringLiteral("O"), *account, m_bankReconciliation.getDate());
}

void BankRecDialog::initItemGroupList()
{
    m_lvwItemGroupList->setColumnWidth(0, GridView::pixelsOfTwips(this, 7500));
    m_lvwItemGroupList->setColumnWidth(1, 0);
    m_lvwItemGroupList->setColumnHidden(1, true);
    m_lvwItemGroupList->setColumnWidth(kTotalColumn, GridView::pixelsOfTwips(this, 1350));
    m_lvwItemGroupList->clear();
    for (const BankRecGroups::Group& group : BankRecGroups::all()) {
        auto* item = new QTreeWidgetItem(m_lvwItemGroupList, {group.name, group.sign, QString()});
        item->setData(0, Qt::UserRole, group.code);
        item->setTextAlignment(kTotalColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
    refreshGroupTotals();
}

void BankRecDialog::refreshGroupTotals()
{
    for (int i = 0; i < m_lvwItemGroupList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_lvwItemGroupList->topLevelItem(i);
        const QString code = item->data(0, Qt::UserRole).toString();
        item->setText(kTotalColumn, DialogBehaviour::figureText([&] {
                          return BankRecGroups::total(m_bankReconciliation, code).toLocaleString(true);
                      }));
    }
    updateDifference();
}

void BankRecDialog::showSelectedGroupDetails()
{
    const QTreeWidgetItem* item = m_lvwItemGroupList->currentItem();
    if (!item || !item->isSelected())
        return;
    showGroupDetails(item->data(0, Qt::UserRole).toString());
}

void BankRecDialog::showGroupDetails(const QString& key)
{
    ReconcilingItemList* items = m_bankReconciliation.getItemsForType(key);
    if (!items)
        return;
    {
        RecItemListDialog details(this);
        details.initialize(*items, key, *account(), m_bankReconciliation.getDate());
        m_runDialog(details);
    }
    // The dialog stored its changes and reloaded the group's list.
    refreshGroupTotals();
}

void BankRecDialog::previewReport()
{
    BankRecReport report;
    report.initialize(m_bankReconciliation);
    ReportOutput::show(report.report(), this, ReportOutput::Modality::Modal);
}

void BankRecDialog::printReport()
{
    PrintReport(m_bankReconciliation);
}

bool BankRecDialog::PrintReport(const BankReconciliation& reconciliation)
{
    if (!m_printReport)
        m_printReport = std::make_unique<BankRecReport>();
    m_printReport->initialize(reconciliation);
    return ReportOutput::print(m_printReport->report(), this);
}
