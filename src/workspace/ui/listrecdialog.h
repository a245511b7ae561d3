#pragma once

#include "glaccountbalance.h"
#include "irecdialog.h"
#include "reconcilingitemlist.h"

#include <QDialog>
#include <memory>

class AccountInfoPanel;
class BaseRecPanel;
class ctlAttachedFiles1;
class GLAccount;
class ListRecReport;
class QLabel;
class RecDialogTitlePanel;
class RecItemListPanel;

// The reconciliation of a list account ("L"): the balance at the period-end date explained by a
// list of reconciling items (of any type, open at the date); what they leave unexplained is the
// unidentified difference, which a comment must explain. Items are stored at once by their own
// dialog; Save & Exit stores the balance with its sign-offs, then the account's documents.
class ListRecDialog : public QDialog, public IRecDialog
{
    Q_OBJECT
public:
    explicit ListRecDialog(QWidget* parent = nullptr);
    ~ListRecDialog() override;

    void initialize(GLAccount& account, QString& recDate) override;
    void showDialog() override;

    // The print road: builds the list report from the balance and items as they stand and prints
    // it through the print dialog. Raises on failure; false when the print dialog was cancelled.
    bool PrintReport(const GLAccountBalance& balance, const ReconcilingItemList& items);

    GLAccountBalance& balance() { return m_balance; }
    BaseRecPanel* baseRecPanel() const { return m_baseRecPanel; }
    RecItemListPanel* recItemListPanel() const { return m_recItemListPanel; }
    ctlAttachedFiles1* attachments() const { return m_ctlAttachedFiles11; }

public Q_SLOTS:
    void reject() override; // Cancel, Esc and the close box: the balance returns to its loaded state

private:
    void showDifference();
    void save();
    void preview();
    void print();

    std::shared_ptr<GLAccount> m_account;
    GLAccountBalance m_balance;
    ReconcilingItemList m_items;
    std::unique_ptr<ListRecReport> m_printReport;
    RecDialogTitlePanel* m_titlePanel;
    BaseRecPanel* m_baseRecPanel;
    RecItemListPanel* m_recItemListPanel;
    AccountInfoPanel* m_accountInfoPanel;
    ctlAttachedFiles1* m_ctlAttachedFiles11;
    QLabel* m_lblDifference;
};
