#pragma once

#include "navigatorcommands.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class QDialog;
class QTextBrowser;
class QUrl;
class RecDateSelectDialog;
class RecSelectDialogBase;

// The main window the user works from: the command page and the status bar. A link of the page
// whose address holds "event:" runs the command named after the marker.
class Navigator : public QMainWindow
{
    Q_OBJECT
public:
    explicit Navigator(QWidget* parent = nullptr);

    // After a login: "Connected: " and the main database path in the status bar, the window shown.
    void showConnected(const QString& path);
    QString statusText() const;

    // Runs the command of the address; false when the address is no command (to be followed).
    bool navigate(const QString& address);

    // Shows a modal dialog; tests replace it to answer the dialog instead of a person.
    void setDialogRunner(std::function<int(QDialog&)> runner) { m_runDialog = std::move(runner); }
    // DB_LOCATION: the login window offered again for another login.
    void setOnDatabaseLocation(std::function<void()> callback) { m_onDatabaseLocation = std::move(callback); }
    // The commands, so that the windows built later are wired in (and tests can stand in for them).
    NavigatorCommands& commands() { return m_commands; }

    QTextBrowser* page() const { return m_page; }
    // The page shown when navigator.html cannot be read: every command, as plain links.
    static QString fallbackPage();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followLink(const QUrl& url);
    void summaryReport();
    void balances();
    void mainHelp();
    // APP_SETUP and ACC_SETUP: a new administration dialog of the kind, shown modally.
    template <class Dialog>
    void administration();
    // The date picker as the summary report (with the filter buttons) or the balances use it;
    // the chosen date, or nothing when cancelled.
    std::optional<QString> pickDate(bool withFilters);
    // PREPARE_REC and REC_REVIEW: the selection shown again after each account worked on.
    void reconciliationLoop(RecSelectDialogBase& selection);
    void placeWindow();

    QTextBrowser* m_page;
    RecDateSelectDialog* m_dateDialog;
    NavigatorCommands m_commands;
    QString m_clickedHref;
    QString m_connectedPath;
    std::function<int(QDialog&)> m_runDialog;
    std::function<void()> m_onDatabaseLocation;
};
