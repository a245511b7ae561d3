#include "prepaidrecdialog.h"

#include "amortizableitemdialog.h"
#include "apperror.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "gridview.h"
#include "prepaidrules.h"
#include "prompter.h"
#include "reconciliationkind.h"
#include "reportoutput.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {
enum Column { DescriptionColumn, StartColumn, EndColumn, AmountColumn, BalanceColumn };
} // namespace

PrepaidRecDialog::PrepaidRecDialog(QWidget* parent)
    : RecDialogFrame({QStringLiteral("PrepaidRecDialog"),
                      QStringLiteral("Amortizable Prepaid Reconciliation"), QStringLiteral("O"),
                      QStringLiteral("Label2"), QStringLiteral("Reconciling Items:"),
                      QStringLiteral("Label4"), QStringLiteral("btnCmdPrintRpt")},
                     parent),
      m_runDialog([](QDialog& d) { return d.exec(); })
{
    auto* host = kindArea()->parentWidget() ? kindArea()->parentWidget() : this;
    kindArea()->addWidget(
        named<QLabel>(host, QStringLiteral("Label1"), QStringLiteral("Amortizable Items:")));
    m_lvwAmortizableItemList = named<QTreeWidget>(host, QStringLiteral("lvwAmortizableItemList"));
    DialogBehaviour::useTahoma(m_lvwAmortizableItemList);
    m_lvwAmortizableItemList->setRootIsDecorated(false);
    m_lvwAmortizableItemList->setUniformRowHeights(true);
    m_lvwAmortizableItemList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvwAmortizableItemList->setHeaderLabels({QStringLiteral("Description"), QStringLiteral("Start Date"),
                                               QStringLiteral("End Date"), QStringLiteral("Original Amount"),
                                               QStringLiteral("Balance")});
    m_lvwAmortizableItemList->header()->setStretchLastSection(false);
    m_lvwAmortizableItemList->setMinimumHeight(140);
    kindArea()->addWidget(m_lvwAmortizableItemList, 1);
    followInTabOrder(m_lvwAmortizableItemList);

    auto* buttons = new QHBoxLayout;
    const auto add = [&](const char* name, const char* caption, void (PrepaidRecDialog::*action)()) {
        auto* button = named<QPushButton>(host, QLatin1String(name), QLatin1String(caption));
        button->setAutoDefault(false);
        buttons->addWidget(button);
        followInTabOrder(button);
        connect(button, &QPushButton::clicked, this,
                [this, action] { run([this, action] { (this->*action)(); }); });
    };
    add("cmdNewAmortizableItem", "New", &PrepaidRecDialog::newAmortizableItem);
    add("cmdEditAmortizableItem", "Edit", &PrepaidRecDialog::editSelectedAmortizableItem);
    add("cmdDeleteAmortizableItem", "Delete", &PrepaidRecDialog::deleteAmortizableItem);
    buttons->addStretch();
    kindArea()->addLayout(buttons);
    connect(m_lvwAmortizableItemList, &QTreeWidget::itemDoubleClicked, this,
            [this] { run([this] { editSelectedAmortizableItem(); }); });
}

PrepaidRecDialog::~PrepaidRecDialog() = default;

void PrepaidRecDialog::loadReconciliation(const std::shared_ptr<GLAccount>& account, QString& recDate)
{
    // The balance and every item open at the date: an account whose kind was changed lists its
    // items of other types too, so the difference is the one the review grid shows.
    RecDialogFrame::loadReconciliation(account, recDate);
    loadAmortizableItemList();
}

void PrepaidRecDialog::loadAmortizableItemList()
{
    m_amortizableItemList.Load(balance().getGLAccount(), balance().getDate());
    m_lvwAmortizableItemList->clear();
    QTreeWidget* view = m_lvwAmortizableItemList;
    const auto twips = [view](int t) { return GridView::pixelsOfTwips(view, t); };
    view->setColumnWidth(DescriptionColumn, twips(3850));
    const int dateWidth =
        std::max(twips(1100), view->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")));
    view->setColumnWidth(StartColumn, dateWidth);
    view->setColumnWidth(EndColumn, dateWidth);
    // An amount column is never narrower than its heading.
    for (const int column : {AmountColumn, BalanceColumn})
        view->setColumnWidth(column, std::max(twips(1350), view->header()->sectionSizeHint(column)));
    const QString date = balance().getDate();
    QList<QTreeWidgetItem*> rows;
    QList<ARCurrency> amounts, balances;
    rows.reserve(m_amortizableItemList.count());
    for (const auto& item : m_amortizableItemList) {
        amounts.append(item->getAmount());
        balances.append(item->getRemainingBalance(date));
        auto* row = new QTreeWidgetItem({item->getDescription(), item->getStartDate(), item->getEndDate(),
                                         amounts.constLast().toLocaleString(true), balances.constLast().toLocaleString(true)});
        row->setData(DescriptionColumn, Qt::UserRole, PrepaidRules::makeItemKey(item->getID()));
        row->setTextAlignment(AmountColumn, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(BalanceColumn, Qt::AlignRight | Qt::AlignVCenter);
        rows.append(row);
    }
    m_lvwAmortizableItemList->addTopLevelItems(rows);
    // Every amount shows whole, however large.
    GridView::fitAmounts(view, AmountColumn, amounts);
    GridView::fitAmounts(view, BalanceColumn, balances);
    updateDifference();
}

ARCurrency PrepaidRecDialog::unidentifiedDifference()
{
    return balance().getUnidentifiedDifference(
        ReconciliationKind::explained(ReconciliationKind::Kind::Prepaid,
                                      {recItemListPanel()->getTotalAmount(),
                                       {},
                                       m_amortizableItemList.getTotalRemainingBalance(balance().getDate())}));
}

ReconciliationEvidence PrepaidRecDialog::shownEvidence()
{
    ReconciliationEvidence shown = RecDialogFrame::shownEvidence();
    shown.setPrepaidItems(m_amortizableItemList);
    return shown;
}

void PrepaidRecDialog::newAmortizableItem()
{
    AmortizableItem item;
    item.setGLAccount(balance().getGLAccount());
    const PrepaidRules::NewItemDates dates = PrepaidRules::newItemDates(balance().getDate());
    item.setOpenDate(dates.openDate);
    item.setStartDate(dates.startDate);
    item.setEndDate(dates.endDate);
    editAmortizableItem(item);
}

void PrepaidRecDialog::editAmortizableItem(AmortizableItem& item)
{
    {
        AmortizableItemDialog dialog(this);
        dialog.initialize(item, balance().getDate());
        m_runDialog(dialog);
    }
    // Stored by its dialog or not: the list shows what is stored now.
    loadAmortizableItemList();
}

std::optional<AmortizableItem> PrepaidRecDialog::getSelectedAmortizableItem()
{
    const QTreeWidgetItem* row = m_lvwAmortizableItemList->currentItem();
    if (!row)
        return std::nullopt;
    const QString id = PrepaidRules::parseItemKey(row->data(DescriptionColumn, Qt::UserRole).toString());
    AmortizableItem item;
    item.Load(id);
    if (item.getID() != id) {
        itemGone();
        return std::nullopt;
    }
    // Stored under the account as this reconciliation loaded it, not as it stands now.
    item.setGLAccount(balance().getGLAccount());
    return item;
}

void PrepaidRecDialog::itemGone()
{
    Prompter::show(Prompter::applicationTitle(), PrepaidRules::itemGoneMessage(), Prompter::Buttons::Ok,
                   Prompter::Icon::Information);
    loadAmortizableItemList();
}

void PrepaidRecDialog::editSelectedAmortizableItem()
{
    if (auto item = getSelectedAmortizableItem())
        editAmortizableItem(*item);
}

void PrepaidRecDialog::deleteAmortizableItem()
{
    // The item is read afresh, so that one deleted meanwhile is said so before the question; the
    // delete itself goes only while the item still holds what the list showed.
    const auto item = getSelectedAmortizableItem();
    if (!item)
        return;
    if (Prompter::show(QStringLiteral("Delete"), PrepaidRules::deleteQuestion(), Prompter::Buttons::YesNo) !=
        Prompter::Yes)
        return;
    AmortizableItem shown = *m_amortizableItemList.getItem(item->getID());
    try {
        shown.remove();
    } catch (const AppError&) {
        // Changed or deleted by another user since the list was read: the list shows it as it is
        // stored now, and the message says who and when.
        loadAmortizableItemList();
        throw;
    }
    loadAmortizableItemList();
}

void PrepaidRecDialog::previewReport()
{
    PrepaidRecReport report;
    report.initialize(balance(), m_amortizableItemList, recItemListPanel()->getItems());
    ReportOutput::show(report.report(), this, ReportOutput::Modality::Modal);
}

void PrepaidRecDialog::printReport()
{
    PrintReport(balance(), m_amortizableItemList, recItemListPanel()->getItems());
}

bool PrepaidRecDialog::PrintReport(const GLAccountBalance& balance, const AmortizableItemList& prepaidItems,
                                   const ReconcilingItemList& items)
{
    if (!m_printReport)
        m_printReport = std::make_unique<PrepaidRecReport>();
    m_printReport->initialize(balance, prepaidItems, items);
    return ReportOutput::print(m_printReport->report(), this);
}
