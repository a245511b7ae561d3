#pragma once

#include "amortizationlist.h"
#include "arcurrency.h"
#include "ardatefield.h"

#include <QString>
#include <QVariantList>
#include <memory>
#include <optional>

class GLAccount;
class QSqlDatabase;
class QSqlQuery;
namespace Persistence {
struct Conflict;
class DateFields;
}

// A prepaid amount recorded against one account and spread month by month from its start date to
// its end date by its schedule. The item owns its schedule; the row, its audit row and the whole
// schedule are written in one transaction.
class AmortizableItem
{
public:
    using Account = std::shared_ptr<GLAccount>;

    AmortizableItem() = default;

    // Sets every member; the dates through ARDateField, the amount through ARCurrency::setVal.
    void initialize(const QString& id, const Account& account, const QString& openDate, const QString& startDate,
                    const QString& endDate, const QString& amount, const QString& description,
                    const QString& comment, const QString& createDate, const QString& createUser);

    const QString& getID() const { return m_f.id; }
    bool isNew() const { return m_f.id.isEmpty(); }
    // The account object itself (shared, not copied); null when the item has none.
    const Account& getGLAccount() const { return m_f.account; }
    void setGLAccount(const Account& account) { m_f.account = account; }
    const QString& getOpenDate() const { return m_f.openDate.getDate(); }
    void setOpenDate(const QString& date) { m_f.openDate.setDate(date); }
    const QString& getStartDate() const { return m_f.startDate.getDate(); }
    void setStartDate(const QString& date) { m_f.startDate.setDate(date); }
    const QString& getEndDate() const { return m_f.endDate.getDate(); }
    void setEndDate(const QString& date) { m_f.endDate.setDate(date); }
    // The amount itself: changing it changes the item.
    ARCurrency& getAmount() { return m_f.amount; }
    const ARCurrency& getAmount() const { return m_f.amount; }
    // Whole cents, truncated; blank or non-numeric text gives 0.
    void setAmount(const QString& amount) { m_f.amount.setVal(amount); }
    const QString& getDescription() const { return m_f.description; }
    void setDescription(const QString& description) { m_f.description = description; }
    const QString& getComment() const { return m_f.comment; }
    void setComment(const QString& comment) { m_f.comment = comment; }
    const QString& getCreateDate() const { return m_f.createDate; }
    void SetCreateDate(const QString& date) { m_f.createDate = date; }
    const QString& getCreateUser() const { return m_f.createUser; }
    void SetCreateUser(const QString& user) { m_f.createUser = user; }

    // The schedule itself.
    AmortizationList& getAmortizationList() { return m_schedule; }
    const AmortizationList& getAmortizationList() const { return m_schedule; }
    // A new amount: the part of the schedule after the date.
    ARCurrency getRemainingBalance(const QString& date) const { return m_schedule.getRemainingBalance(date); }
    // A new amount: the item's amount less the schedule's total.
    ARCurrency getNonAmortizedAmount() const;
    bool hasNonAmortizedAmount() const { return !getNonAmortizedAmount().isZero(); }
    // Adds the non-amortized amount to the last period (nothing without periods).
    void applyNonAmortizedAmount();
    // A new equal-monthly schedule (see AmortizationList::create).
    void createAmortizations() { m_schedule.create(*this); }

    bool equals(const AmortizableItem& other) const;

    // Reads the row and its schedule; without such a row the item stays as it was. A row without
    // an account id gives an item without an account.
    void Load(const QString& id);
    // Refuses an end date not after the start date with "AmortizableItem:EndDateInvalid" before
    // anything is shown or written; otherwise shows validate()'s messages and goes on: writes the
    // row and its audit row, makes the schedule when it has no period (else gives every period
    // the item's id), puts the non-amortized amount on the last period and stores the schedule,
    // all in one transaction. On failure the item and its schedule are left as they were.
    void store();
    // Records the delete and deletes the row (the periods stay), in one transaction, only while
    // the row and its schedule hold what was loaded (an item never loaded is re-read first);
    // raises ChangedMeanwhile or DeletedMeanwhile, deleting nothing, when another user changed or
    // deleted it since.
    void remove();

    // Edit protocol, the schedule included: beginEdit keeps a copy, cancelEdit restores it
    // (nothing without an open edit), applyEdit stores and drops it. After a failed store the
    // edit stays open.
    void beginEdit();
    void applyEdit();
    void cancelEdit();
    bool isEditing() const { return m_edit.has_value(); }

    // One information box per failed check, in order; nothing when the item is valid. The amount
    // has no box.
    void validate() const;
    bool isValid() const;
    // Raises "AmortizableItem:EndDateInvalid" unless both dates are set and the end date is at
    // least one day after the start date.
    void requireEndDateAfterStart() const;

private:
    friend class AmortizableItemList;

    struct Fields
    {
        QString id;
        Account account;
        ARDateField openDate;
        ARDateField startDate;
        ARDateField endDate;
        ARCurrency amount;
        QString description;
        QString comment;
        QString createDate;
        QString createUser;
        // The row and its schedule as last read or stored: a store writes only while both still
        // hold them. The schedule is kept as it stood (its periods shared, not copied, until the
        // schedule is edited) and compared only when a store or removal asks.
        QVariantList loaded;
        AmortizationList scheduleLoaded;
    };

    bool isGLAccountValid() const;
    bool isOpenDateValid() const { return !m_f.openDate.isNull(); }
    bool isStartDateValid() const { return !m_f.startDate.isNull(); }
    bool isEndDateValid() const { return m_f.endDate.isAfter(m_f.startDate); }
    bool isAmountValid() const { return m_f.amount.units() > 0; }
    bool isDescriptionValid() const { return !m_f.description.trimmed().isEmpty(); }

    static QString selectColumns();
    // The fields of a row of selectColumns(), without the account (whose id is column 1); the
    // items of a list share one text of each date.
    static Fields fromRow(const QSqlQuery& row, Persistence::DateFields& dates);
    // The account with that id, loaded; null for the empty id (never the selected account).
    static Account accountFor(const QString& accountId);
    QVariantList dataValues() const;
    QVariantList rowValues() const;
    // The same periods in the same order, each with the same id, date and amount: what a schedule
    // stored meanwhile is compared on.
    static bool sameStoredState(const AmortizationList& a, const AmortizationList& b);
    // Raises ChangedMeanwhile, naming the item as given, when the stored schedule is no longer the
    // one loaded.
    void requireScheduleUnchanged(const QSqlDatabase& db, const Persistence::Conflict& named) const;
    // How a refused store or removal names the item: as it was loaded.
    Persistence::Conflict conflict() const;

    Fields m_f;
    AmortizationList m_schedule;
    std::optional<Fields> m_edit;
};
