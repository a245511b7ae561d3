#include "reconcilingitemlist.h"

#include "daterules.h"
#include "db.h"
#include "global.h"
#include "persistence.h"
#include "recordid.h"

#include <algorithm>

ARCurrency ReconcilingItemList::getTotalAmount() const
{
    ARCurrencySum total;
    for (const Item& item : m_items)
        total.add(item->getAmount());
    return total.value();
}

QList<ReconcilingItemList::Item> ReconcilingItemList::query(const QString& accountId, const QString& date,
                                                            const QString& typeCode)
{
    QList<Item> items;
    const auto account = RecordId::parse(accountId);
    const QVariant day = DateRules::toDb(date);
    if (!account || day.isNull())
        return items; // no account or no date: no item can be open
    QString sql = QStringLiteral("SELECT %1 FROM ReconcilingItem WHERE glAcctID = ? AND openDate <= ? "
                                 "AND (closeDate > ? OR closeDate IS NULL)")
                      .arg(ReconcilingItem::selectColumns());
    QVariantList values{*account, day, day};
    if (!typeCode.isEmpty()) {
        sql += QStringLiteral(" AND typeCode = ?");
        values << typeCode;
    }
    // The account's index gives the rows in date order without a sort; the items of each date
    // are put in order here, for a fraction of what the engine's sort of every row costs.
    sql += QStringLiteral(" ORDER BY openDate");

    const QSqlDatabase db = Global::getConnection();
    const ReconcilingItemTypeList types(db);
    Persistence::DateFields dates;
    QSqlQuery q = Db::exec(db, sql, values);
    while (q.next()) {
        auto item = std::make_shared<ReconcilingItem>();
        item->readRow(q, types, dates, items.isEmpty() ? nullptr : items.constLast().get());
        items.append(std::move(item));
    }
    orderEachDate(items);
    return items;
}

void ReconcilingItemList::orderEachDate(QList<Item>& items)
{
    // Comments compare character by character on both engines, whatever a server's language;
    // the id only makes the order of equal rows the same every time.
    const auto before = [](const Item& a, const Item& b) { return a->listedBefore(*b); };
    for (auto first = items.begin(); first != items.end();) {
        const auto last = std::find_if(first + 1, items.end(), [&](const Item& item) {
            return item->getOpenDate() != (*first)->getOpenDate();
        });
        if (!std::is_sorted(first, last, before))
            std::sort(first, last, before);
        first = last;
    }
}

void ReconcilingItemList::Load(const QString& accountId, const QString& date, const QString& typeCode)
{
    assignDistinct(query(accountId, date, typeCode));
}

QHash<QString, ReconcilingItemList> ReconcilingItemList::loadByType(const QString& accountId, const QString& date)
{
    QHash<QString, ReconcilingItemList> lists;
    for (const Item& item : query(accountId, date, QString()))
        lists[item->getType().getCode()].add(item);
    return lists;
}
