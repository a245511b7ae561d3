#include "frmlogin.h"

#include "appexit.h"
#include "db.h"
#include "filechooser.h"
#include "global.h"
#include "loginflow.h"
#include "loginsettings.h"
#include "prompter.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QPushButton* button(const QString& name, const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false); // Enter never logs in or ends by accident
    return b;
}

QLineEdit* lineEdit(const QString& name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

} // namespace

frmLogin::frmLogin(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Corvantis Login"));

    m_label1 = new QLabel(QStringLiteral("Select main Database:"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_txtDBNAME = lineEdit(QStringLiteral("txtDBNAME"), this);
    m_cmdBrowse = button(QStringLiteral("cmdBrowse"), QStringLiteral("&Browse ..."), this);
    m_label2 = new QLabel(QStringLiteral("Select atached document Database:"), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_txtAttachedDocDB = lineEdit(QStringLiteral("txtAttachedDocDB"), this);
    m_cmdBrowser1 = button(QStringLiteral("cmdBrowser1"), QStringLiteral("Browse ..."), this);

    m_frLogin = new QGroupBox(QStringLiteral("Login Credentials"), this);
    m_frLogin->setObjectName(QStringLiteral("frLogin"));
    auto* userLabel = new QLabel(QStringLiteral("User Name:"), m_frLogin);
    userLabel->setObjectName(QStringLiteral("lblLabels"));
    auto* passwordLabel = new QLabel(QStringLiteral("Password:"), m_frLogin);
    passwordLabel->setObjectName(QStringLiteral("lblLabels"));
    m_txtUserName = lineEdit(QStringLiteral("txtUserName"), m_frLogin);
    m_txtPassword = lineEdit(QStringLiteral("txtPassword"), m_frLogin);
    m_txtPassword->setEchoMode(QLineEdit::Password);
    m_cmdOK = button(QStringLiteral("cmdOK"), QStringLiteral("&OK"), m_frLogin);
    m_cmdCancel = button(QStringLiteral("CmdCancel"), QStringLiteral("&Cancel"), m_frLogin);
    userLabel->setBuddy(m_txtUserName);
    passwordLabel->setBuddy(m_txtPassword);

    auto* credentials = new QGridLayout(m_frLogin);
    credentials->addWidget(userLabel, 0, 0);
    credentials->addWidget(m_txtUserName, 0, 1);
    credentials->addWidget(passwordLabel, 1, 0);
    credentials->addWidget(m_txtPassword, 1, 1);
    auto* okCancel = new QHBoxLayout;
    okCancel->addStretch();
    okCancel->addWidget(m_cmdOK);
    okCancel->addWidget(m_cmdCancel);
    credentials->addLayout(okCancel, 2, 0, 1, 2);

    m_command1 = button(QStringLiteral("Command1"), QStringLiteral("&Cancel"), this);
    m_cmdEnd = button(QStringLiteral("cmdEnd"), QStringLiteral("Exit"), this);

    auto* paths = new QGridLayout;
    paths->addWidget(m_label1, 0, 0, 1, 2);
    paths->addWidget(m_txtDBNAME, 1, 0);
    paths->addWidget(m_cmdBrowse, 1, 1);
    paths->addWidget(m_label2, 2, 0, 1, 2);
    paths->addWidget(m_txtAttachedDocDB, 3, 0);
    paths->addWidget(m_cmdBrowser1, 3, 1);
    paths->setColumnStretch(0, 1);

    auto* leaveButtons = new QHBoxLayout;
    leaveButtons->addStretch();
    leaveButtons->addWidget(m_command1);
    leaveButtons->addWidget(m_cmdEnd);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(paths);
    layout->addWidget(m_frLogin);
    layout->addLayout(leaveButtons);
    layout->addStretch();
    setMinimumWidth(520);

    m_frLogin->setVisible(false);
    // The way back to the navigator is offered only once a login has succeeded (the database
    // command): at start-up there is no navigator to go back to.
    m_command1->setVisible(false);

    connect(m_txtDBNAME, &QLineEdit::textChanged, this, [this] { showLoginFrame(); });
    connect(m_txtAttachedDocDB, &QLineEdit::textChanged, this, [this] { showLoginFrame(); });
    // Enter in the user name moves on to the password; Enter in the password logs in.
    connect(m_txtUserName, &QLineEdit::returnPressed, m_txtPassword, [this] { m_txtPassword->setFocus(); });
    connect(m_txtPassword, &QLineEdit::returnPressed, this, [this] { login(); });
    connect(m_cmdOK, &QPushButton::clicked, this, [this] { login(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { cancel(); });
    connect(m_cmdEnd, &QPushButton::clicked, this, [this] { confirmEnd(); });
    connect(m_command1, &QPushButton::clicked, this, [this] {
        if (!Global::loginSucceeded())
            return;
        hide();
        if (m_onReturn)
            m_onReturn();
    });
    connect(m_cmdBrowse, &QPushButton::clicked, this, [this] {
        browseReconciliationsDatabase(m_txtDBNAME->text());
        m_txtUserName->setFocus();
    });
    connect(m_cmdBrowser1, &QPushButton::clicked, this, [this] {
        browseDocumentsDatabase(m_txtAttachedDocDB->text());
        m_txtUserName->setFocus();
    });

    loadPaths();
    m_txtUserName->setFocus();
}

QString frmLogin::mainDatabasePath() const
{
    return m_txtDBNAME->text();
}

void frmLogin::showForAnotherLogin()
{
    m_command1->setVisible(Global::loginSucceeded());
    m_cmdEnd->setVisible(!Global::loginSucceeded());
    const QString current = m_txtDBNAME->text();
    if (!Db::namesFile(current)) {
        // A server database has no file to pick: the window shows its name, to log in again
        // there or to type another.
    } else if (current.size() >= 6) {
        if (!browseReconciliationsDatabase(current))
            return;
    } else {
        // Too short to name a file: the window shows only the path fields until one is chosen.
        m_frLogin->setVisible(false);
    // The way back to the navigator is offered only once a login has succeeded (the database
    // command): at start-up there is no navigator to go back to.
    m_command1->setVisible(false);
        adjustSize();
    }
    // The password of the login in use is not offered for the next one.
    m_txtPassword->clear();
    m_txtUserName->setFocus();
    show();
    raise();
    activateWindow();
}

void frmLogin::loadPaths()
{
    // A server name kept by an older version may hold a password: it is shown, and kept from now
    // on, without it.
    const auto shown = [](std::optional<QString> kept, void (*keep)(const QString&)) -> std::optional<QString> {
        if (kept && !Db::namesFile(kept->trimmed()) && Db::displayName(*kept) != *kept) {
            kept = Db::displayName(*kept);
            keep(*kept);
        }
        return kept;
    };
    m_txtDBNAME->setText(shown(LoginSettings::mainDatabasePath(), &LoginSettings::setMainDatabasePath)
                             .value_or(Global::programFolder() +
                                       QStringLiteral("/Database/CorvantisTutorialReconciliations.db")));
    m_txtAttachedDocDB->setText(shown(LoginSettings::documentsPath(), &LoginSettings::setDocumentsPath)
                                    .value_or(Global::programFolder() +
                                              QStringLiteral("/Database/CorvantisTutorialDocuments.db")));
    showLoginFrame();
}

void frmLogin::showLoginFrame()
{
    if (!Db::mayNameDatabase(m_txtDBNAME->text()))
        return;
    m_frLogin->setVisible(true);
    m_command1->setVisible(false);
    m_cmdEnd->setVisible(false);
}

void frmLogin::login()
{
    LoginFlow flow;
    switch (flow.login(m_txtDBNAME->text(), m_txtUserName->text(), m_txtPassword->text(),
                       m_txtAttachedDocDB->text())) {
    case LoginFlow::Outcome::Refused:
        // A name refused for what it holds stays on screen as the message shows it.
        for (QLineEdit* box : {m_txtDBNAME, m_txtAttachedDocDB})
            if (!Db::namesFile(box->text().trimmed()) && Db::displayName(box->text()) != box->text())
                box->setText(Db::displayName(box->text()));
        return;
    case LoginFlow::Outcome::WrongPassword:
        m_txtPassword->setFocus();
        m_txtPassword->selectAll();
        return;
    case LoginFlow::Outcome::ProgramEnded:
        m_ending = true;
        return;
    case LoginFlow::Outcome::LoggedIn:
        LoginSettings::setDocumentsPath(m_txtAttachedDocDB->text());
        hide();
        if (m_onLoggedIn)
            m_onLoggedIn(m_txtDBNAME->text());
        return;
    }
}

void frmLogin::cancel()
{
    Global::isLoggedIn = false;
    hide();
    m_ending = true;
    AppExit::end();
}

void frmLogin::confirmEnd()
{
    if (Prompter::show(Prompter::applicationTitle(), QStringLiteral("Are you sure you want to exit Corvantis"),
                       Prompter::Buttons::YesNo, Prompter::Icon::Question) == Prompter::Yes) {
        m_ending = true;
        AppExit::end();
    }
}

void frmLogin::showEvent(QShowEvent* event)
{
    // Shown again by the database command, the window is sized and placed as at start-up: as
    // large as its fields and buttons need, in the middle of the screen, never past its edges.
    if (!event->spontaneous()) {
        adjustSize();
        if (const QScreen* s = screen()) {
            const QRect area = s->availableGeometry();
            const QSize frame = frameGeometry().size();
            move(area.left() + std::max(0, (area.width() - frame.width()) / 2),
                 area.top() + std::max(0, (area.height() - frame.height()) / 2));
        }
    }
    QWidget::showEvent(event);
}

void frmLogin::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        m_cmdCancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmLogin::closeEvent(QCloseEvent* event)
{
    // The close box ends the program, as Cancel does.
    event->accept();
    if (!m_ending) {
        m_ending = true;
        AppExit::end();
    }
}

bool frmLogin::browseReconciliationsDatabase(const QString& startPath)
{
    return browse(m_txtDBNAME, QStringLiteral("Open Reconciliations Database"),
                  QStringLiteral("Reconciliations (*.db)|*.db"), startPath);
}

bool frmLogin::browseDocumentsDatabase(const QString& startPath)
{
    return browse(m_txtAttachedDocDB, QStringLiteral("Open Corvantis Database"),
                  QStringLiteral("CorvantisAttachedDoc (*.db)|*.db"), startPath);
}

bool frmLogin::browse(QLineEdit* field, const QString& title, const QString& filter, const QString& startPath)
{
    // The choice is only put into the field: it is remembered when a login with it succeeds. A
    // server database's name is no place to start from, and the file dialog would keep it in
    // its history.
    const QString start = Db::namesFile(startPath.trimmed()) ? startPath
                                                             : Global::programFolder() + QStringLiteral("/Database");
    const QString chosen = FileChooser::instance().openFile(title, start, filter);
    if (!Db::mayNameDatabase(chosen))
        return false;
    field->setText(chosen);
    return true;
}
