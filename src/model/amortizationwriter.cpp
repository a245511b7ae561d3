#include "amortizationwriter.h"

#include "amortization.h"
#include "db.h"
#include "persistence.h"
#include "recordid.h"

namespace {

const QString Table = QStringLiteral("Amortization");
const QStringList DataColumns = {QStringLiteral("amortizableItemID"), QStringLiteral("period"),
                                 QStringLiteral("amount")};
const QStringList RowColumns = DataColumns + QStringList{QStringLiteral("CreateDate"), QStringLiteral("CreateUser")};
const Persistence::StoredTable Stored{Table, RowColumns, QStringLiteral("AmortizationID = ?")};
const Persistence::RecordKey Key{QStringLiteral("Amortization.store"), QStringLiteral("period id")};

} // namespace

void AmortizationWriter::write(Amortization& period, const QString& now)
{
    Persistence::storeRecord<Amortization::Fields>(
        m_db, period.m_f, Key,
        [&period](const Amortization::Fields& f) {
            return Persistence::Row{Stored, period.dataValues() << Db::text(f.createDate) << Db::text(f.createUser)};
        },
        now);
}

void AmortizationWriter::audit(const Amortization& period, const QString& activity, const QString& createDate,
                               const QString& createUser)
{
    Persistence::writeAudit(m_db, Stored, period.dataValues() << Db::text(createDate) << Db::text(createUser), activity);
}
