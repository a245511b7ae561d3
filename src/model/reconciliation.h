#pragma once

#include "amortizableitemlist.h"
#include "glaccountbalance.h"
#include "reconciliationevidence.h"
#include "reconcilingitemlist.h"

#include <memory>

class GLAccount;

// One account's reconciliation at one period-end date: its balance and the evidence that explains
// it, and the figures every view of it shows.
class IReconciliation
{
public:
    using Account = std::shared_ptr<GLAccount>;
    virtual ~IReconciliation() = default;
    virtual void Load(const Account& account, const QString& date) = 0;
    virtual ARCurrency getDebitAmount() const = 0;
    virtual ARCurrency getCreditAmount() const = 0;
    virtual bool isReconciled() const = 0;
    // balance - (target + what this kind of reconciliation explains)
    virtual ARCurrency getUnidentifiedDifference() const = 0;
    virtual QString getLastReconciledDate() const = 0;
    virtual QString getReviewedBy() const = 0;
    virtual QString getPreparedBy() const = 0;
    virtual QString getApprovedBy() const = 0;
    // Sums of the open items whose timing code is exactly "R" and "U".
    virtual ARCurrency getRequiredAdjustments() const = 0;
    virtual ARCurrency getUnResolved() const = 0;
};

// What the three kinds share: the balance, the items open at its date, and the arithmetic.
class ReconciliationBase : public IReconciliation
{
public:
    ARCurrency getDebitAmount() const override { return m_balance.getDebitAmount(); }
    ARCurrency getCreditAmount() const override { return m_balance.getCreditAmount(); }
    bool isReconciled() const override { return m_balance.isReconciled(); }
    ARCurrency getUnidentifiedDifference() const override { return m_balance.getUnidentifiedDifference(explained()); }
    QString getLastReconciledDate() const override { return m_balance.getLastReconciledDate(); }
    QString getReviewedBy() const override { return m_balance.getReviewedBy(); }
    QString getPreparedBy() const override { return m_balance.getPreparedBy(); }
    QString getApprovedBy() const override { return m_balance.getApprovedBy(); }
    ARCurrency getRequiredAdjustments() const override { return timingTotal(QStringLiteral("R")); }
    ARCurrency getUnResolved() const override { return timingTotal(QStringLiteral("U")); }

    GLAccountBalance& balance() { return m_balance; }
    const GLAccountBalance& balance() const { return m_balance; }
    const ReconcilingItemList& allItems() const { return m_items; }
    // What this reconciliation shows beside its balance, as its lists hold it now: what a sign-off
    // of the balance vouches for. Load hands it to the balance.
    virtual ReconciliationEvidence shownEvidence() const;

protected:
    // Loads the balance and the items, and lets the balance vouch for what Load then shows.
    void loadBalanceAndItems(const Account& account, const QString& date);
    void vouchForShown() { m_balance.vouchFor(shownEvidence()); }
    virtual ARCurrency explained() const = 0;
    ARCurrency timingTotal(const QString& timing) const;

    GLAccountBalance m_balance;
    ReconcilingItemList m_items;
};

// Subledger, list, calculated-balance and balance-only reconciliations: the items explain.
class Reconciliation final : public ReconciliationBase
{
public:
    void Load(const Account& account, const QString& date) override { loadBalanceAndItems(account, date); }

private:
    ARCurrency explained() const override;
};

// Prepaid: what the prepaid items still have to amortize after the date, and the items.
class PrepaidReconciliation final : public ReconciliationBase
{
public:
    void Load(const Account& account, const QString& date) override;
    const AmortizableItemList& prepaidItems() const { return m_prepaid; }
    ReconciliationEvidence shownEvidence() const override;

private:
    ARCurrency explained() const override;
    AmortizableItemList m_prepaid;
};

// Bank: the balance per bank and the items by type; edits its balance for the panels.
class BankReconciliation final : public ReconciliationBase, public IGLAccountBalance
{
public:
    using Account = IReconciliation::Account;
    void Load(const Account& account, const QString& date) override;

    ARCurrency getTotalCheckAmount() const { return m_checks.getTotalAmount(); }
    const ReconcilingItemList& getCheckItems() const { return m_checks; }
    ARCurrency getTotalDepositAmount() const { return m_deposits.getTotalAmount(); }
    bool hasDepositItems() const { return m_deposits.count() > 0; }
    const ReconcilingItemList& getDepositItems() const { return m_deposits; }
    ARCurrency getTotalBankFeeAmount() const { return m_bankFees.getTotalAmount(); }
    bool hasBankFeeItems() const { return m_bankFees.count() > 0; }
    const ReconcilingItemList& getBankFeeItems() const { return m_bankFees; }
    ARCurrency getTotalNSFCheckAmount() const { return m_nsfChecks.getTotalAmount(); }
    bool hasNSFCheckItems() const { return m_nsfChecks.count() > 0; }
    const ReconcilingItemList& getNSFCheckItems() const { return m_nsfChecks; }
    ARCurrency getTotalOtherAmount() const { return m_others.getTotalAmount(); }
    bool hasOtherItems() const { return m_others.count() > 0; }
    const ReconcilingItemList& getOtherItems() const { return m_others; }
    // The list of one bank item type ("C", "D", "B", "N", "O"), nothing for any other code. A list
    // dialog keeps and reloads the list itself, so what it changes reaches the totals.
    ReconcilingItemList* getItemsForType(const QString& code);

    void beginEdit() { m_balance.beginEdit(); }
    void cancelEdit() { m_balance.cancelEdit(); }
    // Stores the balance, vouching for the items as the lists by type now hold them.
    void applyEdit()
    {
        vouchForShown();
        m_balance.applyEdit();
    }
    // The lists by type (each kept and reloaded by its own window), and the items of other types
    // as loaded.
    ReconciliationEvidence shownEvidence() const override;

    // The balance, as the panels edit it.
    const Account& getGLAccount() const override { return m_balance.getGLAccount(); }
    void setGLAccount(const Account& account) override { m_balance.setGLAccount(account); }
    QString getDate() const override { return m_balance.getDate(); }
    void setDate(const QString& date) override { m_balance.setDate(date); }
    ARCurrency& getAmount() override { return m_balance.getAmount(); }
    void setAmount(const QString& amount) override { m_balance.setAmount(amount); }
    ARCurrency& getTargetAmount() override { return m_balance.getTargetAmount(); }
    void setTargetAmount(const QString& amount) override { m_balance.setTargetAmount(amount); }
    QString getPreparedBy() const override { return m_balance.getPreparedBy(); }
    QString getReviewedBy() const override { return m_balance.getReviewedBy(); }
    QString getApprovedBy() const override { return m_balance.getApprovedBy(); }
    QString getCalcBalance() const override { return m_balance.getCalcBalance(); }
    void setCalcBalance(const QString& basis) override { m_balance.setCalcBalance(basis); }
    void setPreparedBy(const QString& name) override { m_balance.setPreparedBy(name); }
    void setReviewedBy(const QString& name) override { m_balance.setReviewedBy(name); }
    void setApprovedBy(const QString& name) override { m_balance.setApprovedBy(name); }
    void setPreparedByDate(const QString& date) override { m_balance.setPreparedByDate(date); }
    void setReviewedByDate(const QString& date) override { m_balance.setReviewedByDate(date); }
    void setApprovedByDate(const QString& date) override { m_balance.setApprovedByDate(date); }
    QString getReviewedByDate() const override { return m_balance.getReviewedByDate(); }
    QString getPreparedByDate() const override { return m_balance.getPreparedByDate(); }
    QString getApprovedByDate() const override { return m_balance.getApprovedByDate(); }
    QString getComment() const override { return m_balance.getComment(); }
    void setComment(const QString& comment) override { m_balance.setComment(comment); }
    bool isReconciled() const override { return m_balance.isReconciled(); }
    void setReconciled(bool reconciled) override { m_balance.setReconciled(reconciled); }
    QString getReconciledDate() const override { return m_balance.getReconciledDate(); }
    void setReconciledDate(const QString& date) override { m_balance.setReconciledDate(date); }

private:
    ARCurrency explained() const override;

    ReconcilingItemList m_checks, m_deposits, m_bankFees, m_nsfChecks, m_others;
    ReconcilingItemList m_unbanked; // items of no bank type: shown in no group, signed for all the same
};

namespace ReconciliationFactory {
// The reconciliation of the account's kind, loaded for the date: "S", "L", "B", "H" a plain one,
// "A" prepaid, "C" bank (codes compared exactly). Any other code raises.
std::unique_ptr<IReconciliation> create(const IReconciliation::Account& account, const QString& date);
// True when create makes a reconciliation for the reconciliation-type code.
bool hasKind(const QString& recTypeCode);
} // namespace ReconciliationFactory
