#pragma once

#include "arcurrency.h"
#include "ardatefield.h"

#include <QString>
#include <QVariantList>

class QSqlDatabase;
class QSqlQuery;

// One period of a prepaid item's schedule: the amount amortized at one month end. Every insert,
// update and delete is recorded in AmortizationAudit in the same transaction as the row.
class Amortization
{
public:
    Amortization() = default;

    // Sets every member; the period through ARDateField, the amount through ARCurrency::setVal.
    void initialize(const QString& id, const QString& itemId, const QString& period, const QString& amount,
                    const QString& createDate, const QString& createUser);

    const QString& getID() const { return m_id; }
    bool isNew() const { return m_id.isEmpty(); }
    const QString& getAmortizableItemID() const { return m_itemId; }
    void setAmortizableItemID(const QString& id) { m_itemId = id; }
    // "mm/dd/yyyy"; a text that is no date empties the period.
    const QString& getPeriod() const { return m_period.getDate(); }
    void setPeriod(const QString& period) { m_period.setDate(period); }
    // The amount itself: adding to it changes the period.
    ARCurrency& getAmount() { return m_amount; }
    const ARCurrency& getAmount() const { return m_amount; }
    // Whole cents, truncated; blank or non-numeric text gives 0.
    void setAmount(const QString& amount) { m_amount.setVal(amount); }
    const QString& getCreateDate() const { return m_createDate; }
    void SetCreateDate(const QString& date) { m_createDate = date; }
    const QString& getCreateUser() const { return m_createUser; }
    void SetCreateUser(const QString& user) { m_createUser = user; }

    // Ids, item ids, periods, create dates and users equal as texts, and the amounts equal.
    bool equals(const Amortization& other) const;

    // Inserts the row when the period is new (it then holds the new id and the create date and
    // user written), else updates it; with its audit row, in one transaction. On failure the
    // period is left as it was.
    void store();
    // The insert audit row, stamped now by the current user.
    void StoreAudit();
    // Reads the row with that id; without such a row the period stays as it was.
    void Load(const QString& id);
    // Re-reads the row, records the delete and deletes the row, in one transaction; raises when
    // the row is gone.
    void remove();

private:
    friend class AmortizationList;
    friend class AmortizationWriter;

    static QString selectColumns();
    static Amortization fromRow(const QSqlQuery& row);
    QVariantList dataValues() const;
    void storeAuditActivity(const QString& activity);

    QString m_id;
    QString m_itemId;
    ARDateField m_period;
    ARCurrency m_amount;
    QString m_createDate;
    QString m_createUser;
};
