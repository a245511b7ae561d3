#include "persistence.h"

#include "clock.h"
#include "daterules.h"

namespace Persistence {

QString activityFor(const QString& argument)
{
    return argument.trimmed().toUpper() == Update ? Update : Delete;
}

QString now()
{
    return DateRules::dateTimeToDb(Clock::instance().now());
}

QVariant date(const ARDateField& d)
{
    return DateRules::toDb(d.getDate());
}

ARCurrency moneyOf(const QVariant& stored)
{
    return ARCurrency::fromUnits(stored.isNull() ? 0 : stored.toLongLong());
}

QString dateOf(const QVariant& stored)
{
    return DateRules::fromDb(stored);
}

QString insertStatement(const QString& table, const QStringList& columns)
{
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(QStringLiteral(", ")),
                                                                  marks.join(QStringLiteral(", ")));
}

QString updateStatement(const QString& table, const QStringList& columns, const QString& keyCondition)
{
    QStringList sets;
    for (const QString& c : columns)
        sets << c + QStringLiteral(" = ?");
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(QStringLiteral(", ")), keyCondition);
}

void writeAudit(const QSqlDatabase& db, const QString& table, const QStringList& columns, const QVariantList& values,
                const QString& activity)
{
    QStringList all = columns;
    all << QStringLiteral("Activity") << QStringLiteral("ActivityDate") << QStringLiteral("ActivityUser");
    QVariantList vals = values;
    vals << activity << now() << auditUser;
    Db::exec(db, insertStatement(table + QStringLiteral("Audit"), all), vals);
}

QVariant storeRow(const QSqlDatabase& db, bool isNew, const Row& row)
{
    QVariant id;
    if (isNew) {
        id = Db::exec(db, insertStatement(row.table, row.columns), row.values).lastInsertId();
    } else {
        Db::execOne(db, updateStatement(row.table, row.columns, row.keyCondition), row.values + row.keyValues);
    }
    if (row.audited)
        writeAudit(db, row.table, row.columns, row.auditValues.value_or(row.values), isNew ? Insert : Update);
    return id;
}

} // namespace Persistence
