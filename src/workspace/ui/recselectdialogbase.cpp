#include "recselectdialogbase.h"

#include "datebox.h"
#include "daterules.h"
#include "dialogbehaviour.h"
#include "exportwriter.h"
#include "filechooser.h"
#include "glaccount.h"
#include "global.h"
#include "gridview.h"
#include "modregistry.h"
#include "prompter.h"
#include "selectionexport.h"
#include "titlepanels.h"
#include "waitcursor.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

QButtonGroup* optionGroup(QGroupBox* frame, const QString& name, const QStringList& captions)
{
    auto* group = new QButtonGroup(frame);
    auto* layout = new QHBoxLayout(frame);
    for (int i = 0; i < captions.size(); ++i) {
        auto* option = named<QRadioButton>(frame, QStringLiteral("%1_%2").arg(name).arg(i), captions[i]);
        group->addButton(option, i);
        layout->addWidget(option);
    }
    return group;
}

} // namespace

RecSelectDialogBase::RecSelectDialogBase(Variant variant, QWidget* parent) : QDialog(parent), m_variant(std::move(variant))
{
    setObjectName(m_variant.objectName);
    setWindowTitle(m_variant.caption);
    auto* title = named<CompoundDialogTitlePanel>(this, QStringLiteral("m_title"));
    title->initialize(QStringLiteral("Pick an Account to Reconcile"),
                      QStringLiteral("Enter a reconciliation date and select an account to reconcile."));
    auto* dateLabel = named<QLabel>(this, QStringLiteral("Label2"), QStringLiteral("Reconciliation Date:"));
    m_date = named<DateBox>(this, QStringLiteral("dtpRecDate"));
    m_date->setMaximumWidth(m_date->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);
    dateLabel->setBuddy(m_date);
    auto* frame1 = named<QGroupBox>(this, QStringLiteral("Frame1"), QStringLiteral("Account Type"));
    m_activeGroup = optionGroup(frame1, QStringLiteral("optAcctType"),
                                {QStringLiteral("Active"), QStringLiteral("All"), QStringLiteral("Inactive")});
    auto* frame2 = named<QGroupBox>(this, QStringLiteral("Frame2"), QStringLiteral("Key Control Accounts"));
    m_keyGroup = optionGroup(frame2, QStringLiteral("optKeyControl"),
                             {QStringLiteral("Key"), QStringLiteral("Non-Key"), QStringLiteral("Both")});

    m_model = new AccountSelectionModel(m_variant.columns, this);
    m_grid = named<QTableView>(this, QStringLiteral("grd"));
    GridView::setUp(m_grid);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setModel(m_model);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setStretchLastSection(false);
    int gridWidth = m_grid->verticalScrollBar()->sizeHint().width() + 2 * m_grid->frameWidth();
    for (int c = 0; c < m_variant.columns.size(); ++c) {
        const SelectionColumn& column = m_variant.columns.at(c);
        m_grid->setColumnHidden(c, !column.visible);
        GridView::setColumnWidthTwips(m_grid, c, column.widthTwips);
        if (column.field == SelectionColumn::Field::Status) // a whole date, "11/30/2026"
            GridView::fitText(m_grid, c, QStringLiteral("00/00/0000"));
        if (column.isMoney()) { // millions in parentheses
            GridView::alignAmounts(m_grid, c);
            GridView::fitText(m_grid, c, QStringLiteral("(0,000,000.00)"));
        }
        if (column.visible)
            gridWidth += m_grid->columnWidth(c);
        // An enlarged dialog gives its extra width to the names.
        if (column.field == SelectionColumn::Field::Name)
            m_grid->horizontalHeader()->setSectionResizeMode(c, QHeaderView::Stretch);
    }
    m_grid->setMinimumSize(gridWidth, m_grid->verticalHeader()->defaultSectionSize() * 16);
    setSizeGripEnabled(true);

    auto* ok = named<QPushButton>(this, QStringLiteral("OKButton"), QStringLiteral("&Open Reconciliation"));
    auto* cancel = named<QPushButton>(this, QStringLiteral("CancelButton"), QStringLiteral("&Close"));
    auto* exportButton = named<QPushButton>(this, QStringLiteral("cmdExportToExcel"), QStringLiteral("Export to Excel"));
    auto* divider = named<DividerLine>(this, QStringLiteral("DividerLine2"));
    DialogBehaviour::setCausesValidation(cancel, false);
    DialogBehaviour::noAutoDefault(this);
    ok->setDefault(true); // Enter in the grid opens the chosen account

    auto* top = new QHBoxLayout;
    auto* dateColumn = new QVBoxLayout;
    dateColumn->addWidget(dateLabel);
    dateColumn->addWidget(m_date);
    dateColumn->addStretch();
    top->addLayout(dateColumn);
    top->addWidget(frame1);
    top->addWidget(frame2);
    top->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(exportButton);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 10, 16, 0);
    body->setSpacing(8);
    body->addLayout(top);
    body->addWidget(m_grid, 1);
    body->addWidget(divider);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(title);
    layout->addLayout(body, 1);

    // Opening: the current reconciliation date and the remembered filters.
    m_date->setText(Global::getCurrentRecDate());
    m_selectedDate = m_date->date();
    m_activeGroup->button(readIndex(QStringLiteral("optAcctType")))->setChecked(true);
    m_keyGroup->button(readIndex(QStringLiteral("optKeyControl")))->setChecked(true);

    connect(m_date, &QLineEdit::textChanged, this,
            [this](const QString& typed) { m_selectedDate = Global::formatDateString(typed); });
    // Leaving the box with a date reloads the grid for it; a text that is no date is reported by
    // the box itself and the grid keeps its rows.
    connect(m_date, &QLineEdit::editingFinished, this, DialogBehaviour::whileWhole(this, [this] {
        m_selectedDate = m_date->date();
        if (!m_selectedDate.isEmpty() && m_selectedDate != m_loadedDate)
            DialogBehaviour::guarded([this] { LoadGLAccountDBGridView(); });
    }));
    const auto filterClicked = [this] {
        m_approved = false;
        DialogBehaviour::guarded([this] { LoadGLAccountDBGridView(); });
    };
    connect(m_activeGroup, &QButtonGroup::idClicked, this, filterClicked);
    connect(m_keyGroup, &QButtonGroup::idClicked, this, filterClicked);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &RecSelectDialogBase::sortGrid);
    connect(m_grid, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            confirm();
    });
    connect(ok, &QPushButton::clicked, this, &RecSelectDialogBase::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(exportButton, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { exportGrid(); }); });
}

RecSelectDialogBase::~RecSelectDialogBase()
{
    // The size the user gave the dialog is its size the next time.
    if (m_placed) {
        // Each variant keeps its own: the review table is the wider one.
        modRegistry::setSetting(QStringLiteral("HKCU"), settingsKey(), objectName() + QStringLiteral("Width"),
                                QStringLiteral("D"), width());
        modRegistry::setSetting(QStringLiteral("HKCU"), settingsKey(),
                                objectName() + QStringLiteral("Height"), QStringLiteral("D"), height());
    }
    // The filters are remembered for the next time, in either variant.
    modRegistry::setSetting(QStringLiteral("HKCU"), settingsKey(), QStringLiteral("optAcctType"), QStringLiteral("D"),
                            std::max(0, m_activeGroup->checkedId()));
    modRegistry::setSetting(QStringLiteral("HKCU"), settingsKey(), QStringLiteral("optKeyControl"), QStringLiteral("D"),
                            std::max(0, m_keyGroup->checkedId()));
}

int RecSelectDialogBase::readSize(const QString& valueName)
{
    QVariant value;
    modRegistry::getSetting(QStringLiteral("HKCU"), settingsKey(), valueName, QStringLiteral("D"), 0, value);
    return std::max(0, value.toInt());
}

int RecSelectDialogBase::readIndex(const QString& valueName)
{
    QVariant value;
    modRegistry::getSetting(QStringLiteral("HKCU"), settingsKey(), valueName, QStringLiteral("D"), 0, value);
    bool ok = false;
    const int index = value.toInt(&ok);
    return ok && index >= 0 && index <= 2 ? index : 0;
}

void RecSelectDialogBase::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        if (!m_placed) {
            // 50 twips from the top of the screen, centred across it.
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect area = screen->availableGeometry();
                adjustSize();
                const QSize remembered(readSize(objectName() + QStringLiteral("Width")),
                                       readSize(objectName() + QStringLiteral("Height")));
                resize(size().expandedTo(remembered).boundedTo(area.size()));
                move(area.left() + (area.width() - width()) / 2, area.top() + GridView::pixelsOfTwips(this, 50));
            }
            m_placed = true;
        }
        // Each showing starts unapproved over a fresh grid, so sign-offs made meanwhile show.
        m_approved = false;
        DialogBehaviour::guarded([this] { LoadGLAccountDBGridView(); });
    }
    QDialog::showEvent(event);
}

void RecSelectDialogBase::LoadGLAccountDBGridView()
{
    const QString date = m_date->date();
    if (date.isEmpty())
        return;
    // The account to keep current: one just picked in an administration grid, else the one chosen here.
    qint64 keep = currentAccountId();
    if (Global::selectedGLAcctID >= 1) {
        keep = Global::selectedGLAcctID;
        Global::selectedGLAcctID = 0;
    }
    // Emptied first: a failed load never leaves the rows of another date on screen.
    m_model->setRows({});
    m_loadedDate.clear();
    const AccountSelectionFilter filter{std::max(0, m_activeGroup->checkedId()), std::max(0, m_keyGroup->checkedId())};
    {
        WaitCursor wait;
        m_model->setRows(AccountSelectionQuery::load(date, filter, m_variant.withFigures));
    }
    // Every figure shows whole, however large.
    for (int c = 0; c < m_variant.columns.size(); ++c)
        if (m_variant.columns.at(c).isMoney())
            GridView::fitAmounts(m_grid, c, m_model->widestTexts(c));
    m_loadedDate = date;
    applyRememberedSort();
    selectAccount(keep);
}

void RecSelectDialogBase::applyRememberedSort()
{
    const auto& state = Global::gridSortState;
    const int column = state.column;
    // A sort on a column this variant lacks keeps the number order and leaves the state alone.
    if (column < 1 || column >= m_variant.columns.size() || m_variant.columns.at(column).sortKind == 0)
        return;
    m_model->sortBy(column, state.descending == 1);
    m_grid->horizontalHeader()->setSortIndicator(column, state.descending == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void RecSelectDialogBase::sortGrid(int column)
{
    if (column < 1 || column >= m_variant.columns.size() || m_variant.columns.at(column).sortKind == 0)
        return;
    auto& state = Global::gridSortState;
    int& flag = state.direction.at(column - 1);
    flag = flag == 0 ? 1 : 0;
    state.column = column;
    state.descending = flag;
    state.kind = m_variant.columns.at(column).sortKind;
    m_model->sortBy(column, flag == 1);
    m_grid->horizontalHeader()->setSortIndicatorShown(true);
    m_grid->horizontalHeader()->setSortIndicator(column, flag == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
    // A sorted list is shown from its top, the first row current and no row highlighted.
    if (m_model->rowCount() > 0)
        m_grid->selectionModel()->setCurrentIndex(m_model->index(0, 1), QItemSelectionModel::Clear);
    m_grid->scrollToTop();
}

qint64 RecSelectDialogBase::currentAccountId() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() && current.row() < m_model->rowCount() ? m_model->rowAt(current.row()).id : 0;
}

void RecSelectDialogBase::selectAccount(qint64 id)
{
    if (m_model->rowCount() == 0)
        return;
    const int found = id >= 1 ? m_model->rowOfAccount(id) : -1;
    const int row = found >= 0 ? found : 0; // filtered out or none: the first row
    m_grid->setCurrentIndex(m_model->index(row, 1));
    m_grid->selectRow(row);
    m_grid->scrollTo(m_model->index(row, 1));
}

std::shared_ptr<GLAccount> RecSelectDialogBase::getSelectedGLAccount() const
{
    auto account = std::make_shared<GLAccount>();
    const QModelIndex current = m_grid->currentIndex();
    if (current.isValid() && current.row() < m_model->rowCount()) {
        const AccountSelectionRow& row = m_model->rowAt(current.row());
        account->loadListed(QString::number(row.id), row.number);
    }
    return account;
}

void RecSelectDialogBase::confirm()
{
    // OK and a double-click both take the typed date first and do nothing while it is no date.
    m_date->commit();
    m_selectedDate = m_date->date();
    if (m_selectedDate.isEmpty())
        return;
    confirmSelection();
}

void RecSelectDialogBase::confirmSelection()
{
    if (m_model->rowCount() == 0) {
        Prompter::show(QStringLiteral("No GL Accounts"),
                       QStringLiteral("Please set up your GL Accounts in the 'Application Setup' ") +
                           QStringLiteral("section of the application."));
        return;
    }
    m_approved = true;
    accept();
}

void RecSelectDialogBase::exportGrid()
{
    const QString chosen = FileChooser::instance().saveFile(QStringLiteral("Export Report To"), QString(),
                                                            QStringLiteral("Excel Files | *.xls"));
    if (chosen.isEmpty())
        return; // cancelled: nothing is written
    const QString path = SelectionExport::completePath(chosen);
    if (!SelectionExport::mayWrite(path))
        return;
    ExportWriter writer(path);
    SelectionExport::addRows(writer, m_variant.columns, *m_model);
    bool written = false;
    {
        WaitCursor wait;
        written = writer.commit();
    }
    SelectionExport::reportOutcome(writer, written);
}
