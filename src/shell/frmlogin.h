#pragma once

#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The login window: the main database to work on, the remembered documents database, and the
// user's credentials. Shown modeless at start-up and again by the navigator's database command.
class frmLogin : public QWidget
{
    Q_OBJECT
public:
    explicit frmLogin(QWidget* parent = nullptr);

    // Called after a successful login with the main database path; shows the navigator.
    void setOnLoggedIn(std::function<void(const QString&)> callback) { m_onLoggedIn = std::move(callback); }
    // Called by Command1: back to the navigator without a new login.
    void setOnReturn(std::function<void()> callback) { m_onReturn = std::move(callback); }

    QString mainDatabasePath() const;

    // The navigator's database command: offers the picker for another main database, then shows
    // the window again with a button back to the navigator. The session changes only when a
    // login there succeeds.
    void showForAnotherLogin();

    // The browse buttons' pickers: true when a database file was chosen and put into the field.
    bool browseReconciliationsDatabase(const QString& startPath);
    bool browseDocumentsDatabase(const QString& startPath);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void loadPaths();
    void showLoginFrame();
    void login();
    void cancel();
    void confirmEnd();
    bool browse(QLineEdit* field, const QString& title, const QString& filter, const QString& startPath);

    QLabel* m_label1;
    QLineEdit* m_txtDBNAME;
    QPushButton* m_cmdBrowse;
    QLabel* m_label2;
    QLineEdit* m_txtAttachedDocDB;
    QPushButton* m_cmdBrowser1;
    QGroupBox* m_frLogin;
    QLineEdit* m_txtUserName;
    QLineEdit* m_txtPassword;
    QPushButton* m_cmdOK;
    QPushButton* m_cmdCancel;
    QPushButton* m_command1;
    QPushButton* m_cmdEnd;
    std::function<void(const QString&)> m_onLoggedIn;
    std::function<void()> m_onReturn;
    bool m_ending = false;
};
