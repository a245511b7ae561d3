#pragma once

#include "titlepanels.h"

class GLAccount;
class IGLAccountBalance;
class QLabel;
class QPlainTextEdit;

// The title band of a reconciliation dialog: which account, as of which date.
class RecDialogTitlePanel : public CompoundDialogTitlePanel
{
    Q_OBJECT
public:
    explicit RecDialogTitlePanel(QWidget* parent = nullptr);
    // "Account  <number> - <name>" over "As of <Month d, yyyy>".
    void initialize(IGLAccountBalance& balance);
};

// What the account is: its types, normal balance, flags, ERP number, description, policy and the
// tips for its kind of reconciliation. Read-only.
class AccountInfoPanel : public QWidget
{
    Q_OBJECT
public:
    explicit AccountInfoPanel(QWidget* parent = nullptr);
    void initialize(const GLAccount& account);

private:
    QLabel* m_lblAccountType;
    QLabel* m_lblNormalBalance;
    QLabel* m_lblRecType;
    QLabel* m_lblKeyControlVal;
    QLabel* m_lblAcctactive;
    QLabel* m_lblERPNum_Desc;
    QPlainTextEdit* m_txtDesc;
    QPlainTextEdit* m_txtPolicy;
    QPlainTextEdit* m_txtHelp;
};
