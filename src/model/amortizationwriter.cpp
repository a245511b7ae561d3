#include "amortizationwriter.h"

#include "amortization.h"
#include "db.h"
#include "persistence.h"
#include "recordid.h"

#include <QHash>
#include <QSqlQuery>

namespace {

const QString Table = QStringLiteral("Amortization");
// The columns of a period's values, in the order of DataColumns.
enum DataColumn : qsizetype
{
    ItemId,
    Period
};
const QStringList DataColumns = {QStringLiteral("amortizableItemID"), QStringLiteral("period"),
                                 QStringLiteral("amount")};
const QStringList RowColumns = DataColumns + QStringList{QStringLiteral("CreateDate"), QStringLiteral("CreateUser")};
const Persistence::StoredTable Stored{Table, RowColumns, QStringLiteral("AmortizationID = ?")};
const Persistence::RecordKey Key{QStringLiteral("Amortization.store"), QStringLiteral("period id")};

} // namespace

void AmortizationWriter::write(Amortization& period, const QString& now)
{
    // Its audit rows tell what changed: a period whose date and amount stay writes no row.
    if (period.isAsStored())
        return;
    // Not guarded period by period: the item's store holds the item's row and finds the whole
    // schedule as it was loaded before any period is written.
    Persistence::storeRecord<Amortization::Fields>(
        m_db, period.m_f, Key,
        [&period](const Amortization::Fields& f) {
            return Persistence::Row{Stored, period.dataValues() << Db::text(f.createDate) << Db::text(f.createUser)};
        },
        now);
    period.markStored();
}

bool AmortizationWriter::addAll(QList<Amortization>& periods, const QString& now)
{
    if (periods.isEmpty())
        return true;
    // The ids given are read back by period, so each period may stand once, all of one item that
    // has no period stored yet.
    const QString itemId = periods.first().getAmortizableItemID();
    QHash<QString, qsizetype> byPeriod;
    QList<Persistence::Row> rows;
    rows.reserve(periods.size());
    for (qsizetype i = 0; i < periods.size(); ++i) {
        const Amortization& p = periods.at(i);
        QVariantList data = p.dataValues();
        const QString period = data.at(Period).toString();
        if (!p.isNew() || p.getAmortizableItemID() != itemId || byPeriod.contains(period))
            return false;
        byPeriod.insert(period, i);
        data << Db::text(now) << Db::text(Persistence::auditUser);
        rows.append(Persistence::Row{Stored, std::move(data)});
    }
    const QVariant item = periods.first().dataValues().at(ItemId);
    if (Db::scalar(m_db, QStringLiteral("SELECT count(*) FROM Amortization WHERE amortizableItemID = ?"), {item})
            .toLongLong() != 0)
        return false;
    if (!Persistence::storeRows(m_db, {}, rows, QList<bool>(rows.size(), true)))
        return false;
    QSqlQuery q = Db::exec(m_db, QStringLiteral("SELECT AmortizationID, period FROM Amortization WHERE amortizableItemID = ?"),
                           {item});
    while (q.next()) {
        const auto at = byPeriod.constFind(q.value(1).toString());
        if (at == byPeriod.cend())
            continue;
        Amortization& p = periods[*at];
        p.m_f.id = RecordId::fromDb(q.value(0));
        p.m_f.createDate = now;
        p.m_f.createUser = Persistence::auditUser;
        p.markStored();
    }
    return true;
}
