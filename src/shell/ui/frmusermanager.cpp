#include "frmusermanager.h"

#include "apperror.h"
#include "dialogbehaviour.h"
#include "global.h"
#include "prompter.h"
#include "samename.h"
#include "titlepanels.h"
#include "userstore.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QValidator>
#include <QVBoxLayout>

using DialogBehaviour::named;

namespace {

const QString kKeyPrefix = QStringLiteral("key:=");

void inform(const QString& text)
{
    Prompter::show(Prompter::applicationTitle(), text, Prompter::Buttons::Ok, Prompter::Icon::Information);
}

// Holds a box to a number of characters as a reader counts them: the box's own limit counts
// UTF-16 units, so that a letter outside the basic plane would count twice.
class CharacterLimit : public QValidator
{
public:
    CharacterLimit(qsizetype limit, QObject* parent) : QValidator(parent), m_limit(limit) {}
    State validate(QString& input, int&) const override
    {
        return SameName::length(input) <= m_limit ? Acceptable : Invalid;
    }

private:
    qsizetype m_limit;
};

void setCharacterLimit(QLineEdit* box, qsizetype limit)
{
    delete box->validator();
    box->setValidator(new CharacterLimit(limit, box));
}

QLineEdit* textBox(QWidget* parent, const QString& name, int maxLength)
{
    auto* box = named<QLineEdit>(parent, name);
    setCharacterLimit(box, maxLength);
    return box;
}

} // namespace

frmUserManager::frmUserManager(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUserManager"));
    setWindowTitle(QStringLiteral("User Manager"));
    auto* title = named<SimpleDialogTitlePanel>(this, QStringLiteral("m_titlePanel"));
    title->initialize(QStringLiteral("Add, Edit and Delete User Information"));

    m_lstViewUsers = named<QTreeWidget>(this, QStringLiteral("lstViewUsers"));
    m_lstViewUsers->setHeaderLabels({QStringLiteral("User Name")});
    m_lstViewUsers->setRootIsDecorated(false);
    m_lstViewUsers->setMinimumWidth(170);

    auto* frame2 = named<QGroupBox>(this, QStringLiteral("Frame2"), QStringLiteral("Logon Information"));
    m_txtUserName = textBox(frame2, QStringLiteral("txtUserName"), UserStore::MaxNameLength);
    m_txtPassword = named<QLineEdit>(frame2, QStringLiteral("txtPassword"));
    m_txtPassword->setEchoMode(QLineEdit::Password);
    auto* logon = new QFormLayout(frame2);
    logon->addRow(QStringLiteral("User Name:"), m_txtUserName);
    logon->addRow(QStringLiteral("Password:"), m_txtPassword);

    m_frame3 = named<QGroupBox>(this, QStringLiteral("Frame3"), QStringLiteral("User Information"));
    m_txtRptName = textBox(m_frame3, QStringLiteral("txtRptName"), UserStore::MaxFullNameLength);
    m_cmbRole = named<QComboBox>(m_frame3, QStringLiteral("cmbRole"));
    m_cmbRole->setEditable(true);
    m_cmbRole->setInsertPolicy(QComboBox::NoInsert);
    auto* info = new QFormLayout(m_frame3);
    info->addRow(QStringLiteral("Full Name:"), m_txtRptName);
    info->addRow(QStringLiteral("Role:"), m_cmbRole);

    m_frame4 = named<QGroupBox>(this, QStringLiteral("Frame4"), QStringLiteral("Authority Level"));
    m_optPrepare = named<QRadioButton>(m_frame4, QStringLiteral("OptPrepare"), QStringLiteral("&Preparer"));
    m_optApprove = named<QRadioButton>(m_frame4, QStringLiteral("OptApprove"), QStringLiteral("&Approver"));
    m_optReview = named<QRadioButton>(m_frame4, QStringLiteral("OptReview"), QStringLiteral("&Reviewer"));
    m_rights = new QButtonGroup(this);
    auto* rights = new QHBoxLayout(m_frame4);
    for (QRadioButton* o : {m_optPrepare, m_optApprove, m_optReview}) {
        m_rights->addButton(o);
        rights->addWidget(o);
    }

    m_btnAddnew = named<QPushButton>(this, QStringLiteral("btnAddnew"), QStringLiteral("&Add New User"));
    m_btnSave = named<QPushButton>(this, QStringLiteral("btnSave"), QStringLiteral("&Save"));
    m_btnDelete = named<QPushButton>(this, QStringLiteral("btnDelete"), QStringLiteral("&Delete"));
    m_btnCancel = named<QPushButton>(this, QStringLiteral("btnCancel"), QStringLiteral("&Cancel"));
    m_btnDone = named<QPushButton>(this, QStringLiteral("btnDone"), QStringLiteral("&Done"));
    DialogBehaviour::noAutoDefault(this);

    auto* fields = new QVBoxLayout;
    fields->addWidget(frame2);
    fields->addWidget(m_frame3);
    fields->addWidget(m_frame4);
    fields->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_lstViewUsers);
    top->addLayout(fields, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_btnAddnew, m_btnSave, m_btnDelete})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(m_btnCancel);
    buttons->addWidget(m_btnDone);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 10, 16, 0);
    body->addLayout(top);
    body->addWidget(new DividerLine(this));
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(title);
    layout->addLayout(body);

    connect(m_lstViewUsers, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { pickUser(item); });
    connect(m_btnAddnew, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { addNew(); }); });
    connect(m_btnSave, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { save(); }); });
    connect(m_btnDelete, &QPushButton::clicked, this, [this] { DialogBehaviour::guarded([this] { remove(); }); });
    connect(m_btnCancel, &QPushButton::clicked, this, &frmUserManager::cancel);
    connect(m_btnDone, &QPushButton::clicked, this, &QDialog::accept);

    DialogBehaviour::guarded([this] {
        if (Global::isAdminUser) {
            fillList();
            fillRoles();
            setControlsForView();
            return;
        }
        // Anyone else sees only his own name and may change only his password, over his row as
        // it is now: an administrator's change of it since is not undone by this window's save.
        m_shownId = Global::userID.toLongLong();
        if (const auto own = UserStore::load(m_shownId))
            keepShown(*own);
        m_txtUserName->setReadOnly(true);
        showName(Global::userName);
        for (QWidget* w : std::initializer_list<QWidget*>{m_btnAddnew, m_btnDelete, m_frame3, m_frame4})
            w->setEnabled(false);
        m_txtPassword->setFocus();
    });
}

void frmUserManager::fillList()
{
    m_lstViewUsers->clear();
    for (const UserListEntry& user : UserStore::list()) {
        auto* item = new QTreeWidgetItem(m_lstViewUsers, {user.userName});
        item->setData(0, Qt::UserRole, kKeyPrefix + QString::number(user.id));
    }
}

void frmUserManager::fillRoles()
{
    m_cmbRole->clear();
    m_cmbRole->addItems(UserStore::roles());
    presetRole();
}

void frmUserManager::presetRole()
{
    // A new user gets the ordinary role, found by its name wherever the roles sort it; without one
    // the administrator chooses, rather than a stronger role being given by default.
    int ordinary = -1;
    for (int i = 0; i < m_cmbRole->count() && ordinary < 0; ++i)
        if (UserStore::isUserRole(m_cmbRole->itemText(i)))
            ordinary = i;
    m_cmbRole->setCurrentIndex(ordinary);
    if (ordinary < 0)
        m_cmbRole->setEditText(QString());
}

void frmUserManager::setEditable(bool editable)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_txtUserName, m_txtPassword, m_txtRptName, m_cmbRole,
                                                      m_optPrepare, m_optApprove, m_optReview})
        w->setEnabled(editable);
    m_btnAddnew->setEnabled(!editable);
    m_btnCancel->setEnabled(editable);
    m_btnSave->setEnabled(editable);
    // Only a stored user can be deleted: never the one being added, never nobody.
    m_btnDelete->setEnabled(editable && m_shownId != 0);
}

void frmUserManager::setControlsForView()
{
    ClearTextBox();
    m_shownId = 0;
    m_isNew = false;
    setEditable(false);
}

void frmUserManager::ButtonEnable()
{
    setEditable(true);
}

void frmUserManager::ClearTextBox()
{
    m_txtUserName->clear();
    setCharacterLimit(m_txtUserName, UserStore::MaxNameLength);
    m_txtPassword->clear();
    m_txtPassword->setPlaceholderText({});
    m_txtRptName->clear();
    m_rights->setExclusive(false);
    for (QAbstractButton* b : m_rights->buttons())
        b->setChecked(false);
    m_rights->setExclusive(true);
}

void frmUserManager::pickUser(QTreeWidgetItem* item)
{
    if (!item)
        return;
    DialogBehaviour::guarded([this, item] {
        const qint64 id = item->data(0, Qt::UserRole).toString().mid(kKeyPrefix.size()).toLongLong();
        const auto user = UserStore::load(id);
        if (!user) {
            inform(QStringLiteral("This user no longer exists; another administrator may have deleted it."));
            fillList();
            setControlsForView();
            return;
        }
        ClearTextBox();
        m_isNew = false;
        m_shownId = id;
        keepShown(*user);
        showName(user->userName);
        m_txtPassword->setPlaceholderText(QStringLiteral("(unchanged)"));
        m_cmbRole->setEditText(UserStore::displayRole(user->role));
        m_txtRptName->setText(user->fullName);
        m_optPrepare->setChecked(user->right == UserAccount::Right::Prepare);
        m_optReview->setChecked(user->right == UserAccount::Right::Review);
        m_optApprove->setChecked(user->right == UserAccount::Right::Approve);
        ButtonEnable();
    });
}

void frmUserManager::showName(const QString& name)
{
    // The limit is for typing: a longer name stored before stays whole, or saving would rename
    // the user to its first characters and the name he logs in with would be gone.
    setCharacterLimit(m_txtUserName, std::max<qsizetype>(UserStore::MaxNameLength, SameName::length(name)));
    m_txtUserName->setText(name);
}

void frmUserManager::addNew()
{
    ClearTextBox();
    m_isNew = true;
    m_shownId = 0;
    ButtonEnable();
    m_optPrepare->setChecked(true);
    presetRole();
    m_txtUserName->setFocus();
}

void frmUserManager::keepShown(const UserAccount& user)
{
    m_shownLoaded = user.loaded;
    m_shownPassword = user.loadedPassword;
}

UserAccount frmUserManager::typedUser() const
{
    UserAccount user;
    user.id = m_isNew ? 0 : m_shownId;
    if (!m_isNew) {
        user.loaded = m_shownLoaded;
        user.loadedPassword = m_shownPassword;
    }
    user.userName = m_txtUserName->text();
    user.fullName = m_txtRptName->text();
    user.role = m_cmbRole->currentText();
    if (m_optPrepare->isChecked())
        user.right = UserAccount::Right::Prepare;
    else if (m_optApprove->isChecked())
        user.right = UserAccount::Right::Approve;
    else if (m_optReview->isChecked())
        user.right = UserAccount::Right::Review;
    return user;
}

void frmUserManager::save()
{
    if (Global::isAdminUser)
        saveAsAdministrator();
    else
        savePassword();
}

void frmUserManager::saveAsAdministrator()
{
    if (!m_isNew && m_shownId == 0) {
        inform(QStringLiteral("There is no user to save: pick a user in the list, or add a new user."));
        return;
    }
    const UserAccount user = typedUser();
    const QString password = m_txtPassword->text();
    const QString missing = UserStore::missingFields(user, password, m_isNew);
    if (!missing.isEmpty()) {
        Prompter::show(Prompter::applicationTitle(), UserStore::missingFieldsMessage(missing), Prompter::Buttons::Ok,
                       Prompter::Icon::Warning);
        return; // what was typed stays, to be completed
    }
    // Refused or stored, the list shows the users as they are stored now: the user another
    // administrator added meanwhile under this name included.
    if (UserStore::nameTaken(user.userName, user.id)) {
        fillList();
        inform(UserStore::nameTakenMessage(user.userName));
        return;
    }
    try {
        if (m_isNew)
            UserStore::insert(user, password);
        else
            UserStore::update(user, password);
    } catch (const AppError&) {
        fillList();
        throw; // what was typed stays, and the message says why nothing was stored
    }
    inform(m_isNew ? QStringLiteral("User Created successfully.")
                   : QStringLiteral("User information updated successfully."));
    fillList();
    setControlsForView();
}

void frmUserManager::savePassword()
{
    const QString password = m_txtPassword->text();
    if (password.isEmpty()) {
        inform(QStringLiteral("Password is a required field!"));
        return;
    }
    // Only the password: the name, role and rights stay as the administrator set them.
    UserAccount own;
    own.id = m_shownId;
    own.loaded = m_shownLoaded;
    own.loadedPassword = m_shownPassword;
    UserStore::updatePassword(own, password);
    inform(QStringLiteral("User information updated successfully."));
    accept();
}

void frmUserManager::remove()
{
    if (m_shownId == 0)
        return;
    if (Prompter::show(Prompter::applicationTitle(), QStringLiteral("Would you like to delete?"),
                       Prompter::Buttons::YesNo) != Prompter::Yes)
        return;
    // The user as shown: another administrator's change since is not deleted unseen.
    UserAccount shown;
    shown.id = m_shownId;
    shown.loaded = m_shownLoaded;
    try {
        UserStore::remove(shown);
    } catch (const AppError& e) {
        if (e.number() != AppError::DeletedMeanwhile)
            throw;
        // Gone already: the list shows the users as they are stored now.
        fillList();
        setControlsForView();
        throw;
    }
    inform(QStringLiteral("User successfully deleted"));
    ClearTextBox();
    m_shownId = 0;
    fillList();
    ButtonEnable(); // still editing, with nobody shown: Delete is off until a user is picked
    m_btnAddnew->setEnabled(true);
}

void frmUserManager::cancel()
{
    if (Global::isAdminUser)
        setControlsForView();
    else
        reject();
}

void frmUserManager::keyPressEvent(QKeyEvent* event)
{
    // Esc is the Cancel button while it is usable; in view mode it closes the window.
    if (event->key() == Qt::Key_Escape && m_btnCancel->isEnabled()) {
        m_btnCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
