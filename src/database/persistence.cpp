#include "persistence.h"

#include "clock.h"
#include "daterules.h"

namespace Persistence {

namespace {

QStringList auditColumns(const QStringList& columns)
{
    return columns + QStringList{QStringLiteral("Activity"), QStringLiteral("ActivityDate"), QStringLiteral("ActivityUser")};
}

} // namespace

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
    const QStringList all = auditColumns(columns);
    QVariantList vals = values;
    vals << activity << now() << auditUser;
    Db::exec(db, insertStatement(table + QStringLiteral("Audit"), all), vals);
}

StoredTable::StoredTable(QString name, QStringList columns, QString keyCondition)
    : m_name(std::move(name)), m_columns(std::move(columns)), m_insert(insertStatement(m_name, m_columns)),
      m_update(updateStatement(m_name, m_columns, keyCondition)),
      m_audit(insertStatement(m_name + QStringLiteral("Audit"), auditColumns(m_columns)))
{
}

void writeAudit(const QSqlDatabase& db, const StoredTable& table, const QVariantList& values, const QString& activity)
{
    Db::exec(db, table.auditSql(), QVariantList(values) << activity << now() << auditUser);
}

QVariant storeRow(const QSqlDatabase& db, bool isNew, const Row& row)
{
    QVariant id;
    if (isNew)
        id = Db::insertReturningId(db, row.table->insertSql(), row.values);
    else
        Db::execOne(db, row.table->updateSql(), row.values + row.keyValues);
    if (row.audited)
        writeAudit(db, *row.table, row.auditValues.value_or(row.values), isNew ? Insert : Update);
    return id;
}

} // namespace Persistence
