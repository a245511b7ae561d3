#pragma once

#include "referencelists.h"

#include <QDialog>

class GLAccount;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class SimpleDialogTitlePanel;

// Edits one general-ledger account: every field of it, the three choice lists from the reference
// lists of the connection, a warning before an existing account's reconciliation type changes,
// and Save that validates and stores the account with its audit row.
class AccountSetupDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AccountSetupDialog(QWidget* parent = nullptr);

    // Fills the dialog from the account (a new, empty one for New) and begins its edit. The caller
    // keeps the account; whether it was stored shows in the database.
    void initialize(GLAccount& account);

    static QString recTypeWarningText();

private:
    void chooseRecType(int index);
    void chooseErpNumber(int index);
    void save();
    void focusFor(const QString& type);

    GLAccount* m_account = nullptr;
    GLAccountTypeList m_accountTypes;
    RecTypeList m_recTypes;
    ERPNumberList m_erpNumbers;
    bool m_noType = false; // the account had no reconciliation type when the dialog opened

    SimpleDialogTitlePanel* m_titlePanel;
    QLineEdit* m_txtNumber;
    QLineEdit* m_txtName;
    QPlainTextEdit* m_txtComment;
    QPlainTextEdit* m_txtPolicy;
    QComboBox* m_cboAccountType;
    QComboBox* m_cboRecType;
    QRadioButton* m_keyYes;
    QRadioButton* m_keyNo;
    QRadioButton* m_activeYes;
    QRadioButton* m_activeNo;
    QComboBox* m_txtErpNumber;
    QLabel* m_lblErpNumberDesc;
};
