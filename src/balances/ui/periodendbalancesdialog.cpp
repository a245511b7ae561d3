#include "periodendbalancesdialog.h"

#include "apperror.h"
#include "balancesimport.h"
#include "balancesmodel.h"
#include "celleditdelegate.h"
#include "daterules.h"
#include "dialogbehaviour.h"
#include "gridview.h"
#include "msgboxutil.h"
#include "periodendbalancesimportdialog.h"
#include "prompter.h"
#include "titlepanels.h"
#include "waitcursor.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

constexpr int kNumberWidth = 1900;
constexpr int kNameWidth = 6100;
constexpr int kAmountWidth = 1380;

} // namespace

PeriodEndBalancesDialog::PeriodEndBalancesDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PeriodEndBalancesDialog"));
    setWindowTitle(QStringLiteral("Period End Balances"));
    m_title = named<CompoundDialogTitlePanel>(this, QStringLiteral("m_title"));
    auto* label = named<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("General Ledger Accounts:"));
    m_grid = named<QTableView>(this, QStringLiteral("grd"));
    GridView::setUp(m_grid);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    label->setBuddy(m_grid);
    m_total = named<QLabel>(this, QStringLiteral("lblTotal"));
    m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_total->setFrameShape(QFrame::Panel);
    m_total->setFrameShadow(QFrame::Sunken);
    auto* import = named<QPushButton>(this, QStringLiteral("cmdImport"), QStringLiteral("&Import..."));
    auto* ok = named<QPushButton>(this, QStringLiteral("OKButton"), QStringLiteral("OK"));
    auto* cancel = named<QPushButton>(this, QStringLiteral("CancelButton"), QStringLiteral("Cancel"));
    DialogBehaviour::setCausesValidation(cancel, false);
    DialogBehaviour::noAutoDefault(this);

    // The footer: the total under the "DR(CR)" column, its digits under the column's digits. The
    // names take any extra width and the scroll bar always shows, so the column's right edge stays
    // where the footer expects it.
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* footer = new QHBoxLayout;
    footer->setSpacing(0);
    footer->addStretch();
    footer->addWidget(m_total);
    footer->addSpacing(m_grid->verticalScrollBar()->sizeHint().width() + m_grid->frameWidth());
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(import);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 10, 16, 0);
    body->setSpacing(6);
    body->addWidget(label);
    body->addWidget(m_grid, 1);
    body->addLayout(footer);
    body->addSpacing(6);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(m_title);
    layout->addLayout(body, 1);

    m_runDialog = [](QDialog& d) { return d.exec(); };
    connect(import, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { showImportDialog(); }); });
    connect(ok, &QPushButton::clicked, this, &PeriodEndBalancesDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PeriodEndBalancesDialog::reject);
}

PeriodEndBalancesDialog::~PeriodEndBalancesDialog() = default;

void PeriodEndBalancesDialog::initialize(const QString& date)
{
    m_date = date;
    m_list.Load(date);
    m_model = new BalancesModel(m_list, this);
    m_grid->setModel(m_model);
    GridView::setColumnWidthTwips(m_grid, BalancesModel::NumberColumn, kNumberWidth);
    GridView::setColumnWidthTwips(m_grid, BalancesModel::NameColumn, kNameWidth);
    GridView::setColumnWidthTwips(m_grid, BalancesModel::AmountColumn, kAmountWidth);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    const int gridWidth = GridView::pixelsOfTwips(m_grid, kNumberWidth + kNameWidth + kAmountWidth) +
                          m_grid->verticalScrollBar()->sizeHint().width() + 2 * m_grid->frameWidth();
    m_grid->setMinimumWidth(gridWidth);
    m_grid->setMinimumHeight(m_grid->verticalHeader()->defaultSectionSize() * 18);
    m_grid->horizontalHeader()->setSectionResizeMode(BalancesModel::NameColumn, QHeaderView::Stretch);
    m_cells = GridView::alignAmounts(m_grid, BalancesModel::AmountColumn); // the only editable column

    // No error of a handler goes further than the dialog: the typed work stays.
    connect(m_model, &BalancesModel::totalChanged, this,
            [this] { DialogBehaviour::guarded([this] { showTotal(); }); });
    connect(m_model, &BalancesModel::amountRefused, this, [](const QString& text) {
        // As every amount box says it: a number too large for the money type names the range.
        DialogBehaviour::guarded([&text] {
            Prompter::show(Prompter::applicationTitle(), ARCurrency::refusedEntryMessage(text),
                           Prompter::Buttons::Ok, Prompter::Icon::Warning);
        });
    });
    showTotal();
    const auto asDate = DateRules::fromText(date);
    m_title->initialize(QStringLiteral("Period End Balances"),
                        QStringLiteral("As of ") + (asDate ? DateRules::longDate(*asDate) : date));
}

void PeriodEndBalancesDialog::showTotal()
{
    // The grid's rule: the amount column is as wide as its widest amount, the total among them, so
    // no figure loses a digit; a total too large to fit the money type says so, whole as well.
    const ARCurrencySum sum = m_list.getTotal();
    const QString total = sum.localeDisplay();
    std::optional<qint64> least, greatest;
    for (qint64 i = 1; i <= m_list.count(); ++i) {
        const qint64 units = m_list.getGLAccountBalanceAt(i).getAmount().units();
        least = std::min(least.value_or(units), units);
        greatest = std::max(greatest.value_or(units), units);
    }
    QStringList widest = least ? ARCurrency::widestLocaleDisplays(*least, *greatest) : QStringList();
    if (sum.fits())
        widest << total;
    GridView::setColumnWidthTwips(m_grid, BalancesModel::AmountColumn, kAmountWidth);
    GridView::fitAmounts(m_grid, BalancesModel::AmountColumn, widest);
    const int textWidth = m_total->fontMetrics().horizontalAdvance(total) +
                          GridView::amountRightMargin(m_grid, total) + 2 * m_total->frameWidth();
    m_total->setFixedWidth(
        std::max(m_grid->columnWidth(BalancesModel::AmountColumn) + m_grid->frameWidth(), textWidth));
    m_total->setText(total);
    m_total->setContentsMargins(
        0, 0, std::max(0, GridView::amountRightMargin(m_grid, total) - m_total->frameWidth()), 0);
}

QString PeriodEndBalancesDialog::updateTotal() const
{
    return m_list.getTotal().localeDisplay();
}

bool PeriodEndBalancesDialog::commitPendingEdit()
{
    return !m_cells || m_cells->commitOpenEditor();
}

void PeriodEndBalancesDialog::accept()
{
    if (!commitPendingEdit())
        return;
    // On a failure nothing is stored and the dialog stays open with the user's amounts.
    if (!DialogBehaviour::guarded([this] { m_list.applyAmountEdit(); }))
        return;
    QDialog::accept();
}

void PeriodEndBalancesDialog::reject()
{
    m_list.cancelEdit();
    if (m_model)
        m_model->refresh();
    QDialog::reject();
}

void PeriodEndBalancesDialog::showImportDialog()
{
    PeriodEndBalancesImportDialog dialog(this);
    dialog.initialize(m_date);
    m_runDialog(dialog);
    if (dialog.isApproved())
        importBalances(dialog.getFileLocation());
}

void PeriodEndBalancesDialog::importBalances(const QString& path)
{
    if (!commitPendingEdit())
        return;
    BalancesImportOutcome outcome;
    try {
        WaitCursor wait;
        outcome = BalancesImport::run(path, m_list);
    } catch (const AppError& e) {
        showImportError(QStringLiteral("Encountered an Unexpected Error while attempting to ") +
                        QStringLiteral("import period end balances: ") + QStringLiteral("\r\n\r\n") + e.description());
        return;
    }
    if (m_model)
        m_model->refresh();
    Prompter::show(QStringLiteral("Import Summary"), outcome.summary());
}

void PeriodEndBalancesDialog::showImportError(const QString& message)
{
    MsgBoxUtil::displayMessage(QStringLiteral("Import Error"),
                               message + QStringLiteral("\r\n\r\n") +
                                   QStringLiteral("If you continue to encounter problems, please contact our technical "
                                                  "support staff."));
}
