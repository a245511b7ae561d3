#include "amortizationwriter.h"

#include "amortization.h"
#include "apperror.h"
#include "db.h"
#include "global.h"
#include "persistence.h"
#include "recordid.h"

#include <QSqlError>

namespace {

const QString Table = QStringLiteral("Amortization");
const QStringList DataColumns = {QStringLiteral("amortizableItemID"), QStringLiteral("period"),
                                 QStringLiteral("amount")};
const QStringList RowColumns = DataColumns + QStringList{QStringLiteral("CreateDate"), QStringLiteral("CreateUser")};
const QStringList AuditColumns = RowColumns + QStringList{QStringLiteral("Activity"), QStringLiteral("ActivityDate"),
                                                          QStringLiteral("ActivityUser")};

AppError writeError(const QSqlQuery& q)
{
    QString text = q.lastError().databaseText();
    if (text.isEmpty())
        text = q.lastError().text();
    return AppError(AppError::DatabaseError, QStringLiteral("Amortization.store"), text);
}

} // namespace

QSqlQuery& AmortizationWriter::run(std::optional<QSqlQuery>& query, const QString& sql, const QVariantList& values)
{
    if (!query) {
        query.emplace(m_db);
        if (!query->prepare(sql)) {
            const AppError err = writeError(*query);
            query.reset();
            throw err;
        }
    }
    for (qsizetype i = 0; i < values.size(); ++i)
        query->bindValue(int(i), values.at(i));
    if (!query->exec())
        throw writeError(*query);
    return *query;
}

void AmortizationWriter::write(Amortization& period, const QString& now)
{
    if (period.isNew()) {
        const QString user = Global::userName;
        QVariantList values = period.dataValues();
        values << Db::text(now) << Db::text(user);
        const QVariant id = run(m_insert, Persistence::insertStatement(Table, RowColumns), values).lastInsertId();
        period.m_id = RecordId::fromDb(id);
        period.m_createDate = now;
        period.m_createUser = user;
        audit(period, Persistence::Insert, now, user);
        return;
    }
    QVariantList values = period.dataValues();
    values << Db::text(period.m_createDate) << Db::text(period.m_createUser)
           << RecordId::toDb(period.m_id, QStringLiteral("Amortization.store"), QStringLiteral("period id"));
    const QSqlQuery& q =
        run(m_update, Persistence::updateStatement(Table, RowColumns, QStringLiteral("AmortizationID = ?")), values);
    if (q.numRowsAffected() != 1)
        throw AppError(AppError::DatabaseError, QStringLiteral("Amortization.store"),
                       QStringLiteral("The row was not found; another user may have deleted it."));
    audit(period, Persistence::Update, period.m_createDate, period.m_createUser);
}

void AmortizationWriter::audit(const Amortization& period, const QString& activity, const QString& createDate,
                               const QString& createUser)
{
    QVariantList values = period.dataValues();
    values << Db::text(createDate) << Db::text(createUser) << activity << Persistence::now() << Global::userName;
    run(m_audit, Persistence::insertStatement(Table + QStringLiteral("Audit"), AuditColumns), values);
}
