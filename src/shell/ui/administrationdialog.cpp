#include "administrationdialog.h"

#include "accountgridmodel.h"
#include "accountsetupdialog.h"
#include "apperror.h"
#include "company.h"
#include "datavalidationerror.h"
#include "db.h"
#include "dialogbehaviour.h"
#include "documentslocation.h"
#include "filechooser.h"
#include "frmusermanager.h"
#include "glaccount.h"
#include "global.h"
#include "gridview.h"
#include "msgboxutil.h"
#include "periodendbaldialog.h"
#include "prompter.h"
#include "titlepanels.h"
#include "userstore.h"
#include "waitcursor.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

QString goneMessage()
{
    return QStringLiteral("This account no longer exists; another user may have deleted it.");
}

QWidget* tabPage(QTabWidget* tabs, const QString& caption)
{
    auto* page = new QWidget(tabs);
    tabs->addTab(page, caption);
    return page;
}

} // namespace

AdministrationDialog::AdministrationDialog(Kind kind, QWidget* parent) : QDialog(parent), m_kind(kind)
{
    const bool appSetup = kind == Kind::ApplicationSetup;
    setObjectName(appSetup ? QStringLiteral("ApplicationSetupDialog") : QStringLiteral("AccountManageDialog"));
    setWindowTitle(Prompter::applicationTitle());
    m_runDialog = [](QDialog& d) { return d.exec(); };

    m_titlePanel = named<SimpleDialogTitlePanel>(this, QStringLiteral("m_titlePanel"));
    m_titlePanel->initialize(appSetup ? QStringLiteral("Administration") : QStringLiteral("Account Setup"));
    m_tabs = named<QTabWidget>(this, QStringLiteral("SSTab1"));
    buildAccountsTab();
    buildCompanyTab();
    buildDatabaseTab();

    auto* ok = named<QPushButton>(this, QStringLiteral("OKButton"), QStringLiteral("&Save && Exit"));
    auto* cancel = named<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    DialogBehaviour::setCausesValidation(cancel, false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 8, 12, 0);
    body->addWidget(m_tabs);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(m_titlePanel);
    layout->addLayout(body);
    DialogBehaviour::noAutoDefault(this);
    connect(ok, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { saveAndExit(); }); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // A user whose role is "USER" manages only his own account there.
    if (UserStore::isUserRole(Global::role))
        m_btnCreateUsers->setText(QStringLiteral("Manage Account"));

    if (appSetup) {
        m_tabs->setTabVisible(AccountsTab, false);
        m_tabs->setCurrentIndex(CompanyTab);
        DialogBehaviour::guarded([this] {
            Company::reload(); // the row as it stands now, not as this program read it earlier
            m_company = std::make_unique<Company>();
            m_txtCompanyName->setText(m_company->getName());
            fillCurrencyCombo();
            m_company->beginEdit();
        });
        setUpDatabaseTab();
        resize(560, 380);
    } else {
        m_tabs->setTabVisible(CompanyTab, false);
        m_tabs->setTabVisible(DatabaseTab, false);
        m_tabs->setCurrentIndex(AccountsTab);
        resize(900, 560);
        DialogBehaviour::guarded([this] { LoadGLAccountDBGridView(); });
    }
    // At the top of the screen, centred across it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top());
    }
}

AdministrationDialog::~AdministrationDialog() = default;

// ---- Accounts tab ----

void AdministrationDialog::buildAccountsTab()
{
    QWidget* page = tabPage(m_tabs, QStringLiteral("Accounts  "));
    auto* label = named<QLabel>(page, QStringLiteral("Label4"), QStringLiteral("General Ledger Accounts:"));
    m_grd = named<QTableView>(page, QStringLiteral("grd"));
    m_model = new AccountGridModel(this);
    m_grd->setModel(m_model);
    GridView::setUp(m_grd);
    m_grd->setEditTriggers(QAbstractItemView::NoEditTriggers);
    restoreGridColumnWidths();
    auto* add = named<QPushButton>(page, QStringLiteral("cmdAccountAdd"), QStringLiteral("&New"));
    auto* edit = named<QPushButton>(page, QStringLiteral("cmdAccountProperties"), QStringLiteral("&Edit"));
    auto* remove = named<QPushButton>(page, QStringLiteral("cmdAccountRemove"), QStringLiteral("&Delete"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {add, edit, remove})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(label);
    layout->addWidget(m_grd);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { newAccount(); }); });
    connect(edit, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { editSelectedAccount(); }); });
    connect(m_grd, &QTableView::doubleClicked, this,
            [this] { DialogBehaviour::guarded([this] { editSelectedAccount(); }); });
    connect(remove, &QPushButton::clicked, this,
            [this] { DialogBehaviour::guarded([this] { removeSelectedAccount(); }); });
}

void AdministrationDialog::LoadGLAccountDBGridView()
{
    // The grid reads the main database the session works on, never a path remembered elsewhere.
    const WaitCursor wait;
    m_model->reload();
    restoreGridColumnWidths();
    const int row = Global::selectedGLAcctID >= 1 ? m_model->rowOf(Global::selectedGLAcctID) : -1;
    if (row >= 0) {
        const QModelIndex at = m_model->index(row, 0);
        m_grd->setCurrentIndex(at);
        m_grd->selectRow(row);
        m_grd->scrollTo(at);
    } else if (m_model->rowCount() > 0) {
        m_grd->setCurrentIndex(m_model->index(0, 0));
    }
    Global::selectedGLAcctID = 0;
}

void AdministrationDialog::saveGridColumnWidths()
{
    QList<int> widths;
    for (int c = 0; c < AccountGrid::ColumnCount; ++c)
        widths << GridView::twipsOfPixels(m_grd, m_grd->columnWidth(c));
    Global::gridColumnWidths = widths;
}

void AdministrationDialog::restoreGridColumnWidths()
{
    for (int c = 0; c < AccountGrid::ColumnCount; ++c) {
        const int saved = c < Global::gridColumnWidths.size() ? Global::gridColumnWidths.at(c) : 0;
        GridView::setColumnWidthTwips(m_grd, c, saved != 0 ? saved : AccountGrid::columns().at(c).defaultWidthTwips);
    }
    m_grd->setColumnHidden(AccountGrid::IdColumn, true);
}

std::unique_ptr<GLAccount> AdministrationDialog::getSelectedAccount()
{
    const QModelIndex current = m_grd->currentIndex();
    if (m_model->rowCount() == 0 || !current.isValid())
        return nullptr;
    Global::selectedGLAcctID = m_model->idAt(current.row());
    auto account = std::make_unique<GLAccount>();
    {
        const WaitCursor wait;
        account->Load({}); // the account selected in the grid
    }
    if (account->isNew()) {
        Prompter::show(Prompter::applicationTitle(), goneMessage(), Prompter::Buttons::Ok, Prompter::Icon::Information);
        LoadGLAccountDBGridView();
        return nullptr;
    }
    return account;
}

void AdministrationDialog::showAccountSetup(GLAccount& account)
{
    {
        AccountSetupDialog setup(this);
        setup.initialize(account);
        m_runDialog(setup);
    }
    // Back on the account just stored, when it was.
    if (!account.isNew())
        Global::selectedGLAcctID = account.getID().toLongLong();
    LoadGLAccountDBGridView();
}

void AdministrationDialog::newAccount()
{
    saveGridColumnWidths();
    GLAccount account;
    showAccountSetup(account);
}

void AdministrationDialog::editSelectedAccount()
{
    saveGridColumnWidths();
    if (auto account = getSelectedAccount())
        showAccountSetup(*account);
}

void AdministrationDialog::removeSelectedAccount()
{
    saveGridColumnWidths();
    auto account = getSelectedAccount();
    if (!account)
        return;
    if (MsgBoxUtil::displayGLAccountDeleteWarning() == Prompter::Yes) {
        try {
            account->remove(); // the row and its one audit row, in one transaction
        } catch (const AppError&) {
            LoadGLAccountDBGridView(); // show what is there now, then say what failed
            throw;
        }
    }
    LoadGLAccountDBGridView();
}

// ---- Company tab ----

void AdministrationDialog::buildCompanyTab()
{
    QWidget* page = tabPage(m_tabs, QStringLiteral("Company"));
    m_txtCompanyName = named<QLineEdit>(page, QStringLiteral("txtCompanyName"));
    m_cmbCurrency = named<QComboBox>(page, QStringLiteral("cmbCurrency"));
    m_cmbCurrency->setEditable(true);
    m_cmbCurrency->setInsertPolicy(QComboBox::NoInsert);
    m_btnCreateUsers = named<QPushButton>(page, QStringLiteral("btnCreateUsers"), QStringLiteral("&Manage Users"));
    auto* exportButton = named<QPushButton>(page, QStringLiteral("btnExport"), QStringLiteral("&Export"));
    // The report button of older versions has no report behind it: it stays out of sight.
    auto* report = named<QPushButton>(page, QStringLiteral("btnReqAdjRpt"), QStringLiteral("Preview Report"));
    report->hide();

    auto* form = new QFormLayout;
    form->addRow(named<QLabel>(page, QStringLiteral("Label1"), QStringLiteral("Company Name:")), m_txtCompanyName);
    form->addRow(named<QLabel>(page, QStringLiteral("Label2"), QStringLiteral("Currency:")), m_cmbCurrency);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnCreateUsers);
    buttons->addWidget(exportButton);
    buttons->addWidget(report);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->addStretch();

    connect(m_txtCompanyName, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_company)
            m_company->setName(text);
    });
    // Choosing a code sets the currency; typing into the box does not.
    connect(m_cmbCurrency, &QComboBox::activated, this, [this] {
        if (m_company)
            m_company->setCurr(m_cmbCurrency->currentText());
    });
    connect(m_btnCreateUsers, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { manageUsers(); }); });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        DialogBehaviour::guarded([this] {
            openPeriodEndExport(this, m_runDialog);
            if (m_kind == Kind::AccountManage)
                LoadGLAccountDBGridView();
        });
    });
}

void AdministrationDialog::fillCurrencyCombo()
{
    const QSignalBlocker block(m_cmbCurrency);
    m_cmbCurrency->clear();
    m_cmbCurrency->addItems(Company::currencies());
    // A stored code that is not offered still shows.
    m_cmbCurrency->setEditText(m_company->getCurr());
}

void AdministrationDialog::manageUsers()
{
    {
        frmUserManager users(this);
        m_runDialog(users);
    }
    if (m_kind == Kind::AccountManage)
        LoadGLAccountDBGridView();
}

void AdministrationDialog::openPeriodEndExport(QWidget* parent, const std::function<int(QDialog&)>& runDialog)
{
    PeriodEndBalDialog::showExport(parent, runDialog);
}

void AdministrationDialog::saveAndExit()
{
    if (m_kind == Kind::AccountManage || !m_company) {
        accept();
        return;
    }
    try {
        m_company->applyEdit();
    } catch (const AppError& e) {
        if (e.number() != AppError::ObjectErrorBase)
            throw; // no company row, a locked file: shown, the dialog stays open
        const DataValidationError error(e);
        MsgBoxUtil::displayDataValidationError(error);
        if (error.getType() == QStringLiteral("NameMissing")) {
            m_tabs->setCurrentIndex(CompanyTab);
            m_txtCompanyName->setFocus();
        }
        return;
    }
    accept();
}

// ---- Database tab ----

void AdministrationDialog::buildDatabaseTab()
{
    QWidget* page = tabPage(m_tabs, QStringLiteral("Database"));
    auto* label = named<QLabel>(page, QStringLiteral("Label3"), QStringLiteral("Select the supporting document Database:"));
    m_txtAttachedDocDB = named<QLineEdit>(page, QStringLiteral("txtAttachedDocDB"));
    m_cmdBrowser1 = named<QPushButton>(page, QStringLiteral("cmdBrowser1"), QStringLiteral("Browse ..."));
    m_cmdMaintainDB = named<QPushButton>(page, QStringLiteral("cmdMaintainDB"), QStringLiteral("Upgrade Database"));
    m_lblMainDBMsg = named<QLabel>(page, QStringLiteral("lblMainDBMsg"));
    m_lblMainDBMsg->setWordWrap(true);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_txtAttachedDocDB, 1);
    pathRow->addWidget(m_cmdBrowser1);
    auto* upgradeRow = new QHBoxLayout;
    upgradeRow->addWidget(m_lblMainDBMsg, 1);
    upgradeRow->addWidget(m_cmdMaintainDB);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(label);
    layout->addLayout(pathRow);
    layout->addSpacing(16);
    layout->addLayout(upgradeRow);
    layout->addStretch();
    connect(m_cmdBrowser1, &QPushButton::clicked, this,
            [this] { DialogBehaviour::guarded([this] { browseDocumentsDatabase(); }); });
    // A server database has no file to pick: its name is typed.
    // Enter comes first, then the end of the edit it also is.
    connect(m_txtAttachedDocDB, &QLineEdit::returnPressed, this, DialogBehaviour::whileWhole(this, [this] {
                DialogBehaviour::guarded([this] { chooseTypedDocumentsDatabase(true); });
            }));
    connect(m_txtAttachedDocDB, &QLineEdit::editingFinished, this, DialogBehaviour::whileWhole(this, [this] {
                DialogBehaviour::guarded([this] { chooseTypedDocumentsDatabase(false); });
            }));
    connect(m_cmdMaintainDB, &QPushButton::clicked, this,
            [this] { DialogBehaviour::guarded([this] { upgradeDatabase(); }); });
}

void AdministrationDialog::showDatabaseState(bool upToDate)
{
    m_lblMainDBMsg->setText(upToDate ? QStringLiteral("The database is up to date.")
                                     : QStringLiteral("The main database is of an old version, please click the "
                                                      "button to update it."));
    m_cmdMaintainDB->setEnabled(!upToDate);
    m_cmdBrowser1->setEnabled(upToDate);
    m_txtAttachedDocDB->setReadOnly(!upToDate);
    m_txtAttachedDocDB->setText(QDir::toNativeSeparators(Global::docDBPath));
}

void AdministrationDialog::setUpDatabaseTab()
{
    if (!Global::isDBVersionOK)
        Global::docDBPath = DocumentsLocation::tutorialPath();
    showDatabaseState(Global::isDBVersionOK);
}

void AdministrationDialog::browseDocumentsDatabase()
{
    const QString start = Db::chooserFolder(Global::docDBPath, Global::programFolder());
    const QString chosen = FileChooser::instance().openFile(QStringLiteral("Open Documents Database"), start,
                                                             QStringLiteral("Documents (*.db)"));
    // A cancelled dialog, or a name without a database extension: nothing happens.
    if (!Db::mayNameDatabase(chosen))
        return;
    nameDocumentsDatabase(chosen);
}

void AdministrationDialog::chooseTypedDocumentsDatabase(bool entered)
{
    const QString typed = m_txtAttachedDocDB->text().trimmed();
    const QString inUse = QDir::toNativeSeparators(Global::docDBPath);
    if (typed == inUse && !entered)
        return;
    // Whatever is refused, the box shows the database in use again, and no typed password stays
    // on the screen.
    m_txtAttachedDocDB->setText(inUse);
    if (typed.isEmpty())
        return;
    nameDocumentsDatabase(Db::typedName(typed));
}

void AdministrationDialog::nameDocumentsDatabase(const QString& name)
{
    struct ShowInUse
    {
        QLineEdit* box;
        ~ShowInUse() { box->setText(QDir::toNativeSeparators(Global::docDBPath)); }
    } show{m_txtAttachedDocDB};
    DocumentsLocation::choose(name, Global::docDBPath);
}

void AdministrationDialog::upgradeDatabase()
{
    if (DatabaseUpgrade::run())
        showDatabaseState(true);
}
