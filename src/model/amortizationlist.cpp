#include "amortizationlist.h"

#include "amortizableitem.h"
#include "amortizationwriter.h"
#include "apperror.h"
#include "daterules.h"
#include "db.h"
#include "global.h"
#include "persistence.h"
#include "recordid.h"

#include <QSet>
#include <algorithm>
#include <limits>

namespace {

QDate monthEnd(const QDate& d)
{
    return QDate(d.year(), d.month(), d.daysInMonth());
}

qint64 monthIndex(const QDate& d)
{
    return qint64(d.year()) * 12 + d.month();
}

// The equal share of each month: the amount divided by the months, held to four decimals as the
// money type holds a quotient (the nearest ten-thousandth, a tie to the even one), then cut to
// whole cents toward zero. 1,199.99 over 240 months is 4.99995833, held as 5.0000: 5.00 a month.
qint64 monthlyShare(qint64 total, qint64 months)
{
    qint64 share = total / months; // toward zero
    const qint64 rest = total % months;
    const qint64 twice = 2 * (rest < 0 ? -rest : rest);
    if (twice > months || (twice == months && share % 2 != 0))
        share += total < 0 ? -1 : 1;
    return share / ARCurrency::UnitsPerCent * ARCurrency::UnitsPerCent;
}

} // namespace

void AmortizationList::add(const Amortization& period)
{
    m_periods.append(period);
}

Amortization& AmortizationList::getAmortizationAt(qsizetype position)
{
    std::as_const(*this).getAmortizationAt(position); // raises outside 1 to count
    return m_periods[position - 1];                  // detaches from any copy that shares the periods
}

const Amortization& AmortizationList::getAmortizationAt(qsizetype position) const
{
    if (position < 1 || position > m_periods.size())
        throw AppError(9, QStringLiteral("AmortizationList.getAmortizationAt"),
                       QStringLiteral("The schedule has no period at position %1.").arg(position));
    return m_periods.at(position - 1);
}

ARCurrency AmortizationList::getRemainingBalance(const QString& date) const
{
    ARCurrencySum remaining;
    const auto day = DateRules::fromText(ARDateField(date).getDate());
    if (!day)
        return {};
    for (const Amortization& p : m_periods) {
        const auto period = DateRules::fromText(p.getPeriod());
        if (period && *period > *day)
            remaining.add(p.getAmount());
    }
    return remaining.value();
}

ARCurrency AmortizationList::getTotalAmount() const
{
    ARCurrencySum total;
    for (const Amortization& p : m_periods)
        total.add(p.getAmount());
    return total.value();
}

bool AmortizationList::equals(const AmortizationList& other) const
{
    if (m_periods.size() != other.m_periods.size())
        return false;
    for (qsizetype i = 0; i < m_periods.size(); ++i)
        if (!m_periods.at(i).equals(other.m_periods.at(i)))
            return false;
    return true;
}

AmortizationList AmortizationList::snapshot() const
{
    AmortizationList copy;
    copy.m_periods = m_periods;
    return copy;
}

void AmortizationList::Load(const QString& itemId)
{
    QList<Amortization> periods;
    if (const auto key = RecordId::parse(itemId)) {
        QSqlQuery q = Db::exec(Global::getConnection(),
                               QStringLiteral("SELECT %1 FROM Amortization WHERE amortizableItemID = ? "
                                              "ORDER BY AmortizationID")
                                   .arg(Amortization::selectColumns()),
                               {*key});
        const QString storedId = QString::number(*key); // as every row holds it
        Persistence::DateFields dates;
        while (q.next())
            Amortization::readRow(periods.emplaceBack(), q, storedId, dates);
    }
    m_periods = std::move(periods);
}

void AmortizationList::loadForItems(const QString& itemCondition, const QVariantList& values,
                                    const QHash<qint64, AmortizationList*>& schedules)
{
    // The rows come in whatever order the join gives, where an item's periods mostly follow each
    // other and in stored order already: each schedule is put in stored order here, a few periods
    // at a time, rather than by the engine sorting every period of the list.
    static const QString columns = Amortization::selectColumns(QLatin1StringView("z."));
    QSqlQuery q = Db::exec(Global::getConnection(),
                           QStringLiteral("SELECT %1 FROM Amortization z "
                                          "JOIN AmortizableItem m ON m.AmortizableItemID = z.amortizableItemID "
                                          "WHERE %2")
                               .arg(columns, itemCondition),
                           values);
    // An item's list is looked up again, and its id made a text its periods share, only when the
    // item changes. A schedule starts with room for as many periods as the one before had.
    std::optional<qint64> item;
    QString itemId;
    Persistence::DateFields dates;
    AmortizationList* list = nullptr;
    qsizetype lastLength = 0;
    qint64 lastPeriod = 0; // the id of the last period the list holds
    QSet<AmortizationList*> unordered;
    const auto idOf = [](const Amortization& p) { return RecordId::parse(p.getID()).value_or(0); };
    while (q.next()) {
        const qint64 key = q.value(1).toLongLong(); // the join's key: never NULL
        if (key != item) {
            if (list)
                lastLength = list->m_periods.size();
            item = key;
            itemId = QString::number(key);
            list = schedules.value(key);
            if (!list)
                continue;
            if (list->m_periods.isEmpty())
                list->m_periods.reserve(lastLength);
            lastPeriod = list->m_periods.isEmpty() ? std::numeric_limits<qint64>::min()
                                                   : idOf(list->m_periods.constLast());
        }
        if (!list)
            continue;
        const qint64 period = q.value(0).toLongLong();
        if (period < lastPeriod)
            unordered.insert(list);
        lastPeriod = period;
        Amortization::readRow(list->m_periods.emplaceBack(), q, itemId, dates);
    }
    for (AmortizationList* schedule : std::as_const(unordered))
        std::sort(schedule->m_periods.begin(), schedule->m_periods.end(),
                  [&idOf](const Amortization& a, const Amortization& b) { return idOf(a) < idOf(b); });
}

void AmortizationList::store()
{
    Db::runTransaction(Global::getConnection(), QStringLiteral("change the amortization schedule"), [this](Db::Transaction& tx) {
        Persistence::RestoreOnFailure keep(m_periods);
        AmortizationWriter writer(tx.db());
        const QString now = Persistence::now();
        if (!writer.addAll(m_periods, now))
            for (Amortization& p : m_periods)
                writer.write(p, now);
        tx.commit();
        keep.release();
    });
}

void AmortizationList::create(const AmortizableItem& item)
{
    item.requireEndDateAfterStart(); // both dates valid, the end at least a day later
    const QDate start = *DateRules::fromText(item.getStartDate());
    const QDate end = *DateRules::fromText(item.getEndDate());
    const qint64 total = item.getAmount().units();

    // The divisor counts the months from the start's month to the end's month; a period is made
    // only for the month ends up to the end date.
    const qint64 months = monthIndex(end) - monthIndex(start) + 1;
    const qint64 monthly = monthlyShare(total, months);

    QList<Amortization> periods;
    qint64 scheduled = 0;
    for (QDate period = monthEnd(start); period <= end; period = monthEnd(period.addDays(1))) {
        Amortization p;
        p.setAmortizableItemID(item.getID());
        p.setPeriod(DateRules::toText(period));
        p.getAmount() = ARCurrency::fromUnits(monthly);
        scheduled += monthly;
        periods.append(p);
    }
    if (periods.isEmpty()) {
        // Ends before the start's month does: the whole amount falls in that one month.
        Amortization p;
        p.setAmortizableItemID(item.getID());
        p.setPeriod(DateRules::toText(monthEnd(start)));
        periods.append(p);
    }
    // What the division leaves goes to the first period, so that the schedule totals the amount.
    ARCurrency& first = periods.first().getAmount();
    first = ARCurrency::fromUnits(first.units() + (total - scheduled));
    m_periods = std::move(periods);
}

void AmortizationList::beginEditFromParent()
{
    m_parentCopy = m_periods;
}

void AmortizationList::applyEditFromParent()
{
    m_parentCopy.reset();
}

void AmortizationList::cancelEditFromParent()
{
    restore(m_parentCopy);
}

void AmortizationList::beginEdit()
{
    m_ownCopy = m_periods;
}

void AmortizationList::applyEdit()
{
    m_ownCopy.reset();
}

void AmortizationList::cancelEdit()
{
    restore(m_ownCopy);
}

void AmortizationList::restore(std::optional<QList<Amortization>>& copy)
{
    if (!copy)
        return;
    m_periods = *copy;
    copy.reset();
}
