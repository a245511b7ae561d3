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

} // namespace

void AmortizationWriter::write(Amortization& period, const QString& now)
{
    static const Persistence::RecordKey key{QStringLiteral("AmortizationID"), QStringLiteral("Amortization.store"),
                                            QStringLiteral("period id")};
    Persistence::storeRecord<Amortization::Fields>(
        m_db, period.m_f, key,
        [&period](const Amortization::Fields& f) {
            return Persistence::Row{Table, RowColumns,
                                    period.dataValues() << Db::text(f.createDate) << Db::text(f.createUser)};
        },
        now);
}

void AmortizationWriter::audit(const Amortization& period, const QString& activity, const QString& createDate,
                               const QString& createUser)
{
    Persistence::writeAudit(m_db, Table, RowColumns, period.dataValues() << Db::text(createDate) << Db::text(createUser),
                            activity);
}
