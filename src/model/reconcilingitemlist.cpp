#include "reconcilingitemlist.h"

#include "daterules.h"
#include "db.h"
#include "global.h"
#include "recordid.h"

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
    // The id last only makes the order of equal rows the same every time.
    // Items without a comment come first, whichever end of the order an engine gives NULL.
    // Comments compare character by character on both engines, whatever a server's language.
    const QSqlDatabase db = Global::getConnection();
    sql += QStringLiteral(" ORDER BY openDate, comment IS NOT NULL, comment") + Db::exactCollation(db) +
           QStringLiteral(", RecItemId");

    const ReconcilingItemTypeList types(db);
    QSqlQuery q = Db::exec(db, sql, values);
    while (q.next())
        items.append(std::make_shared<ReconcilingItem>(
            ReconcilingItem::fromRow(q, types, items.isEmpty() ? nullptr : items.constLast().get())));
    return items;
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
