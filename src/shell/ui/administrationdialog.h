#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class AccountGridModel;
class Company;
class GLAccount;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class SimpleDialogTitlePanel;

// The three-tab form behind the two administration dialogs: the chart of accounts ("Accounts  "),
// the company with its users and exports ("Company"), and the documents database with the
// upgrade ("Database"). Each dialog offers only its own tabs.
class AdministrationDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Kind { ApplicationSetup, AccountManage };
    enum Tab { AccountsTab = 0, CompanyTab = 1, DatabaseTab = 2 };

    ~AdministrationDialog() override;

    // Shows a child dialog modally; tests replace it to answer the child instead of a person.
    void setDialogRunner(std::function<int(QDialog&)> runner) { m_runDialog = std::move(runner); }

    // (Re)loads the account grid in one query and puts it back on the account last worked on.
    void LoadGLAccountDBGridView();

    // The period-end export that the Export button opens.
    static void openPeriodEndExport(QWidget* parent, const std::function<int(QDialog&)>& runDialog);

protected:
    AdministrationDialog(Kind kind, QWidget* parent);

private:
    void buildAccountsTab();
    void buildCompanyTab();
    void buildDatabaseTab();
    void setUpDatabaseTab();
    void showDatabaseState(bool upToDate);

    void saveGridColumnWidths();
    void restoreGridColumnWidths();
    // The account of the grid's current row, loaded afresh; nothing when the grid is empty or the
    // row is gone (then the user is told and the grid reloaded).
    std::unique_ptr<GLAccount> getSelectedAccount();
    void showAccountSetup(GLAccount& account);
    void newAccount();
    void editSelectedAccount();
    void removeSelectedAccount();
    void fillCurrencyCombo();
    void manageUsers();
    void browseDocumentsDatabase();
    // The documents database typed into the box (a server database's name, or a file's path),
    // tested and recorded as a picked one is.
    // `entered`: Enter was pressed, which names even the database shown (leaving the box does not).
    void chooseTypedDocumentsDatabase(bool entered);
    // Makes the database the documents database over the one the box showed; the box then shows
    // the one in use, after a refusal the one now stored.
    void nameDocumentsDatabase(const QString& name);
    void upgradeDatabase();
    void saveAndExit();

    Kind m_kind;
    std::unique_ptr<Company> m_company;
    std::function<int(QDialog&)> m_runDialog;

    SimpleDialogTitlePanel* m_titlePanel;
    QTabWidget* m_tabs;
    QTableView* m_grd;
    AccountGridModel* m_model;
    QLineEdit* m_txtCompanyName;
    QComboBox* m_cmbCurrency;
    QPushButton* m_btnCreateUsers;
    QLineEdit* m_txtAttachedDocDB;
    QPushButton* m_cmdBrowser1;
    QPushButton* m_cmdMaintainDB;
    QLabel* m_lblMainDBMsg;
};

// "Administration": the company, the users and the documents database.
class ApplicationSetupDialog : public AdministrationDialog
{
    Q_OBJECT
public:
    explicit ApplicationSetupDialog(QWidget* parent = nullptr) : AdministrationDialog(Kind::ApplicationSetup, parent) {}
};

// "Account Setup": the chart of accounts.
class AccountManageDialog : public AdministrationDialog
{
    Q_OBJECT
public:
    explicit AccountManageDialog(QWidget* parent = nullptr) : AdministrationDialog(Kind::AccountManage, parent) {}
};
