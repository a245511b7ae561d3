#include "persistence_p.h"

#include "clock.h"
#include "daterules.h"
#include "samename.h"

#include <QDateTime>
#include <QSqlQuery>
#include <algorithm>

namespace Persistence {

namespace {

QStringList auditColumns(const QStringList& columns)
{
    return columns + QStringList{QStringLiteral("Activity"), QStringLiteral("ActivityDate"), QStringLiteral("ActivityUser")};
}

// "a IS NOT DISTINCT FROM ? AND b IS NOT DISTINCT FROM ?": the table's columns still hold the
// values bound (NULL matching NULL), compared exactly, letter case and all, also where a column
// compares without regard to case.
QString unchangedCondition(const QSqlDatabase& db, const QString& table, const QStringList& columns)
{
    QStringList parts;
    for (const QString& c : columns)
        parts << c + QStringLiteral(" IS NOT DISTINCT FROM ?") + Db::exactCollation(db, table, c);
    return parts.join(QStringLiteral(" AND "));
}

// The values of the named columns among the table's.
QVariantList valuesOf(const StoredTable& table, const QStringList& names, const QVariantList& values)
{
    QVariantList out;
    for (const QString& n : names)
        out << values.value(table.columns().indexOf(n));
    return out;
}

// The user's name as the Users table holds it: his full name when he has one, else his login
// name as stored; the audit's text when no user has that name.
QString userNameOf(const QSqlDatabase& db, const QString& loginName)
{
    QSqlQuery q = Db::exec(db, QStringLiteral("SELECT UserName, rptname FROM Users ORDER BY UserId"));
    while (q.next()) {
        if (!SameName::sameUser(Db::textOf(q.value(0)), loginName))
            continue;
        const QString fullName = Db::textOf(q.value(1)).trimmed();
        return fullName.isEmpty() ? Db::textOf(q.value(0)) : fullName;
    }
    return loginName;
}

} // namespace

// "UPDATE table SET a = v.column1 FROM (VALUES ...) AS v WHERE ...": the update's statement around
// its rows, the values of each row in the order set columns, key columns, guard columns; with
// `returning` the statement reads back those columns of each row it changed.
AroundRows guardedUpdateSql(const QSqlDatabase& db, const GuardedUpdate& u, const QStringList& returning)
{
    const QString& table = u.table->name();
    QStringList sets, where;
    const qsizetype width = u.setColumns.size();
    const qsizetype guardsFrom = width + u.keyColumns.size() + 1;
    for (qsizetype c = 0; c < width; ++c)
        sets << QStringLiteral("%1 = v.column%2").arg(u.setColumns[c]).arg(c + 1);
    for (qsizetype k = 0; k < u.keyColumns.size(); ++k)
        where << QStringLiteral("%1.%2 = v.column%3").arg(table, u.keyColumns[k]).arg(width + k + 1);
    for (qsizetype c = 0; c < u.guardColumns.size(); ++c) {
        const QString& column = u.guardColumns[c];
        if (u.compare == Compare::AmountOrZero)
            where << QStringLiteral("COALESCE(%1.%2, 0) = v.column%3").arg(table, column).arg(guardsFrom + c);
        else
            where << QStringLiteral("%1.%2 IS NOT DISTINCT FROM v.column%3%4")
                         .arg(table, column)
                         .arg(guardsFrom + c)
                         .arg(Db::exactCollation(db, table, column));
    }
    AroundRows sql{QStringLiteral("UPDATE %1 SET %2 FROM (VALUES ").arg(table, sets.join(QStringLiteral(", "))),
                   QStringLiteral(") AS v WHERE ") + where.join(QStringLiteral(" AND "))};
    if (!returning.isEmpty())
        sql.after += QStringLiteral(" RETURNING ") + returning.join(QStringLiteral(", "));
    return sql;
}

// Why an update guarded by the loaded values changed no row: the row is gone, or holds
// something else now.
void refuseStale(const QSqlDatabase& db, const Row& row)
{
    const StoredTable& t = *row.table;
    QSqlQuery q = Db::exec(db,
                           QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                               .arg(t.auditKey().join(QStringLiteral(", ")), t.name(), t.keyCondition()),
                           row.keyValues);
    const QString audit = t.name() + QStringLiteral("Audit");
    if (!q.next()) {
        // The delete's audit row holds the row as it was deleted, maybe changed since this user
        // loaded it: found by the columns that keep their values while the row lives.
        const QString by = row.loaded && t.audited()
                               ? lastChangeBy(db, audit, t.identity(), valuesOf(t, t.identity(), *row.loaded), Delete)
                               : QString();
        throw deletedMeanwhile(row.conflict.subject, by);
    }
    if (!t.audited())
        throw changedMeanwhile(row.conflict, QString());
    QVariantList current;
    for (qsizetype i = 0; i < t.auditKey().size(); ++i)
        current << q.value(int(i));
    throw changedMeanwhile(row.conflict, lastChangeBy(db, audit, t.auditKey(), current));
}

Row removal(const StoredTable& table, QVariantList values, const QVariant& key, const QVariantList& loaded,
            Conflict conflict)
{
    Row row{table, std::move(values)};
    row.keyValues = {key};
    if (!loaded.isEmpty())
        row.loaded = loaded;
    row.conflict = std::move(conflict);
    return row;
}

void removeRow(const QSqlDatabase& db, const Row& row)
{
    const StoredTable& t = *row.table;
    QString sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(t.name(), t.keyCondition());
    QVariantList bound = row.keyValues;
    if (row.loaded) {
        sql += QStringLiteral(" AND ") + unchangedCondition(db, t.name(), t.columns());
        bound += *row.loaded;
    }
    if (Db::execCount(db, sql, bound) != 1)
        refuseStale(db, row);
    if (row.audited && t.audited())
        writeAudits(db, t, {row.auditValues.value_or(row.loaded.value_or(row.values))}, {Delete});
}

QString lastChangeBy(const QSqlDatabase& db, const QString& auditTable, const QStringList& columns,
                     const QVariantList& values, const QString& activity)
{
    QString condition = unchangedCondition(db, auditTable, columns);
    QVariantList bound = values;
    if (!activity.isEmpty()) {
        condition += QStringLiteral(" AND Activity = ?");
        bound << activity;
    }
    // Audit rows are numbered as they are inserted: the newest is the highest number, also among
    // rows of one second or stamped by clocks of other machines.
    QSqlQuery q = Db::exec(db,
                           QStringLiteral("SELECT ActivityUser, ActivityDate FROM %1 WHERE %2 ORDER BY AuditId DESC LIMIT 1")
                               .arg(auditTable, condition),
                           bound);
    if (!q.next())
        return {};
    const QString who = userNameOf(db, Db::textOf(q.value(0)));
    const QDateTime when = DateRules::dateTimeFromDb(q.value(1));
    if (!when.isValid())
        return who;
    const QString time = when.toString(QStringLiteral("HH:mm"));
    if (when.date() == Clock::instance().today())
        return QStringLiteral("%1 at %2").arg(who, time);
    return QStringLiteral("%1 on %2 at %3").arg(who, DateRules::toText(when.date()), time);
}

AppError changedMeanwhile(const Conflict& conflict, const QString& by)
{
    return AppError(
        AppError::ChangedMeanwhile, conflict.subject,
        QStringLiteral("%1 was changed by %2 after you opened it; reopen %3 to see the change.")
            .arg(conflict.subject, by.isEmpty() ? QStringLiteral("another user") : by, conflict.reopen));
}

AppError deletedMeanwhile(const QString& subject, const QString& by)
{
    return AppError(AppError::DeletedMeanwhile, subject,
                    QStringLiteral("%1 was deleted by %2 after you opened it, so nothing was stored.")
                        .arg(subject, by.isEmpty() ? QStringLiteral("another user") : by));
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

ARDateField DateFields::of(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    const QString key = stored.toString();
    auto at = m_read.constFind(key);
    if (at == m_read.cend())
        at = m_read.insert(key, ARDateField(dateOf(stored)));
    return *at;
}

QVariantList loadedValues(const QSqlQuery& q, int first, int count)
{
    QVariantList values;
    values.reserve(count);
    for (int column = first; column < first + count; ++column)
        values.append(q.value(column));
    return values;
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

StoredTable::StoredTable(QString name, QStringList columns, QString keyCondition, QStringList auditKey,
                         QStringList identity)
    : m_name(std::move(name)), m_columns(std::move(columns)), m_keyCondition(std::move(keyCondition)),
      m_auditKey(auditKey.isEmpty() ? m_columns : std::move(auditKey)),
      m_identity(identity.isEmpty() ? m_auditKey : std::move(identity)),
      m_insert(insertStatement(m_name, m_columns)),
      m_update(updateStatement(m_name, m_columns, m_keyCondition)),
      m_audit(insertStatement(m_name + QStringLiteral("Audit"), auditColumns(m_columns)))
{
}

StoredTable::StoredTable(NoAudit, QString name, QStringList columns, QString keyCondition)
    : StoredTable(std::move(name), std::move(columns), std::move(keyCondition))
{
    m_audited = false;
}

QString StoredTable::guardedUpdateSql(const QSqlDatabase& db) const
{
    return m_update + QStringLiteral(" AND ") + unchangedCondition(db, m_name, m_columns);
}

QVariant storeRow(const QSqlDatabase& db, bool isNew, const Row& row)
{
    QVariant id;
    if (isNew)
        id = Db::insertReturningId(db, row.table->insertSql(), row.values);
    else if (!row.loaded)
        Db::execOne(db, row.table->updateSql(), row.values + row.keyValues);
    else if (Db::execCount(db, row.table->guardedUpdateSql(db), row.values + row.keyValues + *row.loaded) != 1)
        refuseStale(db, row);
    if (row.audited && row.table->audited())
        writeAudits(db, *row.table, {row.auditValues.value_or(row.values)}, {isNew ? Insert : Update});
    return id;
}

qint64 inChunks(const QSqlDatabase& db, qsizetype count, const std::function<QString(qsizetype)>& sql,
                const std::function<void(QVariantList&, qsizetype)>& bind, const std::function<void(QSqlQuery&)>& read)
{
    qint64 changed = 0;
    for (qsizetype first = 0; first < count; first += BatchRows) {
        const qsizetype n = std::min(BatchRows, count - first);
        QVariantList values;
        for (qsizetype i = first; i < first + n; ++i)
            bind(values, i);
        // A full chunk's statement recurs and is kept prepared; the last, shorter one seldom does.
        QSqlQuery q = n == BatchRows ? Db::exec(db, sql(n), values) : Db::execOnce(db, sql(n), values);
        changed += q.numRowsAffected();
        if (read)
            read(q);
    }
    return changed;
}

void writeAudits(const QSqlDatabase& db, const StoredTable& table, const QList<QVariantList>& values,
                 const QStringList& activities)
{
    if (values.size() == 1) {
        Db::exec(db, table.auditSql(), QVariantList(values.constFirst()) << activities.constFirst() << now() << auditUser);
        return;
    }
    const QString audit = table.name() + QStringLiteral("Audit");
    const QStringList columns = auditColumns(table.columns());
    const QString at = now();
    inChunks(
        db, values.size(),
        [&](qsizetype n) {
            return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                .arg(audit, columns.join(QStringLiteral(", ")), Db::valuesRows(db, audit, columns, n));
        },
        [&](QVariantList& bound, qsizetype i) { bound << values[i] << activities[i] << at << auditUser; });
}

void writeAudits(const QSqlDatabase& db, const StoredTable& table, const QStringList& keyColumns,
                 const QList<QVariantList>& keys, const QString& activity)
{
    const QString audit = table.name() + QStringLiteral("Audit");
    const QStringList stamp = auditColumns({});
    const qsizetype width = keyColumns.size();
    QStringList copied, sameKey;
    for (const QString& c : table.columns())
        copied << QStringLiteral("s.") + c;
    for (qsizetype k = 0; k < width; ++k)
        sameKey << QStringLiteral("s.%1 = v.column%2").arg(keyColumns[k]).arg(k + 1);
    const AroundRows copy{QStringLiteral("INSERT INTO %1 (%2) SELECT %3, v.column%4, v.column%5, v.column%6 FROM %7 s "
                                         "JOIN (VALUES ")
                              .arg(audit, auditColumns(table.columns()).join(QStringLiteral(", ")),
                                   copied.join(QStringLiteral(", ")), QString::number(width + 1),
                                   QString::number(width + 2), QString::number(width + 3), table.name()),
                          QStringLiteral(") AS v ON ") + sameKey.join(QStringLiteral(" AND "))};
    const QString at = now();
    inChunks(
        db, keys.size(), [&](qsizetype n) { return copy.with(Db::valuesRows(db, audit, keyColumns + stamp, n)); },
        [&](QVariantList& bound, qsizetype i) { bound << keys[i] << activity << at << auditUser; });
}

} // namespace Persistence
