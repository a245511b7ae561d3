// The stores of many rows in few statements: the rows go in chunks of a VALUES list, and the
// rows a statement did not change are told apart by their keys.
#include "persistence_p.h"

#include <QHash>
#include <QSqlQuery>

namespace Persistence {

namespace {

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
    // The audit row copies the row where it stands, other users' columns included, not the values sent.
    QList<QVariantList> changedKeys;
    for (qsizetype i : std::as_const(audited))
        changedKeys << rows[i].key;
    writeAudits(db, t, update.keyColumns, changedKeys, Update);
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
