#pragma once

#include <QMainWindow>
#include <functional>
#include <optional>

class QDialog;
class QTextBrowser;
class QUrl;

// The main window the user works from: the command page and the status bar. A link of the page
// whose address holds "event:" runs the command named after the marker.
class Navigator : public QMainWindow
{
    Q_OBJECT
public:
    explicit Navigator(QWidget* parent = nullptr);

    // "Connected: " and the main database path in the status bar.
    void showConnected(const QString& path);
    QString statusText() const;

    // The command word of an address: the text after "event:" (the marker as written),
    // upper-cased, cut before any "?"; nothing when the address has no marker.
    static std::optional<QString> commandOf(const QString& address);
    // Runs the command of the address; false when the address is no command (to be followed).
    bool navigate(const QString& address);

    // Shows a modal dialog; tests replace it to answer the dialog instead of a person.
    void setDialogRunner(std::function<int(QDialog&)> runner) { m_runDialog = std::move(runner); }
    // Called for DB_LOCATION: the login window shown again for another login.
    void setOnDatabaseLocation(std::function<void()> callback) { m_onDatabaseLocation = std::move(callback); }

    static QString gateMessage();
    static QString notAvailableMessage();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void run(const QString& command);
    void summaryReport();
    void balances();
    void mainHelp();
    void notAvailable();
    // The date picker as the summary report (with the filter buttons) or the balances use it;
    // the chosen date, or nothing when cancelled.
    std::optional<QString> pickDate(bool withFilters);

    QTextBrowser* m_page;
    QString m_clickedHref;
    std::function<int(QDialog&)> m_runDialog;
    std::function<void()> m_onDatabaseLocation;
};
