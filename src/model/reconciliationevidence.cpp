#include "reconciliationevidence.h"

#include "apperror.h"
#include "daterules.h"
#include "db.h"
#include "glaccount.h"
#include "persistence.h"
#include "recordid.h"

#include <QHash>
#include <algorithm>

namespace {

// The columns that keep their values while an item lives (its account and create stamp): they
// find its newest audit row, whatever it changed, the row of its deletion too.
const QStringList kIdentity = {QStringLiteral("glAcctID"), QStringLiteral("CreateDate"),
                               QStringLiteral("CreateUser")};

QVariantList identityOf(const QString& accountId, const QString& createDate, const QString& createUser)
{
    return {QVariant(RecordId::parse(accountId).value_or(0)), Db::text(createDate), Db::text(createUser)};
}

QString units(const ARCurrency& amount)
{
    return QString::number(amount.units());
}

// The refusal of a sign-off in the words of the other refusals: what became of which item, who
// did it and when, and what to reopen.
AppError refused(qint32 number, const QString& subject, const QString& happened, const QString& by)
{
    return AppError(
        number, subject,
        QStringLiteral("%1 was %2 by %3 after you opened it; reopen the reconciliation to see the "
                       "change.")
            .arg(subject, happened, by.isEmpty() ? QStringLiteral("another user") : by));
}

// Compares the items stored now with those shown, in the stored order: the first one added,
// changed or deleted since raises, named as shown (an added one as stored).
template <typename Stored>
void compare(const QSqlDatabase& db, const QList<Stored>& shown, const QList<Stored>& stored,
             const QString& auditTable, const QString& scheduleAudit = {})
{
    QHash<QString, const Stored*> byId;
    for (const Stored& s : shown)
        byId.insert(s.id, &s);
    const auto by = [&](const QVariantList& identity) {
        return Persistence::lastChangeBy(db, auditTable, kIdentity, identity);
    };
    for (const Stored& now : stored) {
        const Stored* was = byId.value(now.id);
        if (!was)
            throw refused(AppError::ChangedMeanwhile, now.name, QStringLiteral("added"), by(now.identity));
        if (was->state != now.state)
            throw refused(AppError::ChangedMeanwhile, was->name, QStringLiteral("changed"), by(now.identity));
        if (was->schedule != now.schedule)
            throw refused(AppError::ChangedMeanwhile, was->name, QStringLiteral("changed"),
                          Persistence::lastChangeBy(db, scheduleAudit, {QStringLiteral("amortizableItemID")},
                                                    {QVariant(RecordId::parse(now.id).value_or(0))}));
        byId.remove(now.id);
    }
    for (const Stored& s : shown)
        if (byId.contains(s.id))
            throw refused(
                AppError::DeletedMeanwhile, s.name, QStringLiteral("deleted"),
                Persistence::lastChangeBy(db, auditTable, kIdentity, s.identity, Persistence::Delete));
}

} // namespace

ReconciliationEvidence::Shown ReconciliationEvidence::shownItem(const ReconcilingItem& item)
{
    return {item.getID(),
            item.conflict().subject,
            identityOf(item.getGLAccountID(), item.getCreateDate(), item.getCreateUser()),
            {item.getOpenDate(), item.getCloseDate(), item.getComment(), units(item.getAmount()),
             item.hasType() ? item.getType().getCode() : QString(), item.getReqTiming(), item.getCreateDate(),
             item.getCreateUser()},
            {}};
}

ReconciliationEvidence::Shown ReconciliationEvidence::shownPrepaid(const AmortizableItem& item)
{
    QStringList schedule;
    for (const Amortization& p : item.getAmortizationList())
        schedule << QStringLiteral("%1|%2|%3").arg(p.getID(), p.getPeriod(), units(p.getAmount()));
    std::sort(schedule.begin(), schedule.end());
    const QString accountId = item.getGLAccount() ? item.getGLAccount()->getID() : QString();
    return {item.getID(),
            QStringLiteral("The prepaid item \"%1\"").arg(item.getDescription().trimmed()),
            identityOf(accountId, item.getCreateDate(), item.getCreateUser()),
            {item.getOpenDate(), item.getStartDate(), item.getEndDate(), units(item.getAmount()),
             item.getDescription(), item.getComment(), item.getCreateDate(), item.getCreateUser()},
            schedule};
}

void ReconciliationEvidence::addItems(const ReconcilingItemList& items)
{
    m_itemsShown = true;
    m_items.append(items);
}

void ReconciliationEvidence::setPrepaidItems(const AmortizableItemList& items)
{
    m_prepaidShown = true;
    m_prepaid = items;
}

void ReconciliationEvidence::lockAndRequireAsShown(const QSqlDatabase& db, const QVariant& accountId,
                                                   const QString& date) const
{
    if (isEmpty() || accountId.isNull())
        return;
    const QVariant day = DateRules::toDb(date);
    const QString locking = Db::lockingRows(db);
    if (!locking.isEmpty()) {
        // The account's row first: every store of an item or a prepaid item holds it, so one under
        // way is waited for and a later one waits for this sign-off. Then the rows shown, which a
        // removal takes without the account.
        if (!Db::exec(db, QStringLiteral("SELECT glAcctID FROM GLAccount WHERE glAcctID = ?") + locking,
                      {accountId})
                 .next())
            return;
        if (m_itemsShown)
            Db::exec(
                db,
                QStringLiteral("SELECT RecItemId FROM ReconcilingItem WHERE glAcctID = ? AND openDate <= ? "
                               "AND (closeDate > ? OR closeDate IS NULL)") +
                    locking,
                {accountId, day, day});
        if (m_prepaidShown)
            Db::exec(db,
                     QStringLiteral(
                         "SELECT AmortizableItemID FROM AmortizableItem WHERE glAcctID = ? AND openDate "
                         "<= ? AND (endDate >= ? OR endDate IS NULL)") +
                         locking,
                     {accountId, day, day});
    }
    const QString account = accountId.toString();
    if (m_itemsShown) {
        ReconcilingItemList stored;
        stored.Load(account, date, QString());
        QList<Shown> shown, now;
        for (const ReconcilingItemList& list : m_items)
            for (const auto& item : list)
                shown.append(shownItem(*item));
        for (const auto& item : stored)
            now.append(shownItem(*item));
        compare(db, shown, now, QStringLiteral("ReconcilingItemAudit"));
    }
    if (m_prepaidShown) {
        AmortizableItemList stored;
        stored.Load(account, date);
        QList<Shown> shown, now;
        for (const auto& item : m_prepaid)
            shown.append(shownPrepaid(*item));
        for (const auto& item : stored)
            now.append(shownPrepaid(*item));
        compare(db, shown, now, QStringLiteral("AmortizableItemAudit"), QStringLiteral("AmortizationAudit"));
    }
}
