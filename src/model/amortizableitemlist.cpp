#include "amortizableitemlist.h"

#include "daterules.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "recordid.h"

ARCurrency AmortizableItemList::getTotalRemainingBalance(const QString& date) const
{
    ARCurrencySum total;
    for (const Item& item : m_items)
        total.add(item->getRemainingBalance(date));
    return total.value();
}

void AmortizableItemList::Load(const QString& accountId, const QString& date)
{
    load(accountId, date, [](qint64 id) { return AmortizableItem::accountFor(QString::number(id)); });
}

void AmortizableItemList::Load(const AmortizableItem::Account& account, const QString& date)
{
    load(account ? account->getID() : QString(), date, [&account](qint64) { return account; });
}

void AmortizableItemList::load(const QString& accountId, const QString& date,
                               const std::function<AmortizableItem::Account(qint64)>& accountOf)
{
    QList<Item> items;
    const auto account = RecordId::parse(accountId);
    const QVariant day = DateRules::toDb(date);
    if (account && !day.isNull()) {
        const QString condition =
            QStringLiteral("m.glAcctID = ? AND m.openDate <= ? AND (m.endDate >= ? OR m.endDate IS NULL)");
        const QVariantList values{*account, day, day};
        {
            // An item without an end date comes first, whichever end of the order an engine gives NULL.
            // Descriptions compare character by character on both engines.
            const QSqlDatabase db = Global::getConnection();
            QSqlQuery q =
                Db::exec(db,
                         QStringLiteral("SELECT %1 FROM AmortizableItem m WHERE %2 "
                                        "ORDER BY m.endDate IS NOT NULL, m.endDate, m.\"desc\"%3, "
                                        "m.AmortizableItemID")
                             .arg(AmortizableItem::selectColumns(), condition, Db::exactCollation(db)),
                         values);
            Persistence::DateFields dates;
            while (q.next()) {
                auto item = std::make_shared<AmortizableItem>();
                item->m_f = AmortizableItem::fromRow(q, dates);
                items.append(item);
            }
        }
        if (!items.isEmpty()) {
            // Every item of the list belongs to the one account: they share its object.
            const AmortizableItem::Account shared = accountOf(*account);
            QHash<qint64, AmortizationList*> schedules;
            schedules.reserve(items.size());
            for (const Item& item : std::as_const(items)) {
                item->m_f.account = shared;
                schedules.insert(RecordId::parse(item->getID()).value_or(0), &item->m_schedule);
            }
            AmortizationList::loadForItems(condition, values, schedules);
            for (const Item& item : std::as_const(items))
                item->m_f.scheduleLoaded = item->m_schedule.snapshot();
        }
    }
    clear();
    for (const Item& item : std::as_const(items))
        add(item);
}
