#pragma once

#include "amortizableitemlist.h"
#include "prepaidrecreport.h"
#include "recdialogframe.h"
#include "recitemlistpanel.h"

class QTreeWidget;

// The reconciliation of a prepaid-expense account ("A"): the balance is explained by what the
// account's prepaid items still have to amortize after the date, listed with New, Edit and Delete
// through the item dialog, and by the reconciling items of the account (new ones of type "O").
class PrepaidRecDialog : public RecDialogFrame
{
    Q_OBJECT
public:
    explicit PrepaidRecDialog(QWidget* parent = nullptr);
    ~PrepaidRecDialog() override;

    // The print road: builds the report from the balance and both lists as they stand and prints
    // it through the print dialog. Raises on failure; false when the print dialog was cancelled.
    bool PrintReport(const GLAccountBalance& balance, const AmortizableItemList& prepaidItems,
                     const ReconcilingItemList& items);

    // How the item dialog is run (tests answer it instead of a person).
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

    const AmortizableItemList& prepaidItems() const { return m_amortizableItemList; }
    QTreeWidget* prepaidListView() const { return m_lvwAmortizableItemList; }

    // Each does nothing when no row is selected; an item deleted meanwhile by another user
    // reloads the list with a message. Delete removes the item only while it holds what the list
    // showed; otherwise it reloads the list and raises who changed or deleted it, and when.
    // Errors go to the caller.
    void newAmortizableItem();
    void editSelectedAmortizableItem();
    void deleteAmortizableItem();

protected:
    void loadReconciliation(const std::shared_ptr<GLAccount>& account, QString& recDate) override;
    ARCurrency unidentifiedDifference() override;
    ReconciliationEvidence shownEvidence() override;
    void previewReport() override;
    void printReport() override;

private:
    void loadAmortizableItemList();
    void editAmortizableItem(AmortizableItem& item);
    // The selected row's item read afresh; nothing when no row is selected or the item is gone
    // (the list is then reloaded with a message).
    std::optional<AmortizableItem> getSelectedAmortizableItem();
    void itemGone();

    AmortizableItemList m_amortizableItemList;
    QTreeWidget* m_lvwAmortizableItemList;
    DialogRunner m_runDialog;
    std::unique_ptr<PrepaidRecReport> m_printReport;
};
