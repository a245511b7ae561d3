#pragma once

#include "glaccountbalance.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>

class QSqlDatabase;

// The balance of every account at one date, in account-number order, read in one query.
// Members are found by account number with letter case ignored; of two numbers that differ only
// in case the first is the one found.
class GLAccountBalanceList
{
public:
    void Load(const QString& date);
    qint64 count() const { return m_balances.size(); }
    // Position counted from 1; raises outside 1 to count.
    GLAccountBalance& getGLAccountBalanceAt(qint64 position);
    const GLAccountBalance& getGLAccountBalanceAt(qint64 position) const;
    // The balance of the account number (letter case ignored); raises when it is not there.
    GLAccountBalance& getGLAccountBalance(const QString& number);
    bool exists(const QString& number) const;
    // The sum of every member's adjusted amount; raises when it does not fit the money type.
    ARCurrency getTotalAmount() const;
    // The same sum, exact whatever its size, as the balances editor's footer shows it.
    ARCurrencySum getTotal() const;
    // The balance of the account number, or null: exists and getGLAccountBalance in one look-up.
    GLAccountBalance* find(const QString& number);
    void add(GLAccountBalance balance);
    // Stores every member in one transaction: all of them, or none. On a failure
    // every member is as it was (new flags, create stamps), so that the store can be retried.
    void applyEdit();
    // Drops every member unstored.
    void cancelEdit();
    // Stores what a balances editor changes: the amounts that differ from those loaded, and a row
    // for every account that had none. Every other column of a stored row stays as it stands in
    // the database, so sign-offs or comments saved by another user meanwhile are kept. All of it
    // lands or none, each write with its audit row.
    void applyAmountEdit();

private:
    // Runs a store of the members in one transaction; on a failure every member is put back as it
    // was (new flags, create stamps), on success the amounts become the loaded ones.
    void storeAll(const std::function<void(const QSqlDatabase&, const QString& now)>& store);
    // The store of applyEdit in a few statements per chunk of members, taken in `order`. It writes
    // nothing and returns false where a member cannot be stored as the batch assumes (a row changed,
    // deleted or added by another user meanwhile): the member-by-member store then says which and why.
    bool storeInBatches(const QSqlDatabase& db, const QString& now, const QList<qsizetype>& order);
    // The store of applyAmountEdit for the given members (positions, ascending, of distinct rows),
    // in a few statements per chunk of them: a changed amount is written while the row still holds
    // the amount loaded, with an audit row copying the row as it then stands; a changed balance
    // without a row, and an unchanged new one, are added whole while none is stored for their
    // account and date. A changed amount another user stored first refuses the store
    // (ChangedMeanwhile), naming the first such member.
    void storeAmounts(const QSqlDatabase& db, const QString& now, const QList<qsizetype>& members);
    // Holds the accounts of the members a store writes (every member, or with `amountsOnly` the
    // changed amounts and the new rows) against a delete by another user, in a statement per chunk;
    // a changed member whose account is gone refuses the whole store. Then locks the stored rows
    // it writes, in the order of their key: of two stores of one date's balances the second waits
    // for the first, then stores over it or is refused, instead of each holding a row the other
    // needs next.
    void holdAccountsAndLockRows(const QSqlDatabase& db, bool amountsOnly) const;
    // Every member's position, in list order.
    QList<qsizetype> allMembers() const;
    // The places in `members` (positions) in the order of their rows' keys, by date, then by
    // account: the one order in which every store locks the stored rows it writes and adds the new
    // ones, whatever the list's order, so that of two stores of the same balances neither holds a
    // row, or a new key, that the other needs next.
    QList<qsizetype> inKeyOrder(const QList<qsizetype>& members) const;
    qsizetype indexOf(const QString& number) const;
    void index(qsizetype position) const;
    QList<GLAccountBalance> m_balances;
    QList<qint64> m_loadedUnits; // each member's amount as loaded or last stored
    mutable QHash<QString, qsizetype> m_byNumber; // case-folded number -> position, built on first use
    mutable bool m_indexed = false;
};
