#pragma once

#include "apperror.h"
#include "arcurrency.h"
#include "ardatefield.h"
#include "db.h"
#include "recordid.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <optional>
#include <utility>

// What every persistent business class shares: how its values are written to a row, and the audit
// twin that records each change. The writes run inside the caller's transaction, whose first write
// checks that the session's user is still a user (Db::guardWrites): a row and its audit row are
// written in his name only while he is one.
namespace Persistence {

inline const QString Insert = QStringLiteral("INSERT");
inline const QString Update = QStringLiteral("UPDATE");
inline const QString Delete = QStringLiteral("DELETE");

// The login name of the session: written as CreateUser and ActivityUser (Global::userName).
inline QString auditUser;

// The current date and time as stored in CreateDate and ActivityDate.
QString now();

// Column values: money as its units, a date as "yyyy-mm-dd" (NULL when null), a free text NULL
// when blank, a code as held.
inline QVariant money(const ARCurrency& amount) { return amount.units(); }
QVariant date(const ARDateField& date);
inline QVariant freeText(const QString& text) { return Db::text(text); }
// Read back: money from units, a date to "mm/dd/yyyy".
ARCurrency moneyOf(const QVariant& stored);
QString dateOf(const QVariant& stored);
// Stored dates read into fields, each distinct stored value read once and its text then shared by
// every row that holds it: the rows of a long list fall on a few dates (a schedule's periods on
// the month ends). One lives as long as the reading of one list.
class DateFields
{
public:
    // The field of the stored date, as dateOf() reads it.
    ARDateField of(const QVariant& stored);

private:
    QHash<QString, ARDateField> m_read; // by the stored value as text
};
// The query's current row from column `first` on, `count` columns, as read: what a row held when
// it was loaded (Row::loaded). A long list keeps one of these per row, so it takes one allocation,
// and the fields are best read from it rather than from the query a second time.
QVariantList loadedValues(const QSqlQuery& q, int first, int count);

// A table as a class stores its rows: the columns it writes (its audit twin, table + "Audit", has
// the same ones and then Activity, ActivityDate, ActivityUser), the condition that finds a stored
// row ("RecItemId = ?"), and the statements of both, built once.
class StoredTable
{
public:
    // `auditKey` names the columns whose values find a row's audit rows (the audit twin has no
    // autonumber key): every column unless given. `identity` names those of them that keep their
    // values while the row lives (its account and create stamp), which find the audit row of its
    // deletion after other changes: the audit key unless given.
    StoredTable(QString name, QStringList columns, QString keyCondition, QStringList auditKey = {},
                QStringList identity = {});
    // A table without an audit twin.
    struct NoAudit
    {
    };
    StoredTable(NoAudit, QString name, QStringList columns, QString keyCondition);

    const QString& name() const { return m_name; }
    const QStringList& columns() const { return m_columns; }
    const QString& keyCondition() const { return m_keyCondition; }
    const QStringList& auditKey() const { return m_auditKey; }
    const QStringList& identity() const { return m_identity; }
    bool audited() const { return m_audited; }
    const QString& insertSql() const { return m_insert; }
    const QString& updateSql() const { return m_update; }
    // The update that changes the row only while every column still holds exactly what was
    // loaded (letter case and all): the new values, the key's, then the loaded ones.
    QString guardedUpdateSql(const QSqlDatabase& db) const;
    const QString& auditSql() const { return m_audit; }

private:
    QString m_name;
    QStringList m_columns;
    QString m_keyCondition;
    QStringList m_auditKey;
    QStringList m_identity;
    bool m_audited = true;
    QString m_insert, m_update, m_audit;
};

// How a store that came too late names its row to the user: "The balance of account 1030 at
// 11/30/2026" and what to reopen to see the other user's change ("the account").
struct Conflict
{
    QString subject;
    QString reopen;
};

// Who made the newest audit row of `auditTable` whose `columns` hold `values` (of the given
// activity, when one is given), and when: "Robin Chen at 09:48", with the date when it was not
// today. The user is named as the Users table holds him (his full name when he has one); empty
// when no audit row tells.
QString lastChangeBy(const QSqlDatabase& db, const QString& auditTable, const QStringList& columns,
                     const QVariantList& values, const QString& activity = {});
// The refusal of a store whose row another user changed (or deleted) since it was loaded; `by`
// as lastChangeBy gives it, empty for an unknown user. Nothing was stored.
AppError changedMeanwhile(const Conflict& conflict, const QString& by);
AppError deletedMeanwhile(const QString& subject, const QString& by);

// One row as a business class stores it: its values in the table's columns, and on an update the
// values of the table's key condition.
struct Row
{
    Row(const StoredTable& table, QVariantList values) : table(&table), values(std::move(values)) {}

    const StoredTable* table;
    QVariantList values;
    QVariantList keyValues;
    // The audit twin's values where they differ from the row's; no audit row at all when
    // `audited` is false.
    std::optional<QVariantList> auditValues = std::nullopt;
    bool audited = true;
    // The values of the table's columns when this user loaded the row (as read, or as last
    // stored). With them an update writes only while nobody changed the row meanwhile; a row
    // changed or deleted since raises ChangedMeanwhile or DeletedMeanwhile, naming the row as
    // `conflict` says.
    std::optional<QVariantList> loaded = std::nullopt;
    Conflict conflict;
};

// The row a removal deletes, found by its `key`: guarded by the values the user loaded, or
// unguarded when there are none (a row never found), so that a row gone is reported as deleted.
Row removal(const StoredTable& table, QVariantList values, const QVariant& key, const QVariantList& loaded,
            Conflict conflict);
// The same for a row whose values are those the user loaded: it goes only while it still holds
// them, and its "DELETE" audit row records them.
inline Row removalAsLoaded(const StoredTable& table, const QVariant& key, const QVariantList& loaded, Conflict conflict)
{
    return removal(table, loaded, key, loaded, std::move(conflict));
}

// Raises why an update of `row` guarded by its loaded values changed nothing: DeletedMeanwhile
// when the row with its key is gone, else ChangedMeanwhile naming who stored it as it stands.
[[noreturn]] void refuseStale(const QSqlDatabase& db, const Row& row);

// Deletes the row found by its key values, and writes its "DELETE" audit row (`auditValues`, else
// the loaded values), inside the caller's transaction. With loaded values the row goes only while
// it still holds exactly what the user loaded: otherwise nothing is deleted and it raises as
// refuseStale does, naming who changed or deleted the row, and when.
void removeRow(const QSqlDatabase& db, const Row& row);
inline void removeRow(const Db::Transaction& tx, const Row& row)
{
    removeRow(tx.db(), row);
}

// Writes the row and its audit twin inside the caller's transaction: an INSERT when new, which
// returns the new row's id, otherwise an UPDATE that must change exactly one row (raises when the
// row is gone, or was changed since it was loaded) and returns an invalid QVariant.
QVariant storeRow(const QSqlDatabase& db, bool isNew, const Row& row);
inline QVariant storeRow(const Db::Transaction& tx, bool isNew, const Row& row)
{
    return storeRow(tx.db(), isNew, row);
}

// The names under which an id that is no number is reported ("ReconcilingItem.store", "item id").
struct RecordKey
{
    QString source;
    QString what;
};

// The store of a record whose fields hold its id as text (empty while new) and its create stamp
// (createDate, createUser), inside the caller's transaction: a new record is stamped (`now`, the
// session's user), inserted and given its new id; a stored one is updated by its id (the table's
// key condition names the id column). `row` gives the row to write from the stamped fields, with
// its audit options; its audit row goes with it.
template <typename Fields>
void storeRecord(const QSqlDatabase& db, Fields& fields, const RecordKey& key,
                 const std::function<Row(const Fields&)>& row, const QString& now = Persistence::now())
{
    const bool adding = fields.id.isEmpty();
    if (adding) {
        fields.createDate = now;
        fields.createUser = auditUser;
    }
    Row r = row(fields);
    if (!adding)
        r.keyValues = {RecordId::toDb(fields.id, key.source, key.what)};
    const QVariant id = storeRow(db, adding, r);
    if (adding)
        fields.id = RecordId::fromDb(id);
}

// Puts an object's fields (and its new flag, where it is not one of them) back as they were
// when it goes out of scope unreleased: a store that fails leaves the object as it was before
// it, so the same store can be retried. Release it once the transaction has committed.
//
//     RestoreOnFailure keep(m_f, m_isNew);
//     ... write ...
//     tx.commit();
//     keep.release();
template <typename Fields>
class RestoreOnFailure
{
public:
    explicit RestoreOnFailure(Fields& fields) : m_fields(fields), m_saved(fields) {}
    RestoreOnFailure(Fields& fields, bool& isNew) : m_fields(fields), m_saved(fields), m_isNew(&isNew), m_wasNew(isNew)
    {
    }
    ~RestoreOnFailure()
    {
        if (m_released)
            return;
        m_fields = std::move(m_saved);
        if (m_isNew)
            *m_isNew = m_wasNew;
    }
    RestoreOnFailure(const RestoreOnFailure&) = delete;
    RestoreOnFailure& operator=(const RestoreOnFailure&) = delete;

    void release() { m_released = true; }

private:
    Fields& m_fields;
    Fields m_saved;
    bool* m_isNew = nullptr;
    bool m_wasNew = false;
    bool m_released = false;
};

// How many rows one statement of a batched store carries: a few statements (each a round trip to
// a server) per 500 rows rather than two per row, and at most 500 x 65 bound values a statement,
// within SQLite's limit (32,766) and the server's (65,535).
constexpr qsizetype BatchRows = 500;

// Runs a statement over `count` rows in chunks of at most BatchRows rows: `sql(n)` is its text for
// n rows, `bind(values, i)` appends the values of row i; `read(query)`, when given, reads what
// the statement returned for a chunk. Returns the number of rows the chunks changed.
qint64 inChunks(const QSqlDatabase& db, qsizetype count, const std::function<QString(qsizetype)>& sql,
                const std::function<void(QVariantList&, qsizetype)>& bind,
                const std::function<void(QSqlQuery&)>& read = {});

// The table's audit rows, one for each of the given rows' values with its activity ("INSERT",
// "UPDATE", "DELETE"), stamped now by the session's user: one statement per BatchRows rows, and for
// a single row the table's own audit statement, prepared once per connection.
void writeAudits(const QSqlDatabase& db, const StoredTable& table, const QList<QVariantList>& values,
                 const QStringList& activities);
// The same for rows of the table found by the values of its `keyColumns`, each copied as it stands
// (other users' columns included), with one activity.
void writeAudits(const QSqlDatabase& db, const StoredTable& table, const QStringList& keyColumns,
                 const QList<QVariantList>& keys, const QString& activity);

// How a guarded store compares a column with the value this user loaded: exactly (NULL matching
// NULL, letter case and all), or as an amount, a NULL reading 0.
enum class Compare
{
    Exact,
    AmountOrZero
};

// A set-based update of one table: each row, found by the values of its key columns, gets new
// values in `setColumns`, only while its `guardColumns` still hold what this user loaded.
struct GuardedUpdate
{
    const StoredTable* table;
    QStringList keyColumns;
    QStringList setColumns;
    QStringList guardColumns;
    Compare compare = Compare::Exact;
};

// One row of a GuardedUpdate: the new values of its set columns, its key's, the loaded values of
// its guard columns.
struct GuardedRow
{
    QVariantList values;
    QVariantList key;
    QVariantList loaded;
};

// Runs the update over the rows, a few statements per BatchRows rows, inside the caller's
// transaction; each row changed gets its "UPDATE" audit row, a copy of the row as it then stands,
// other users' columns included. Returns for each row whether it was changed: not where the row is
// gone, or another user changed a guarded column since it was loaded.
QList<bool> updateWhereUnchanged(const QSqlDatabase& db, const GuardedUpdate& update, const QList<GuardedRow>& rows);

// A set-based insert into one table that adds each row only while no row of its key is stored, and
// while the row of the parent table it names is there (`parentTable` and its column `parentKey`, which
// the rows carry under the same name).
struct InsertIfMissing
{
    QString table;
    QStringList columns;
    QStringList keyColumns;
    QString parentTable;
    QString parentKey;
};

// Runs the insert over rows of values in its columns, a statement per BatchRows rows, inside the
// caller's transaction. Returns for each row whether it was added.
QList<bool> insertWhereMissing(const QSqlDatabase& db, const InsertIfMissing& insert, const QList<QVariantList>& rows);

// Stores rows of one table as storeRow stores each (`added`: which are new), inside the caller's
// transaction, with a few statements per BatchRows rows; `keyColumns` are the columns of the
// table's key condition, in its order. Where storeRow would refuse a row (changed or deleted
// since it was loaded, or new and clashing with a stored row) it writes nothing and returns false:
// the caller then stores the rows one by one, which names the row and why.
bool storeRows(const QSqlDatabase& db, const QStringList& keyColumns, const QList<Row>& rows,
               const QList<bool>& added);

// "INSERT INTO table (a, b) VALUES (?, ?)" for the columns given.
QString insertStatement(const QString& table, const QStringList& columns);
// "UPDATE table SET a = ?, b = ? WHERE key = ?" for the columns given.
QString updateStatement(const QString& table, const QStringList& columns, const QString& keyCondition);

} // namespace Persistence
