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
        Item& slot = keys()[id]; // one look-up: a new key holds no member yet
        if (slot)
            throw AppError(457, m_source + QStringLiteral(".add"),
                           QStringLiteral("The list already holds the item '%1'.").arg(makeKey(id)));
        slot = item;
        m_items.append(item);
    }
    // Replaces the members by these, whose ids are known to differ (the rows of one query, or
    // members of one list). A list of thousands is loaded far more often than a member is looked
    // up, so the look-up table is built only at the first look-up or add.
    void assignDistinct(QList<Item> items)
    {
        m_items = std::move(items);
        m_keys.clear();
        m_indexed = m_items.isEmpty();
    }
    // The member with that id; raises when there is none.
    Item get(const QString& id) const
    {
        const Item item = keys().value(id);
        if (!item)
            throw AppError(5, m_source + QStringLiteral(".getItem"),
                           QStringLiteral("The list holds no item with the id '%1'.").arg(id));
        return item;
    }
    // Removes the member with that id; raises when there is none.
    void remove(const QString& id)
    {
        m_items.removeOne(get(id));
        keys().remove(id);
    }
    bool contains(const QString& id) const { return keys().contains(id); }
    qsizetype count() const { return m_items.size(); }
    void clear()
    {
        m_items.clear();
        m_keys.clear();
        m_indexed = true;
    }
    typename QList<Item>::const_iterator begin() const { return m_items.cbegin(); }
    typename QList<Item>::const_iterator end() const { return m_items.cend(); }

private:
    // The key the errors name; the members are looked up by their bare id.
    static QString makeKey(const QString& id) { return QStringLiteral("ID:") + id; }
    QHash<QString, Item>& keys() const
    {
        if (!m_indexed) {
            m_keys.reserve(m_items.size());
            for (const Item& item : m_items)
                m_keys.insert(item->getID(), item);
            m_indexed = true;
        }
        return m_keys;
    }

    QString m_source;
    QList<Item> m_items;
    mutable QHash<QString, Item> m_keys; // by bare id; built when first needed
    mutable bool m_indexed = true;
};
