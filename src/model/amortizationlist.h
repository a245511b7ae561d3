#pragma once

#include "amortization.h"
#include "arcurrency.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class AmortizableItem;

// The monthly schedule of one prepaid item: its periods in order (positions 1 to count). It makes
// the equal-monthly schedule, sums what is still to be amortized after a date, loads and stores
// the periods, and keeps two independent edits: one on behalf of its item, one of its own for the
// monthly amounts dialog.
class AmortizationList
{
public:
    void add(const Amortization& period);
    // The member itself at a position counted from 1; raises outside 1 to count.
    Amortization& getAmortizationAt(qsizetype position);
    const Amortization& getAmortizationAt(qsizetype position) const;
    qsizetype count() const { return m_periods.size(); }
    void clear() { m_periods.clear(); }

    QList<Amortization>::iterator begin() { return m_periods.begin(); }
    QList<Amortization>::iterator end() { return m_periods.end(); }
    QList<Amortization>::const_iterator begin() const { return m_periods.cbegin(); }
    QList<Amortization>::const_iterator end() const { return m_periods.cend(); }

    // A new amount: the periods that end strictly after the date (a period ending on the date is
    // amortized). A period without a date, or a text that is no date, counts nothing.
    ARCurrency getRemainingBalance(const QString& date) const;
    // A new amount: every period's amount.
    ARCurrency getTotalAmount() const;
    // Same length and each member equal to the one at the same position.
    bool equals(const AmortizationList& other) const;

    // Replaces the members by the item's stored periods, in the order they were stored.
    void Load(const QString& itemId);
    // Stores every member in order (insert or update, each with its audit row) in one
    // transaction. On failure every member is left as it was.
    void store();
    // Replaces the members by the equal-monthly schedule of the item: one period per month end
    // from the start date's month on, up to the end date, each the amount divided by the number of
    // months from the start's month to the end's month, truncated to whole cents; the first period
    // carries what the division leaves. An end date within the start's month before its last day
    // gives one period holding the whole amount. An end date not after the start date raises
    // "AmortizableItem:EndDateInvalid" and leaves the members as they were.
    void create(const AmortizableItem& item);

    void beginEditFromParent();
    void applyEditFromParent();
    void cancelEditFromParent();
    void beginEdit();
    void applyEdit(); // writes nothing: the periods are stored with their item
    void cancelEdit();

    // Appends to the schedule of each item of `schedules` (keyed by item id) its stored periods,
    // in stored order, in one query over the items that the condition on AmortizableItem (alias
    // m, a text of the code with its values bound) selects; the periods of an item not among the
    // schedules are left out.
    static void loadForItems(const QString& itemCondition, const QVariantList& values,
                             const QHash<qint64, AmortizationList*>& schedules);
    // The periods as they stand, without any edit open: a copy that shares them until either side
    // changes, as an item keeps its schedule as loaded.
    AmortizationList snapshot() const;

private:
    // Puts the periods back from the copy and drops it; nothing without a copy.
    void restore(std::optional<QList<Amortization>>& copy);

    QList<Amortization> m_periods;
    std::optional<QList<Amortization>> m_parentCopy;
    std::optional<QList<Amortization>> m_ownCopy;
};
