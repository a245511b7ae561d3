#pragma once

#include "arcurrency.h"
#include "ardatefield.h"

#include <QString>
#include <QVariantList>
#include <optional>

class QSqlDatabase;
class QSqlQuery;
namespace Persistence {
class DateFields;
}

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
    const QString& getAmortizableItemID() const { return m_f.values.itemId; }
    void setAmortizableItemID(const QString& id) { m_f.values.itemId = id; }
    // "mm/dd/yyyy"; a text that is no date empties the period.
    const QString& getPeriod() const { return m_f.values.period.getDate(); }
    void setPeriod(const QString& period) { m_f.values.period.setDate(period); }
    // The amount itself: adding to it changes the period.
    ARCurrency& getAmount() { return m_f.values.amount; }
    const ARCurrency& getAmount() const { return m_f.values.amount; }
    // Whole cents, truncated; blank or non-numeric text gives 0.
    void setAmount(const QString& amount) { m_f.values.amount.setVal(amount); }
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

    // The columns readRow reads, each after the prefix (a table alias and its dot, or nothing).
    static QString selectColumns(QLatin1StringView prefix = {});
    // Sets every field of the period from a row of selectColumns() whose item id the caller gives
    // as text: the periods of a schedule then share one text, and those of a list one text of
    // each date. A list reads its rows into periods it has just added.
    static void readRow(Amortization& period, const QSqlQuery& row, const QString& itemId,
                        Persistence::DateFields& dates);
    // The row's values of the period's item id, date and amount, in the database's form.
    QVariantList dataValues() const;

    // The fields a period writes of its own, as it holds them.
    struct Values
    {
        QString itemId;
        ARDateField period;
        ARCurrency amount;
    };
    // What the period holds and stores: copied as one, and put back as one when a store fails.
    struct Fields
    {
        QString id;
        Values values;
        QString createDate;
        QString createUser;
        // The values as the row held them when it was last read or written (their texts shared,
        // not copied): a period whose dataValues() still give what these give is not written again.
        std::optional<Values> stored;
    };
    static QVariantList dataValuesOf(const Values& values);
    // True when the period is stored and its values would write what the row holds.
    bool isAsStored() const;
    // The values as they stand become the ones the row holds.
    void markStored() { m_f.stored = m_f.values; }

    Fields m_f;
};

// Moved in memory as it stands (texts and a number): a schedule of many periods grows by moving them.
Q_DECLARE_TYPEINFO(Amortization, Q_RELOCATABLE_TYPE);
