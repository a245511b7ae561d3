#include "navigator.h"

#include "appexit.h"
#include "apperror.h"
#include "glsummaryreport.h"
#include "global.h"
#include "prompter.h"
#include "recdateselectdialog.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString pagePath(const QString& name)
{
    return Global::programFolder() + QStringLiteral("/html/app/") + name;
}

QTextBrowser* pageBrowser(QWidget* parent, const QString& page)
{
    auto* browser = new QTextBrowser(parent);
    browser->setObjectName(QStringLiteral("WebBrowser1"));
    browser->setOpenLinks(false);
    browser->setFrameShape(QFrame::NoFrame);
    browser->document()->setDocumentMargin(18);
    browser->setSource(QUrl::fromLocalFile(pagePath(page)));
    return browser;
}

} // namespace

Navigator::Navigator(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Navigator"));
    setWindowTitle(QStringLiteral("Corvantis"));
    m_page = pageBrowser(this, QStringLiteral("navigator.html"));
    setCentralWidget(m_page);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    m_runDialog = [](QDialog& d) { return d.exec(); };
    // The href as the page wrote it: QUrl would lower-case a scheme such as "EVENT".
    m_page->viewport()->installEventFilter(this);
    connect(m_page, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        const QString href = m_clickedHref.isEmpty() ? url.toString() : m_clickedHref;
        m_clickedHref.clear();
        if (!navigate(href))
            m_page->setSource(url);
    });
    resize(900, 680);
}

void Navigator::showConnected(const QString& path)
{
    statusBar()->showMessage(QStringLiteral("Connected: ") + QDir::toNativeSeparators(path));
    show();
    raise();
    activateWindow();
}

QString Navigator::statusText() const
{
    return statusBar()->currentMessage();
}

QString Navigator::gateMessage()
{
    return QStringLiteral("The documents database is not valid for this version of Corvantis. Please go to the "
                          "Administration dialog to select a valid documents database first.");
}

QString Navigator::notAvailableMessage()
{
    return QStringLiteral("This command is not available in this version.");
}

std::optional<QString> Navigator::commandOf(const QString& address)
{
    static const QString marker = QStringLiteral("event:");
    const qsizetype at = address.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    QString command = address.mid(at + marker.size()).toUpper();
    const qsizetype question = command.indexOf(QLatin1Char('?'));
    if (question >= 0)
        command.truncate(question);
    return command;
}

bool Navigator::navigate(const QString& address)
{
    const auto command = commandOf(address);
    if (!command)
        return false;
    if (*command != QStringLiteral("APP_SETUP") && !Global::isDocDBValid) {
        Prompter::show(Prompter::applicationTitle(), gateMessage());
        return true;
    }
    // No command may end the program by an error: it is shown and the navigator stays usable.
    try {
        run(*command);
    } catch (const AppError& e) {
        if (!e.isReported())
            Prompter::show(Prompter::applicationTitle(), e.description());
    }
    return true;
}

void Navigator::run(const QString& command)
{
    if (command == QStringLiteral("SUMMARY_REPORT"))
        summaryReport();
    else if (command == QStringLiteral("BALANCES"))
        balances();
    else if (command == QStringLiteral("MAIN_HELP"))
        mainHelp();
    else if (command == QStringLiteral("MAIN_TUTORIAL"))
        Global::showTutorial();
    else if (command == QStringLiteral("EXIT_PROGRAM"))
        AppExit::end();
    else if (command == QStringLiteral("DB_LOCATION")) {
        if (m_onDatabaseLocation)
            m_onDatabaseLocation();
    } else if (command == QStringLiteral("PREPARE_REC") || command == QStringLiteral("REC_REVIEW") ||
               command == QStringLiteral("APP_SETUP") || command == QStringLiteral("ACC_SETUP"))
        notAvailable();
}

std::optional<QString> Navigator::pickDate(bool withFilters)
{
    RecDateSelectDialog dialog(this);
    dialog.setFilterButtonsVisible(withFilters);
    dialog.setOkCaption(withFilters ? QStringLiteral("&All Accounts") : QStringLiteral("&OK"));
    m_runDialog(dialog);
    if (!dialog.isApproved())
        return std::nullopt;
    return dialog.getSelectedDate();
}

void Navigator::summaryReport()
{
    const auto date = pickDate(true);
    if (!date)
        return;
    // Each report is a window of its own; the navigator keeps no reference to it.
    GLSummaryReport report;
    report.initialize(*date);
    report.show(nullptr);
    Global::setCurrentRecDate(*date);
}

void Navigator::balances()
{
    if (!pickDate(false))
        return;
    notAvailable();
}

void Navigator::notAvailable()
{
    Prompter::show(Prompter::applicationTitle(), notAvailableMessage(), Prompter::Buttons::Ok,
                   Prompter::Icon::Information);
}

void Navigator::mainHelp()
{
    QDialog help(this);
    help.setObjectName(QStringLiteral("MainHelpDialog"));
    help.setWindowTitle(QStringLiteral("Corvantis Help"));
    auto* layout = new QVBoxLayout(&help);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pageBrowser(&help, QStringLiteral("main_help.html")));
    help.resize(760, 600);
    m_runDialog(help);
}

bool Navigator::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_page->viewport() && event->type() == QEvent::MouseButtonPress)
        m_clickedHref = m_page->anchorAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    return QMainWindow::eventFilter(watched, event);
}

void Navigator::closeEvent(QCloseEvent* event)
{
    event->accept();
    AppExit::end();
}
