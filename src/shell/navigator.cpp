#include "navigator.h"

#include "periodendbalancesdialog.h"
#include "recselectdialog.h"

#include "administrationdialog.h"
#include "appexit.h"
#include "apppages.h"
#include "dialogbehaviour.h"
#include "glaccount.h"
#include "global.h"
#include "glsummaryreport.h"
#include "listrecdialog.h"
#include "mainhelpdialog.h"
#include "recdialogfactory.h"
#include "recdialogframe.h"
#include "recdateselectdialog.h"
#include "reportoutput.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTextBrowser>
#include <QUrl>

Navigator::Navigator(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Navigator"));
    setWindowTitle(QStringLiteral("Corvantis"));
    m_page = AppPages::createBrowser(this, QStringLiteral("navigator.html"), fallbackPage());
    m_page->setOpenLinks(false);
    setCentralWidget(m_page);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    m_dateDialog = new RecDateSelectDialog(this);
    m_dateDialog->hide();
    m_runDialog = [](QDialog& d) { return d.exec(); };

    // The href as the page wrote it: QUrl would lower-case a scheme such as "EVENT".
    m_page->viewport()->installEventFilter(this);
    connect(m_page, &QTextBrowser::anchorClicked, this, &Navigator::followLink);

    m_commands.setHandler(QStringLiteral("SUMMARY_REPORT"), [this] { summaryReport(); });
    m_commands.setHandler(QStringLiteral("BALANCES"), [this] { balances(); });
    m_commands.setHandler(QStringLiteral("PREPARE_REC"), [this] {
        RecSelectDialogSimple selection(this);
        reconciliationLoop(selection);
    });
    m_commands.setHandler(QStringLiteral("REC_REVIEW"), [this] {
        RecSelectDialog selection(this);
        reconciliationLoop(selection);
    });
    m_commands.setHandler(QStringLiteral("APP_SETUP"), [this] { administration<ApplicationSetupDialog>(); });
    m_commands.setHandler(QStringLiteral("ACC_SETUP"), [this] { administration<AccountManageDialog>(); });
    m_commands.setHandler(QStringLiteral("MAIN_HELP"), [this] { mainHelp(); });
    m_commands.setHandler(QStringLiteral("MAIN_TUTORIAL"), [] { Global::showTutorial(); });
    m_commands.setHandler(QStringLiteral("EXIT_PROGRAM"), [] { AppExit::end(); });
    m_commands.setHandler(QStringLiteral("DB_LOCATION"), [this] {
        if (m_onDatabaseLocation)
            m_onDatabaseLocation();
    });
    placeWindow();
}

QString Navigator::fallbackPage()
{
    QString html = QStringLiteral("<h2>Corvantis</h2><p>The command page is not installed with this copy of "
                                  "Corvantis. These are its commands:</p><ul>");
    for (const QString& word : NavigatorCommands::words())
        html += QStringLiteral("<li><a href=\"event:%1\">%1</a></li>").arg(word);
    return html + QStringLiteral("</ul>");
}

void Navigator::placeWindow()
{
    // At the top of the screen, centred across it.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        resize(960, 700);
        return;
    }
    const QRect area = screen->availableGeometry();
    resize(std::min(960, area.width()), std::min(740, area.height() - 40));
    move(area.left() + (area.width() - width()) / 2, area.top());
}

void Navigator::showConnected(const QString& path)
{
    // The account chosen in a grid belongs to the file it came from.
    if (!m_connectedPath.isEmpty() && m_connectedPath != path) {
        Global::selectedGLAcctID = 0;
        Global::gridColumnWidths.clear();
    }
    m_connectedPath = path;
    statusBar()->showMessage(QStringLiteral("Connected: ") + QDir::toNativeSeparators(path));
    show();
    raise();
    activateWindow();
}

QString Navigator::statusText() const
{
    return statusBar()->currentMessage();
}

bool Navigator::navigate(const QString& address)
{
    return m_commands.dispatch(address);
}

void Navigator::followLink(const QUrl& url)
{
    // A click gives the href under the mouse; Enter on a link chosen with Tab gives the one the
    // cursor selects. Only when neither is known does the (normalised) URL stand in.
    QString href = m_clickedHref;
    m_clickedHref.clear();
    if (href.isEmpty())
        href = m_page->textCursor().charFormat().anchorHref();
    if (href.isEmpty())
        href = url.toString();
    if (navigate(href))
        return;
    // An ordinary link to another local page is shown in place; nothing leaves the program.
    const QUrl target = m_page->source().resolved(url);
    if (target.isLocalFile())
        m_page->setSource(target);
}

std::optional<QString> Navigator::pickDate(bool withFilters)
{
    m_dateDialog->load();
    m_dateDialog->setFilterButtonsVisible(withFilters);
    m_dateDialog->setOkCaption(withFilters ? QStringLiteral("&All Accounts") : QStringLiteral("&OK"));
    m_runDialog(*m_dateDialog);
    m_dateDialog->hide();
    if (!m_dateDialog->isApproved())
        return std::nullopt;
    return m_dateDialog->getSelectedDate();
}

void Navigator::summaryReport()
{
    const auto date = pickDate(true);
    if (!date)
        return;
    // The report reads Global::accountFilter, which the picker's button set. It is a window of its
    // own beside the navigator; the navigator keeps no reference to it.
    GLSummaryReport report;
    report.initialize(*date);
    ReportOutput::show(report);
    Global::setCurrentRecDate(*date);
}

void Navigator::balances()
{
    const auto date = pickDate(false);
    if (!date)
        return;
    PeriodEndBalancesDialog editor(this);
    editor.initialize(*date);
    m_runDialog(editor);
    Global::setCurrentRecDate(*date);
}

void Navigator::reconciliationLoop(RecSelectDialogBase& selection)
{
    // Pick an account, work on it, come back to the same selection until it is closed.
    const RecDialogFactory factory;
    m_runDialog(selection);
    while (selection.isApproved()) {
        QString date = selection.getSelectedDate();
        // A kind without a dialog (the factory raises), an account removed meanwhile or a failed
        // load is shown, and the user goes on choosing.
        DialogBehaviour::guarded([&] {
            const auto account = selection.getSelectedGLAccount();
            const auto dialog = factory.create(*account, date, this);
            m_runDialog(*dialog);
        });
        Global::setCurrentRecDate(selection.getSelectedDate());
        m_runDialog(selection);
    }
}

template <class Dialog>
void Navigator::administration()
{
    // Each opening starts from the grid's default column widths.
    Global::gridColumnWidths.clear();
    Dialog dialog(this);
    dialog.setDialogRunner(m_runDialog);
    m_runDialog(dialog);
}

void Navigator::mainHelp()
{
    MainHelpDialog help(this);
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
