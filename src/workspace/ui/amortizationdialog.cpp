#include "amortizationdialog.h"

#include "amortizableitem.h"
#include "amortizationtable.h"
#include "celleditdelegate.h"
#include "dialogbehaviour.h"
#include "gridview.h"
#include "prepaidrules.h"
#include "prompter.h"
#include "titlepanels.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using DialogBehaviour::named;

AmortizationDialog::AmortizationDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AmortizationDialog"));
    setWindowTitle(QStringLiteral("Amortizable Prepaid Item"));
    DialogBehaviour::useTahoma(this);
    auto* outer = new QVBoxLayout(this);
    m_titlePanel = named<CompoundDialogTitlePanel>(this, QStringLiteral("m_titlePanel"));
    outer->addWidget(m_titlePanel);

    auto* top = new QHBoxLayout;
    top->addWidget(named<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("Amount:")));
    m_lblAmortizableItemAmount = named<QLabel>(this, QStringLiteral("lblAmortizableItemAmount"));
    top->addWidget(m_lblAmortizableItemAmount);
    top->addStretch();
    outer->addLayout(top);
    outer->addWidget(named<QLabel>(this, QStringLiteral("Label2"), QStringLiteral("Amortization Schedule:")));

    m_grd = named<QTableView>(this, QStringLiteral("grd"));
    GridView::setUp(m_grd);
    m_cells = new CellEditDelegate(m_grd);
    m_grd->setItemDelegate(m_cells);
    m_grd->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grd->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    m_grd->setMinimumHeight(260);
    outer->addWidget(m_grd, 1);

    m_chkEditPeriodEndDates = named<QCheckBox>(this, QStringLiteral("chkEditPeriodEndDates"),
                                               QStringLiteral("Edit Period End Dates"));
    outer->addWidget(m_chkEditPeriodEndDates);
    auto* remaining = new QHBoxLayout;
    remaining->addWidget(
        named<QLabel>(this, QStringLiteral("Label3"), QStringLiteral("Balance remaining to be amortized:")));
    m_lblNonAmortizedAmount = named<QLabel>(this, QStringLiteral("lblNonAmortizedAmount"));
    remaining->addWidget(m_lblNonAmortizedAmount);
    remaining->addStretch();
    outer->addLayout(remaining);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = named<QPushButton>(this, QStringLiteral("OKButton"), QStringLiteral("Save && Exit"));
    auto* cancel = named<QPushButton>(this, QStringLiteral("CancelButton"), QStringLiteral("Cancel"));
    DialogBehaviour::setCausesValidation(cancel, false);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    DialogBehaviour::noAutoDefault(this);
    resize(380, 480);

    connect(m_chkEditPeriodEndDates, &QCheckBox::toggled, this, [this](bool on) {
        if (m_table)
            m_table->setPeriodEditing(on);
    });
    connect(ok, &QPushButton::clicked, this, &AmortizationDialog::save);
    connect(cancel, &QPushButton::clicked, this, &AmortizationDialog::reject);
}

AmortizationDialog::~AmortizationDialog() = default;

void AmortizationDialog::initialize(AmortizableItem& item)
{
    m_item = &item;
    if (item.getAmortizationList().count() == 0)
        item.createAmortizations();
    m_table = new AmortizationTable(item, this);
    m_table->setPeriodEditing(m_chkEditPeriodEndDates->isChecked());
    m_grd->setModel(m_table);
    m_grd->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(m_table, &AmortizationTable::scheduleChanged, this, &AmortizationDialog::showNonAmortizedAmount);
    connect(m_table, &AmortizationTable::refused, this,
            [](const QString& message) { Prompter::show(Prompter::applicationTitle(), message); });
    m_lblAmortizableItemAmount->setText(item.getAmount().toLocaleString(true));
    m_titlePanel->initialize(QStringLiteral("Monthly Amounts - Amortizable Prepaid Item"),
                             item.getDescription());
    showNonAmortizedAmount();
    item.getAmortizationList().beginEdit();
}

void AmortizationDialog::showNonAmortizedAmount()
{
    if (m_item)
        DialogBehaviour::showFigure(m_lblNonAmortizedAmount,
                                    [this] { return m_item->getNonAmortizedAmount().toLocaleString(true); });
}

void AmortizationDialog::save()
{
    DialogBehaviour::guarded([this] {
        if (!m_item || !m_cells->commitOpenEditor())
            return;
        if (m_item->hasNonAmortizedAmount()) {
            // The imbalance is the user's to settle: it is never moved onto a period here.
            Prompter::show(PrepaidRules::nonZeroBalanceTitle(),
                           PrepaidRules::nonZeroBalanceMessage(m_item->getNonAmortizedAmount()));
            return;
        }
        m_item->getAmortizationList().applyEdit();
        accept();
    });
}

void AmortizationDialog::reject()
{
    // Cancel, Esc and the close box alike: the schedule returns to its state at the opening.
    if (m_item) {
        m_item->getAmortizationList().cancelEdit();
        m_table->reload();
    }
    QDialog::reject();
}
