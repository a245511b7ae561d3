#pragma once

#include <QDialog>
#include <QVariantList>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
struct UserAccount;

// The users of the system and their sign-off rights. An administrator adds, changes and deletes
// users; anyone else changes only his own password. Stored passwords are never shown: the
// password box opens empty, and left empty it keeps the stored one.
class frmUserManager : public QDialog
{
    Q_OBJECT
public:
    explicit frmUserManager(QWidget* parent = nullptr);

    // The user the window shows (0: none, or a new user not saved yet).
    qint64 shownUserId() const { return m_shownId; }
    bool isNewUser() const { return m_isNew; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillList();
    void fillRoles();
    void presetRole();
    void setControlsForView();
    void ButtonEnable();
    void ClearTextBox();
    void pickUser(QTreeWidgetItem* item);
    void showName(const QString& name);
    void addNew();
    void save();
    void saveAsAdministrator();
    void savePassword();
    void remove();
    void cancel();
    UserAccount typedUser() const;
    void keepShown(const UserAccount& user);
    void setEditable(bool editable);

    bool m_isNew = false;
    qint64 m_shownId = 0;
    // The shown user's row as loaded, his password's hash included: a save does not overwrite
    // another's change.
    QVariantList m_shownLoaded;
    QVariant m_shownPassword;

    QTreeWidget* m_lstViewUsers;
    QGroupBox* m_frame3;
    QGroupBox* m_frame4;
    QLineEdit* m_txtUserName;
    QLineEdit* m_txtPassword;
    QLineEdit* m_txtRptName;
    QComboBox* m_cmbRole;
    QButtonGroup* m_rights;
    QRadioButton* m_optPrepare;
    QRadioButton* m_optApprove;
    QRadioButton* m_optReview;
    QPushButton* m_btnAddnew;
    QPushButton* m_btnSave;
    QPushButton* m_btnDelete;
    QPushButton* m_btnCancel;
    QPushButton* m_btnDone;
};
