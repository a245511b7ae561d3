#pragma once

#include "arcurrency.h"
#include "ardatefield.h"

#include <QList>
#include <QString>
#include <memory>

class GLAccount;
class QSqlDatabase;
class ReconciliationEvidence;
namespace Persistence {
struct Conflict;
}
class QSqlQuery;

// What the sign-off and title panels read and change of a balance, whether it stands alone or
// inside a bank reconciliation.
class IGLAccountBalance
{
public:
    using Account = std::shared_ptr<GLAccount>;
    virtual ~IGLAccountBalance() = default;
    virtual const Account& getGLAccount() const = 0;
    virtual void setGLAccount(const Account& account) = 0;
    virtual QString getDate() const = 0;
    virtual void setDate(const QString& date) = 0;
    virtual ARCurrency& getAmount() = 0;
    virtual void setAmount(const QString& amount) = 0;
    virtual ARCurrency& getTargetAmount() = 0;
    virtual void setTargetAmount(const QString& amount) = 0;
    virtual QString getPreparedBy() const = 0;
    virtual QString getReviewedBy() const = 0;
    virtual QString getApprovedBy() const = 0;
    virtual QString getCalcBalance() const = 0;
    virtual void setCalcBalance(const QString& basis) = 0;
    virtual void setPreparedBy(const QString& name) = 0;
    virtual void setReviewedBy(const QString& name) = 0;
    virtual void setApprovedBy(const QString& name) = 0;
    virtual void setPreparedByDate(const QString& date) = 0;
    virtual void setReviewedByDate(const QString& date) = 0;
    virtual void setApprovedByDate(const QString& date) = 0;
    virtual QString getReviewedByDate() const = 0;
    virtual QString getPreparedByDate() const = 0;
    virtual QString getApprovedByDate() const = 0;
    virtual QString getComment() const = 0;
    virtual void setComment(const QString& comment) = 0;
    virtual bool isReconciled() const = 0;
    virtual void setReconciled(bool reconciled) = 0;
    virtual QString getReconciledDate() const = 0;
    virtual void setReconciledDate(const QString& date) = 0;
};

// The balance of one account at one period-end date, with its target amount, sign-offs, comment
// and reconciled mark: one row of table GLAccountBalance, audited in GLAccountBalanceAudit.
class GLAccountBalance : public IGLAccountBalance
{
public:
    GLAccountBalance();
    GLAccountBalance(const GLAccountBalance& other);
    GLAccountBalance& operator=(const GLAccountBalance& other);
    GLAccountBalance(GLAccountBalance&& other) noexcept;
    GLAccountBalance& operator=(GLAccountBalance&& other) noexcept;
    ~GLAccountBalance() override;

    void initialize(const Account& account, const QString& date, const QString& amount, const QString& targetAmount,
                    const QString& preparedBy, const QString& comment, bool reconciled, const QString& reconciledDate,
                    const QString& reviewedBy, const QString& approvedBy, const QString& preparedByDate,
                    const QString& reviewedByDate, const QString& approvedByDate, const QString& createDate,
                    const QString& createUser, const QString& calcBasis);

    const Account& getGLAccount() const override { return m_f.account; }
    void setGLAccount(const Account& account) override { m_f.account = account; }
    QString getDate() const override { return m_f.date.getDate(); }
    void setDate(const QString& date) override { m_f.date.setDate(date); }
    ARCurrency& getAmount() override { return m_f.amount; }
    const ARCurrency& amount() const { return m_f.amount; }
    void setAmount(const QString& amount) override { m_f.amount.setVal(amount); }
    ARCurrency& getTargetAmount() override { return m_f.targetAmount; }
    const ARCurrency& targetAmount() const { return m_f.targetAmount; }
    void setTargetAmount(const QString& amount) override { m_f.targetAmount.setVal(amount); }
    ARCurrency getDebitAmount() const;
    ARCurrency getCreditAmount() const;
    ARCurrency getAdjustedAmount() const { return m_f.amount; }
    void setAdjustedAmount(const QString& amount) { setAmount(amount); }
    // amount - (target amount + otherItems)
    ARCurrency getUnidentifiedDifference(const ARCurrency& otherItems) const;

    QString getPreparedBy() const override { return m_f.preparedBy; }
    QString getReviewedBy() const override { return m_f.reviewedBy; }
    QString getApprovedBy() const override { return m_f.approvedBy; }
    QString getCalcBalance() const override { return m_f.calcBasis; }
    void setCalcBalance(const QString& basis) override { m_f.calcBasis = basis; }
    void setPreparedBy(const QString& name) override { m_f.preparedBy = name; }
    void setReviewedBy(const QString& name) override { m_f.reviewedBy = name; }
    void setApprovedBy(const QString& name) override { m_f.approvedBy = name; }
    void setPreparedByDate(const QString& date) override { m_f.preparedByDate = date; }
    void setReviewedByDate(const QString& date) override { m_f.reviewedByDate = date; }
    void setApprovedByDate(const QString& date) override { m_f.approvedByDate = date; }
    QString getReviewedByDate() const override { return m_f.reviewedByDate; }
    QString getPreparedByDate() const override { return m_f.preparedByDate; }
    QString getApprovedByDate() const override { return m_f.approvedByDate; }
    QString getComment() const override { return m_f.comment; }
    void setComment(const QString& comment) override { m_f.comment = comment; }
    bool isReconciled() const override { return m_f.reconciled; }
    void setReconciled(bool reconciled) override { m_f.reconciled = reconciled; }
    QString getReconciledDate() const override { return m_f.reconciledDate.getDate(); }
    void setReconciledDate(const QString& date) override { m_f.reconciledDate.setDate(date); }
    const QString& getCreateDate() const { return m_f.createDate; }
    const QString& getCreateUser() const { return m_f.createUser; }
    bool isNew() const { return m_isNew; }

    // The latest period-end date up to this one at which the account's balance was prepared, as
    // "mm/dd/yyyy"; "" when there is none.
    QString getLastReconciledDate() const;

    // Reads the row of the account and date; without one the balance keeps the account and date
    // and stays new.
    void Load(const Account& account, const QString& date);
    // Validates, then inserts or updates the row with its audit row in one transaction. On
    // failure nothing is written and the object is as it was. A row that another user changed
    // since it was loaded is not overwritten (AppError::ChangedMeanwhile), nor is the balance of
    // an account deleted meanwhile stored (AppError::DeletedMeanwhile).
    void store();
    // What the window that signs showed beside the balance (the items open at its date, the
    // prepaid items and their schedules), as it loaded them: a store that changes a sign-off
    // (signs, or takes one away) vouches for it, and is refused, storing nothing, when another
    // user added, changed or deleted any of it meanwhile. A balance shown alone vouches for
    // itself alone.
    void vouchFor(const ReconciliationEvidence& shown);
    void beginEdit();
    void cancelEdit();
    void applyEdit();
    bool isValid() const;

    // The balance's columns after the account's in a balances query, starting at `first`.
    static QString selectColumns(const QString& alias);
    void readRow(const QSqlQuery& q, int first, const Account& account);

private:
    friend class GLAccountBalanceList;
    // The store itself, inside a transaction the caller holds, stamped `now` when new: the new
    // flag and create stamp change only when the write succeeds (a failure of the caller's commit
    // is its to undo).
    void storeIn(const QSqlDatabase& db, const QString& now);
    void validate() const;
    // A sign-off name or date differs from the row as loaded (from none, for a new balance).
    bool changesSignOffs() const;
    // Raises DeletedMeanwhile when the account's row is gone.
    void requireAccount(const QSqlDatabase& db) const;
    Persistence::Conflict conflict() const;
    QVariantList columnValues() const;

    // What the balance holds and stores: copied as one, and put back as one when a store fails.
    struct Fields
    {
        Account account;
        ARDateField date;
        ARCurrency amount;
        ARCurrency targetAmount;
        QString preparedBy, reviewedBy, approvedBy, calcBasis;
        QString preparedByDate, reviewedByDate, approvedByDate;
        QString createDate, createUser, comment;
        bool reconciled = false;
        ARDateField reconciledDate;
    };
    Fields m_f;
    bool m_isNew = true;
    // The row's columns as this user last read or stored them: a store writes only while the row
    // still holds them. Not part of an edit: cancelling one does not change what is stored.
    QVariantList m_loaded;
    std::unique_ptr<GLAccountBalance> m_copy;
    std::shared_ptr<const ReconciliationEvidence> m_shown; // shared by copies: it never changes
};

// Its members (texts, value objects, shared and owning pointers) move as plain bytes, so that a
// list of every account's balance grows without copying each one.
Q_DECLARE_TYPEINFO(GLAccountBalance, Q_RELOCATABLE_TYPE);
