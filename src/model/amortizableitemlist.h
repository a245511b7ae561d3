#pragma once

#include "amortizableitem.h"
#include "arcurrency.h"
#include "keyedlist.h"

#include <QList>
#include <QString>
#include <functional>

// The prepaid items of one account that are open at a date, keyed by "ID:" and the item id, in
// the order they were added (a loaded list: by end date, then description). Members are shared:
// the item a caller takes from the list is the one the list holds.
class AmortizableItemList
{
public:
    using Item = std::shared_ptr<AmortizableItem>;

    // Adds the item; an item whose id is already a member raises.
    void add(const Item& item) { m_items.add(item->getID(), item); }
    // Removes the member with the item's id; raises when there is none.
    void remove(const AmortizableItem& item) { m_items.remove(item.getID()); }
    qsizetype count() const { return m_items.count(); }
    // The member with that id; raises when there is none (exists() tests first).
    Item getItem(const QString& id) const { return m_items.get(id); }
    bool exists(const QString& id) const { return m_items.contains(id); }
    // A new amount: the members' remaining balances at the date.
    ARCurrency getTotalRemainingBalance(const QString& date) const;
    void clear() { m_items.clear(); }

    QList<Item>::const_iterator begin() const { return m_items.begin(); }
    QList<Item>::const_iterator end() const { return m_items.end(); }

    // Replaces the members by the account's items opened on or before the date whose end date is
    // on or after it (or missing), by end date and description, each with its account and its
    // schedule: one query for the items, one for all their periods, one for the account. On
    // failure the list keeps its members.
    void Load(const QString& accountId, const QString& date);
    // The same for an account already loaded, which the items then share: one query for the
    // items and one for their periods.
    void Load(const AmortizableItem::Account& account, const QString& date);

private:
    void load(const QString& accountId, const QString& date,
              const std::function<AmortizableItem::Account(qint64)>& accountOf);
    KeyedList<AmortizableItem> m_items{QStringLiteral("AmortizableItemList")};
};
