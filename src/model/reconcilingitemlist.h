#pragma once

#include "arcurrency.h"
#include "keyedlist.h"
#include "reconcilingitem.h"

#include <QHash>
#include <QList>
#include <QString>

// The reconciling items of one account that are open at a date, optionally of one type, keyed by
// "ID:" and the item id, in the order they were added (a loaded list: by open date, then comment).
// Members are shared: the item a caller takes from the list is the one the list holds.
class ReconcilingItemList
{
public:
    using Item = std::shared_ptr<ReconcilingItem>;

    // Appends the item; an item whose id is already a member raises.
    void add(const Item& item) { m_items.add(item->getID(), item); }
    qsizetype count() const { return m_items.count(); }
    // The member with that id; raises when there is none.
    Item getItem(const QString& id) const { return m_items.get(id); }
    bool exists(const QString& id) const { return m_items.contains(id); }
    // A new amount: the sum of the members' amounts, 0 for an empty list.
    ARCurrency getTotalAmount() const;
    void clear() { m_items.clear(); }
    // Replaces the members by these members of one list (their ids differ).
    void assignDistinct(QList<Item> items) { m_items.assignDistinct(std::move(items)); }

    QList<Item>::const_iterator begin() const { return m_items.begin(); }
    QList<Item>::const_iterator end() const { return m_items.end(); }

    // Replaces the members by the account's items open at the date (opened on or before it, not
    // closed on or before it), only those of the type when the code is not empty, by open date and
    // comment. One query. On failure the list keeps its members.
    void Load(const QString& accountId, const QString& date, const QString& typeCode);

    // The account's items open at the date, one list per item type code, in one query.
    static QHash<QString, ReconcilingItemList> loadByType(const QString& accountId, const QString& date);

private:
    static QList<Item> query(const QString& accountId, const QString& date, const QString& typeCode);
    // Loaded items in date order put in the list's order within each date.
    static void orderEachDate(QList<Item>& items);

    KeyedList<ReconcilingItem> m_items{QStringLiteral("ReconcilingItemList")};
};
