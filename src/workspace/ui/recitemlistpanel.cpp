#include "recitemlistpanel.h"

#include "apperror.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "gridview.h"
#include "prompter.h"
#include "recitemdialog.h"
#include "recresources.h"
#include "titlepanels.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

constexpr int kTwipsPerPixel = 15; // 1440 twips an inch at 96 pixels an inch
constexpr int kWideList = 7000;    // twips: from this width on the description column is wide

int pixels(int twips)
{
    return twips / kTwipsPerPixel;
}

constexpr int kTimingColumn = 2;
constexpr int kAmountColumn = 4;

// A row of the list: the item's values as the list was filled, made into cell texts only when
// the view asks for them, which for a long list is a screenful of its rows.
class ItemRow : public QTreeWidgetItem
{
public:
    explicit ItemRow(const ReconcilingItem& item)
        : m_texts{item.getOpenDate(), item.getCloseDate(), item.getReqTiming(), item.getComment()},
          m_amount(item.getAmount()), m_id(item.getID())
    {
    }

    QVariant data(int column, int role) const override
    {
        if (role == Qt::DisplayRole && column >= 0 && column < kAmountColumn)
            return m_texts[column];
        if (role == Qt::DisplayRole && column == kAmountColumn)
            return m_amount.toLocaleString(true);
        if (role == Qt::TextAlignmentRole && column == kTimingColumn)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter));
        if (role == Qt::TextAlignmentRole && column == kAmountColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::UserRole && column == 0) // the row's key: "ID:" and the item's id
            return QString(QStringLiteral("ID:") + m_id);
        return QTreeWidgetItem::data(column, role);
    }

private:
    QString m_texts[kAmountColumn];
    ARCurrency m_amount;
    QString m_id;
};

AppError noItem(const QString& source)
{
    return AppError(AppError::ObjectErrorBase + 1, source,
                    QStringLiteral("The given ReconcilingItem can not be Nothing"));
}

} // namespace

RecItemListPanel::RecItemListPanel(QWidget* parent)
    : QWidget(parent), m_runDialog([](QDialog& dialog) { return dialog.exec(); })
{
    setObjectName(QStringLiteral("m_recItemListPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_lvwItemList = named<QTreeWidget>(this, QStringLiteral("lvwItemList"));
    DialogBehaviour::useTahoma(m_lvwItemList);
    m_lvwItemList->setRootIsDecorated(false);
    m_lvwItemList->setUniformRowHeights(true);
    m_lvwItemList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvwItemList->setColumnCount(5);
    m_lvwItemList->header()->setStretchLastSection(false);
    layout->addWidget(m_lvwItemList);
    connect(m_lvwItemList, &QTreeWidget::itemDoubleClicked, this,
            [this] { DialogBehaviour::guarded([this] { editRecItem(); }); });
}

QHBoxLayout* RecItemListPanel::addItemButtons(QWidget* host)
{
    auto* row = new QHBoxLayout;
    const auto add = [this, host, row](const QString& name, const QString& caption,
                                       void (RecItemListPanel::*action)()) {
        auto* button = named<QPushButton>(host, name, caption);
        button->setAutoDefault(false);
        row->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, host, action] {
            DialogBehaviour::guardedCommitted(host->window(), [this, action] { (this->*action)(); });
        });
    };
    add(QStringLiteral("cmdNew"), QStringLiteral("&New"), &RecItemListPanel::newRecItem);
    add(QStringLiteral("cmdEdit"), QStringLiteral("&Edit"), &RecItemListPanel::editRecItem);
    add(QStringLiteral("cmdDelete"), QStringLiteral("&Delete"), &RecItemListPanel::deleteRecItem);
    return row;
}

void RecItemListPanel::load(ReconcilingItemList& items, const QString& typeCode, const GLAccount& account,
                            const QString& date, Listed listed)
{
    keep(items, typeCode, account, date, listed);
    loadItems();
    fill();
}

void RecItemListPanel::intitalize(ReconcilingItemList& items, const QString& typeCode,
                                  const GLAccount& account, const QString& date)
{
    keep(items, typeCode, account, date, Listed::ItemType);
    fill();
}

void RecItemListPanel::keep(ReconcilingItemList& items, const QString& typeCode, const GLAccount& account,
                            const QString& date, Listed listed)
{
    m_items = &items;
    m_typeCode = typeCode;
    m_listed = listed;
    m_account = &account;
    m_date = date;
    RecItemResource resource;
    resource.initialize(typeCode);
    m_lvwItemList->setHeaderLabels({resource.getOpenDateLabel(), resource.getClosedDateLabel(), QString(),
                                    resource.getDescriptionLabel(), resource.getAmountLabel()});
    m_lvwItemList->headerItem()->setTextAlignment(kTimingColumn, Qt::AlignHCenter);
    m_lvwItemList->headerItem()->setTextAlignment(kAmountColumn, Qt::AlignRight);
}

ReconcilingItemList& RecItemListPanel::getItems()
{
    return m_items ? *m_items : m_none;
}

ARCurrency RecItemListPanel::getTotalAmount() const
{
    return m_items ? m_items->getTotalAmount() : ARCurrency();
}

ReconcilingItemList::Item RecItemListPanel::selectedItem() const
{
    const QTreeWidgetItem* row = m_lvwItemList->currentItem();
    if (!m_items || !row || !row->isSelected())
        return nullptr;
    // The row's key is "ID:" and the item's id.
    const QString id = row->data(0, Qt::UserRole).toString().mid(3);
    return m_items->getItem(id);
}

void RecItemListPanel::editRecItem()
{
    if (const auto item = selectedItem())
        editItem(item);
}

void RecItemListPanel::newRecItem()
{
    if (!m_account)
        return;
    auto item = std::make_shared<ReconcilingItem>();
    item->setGLAccount(std::make_shared<const GLAccount>(*m_account));
    item->setOpenDate(m_date);
    item->setTypeCode(m_typeCode);
    editItem(item);
}

void RecItemListPanel::deleteRecItem()
{
    const auto item = selectedItem();
    if (!item)
        return;
    if (Prompter::show(QStringLiteral("Delete"),
                       QStringLiteral("Are you sure that you want to delete this reconciling item?"),
                       Prompter::Buttons::YesNo) != Prompter::Yes)
        return;
    item->remove();
    reload();
}

void RecItemListPanel::editItem(const ReconcilingItemList::Item& item)
{
    if (!item)
        throw noItem(QStringLiteral("RecItemListPanel:editItem()"));
    {
        // Stored under the account as the reconciliation loaded it: refused should another user
        // delete it or change its kind meanwhile.
        item->setGLAccount(std::make_shared<const GLAccount>(*m_account));
        RecItemDialog dialog(window());
        dialog.initialize(*item, *m_account, m_date);
        m_runDialog(dialog);
    }
    // Confirmed or not, the list shows what the database holds now.
    reload();
}

void RecItemListPanel::loadItems()
{
    m_items->Load(m_account->getID(), m_date, m_listed == Listed::EveryType ? QString() : m_typeCode);
}

void RecItemListPanel::reload()
{
    loadItems();
    fill();
    Q_EMIT TotalAmountChanged();
}

void RecItemListPanel::fill()
{
    m_lvwItemList->clear();
    // A date fits its column whatever the screen's font.
    const int dateWidth =
        std::max(pixels(1100), m_lvwItemList->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")));
    m_lvwItemList->setColumnWidth(0, dateWidth);
    m_lvwItemList->setColumnWidth(1, dateWidth);
    m_lvwItemList->setColumnWidth(kTimingColumn, pixels(300));
    setCommentWidth();
    m_lvwItemList->setColumnWidth(kAmountColumn, pixels(1350));
    if (!m_items)
        return;
    QList<QTreeWidgetItem*> rows;
    QList<ARCurrency> amounts;
    rows.reserve(m_items->count());
    amounts.reserve(m_items->count());
    for (const auto& item : *m_items) {
        rows.append(new ItemRow(*item));
        amounts.append(item->getAmount());
    }
    m_lvwItemList->addTopLevelItems(rows);
    GridView::fitAmounts(m_lvwItemList, kAmountColumn, amounts); // every amount shows whole, however large
}

void RecItemListPanel::setCommentWidth()
{
    const int twips = m_lvwItemList->width() * kTwipsPerPixel;
    m_lvwItemList->setColumnWidth(3, pixels(twips < kWideList ? 2460 : 5110));
}

void RecItemListPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    setCommentWidth();
}

RecItemListDialog::RecItemListDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RecItemListDialog"));
    setWindowTitle(QStringLiteral("Reconciling Item List"));
    auto* layout = new QVBoxLayout(this);
    m_titlePanel = named<CompoundDialogTitlePanel>(this, QStringLiteral("m_titlePanel"));
    layout->addWidget(m_titlePanel);
    m_recItemListPanel = new RecItemListPanel(this);
    layout->addWidget(m_recItemListPanel, 1);

    QHBoxLayout* totals = m_recItemListPanel->addItemButtons(this);
    totals->addStretch();
    totals->addWidget(named<QLabel>(this, QStringLiteral("lblTotal"), QStringLiteral("Total:")));
    m_lblTotalAmount = named<QLabel>(this, QStringLiteral("lblTotalAmount"));
    m_lblTotalAmount->setMinimumWidth(pixels(1350));
    m_lblTotalAmount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    totals->addWidget(m_lblTotalAmount);
    layout->addLayout(totals);
    auto* divider = new DividerLine(this);
    divider->setObjectName(QStringLiteral("DividerLine2"));
    layout->addWidget(divider);
    auto* done = new QHBoxLayout;
    done->addStretch();
    auto* ok = named<QPushButton>(this, QStringLiteral("OKButton"), QStringLiteral("D&one"));
    done->addWidget(ok);
    layout->addLayout(done);
    DialogBehaviour::noAutoDefault(this);
    resize(pixels(10000), pixels(6000));

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_recItemListPanel, &RecItemListPanel::TotalAmountChanged, this, &RecItemListDialog::showTotal);
}

void RecItemListDialog::initialize(ReconcilingItemList& items, const QString& typeCode,
                                   const GLAccount& account, const QString& date)
{
    RecItemListResource resource;
    resource.initialize(typeCode);
    setWindowTitle(resource.getDialogCaption());
    m_titlePanel->initialize(resource.getMainHeadingText(account), resource.getDescriptionText(date));
    m_recItemListPanel->intitalize(items, typeCode, account, date);
    showTotal();
}

void RecItemListDialog::showTotal()
{
    DialogBehaviour::showFigure(m_lblTotalAmount,
                                [this] { return m_recItemListPanel->getTotalAmount().toLocaleString(true); });
}
