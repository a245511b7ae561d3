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

    const QString& getID() const { return m_f.id; }
    bool isNew() const { return m_f.id.isEmpty(); }
    const QString& getAmortizableItemID() const { return m_f.itemId; }
    void setAmortizableItemID(const QString& id) { m_f.itemId = id; }
    // "mm/dd/yyyy"; a text that is no date empties the period.
    const QString& getPeriod() const { return m_f.period.getDate(); }
    void setPeriod(const QString& period) { m_f.period.setDate(period); }
    // The amount itself: adding to it changes the period.
    ARCurrency& getAmount() { return m_f.amount; }
    const ARCurrency& getAmount() const { return m_f.amount; }
    // Whole cents, truncated; blank or non-numeric text gives 0.
    void setAmount(const QString& amount) { m_f.amount.setVal(amount); }
    const QString& getCreateDate() const { return m_f.createDate; }
    void SetCreateDate(const QString& date) { m_f.createDate = date; }
    const QString& getCreateUser() const { return m_f.createUser; }
    void SetCreateUser(const QString& user) { m_f.createUser = user; }

    // Ids, item ids, periods, create dates and users equal as texts, and the amounts equal.
    bool equals(const Amortization& other) const;

    // Inserts the row when the period is new (it then holds the new id and the create date and
    // user written), else updates it when its values changed since it was read or stored; with its
    // audit row, in one transaction. On failure the period is left as it was.
    void store();
    // Reads the row with that id; without such a row the period stays as it was.
    void Load(const QString& id);

private:
    friend class AmortizationList;
    friend class AmortizationWriter;

    static QString selectColumns();
    static Amortization fromRow(const QSqlQuery& row);
    QVariantList dataValues() const;

    // What the period holds and stores: copied as one, and put back as one when a store fails.
    struct Fields
    {
        QString id;
        QString itemId;
        ARDateField period;
        ARCurrency amount;
        QString createDate;
        QString createUser;
        // The values stored in the row when it was last read or written: a period that still
        // holds them is not written again.
        QVariantList stored;
    };
    Fields m_f;
};

// Moved in memory as it stands (texts and a number): a schedule of many periods grows by moving them.
Q_DECLARE_TYPEINFO(Amortization, Q_RELOCATABLE_TYPE);
