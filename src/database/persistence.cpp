#include "persistence.h"

#include "clock.h"
#include "daterules.h"
#include "samename.h"

#include <QDateTime>
#include <QHash>
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

// A statement over rows of values: the text before them and after them.
struct AroundRows
{
    QString before, after;
    QString with(const QString& rows) const { return before + rows + after; }
};

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

// A row's key as one text, to find the row again among those a statement returns.
QString keyText(const QVariantList& key)
{
    QString text;
    for (const QVariant& v : key)
        text += (v.isNull() ? QString() : v.toString()) + QChar(0x1f);
    return text;
}

// Where the named columns stand among `columns`.
QList<qsizetype> positionsOf(const QStringList& names, const QStringList& columns)
{
    QList<qsizetype> at;
    for (const QString& n : names)
        at << columns.indexOf(n);
    return at;
}

// The key of a row of values, its key columns standing at `at`.
QString keyTextAt(const QVariantList& values, const QList<qsizetype>& at)
{
    QVariantList key;
    for (qsizetype i : at)
        key << values.value(i);
    return keyText(key);
}

} // namespace

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
    // ActivityDate is kept to the second: of two rows of one second the later one inserted is the
    // newer (audit rows are only ever inserted).
    QSqlQuery q = Db::exec(db,
                           QStringLiteral("SELECT ActivityUser, ActivityDate FROM %1 WHERE %2 "
                                          "ORDER BY ActivityDate DESC, %3 DESC LIMIT 1")
                               .arg(auditTable, condition, Db::insertionOrder(db)),
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

bool storeRows(const QSqlDatabase& db, const QStringList& keyColumns, const QList<Row>& rows, const QList<bool>& added)
{
    if (rows.isEmpty())
        return true;
    const StoredTable& t = *rows.first().table;
    const QStringList& columns = t.columns();
    QList<qsizetype> inserts, updates;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        if (r.table != &t || r.values.size() != columns.size())
            return false;
        if (added[i])
            inserts << i;
        else if (r.loaded && r.loaded->size() == columns.size() && r.keyValues.size() == keyColumns.size())
            updates << i;
        else
            return false; // an unguarded update: storeRow's own
    }
    Db::Transaction batch(db); // a savepoint: a refused batch leaves nothing behind
    try {
        inChunks(
            db, inserts.size(),
            [&](qsizetype n) {
                return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                    .arg(t.name(), columns.join(QStringLiteral(", ")), Db::valuesRows(db, t.name(), columns, n));
            },
            [&](QVariantList& bound, qsizetype i) { bound << rows[inserts[i]].values; });
    } catch (const AppError& e) {
        if (e.number() == AppError::DatabaseConflict)
            return false;
        throw;
    }
    // Each row is changed only while every column still holds what was loaded: fewer rows changed
    // than given means another user came first.
    const AroundRows update = guardedUpdateSql(db, {&t, keyColumns, columns, columns}, {});
    const qint64 changed = inChunks(
        db, updates.size(),
        [&](qsizetype n) { return update.with(Db::valuesRows(db, t.name(), columns + keyColumns + columns, n)); },
        [&](QVariantList& bound, qsizetype i) {
            const Row& r = rows[updates[i]];
            bound << r.values << r.keyValues << *r.loaded;
        });
    if (changed != updates.size())
        return false;
    QList<QVariantList> audited;
    QStringList activities;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!rows[i].audited)
            continue;
        audited << rows[i].auditValues.value_or(rows[i].values);
        activities << (added[i] ? Insert : Update);
    }
    writeAudits(db, t, audited, activities);
    batch.commit();
    return true;
}

QList<bool> updateWhereUnchanged(const QSqlDatabase& db, const GuardedUpdate& update, const QList<GuardedRow>& rows)
{
    const StoredTable& t = *update.table;
    const AroundRows sql = guardedUpdateSql(db, update, update.keyColumns);
    const QStringList typed = update.setColumns + update.keyColumns + update.guardColumns;
    const int keys = int(update.keyColumns.size());
    QList<bool> changed(rows.size(), false);
    QList<qsizetype> audited;
    qsizetype first = 0; // the chunk's first row
    inChunks(
        db, rows.size(), [&](qsizetype n) { return sql.with(Db::valuesRows(db, t.name(), typed, n)); },
        [&](QVariantList& bound, qsizetype i) { bound << rows[i].values << rows[i].key << rows[i].loaded; },
        [&](QSqlQuery& q) {
            const qsizetype n = std::min(BatchRows, rows.size() - first);
            QList<QVariantList> returned;
            while (q.next())
                returned << loadedValues(q, 0, keys);
            if (returned.size() == n) {
                // Every row of the chunk changed (a key finds one row at the most).
                for (qsizetype i = first; i < first + n; ++i) {
                    changed[i] = true;
                    audited << i;
                }
            } else {
                QHash<QString, qsizetype> byKey;
                for (qsizetype i = first; i < first + n; ++i)
                    byKey.insert(keyText(rows[i].key), i);
                for (const QVariantList& key : std::as_const(returned)) {
                    const qsizetype i = byKey.value(keyText(key), -1);
                    if (i >= 0 && !changed[i]) {
                        changed[i] = true;
                        audited << i;
                    }
                }
            }
            first += n;
        });
    if (!t.audited())
        return changed;
    std::sort(audited.begin(), audited.end());
    // The audit row copies the row where it stands, not the values sent: it is found by its key.
    const QString audit = t.name() + QStringLiteral("Audit");
    const QStringList stamp = {QStringLiteral("Activity"), QStringLiteral("ActivityDate"), QStringLiteral("ActivityUser")};
    QStringList copied, sameKey;
    for (const QString& c : t.columns())
        copied << QStringLiteral("s.") + c;
    for (qsizetype k = 0; k < keys; ++k)
        sameKey << QStringLiteral("s.%1 = v.column%2").arg(update.keyColumns[k]).arg(k + 1);
    const AroundRows copy{QStringLiteral("INSERT INTO %1 (%2, %3) SELECT %4, v.column%5, v.column%6, v.column%7 FROM %8 s "
                                         "JOIN (VALUES ")
                              .arg(audit, t.columns().join(QStringLiteral(", ")), stamp.join(QStringLiteral(", ")),
                                   copied.join(QStringLiteral(", ")), QString::number(keys + 1),
                                   QString::number(keys + 2), QString::number(keys + 3), t.name()),
                          QStringLiteral(") AS v ON ") + sameKey.join(QStringLiteral(" AND "))};
    const QString at = now();
    inChunks(
        db, audited.size(), [&](qsizetype n) { return copy.with(Db::valuesRows(db, audit, update.keyColumns + stamp, n)); },
        [&](QVariantList& bound, qsizetype i) { bound << rows[audited[i]].key << Update << at << auditUser; });
    return changed;
}

QList<bool> insertWhereMissing(const QSqlDatabase& db, const InsertIfMissing& insert, const QList<QVariantList>& rows)
{
    const QList<qsizetype> keyAt = positionsOf(insert.keyColumns, insert.columns);
    QHash<QString, qsizetype> byKey;
    for (qsizetype i = 0; i < rows.size(); ++i)
        byKey.insert(keyTextAt(rows[i], keyAt), i);
    QStringList selected, sameKey;
    for (qsizetype c = 0; c < insert.columns.size(); ++c)
        selected << QStringLiteral("v.column%1").arg(c + 1);
    for (qsizetype k = 0; k < keyAt.size(); ++k)
        sameKey << QStringLiteral("s.%1 = v.column%2").arg(insert.keyColumns[k]).arg(keyAt[k] + 1);
    const AroundRows sql{
        QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM (VALUES ")
            .arg(insert.table, insert.columns.join(QStringLiteral(", ")), selected.join(QStringLiteral(", "))),
        QStringLiteral(") AS v WHERE NOT EXISTS (SELECT 1 FROM %1 s WHERE %2) AND EXISTS (SELECT 1 FROM %3 p WHERE "
                       "p.%4 = v.column%5) RETURNING %6")
            .arg(insert.table, sameKey.join(QStringLiteral(" AND ")), insert.parentTable, insert.parentKey,
                 QString::number(insert.columns.indexOf(insert.parentKey) + 1), insert.keyColumns.join(QStringLiteral(", ")))};
    QList<bool> added(rows.size(), false);
    inChunks(
        db, rows.size(), [&](qsizetype n) { return sql.with(Db::valuesRows(db, insert.table, insert.columns, n)); },
        [&](QVariantList& bound, qsizetype i) { bound << rows[i]; },
        [&](QSqlQuery& q) {
            while (q.next()) {
                const qsizetype i = byKey.value(keyText(loadedValues(q, 0, int(keyAt.size()))), -1);
                if (i >= 0)
                    added[i] = true;
            }
        });
    return added;
}

} // namespace Persistence
