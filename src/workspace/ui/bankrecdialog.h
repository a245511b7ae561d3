#pragma once

#include "recdialogframe.h"
#include "recitemlistpanel.h"
#include "reconciliation.h"

#include <memory>

class BankRecReport;
class QPushButton;
class QTreeWidget;

// The reconciliation of a bank account ("C"): the balance per bank (the target amount), the
// outstanding checks, deposits in transit, bank fees and NSF checks as four groups with their
// totals, each edited in its own list dialog, and the other items ("O") in the item panel. Every
// list is the dialog's BankReconciliation's own, loaded once, so the totals and the difference
// follow every change.
class BankRecDialog : public RecDialogFrame
{
    Q_OBJECT
public:
    explicit BankRecDialog(QWidget* parent = nullptr);
    ~BankRecDialog() override;

    GLAccountBalance& balance() override { return m_bankReconciliation.balance(); }
    BankReconciliation& bankReconciliation() { return m_bankReconciliation; }

    // The print road: builds the bank report from the reconciliation as it stands and prints it
    // through the print dialog. Raises on failure; false when the print dialog was cancelled.
    bool PrintReport(const BankReconciliation& reconciliation);

    QTreeWidget* groupList() const { return m_lvwItemGroupList; }
    // How the group details dialog is run (tests answer it instead of a person).
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

protected:
    void loadReconciliation(const std::shared_ptr<GLAccount>& account, QString& recDate) override;
    ARCurrency unidentifiedDifference() override { return m_bankReconciliation.getUnidentifiedDifference(); }
    ReconciliationEvidence shownEvidence() override { return m_bankReconciliation.shownEvidence(); }
    void previewReport() override;
    void printReport() override;

private:
    void initItemGroupList();
    void refreshGroupTotals();
    // The list dialog of the selected group; nothing when no group is selected.
    void showSelectedGroupDetails();
    void showGroupDetails(const QString& key);

    BankReconciliation m_bankReconciliation;
    QTreeWidget* m_lvwItemGroupList;
    QPushButton* m_cmdDetails;
    DialogRunner m_runDialog;
    std::unique_ptr<BankRecReport> m_printReport;
};
