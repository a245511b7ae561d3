#include "glaccountbalancelist.h"
#include "glaccountbalance_p.h"

#include "apperror.h"
#include "daterules.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "samename.h"

#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <numeric>
#include <vector>

using namespace GLAccountBalanceTable;

void GLAccountBalanceList::Load(const QString& date)
{
    QSqlDatabase db = Global::getConnection();
    const RecTypeList recTypes(db);
    const ERPNumberList erpNumbers(db);
    const QString normalized = DateRules::normalize(date);
    QSqlQuery q =
        Db::exec(db,
                 QStringLiteral("SELECT %1, b.glAcctID AS balanceRow, %2 FROM GLAccount a LEFT JOIN GLAccountBalance b "
                                "ON b.glAcctID = a.glAcctID AND b.Date = ? ORDER BY %3, a.glAcctID")
                     .arg(GLAccount::selectColumns(QStringLiteral("a")),
                          GLAccountBalance::selectColumns(QStringLiteral("b")),
                          Db::caseBlindOrder(db, QStringLiteral("a.glacctnbr"))),
                 {DateRules::toDb(normalized)});
    // The balance's columns follow the account's and the mark of a balance row.
    const int balanceRow = q.record().indexOf(QStringLiteral("balanceRow"));
    while (q.next()) {
        auto account = std::make_shared<GLAccount>();
        account->readRow(q, recTypes, erpNumbers);
        GLAccountBalance& balance = m_balances.emplaceBack();
        if (q.value(balanceRow).isNull()) {
            balance.setGLAccount(account);
            balance.setDate(normalized);
        } else {
            balance.readRow(q, balanceRow + 1, account);
        }
        m_loadedUnits.append(balance.amount().units());
        if (m_indexed)
            index(m_balances.size() - 1);
    }
}

void GLAccountBalanceList::index(qsizetype position) const
{
    const auto& account = m_balances.at(position).getGLAccount();
    if (!account)
        return;
    const QString key = SameName::accountKey(account->getNumber());
    if (!m_byNumber.contains(key)) // the first balance of a number stays the one found
        m_byNumber.insert(key, position);
}

qsizetype GLAccountBalanceList::indexOf(const QString& number) const
{
    if (!m_indexed) {
        // Built on the first look-up (the import looks up every row of its file).
        for (qsizetype i = 0; i < m_balances.size(); ++i)
            index(i);
        m_indexed = true;
    }
    return m_byNumber.value(SameName::accountKey(number), -1);
}

const GLAccountBalance& GLAccountBalanceList::getGLAccountBalanceAt(qint64 position) const
{
    if (position < 1 || position > m_balances.size())
        throw AppError(9, QStringLiteral("GLAccountBalanceList.getGLAccountBalanceAt"),
                       QStringLiteral("There is no balance at position %1.").arg(position));
    return m_balances[position - 1];
}

GLAccountBalance& GLAccountBalanceList::getGLAccountBalanceAt(qint64 position)
{
    return const_cast<GLAccountBalance&>(std::as_const(*this).getGLAccountBalanceAt(position));
}

GLAccountBalance& GLAccountBalanceList::getGLAccountBalance(const QString& number)
{
    const qsizetype i = indexOf(number);
    if (i < 0)
        throw AppError(5, QStringLiteral("GLAccountBalanceList.getGLAccountBalance"),
                       QStringLiteral("There is no balance for the account '%1'.").arg(number));
    return m_balances[i];
}

bool GLAccountBalanceList::exists(const QString& number) const
{
    return indexOf(number) >= 0;
}

GLAccountBalance* GLAccountBalanceList::find(const QString& number)
{
    const qsizetype i = indexOf(number);
    return i < 0 ? nullptr : &m_balances[i];
}

void GLAccountBalanceList::add(GLAccountBalance balance)
{
    m_loadedUnits.append(balance.amount().units());
    m_balances.append(std::move(balance));
    if (m_indexed)
        index(m_balances.size() - 1);
}

void GLAccountBalanceList::cancelEdit()
{
    m_balances.clear();
    m_loadedUnits.clear();
    m_byNumber.clear();
    m_indexed = false;
}

void GLAccountBalanceList::applyAmountEdit()
{
    storeAll([this](const QSqlDatabase& db, const QString& now) {
        holdAccountsAndLockRows(db, true);
        QSet<std::pair<qint64, QString>> keys;
        for (const GLAccountBalance& b : std::as_const(m_balances))
            keys.insert({accountIdOf(b.m_f.account).toLongLong(), Persistence::date(b.m_f.date).toString()});
        if (keys.size() == m_balances.size()) {
            storeAmounts(db, now, allMembers());
            return;
        }
        // Two members of one row: each stored after the one before it, which it then sees.
        for (qsizetype i = 0; i < m_balances.size(); ++i)
            storeAmounts(db, now, {i});
    });
}

ARCurrency GLAccountBalanceList::getTotalAmount() const
{
    return getTotal().value();
}

ARCurrencySum GLAccountBalanceList::getTotal() const
{
    ARCurrencySum total;
    for (const GLAccountBalance& b : m_balances)
        total.add(b.getAdjustedAmount());
    return total;
}

void GLAccountBalanceList::applyEdit()
{
    storeAll([this](const QSqlDatabase& db, const QString& now) {
        holdAccountsAndLockRows(db, false);
        const QList<qsizetype> order = inKeyOrder(allMembers());
        if (storeInBatches(db, now, order))
            return;
        for (qsizetype i : order)
            m_balances[i].storeIn(db, now);
    });
}

QList<qsizetype> GLAccountBalanceList::allMembers() const
{
    QList<qsizetype> all(m_balances.size());
    std::iota(all.begin(), all.end(), qsizetype(0));
    return all;
}

QList<qsizetype> GLAccountBalanceList::inKeyOrder(const QList<qsizetype>& members) const
{
    struct Key
    {
        QString date;
        qint64 account;
        qsizetype place;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(members.size()));
    QHash<QString, QString> dates; // each date as shown -> as stored, which sorts as the dates do
    for (qsizetype p = 0; p < members.size(); ++p) {
        const GLAccountBalance& b = m_balances[members[p]];
        auto date = dates.constFind(b.m_f.date.getDate());
        if (date == dates.cend())
            date = dates.insert(b.m_f.date.getDate(), Persistence::date(b.m_f.date).toString());
        keys.push_back({*date, accountIdOf(b.m_f.account).toLongLong(), p});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        const int byDate = a.date.compare(b.date);
        return byDate != 0 ? byDate < 0 : a.account < b.account;
    });
    QList<qsizetype> ordered;
    ordered.reserve(members.size());
    for (const Key& k : keys)
        ordered << k.place;
    return ordered;
}

void GLAccountBalanceList::holdAccountsAndLockRows(const QSqlDatabase& db, bool amountsOnly) const
{
    QList<qint64> ids;
    QList<qsizetype> changed, written; // members
    for (qsizetype i = 0; i < m_balances.size(); ++i) {
        const GLAccountBalance& b = m_balances[i];
        b.validate();
        const bool change = !amountsOnly || b.amount().units() != m_loadedUnits.at(i);
        if (!change && !b.m_isNew)
            continue; // not written
        ids << accountIdOf(b.m_f.account).toLongLong();
        written << i;
        if (change)
            changed << i;
    }
    // An unchanged new row of an account that is gone is simply not added.
    const QSet<qint64> stored = GLAccount::holdStored(db, ids);
    for (qsizetype i : std::as_const(changed))
        if (!stored.contains(accountIdOf(m_balances[i].m_f.account).toLongLong()))
            m_balances[i].requireAccount(db);

    const QString locking = Db::lockingRows(db);
    if (locking.isEmpty())
        return; // the transaction holds the whole database already
    const QList<qsizetype> byKey = inKeyOrder(written);
    const auto member = [&](qsizetype k) -> const GLAccountBalance& { return m_balances[written[byKey[k]]]; };
    // Each date's rows in a statement per chunk.
    for (qsizetype from = 0, to = 0; from < byKey.size(); from = to) {
        const QVariant date = Persistence::date(member(from).m_f.date);
        while (to < byKey.size() && member(to).m_f.date == member(from).m_f.date)
            ++to;
        Persistence::inChunks(
            db, to - from,
            [&](qsizetype n) {
                return QStringLiteral("SELECT glAcctID FROM GLAccountBalance WHERE Date = ? AND glAcctID IN (%1) "
                                      "ORDER BY glAcctID%2")
                    .arg(QStringList(n, QStringLiteral("?")).join(QStringLiteral(", ")), locking);
            },
            [&](QVariantList& values, qsizetype i) {
                if (values.isEmpty())
                    values << date; // each statement's first value
                values << accountIdOf(member(from + i).m_f.account);
            });
    }
}

void GLAccountBalanceList::storeAll(const std::function<void(const QSqlDatabase&, const QString&)>& store)
{
    // What a store changes in a member: put back on a failure, since nothing then was stored.
    struct Stamp
    {
        bool isNew;
        QString createDate, createUser;
        QVariantList loaded;
    };
    QList<Stamp> before;
    before.reserve(m_balances.size());
    for (const GLAccountBalance& b : std::as_const(m_balances))
        before.append({b.m_isNew, b.m_f.createDate, b.m_f.createUser, b.m_loaded});
    Db::runTransaction(Global::getConnection(), QStringLiteral("change the period-end balances"), [&](Db::Transaction& tx) {
        try {
            store(tx.db(), Persistence::now()); // one moment for the whole store
            tx.commit();
        } catch (...) {
            for (qsizetype i = 0; i < m_balances.size(); ++i) {
                GLAccountBalance& b = m_balances[i];
                b.m_isNew = before[i].isNew;
                b.m_f.createDate = before[i].createDate;
                b.m_f.createUser = before[i].createUser;
                b.m_loaded = before[i].loaded;
            }
            throw;
        }
    });
    for (qsizetype i = 0; i < m_balances.size(); ++i)
        m_loadedUnits[i] = m_balances.at(i).amount().units();
}

namespace {

// The columns of a balance about to be added: stamped with the store's moment and user.
QVariantList stamped(QVariantList values, const QString& now)
{
    values[CreateDate] = Persistence::freeText(now);
    values[CreateUser] = Persistence::freeText(Global::userName);
    return values;
}

} // namespace

bool GLAccountBalanceList::storeInBatches(const QSqlDatabase& db, const QString& now, const QList<qsizetype>& order)
{
    QList<Persistence::Row> rows;
    QList<bool> added;
    rows.reserve(order.size());
    for (qsizetype i : order) {
        const GLAccountBalance& b = m_balances[i];
        b.validate();
        Persistence::Row row(kStored, b.m_isNew ? stamped(b.columnValues(), now) : b.columnValues());
        added << b.m_isNew;
        if (!b.m_isNew) {
            row.keyValues = {row.values[AccountId], row.values[Date]};
            row.loaded = b.m_loaded;
        }
        rows.append(std::move(row));
    }
    if (!Persistence::storeRows(db, kKeyColumns, rows, added))
        return false;
    for (qsizetype r = 0; r < order.size(); ++r) {
        GLAccountBalance& b = m_balances[order[r]];
        if (b.m_isNew) {
            b.m_f.createDate = now;
            b.m_f.createUser = Global::userName;
            b.m_isNew = false;
        }
        b.m_loaded = std::move(rows[r].values);
    }
    return true;
}

void GLAccountBalanceList::storeAmounts(const QSqlDatabase& db, const QString& now, const QList<qsizetype>& members)
{
    // The amount is written only while it still is the one loaded: another user's amount (typed or
    // imported) is not overwritten, while his sign-offs, target or comment are no concern of this store.
    static const Persistence::GuardedUpdate amounts{&kStored, kKeyColumns, {kColumns[Amount]}, {kColumns[Amount]},
                                                    Persistence::Compare::AmountOrZero};
    static const Persistence::InsertIfMissing addition{kTable, kColumns, kKeyColumns, QStringLiteral("GLAccount"),
                                                       kColumns[AccountId]};
    const auto keyOf = [this](qsizetype i) -> QVariantList {
        const GLAccountBalance& b = m_balances[i];
        return {accountIdOf(b.m_f.account), Persistence::date(b.m_f.date)};
    };
    QList<qsizetype> changed;
    QList<Persistence::GuardedRow> updates;
    for (qsizetype i : members) {
        const qint64 units = m_balances[i].amount().units();
        if (units == m_loadedUnits.at(i))
            continue;
        changed << i;
        updates.append({{units}, keyOf(i), {m_loadedUnits.at(i)}});
    }
    const QList<bool> written = Persistence::updateWhereUnchanged(db, amounts, updates);

    // A changed balance with no row to change (none loaded, or removed meanwhile) is added whole, as
    // is an unchanged new one, while no row of its account and date is stored and the account is there.
    QList<qsizetype> adding;
    QList<bool> addingChanged;
    QList<QVariantList> addedValues;
    for (qsizetype m = 0, c = 0; m < members.size(); ++m) {
        const qsizetype i = members[m];
        const bool isChanged = c < changed.size() && changed[c] == i;
        if (isChanged ? !written[c++] : m_balances[i].m_isNew) {
            adding << i;
            addingChanged << isChanged;
            addedValues << stamped(m_balances[i].columnValues(), now);
        }
    }
    // Added in the order of the key, whatever the members' order, as every store of the list adds rows.
    const QList<qsizetype> byKey = inKeyOrder(adding);
    QList<QVariantList> inserted;
    inserted.reserve(adding.size());
    for (qsizetype a : byKey)
        inserted << addedValues[a];
    QList<bool> added(adding.size(), false);
    try {
        const QList<bool> insertedRows = Persistence::insertWhereMissing(db, addition, inserted);
        for (qsizetype k = 0; k < byKey.size(); ++k)
            added[byKey[k]] = insertedRows[k];
    } catch (const AppError& e) {
        if (e.number() != AppError::DatabaseConflict)
            throw;
        throw storedMeanwhile(e);
    }
    // A changed amount neither written nor added: another user stored the row since it was loaded.
    for (qsizetype a = 0; a < adding.size(); ++a) {
        if (added[a] || !addingChanged[a])
            continue;
        Persistence::Row row{kStored, {}};
        row.keyValues = keyOf(adding[a]);
        row.conflict = {m_balances[adding[a]].conflict().subject, QStringLiteral("the period-end balances")};
        Persistence::refuseStale(db, row);
    }

    QList<QVariantList> addedAudits;
    for (qsizetype a = 0; a < adding.size(); ++a)
        if (added[a])
            addedAudits << addedValues[a];
    Persistence::writeAudits(db, kStored, addedAudits, QStringList(addedAudits.size(), Persistence::Insert));

    for (qsizetype c = 0; c < changed.size(); ++c) {
        if (!written[c])
            continue;
        GLAccountBalance& b = m_balances[changed[c]];
        b.m_isNew = false;
        if (!b.m_loaded.isEmpty())
            b.m_loaded[Amount] = b.amount().units();
    }
    for (qsizetype a = 0; a < adding.size(); ++a) {
        if (!added[a])
            continue;
        GLAccountBalance& b = m_balances[adding[a]];
        b.m_f.createDate = now;
        b.m_f.createUser = Global::userName;
        b.m_isNew = false;
        b.m_loaded = addedValues[a];
    }
}
