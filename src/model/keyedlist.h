#pragma once

#include "apperror.h"

#include <QHash>
#include <QList>
#include <QString>
#include <memory>

// Shared members kept in the order they were added and found by "ID:" and their id, as the item
// lists of an account hold them. `source` names the list in the errors it raises.
template <class T>
class KeyedList
{
public:
    using Item = std::shared_ptr<T>;

    explicit KeyedList(QString source) : m_source(std::move(source)) {}

    // Appends the member; a member with the same id raises.
    void add(const QString& id, const Item& item)
    {
        Item& slot = m_keys[id]; // one look-up: a new key holds no member yet
        if (slot)
            throw AppError(457, m_source + QStringLiteral(".add"),
                           QStringLiteral("The list already holds the item '%1'.").arg(makeKey(id)));
        slot = item;
        m_items.append(item);
    }
    // The member with that id; raises when there is none.
    Item get(const QString& id) const
    {
        const Item item = m_keys.value(id);
        if (!item)
            throw AppError(5, m_source + QStringLiteral(".getItem"),
                           QStringLiteral("The list holds no item with the id '%1'.").arg(id));
        return item;
    }
    // Removes the member with that id; raises when there is none.
    void remove(const QString& id)
    {
        m_items.removeOne(get(id));
        m_keys.remove(id);
    }
    bool contains(const QString& id) const { return m_keys.contains(id); }
    qsizetype count() const { return m_items.size(); }
    void clear()
    {
        m_items.clear();
        m_keys.clear();
    }
    typename QList<Item>::const_iterator begin() const { return m_items.cbegin(); }
    typename QList<Item>::const_iterator end() const { return m_items.cend(); }

private:
    // The key the errors name; the members are looked up by their bare id.
    static QString makeKey(const QString& id) { return QStringLiteral("ID:") + id; }

    QString m_source;
    QList<Item> m_items;
    QHash<QString, Item> m_keys;
};
