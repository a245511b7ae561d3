#pragma once

#include "arcurrency.h"
#include "ardatefield.h"
#include "reconcilingitemtype.h"

#include <QString>
#include <QVariantList>
#include <memory>

class GLAccount;
class QSqlQuery;
namespace Persistence {
struct Conflict;
class DateFields;
}

// One open entry that explains part of the gap between an account's balance and the figure it is
// reconciled against: an outstanding check, a deposit in transit, a list item, ... It is open
// from its open date until its close date, and every insert, update and delete is recorded in
// ReconcilingItemAudit in the same transaction as the row.
class ReconcilingItem
{
public:
    ReconcilingItem() = default;

    // Sets every member; the dates and the amount go through their setters, the type through
    // setTypeCode (an unknown code raises and leaves the item as it was).
    void initialize(const QString& id, const QString& glAccountId, const QString& openDate, const QString& closeDate,
                    const QString& comment, const QString& amount, const QString& typeCode,
                    const QString& createDate, const QString& createUser, const QString& reqTiming);

    const QString& getID() const { return m_f.id; }
    bool isNew() const { return m_f.id.isEmpty(); }
    const QString& getGLAccountID() const { return m_f.glAccountId; }
    // `number` names the account when a store finds it deleted by another user.
    void setGLAccountID(const QString& id, const QString& number = {})
    {
        m_f.glAccountId = id;
        m_f.accountNumber = number;
        m_f.account.reset();
    }
    // The account as the reconciliation that shows the item loaded it: a store is refused while
    // the account's reconciliation type is no longer the one loaded.
    void setGLAccount(std::shared_ptr<const GLAccount> account);
    const QString& getOpenDate() const { return m_f.openDate.getDate(); }
    void setOpenDate(const QString& date) { m_f.openDate.setDate(date); }
    const QString& getCloseDate() const { return m_f.closeDate.getDate(); }
    void setCloseDate(const QString& date) { m_f.closeDate.setDate(date); }
    const QString& getComment() const { return m_f.comment; }
    void setComment(const QString& comment) { m_f.comment = comment; }
    // "R" required adjustment, "T" timing difference, "L" list component, "U" unresolved, or "";
    // kept exactly as given.
    const QString& getReqTiming() const { return m_f.reqTiming; }
    void setReqTiming(const QString& timing) { m_f.reqTiming = timing; }
    // The amount itself: changing it changes the item.
    ARCurrency& getAmount() { return m_f.amount; }
    const ARCurrency& getAmount() const { return m_f.amount; }
    // Whole cents, truncated; blank or non-numeric text gives 0.
    void setAmount(const QString& amount) { m_f.amount.setVal(amount); }
    // The item's type; empty (hasType() false) until a type code was set.
    const ReconcilingItemType& getType() const { return m_f.type; }
    bool hasType() const { return !m_f.type.isEmpty(); }
    // Takes the type with that code from the item types; a code that is not one raises an
    // AppError naming the item and the code, and the type stays as it was.
    void setTypeCode(const QString& code);
    const QString& getCreateDate() const { return m_f.createDate; }
    const QString& getCreateUser() const { return m_f.createUser; }

    // Edit protocol: beginEdit keeps a copy, cancelEdit restores it (nothing without an open
    // edit), applyEdit stores and drops it (it stores also without an open edit).
    void beginEdit();
    void applyEdit();
    void cancelEdit();
    bool isEditing() const { return m_edit != nullptr; }

    // Reads the row with that id; without such a row the item stays exactly as it was.
    void Load(const QString& id);
    // Inserts the row when the item is new (the item then holds the new id and the create date
    // and user written), else updates it; with its audit row, in one transaction. On failure
    // the item is left as it was before the call.
    void store();
    // Records the delete and deletes the row, in one transaction, only while the row holds what
    // was loaded (an item never loaded is re-read first); raises ChangedMeanwhile or
    // DeletedMeanwhile, deleting nothing, when another user changed or deleted it since. The item
    // keeps its values and id.
    void remove();

    // How a refused store or removal names the item ("The reconciling item \"Check 1001\""): as
    // it was loaded.
    Persistence::Conflict conflict() const;

private:
    friend class ReconcilingItemList;

    struct Fields
    {
        QString id;
        QString glAccountId;
        QString accountNumber; // not stored
        std::shared_ptr<const GLAccount> account; // as its reconciliation loaded it; not stored
        ARDateField openDate;
        ARDateField closeDate;
        QString comment;
        ARCurrency amount;
        ReconcilingItemType type;
        QString createDate;
        QString createUser;
        QString reqTiming;
        // The row's columns as last read or stored: an update writes only while the row holds them.
        QVariantList loaded;
    };

    // The columns the list and Load read, in the order readRow expects them.
    static QString selectColumns();
    // Sets every member of a new item from a row of selectColumns(); raises for an unknown type
    // code. `previous`, the item of the row before in the same list, lends it what they have in
    // common.
    void readRow(const QSqlQuery& row, const ReconcilingItemTypeList& types, Persistence::DateFields& dates,
                 const ReconcilingItem* previous = nullptr);
    // Between two loaded items of one open date: whether this one comes first in a list, an item
    // without a comment before the others, then by comment compared exactly, then by id.
    bool listedBefore(const ReconcilingItem& other) const;
    static ReconcilingItemType typeFor(const ReconcilingItemTypeList& types, const QString& code, const QString& id);
    QVariantList dataValues() const;
    QVariantList rowValues() const;

    Fields m_f;
    // The copy an open edit restores: apart, as a list holds thousands of items and edits one.
    std::shared_ptr<const Fields> m_edit;
};
