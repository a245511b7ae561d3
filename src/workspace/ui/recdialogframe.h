#pragma once

#include "glaccountbalance.h"
#include "irecdialog.h"
#include "reconciliationevidence.h"
#include "reconcilingitemlist.h"
#include "twolevelrecreport.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

class AccountInfoPanel;
class AmountBox;
class BaseRecPanel;
class ctlAttachedFiles1;
class GLAccount;
class QGridLayout;
class QLabel;
class QVBoxLayout;
class RecDialogTitlePanel;
class RecItemListPanel;

// What every reconciliation dialog shares: the title band, the "Reconciliation" page with the
// sign-off panel, the kind's own fields, the item list with New, Edit and Delete and the
// unidentified difference kept current, the "Account Information" page, the account's documents,
// the report buttons, Save & Exit with its comment rule, and Cancel. A dialog of one kind gives its
// names and texts, adds its fields, and says how its reconciliation loads, what its difference is
// and how its report is shown and printed.
class RecDialogFrame : public QDialog, public IRecDialog
{
    Q_OBJECT
public:
    // The names and texts that differ from one kind of dialog to the next.
    struct Kind
    {
        QString objectName;          // "SubledgerRecDialog"
        QString caption;             // the window's caption until initialize names the account
        QString itemTypeCode;        // the item type that New creates
        QString itemsLabelName;      // "Label2"
        QString itemsLabel;          // "Reconciling Items:"
        QString differenceLabelName; // "Label5"
        QString printButtonName;     // "btnPrint"
    };

    ~RecDialogFrame() override;

    // Loads the reconciliation of the account at the date, fills every panel and starts the edit
    // of the balance. A failure to load goes to the caller.
    void initialize(GLAccount& account, QString& recDate) override;
    void showDialog() override;

    // The balance being reconciled (the bank dialog's sits inside its reconciliation).
    virtual GLAccountBalance& balance() { return m_glAccountBalance; }
    // The unidentified difference as shown; nothing when its sums overflow.
    std::optional<ARCurrency> difference();

    BaseRecPanel* baseRecPanel() const { return m_baseRecPanel; }
    RecItemListPanel* recItemListPanel() const { return m_recItemListPanel; }
    ctlAttachedFiles1* attachments() const { return m_ctlAttachedFiles11; }
    AmountBox* targetAmountBox() const { return m_txtTargetAmount; }

public Q_SLOTS:
    // Cancel, Esc and the close box: the balance returns to its state when the edit began (items
    // and deleted documents stay as they were stored).
    void reject() override;

protected:
    RecDialogFrame(Kind kind, QWidget* parent);

    // Loads the balance and the items for the account and date and hands the items to the item
    // panel. By default: the balance, and every item of the account open at the date, whatever
    // its type, so the dialog shows the same difference as the review grid and the reports.
    virtual void loadReconciliation(const std::shared_ptr<GLAccount>& account, QString& recDate);
    // Shows the kind's own fields from the loaded balance (after the panels are filled).
    virtual void fillKindFields() {}
    // The balance less its target amount and what the kind's evidence explains; may raise an
    // overflow, which the frame shows as such.
    virtual ARCurrency unidentifiedDifference();
    // What the dialog shows beside the balance, as its lists hold it now: what a sign-off vouches
    // for. By default the item list.
    virtual ReconciliationEvidence shownEvidence();
    // "Pre&view Report" and "&Print Report": the report of the balance and items as they stand,
    // stored or not.
    virtual void previewReport() = 0;
    virtual void printReport() = 0;

    // Adds a row of the kind's fields under the sign-off panel, next in the tab order.
    void addField(QLabel* label, QWidget* field);
    // The target amount box under its caption: an accepted amount becomes the balance's target
    // amount and the difference is shown again; a refused one keeps the focus.
    AmountBox* addTargetAmountBox(const QString& caption);
    // Puts a control of the kind next in the tab order, after its fields (or the sign-off panel).
    void followInTabOrder(QWidget* widget);
    // A place between the kind's fields and the item list for what else a kind shows.
    QVBoxLayout* kindArea() const { return m_kindArea; }

    void updateDifference();
    // Runs a button's work: the field being edited is committed first; an error is shown and
    // leaves the dialog as it was.
    void run(const std::function<void()>& work);

    const std::shared_ptr<GLAccount>& account() const { return m_account; }
    ReconcilingItemList& items() { return m_items; }

    void showEvent(QShowEvent* event) override;

private:
    void save();

    Kind m_kind;
    std::shared_ptr<GLAccount> m_account;
    GLAccountBalance m_glAccountBalance;
    ReconcilingItemList m_items;
    RecDialogTitlePanel* m_titlePanel;
    BaseRecPanel* m_baseRecPanel;
    QGridLayout* m_fields;
    QVBoxLayout* m_kindArea;
    QWidget* m_lastField = nullptr;
    AmountBox* m_txtTargetAmount = nullptr;
    RecItemListPanel* m_recItemListPanel;
    AccountInfoPanel* m_accountInfoPanel;
    ctlAttachedFiles1* m_ctlAttachedFiles11;
    QLabel* m_lblDifference;
    bool m_placed = false;
};

// The dialogs whose balance one list of items explains (subledger, calculated balance, list):
// their reports are the two-level reports of the balance and the listed items.
class TwoLevelRecDialog : public RecDialogFrame
{
    Q_OBJECT
public:
    // The print road: builds the report from the balance and items as they stand and prints it
    // through the print dialog. Raises on failure; false when the print dialog was cancelled.
    bool PrintReport(const GLAccountBalance& balance, const ReconcilingItemList& items);

protected:
    TwoLevelRecDialog(Kind kind, TwoLevelRecReport::Kind report, QWidget* parent);
    void previewReport() override;
    void printReport() override;

private:
    TwoLevelRecReport::Kind m_report;
    std::unique_ptr<TwoLevelRecReport> m_printReport;
};
