#include "amortizationwriter.h"

#include "amortization.h"
#include "db.h"
#include "global.h"
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
    const bool adding = period.isNew();
    if (adding) {
        period.m_f.createDate = now;
        period.m_f.createUser = Global::userName;
    }
    Persistence::Row row{Table, RowColumns,
                         period.dataValues() << Db::text(period.m_f.createDate) << Db::text(period.m_f.createUser)};
    if (!adding) {
        row.keyCondition = QStringLiteral("AmortizationID = ?");
        row.keyValues = {RecordId::toDb(period.m_f.id, QStringLiteral("Amortization.store"), QStringLiteral("period id"))};
    }
    const QVariant id = Persistence::storeRow(m_db, adding, row);
    if (adding)
        period.m_f.id = RecordId::fromDb(id);
}

void AmortizationWriter::audit(const Amortization& period, const QString& activity, const QString& createDate,
                               const QString& createUser)
{
    Persistence::writeAudit(m_db, Table, RowColumns, period.dataValues() << Db::text(createDate) << Db::text(createUser),
                            activity);
}
