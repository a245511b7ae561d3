#pragma once

#include "amortizableitemlist.h"
#include "reconcilingitemlist.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSqlDatabase;

// What a reconciliation window showed its signer beside the balance: the reconciling items open
// at the date and, for a prepaid account, the prepaid items with their schedules, each as it was
// loaded. A sign-off vouches for all of it, so it is stored only while the stored items are still
// these; the difference the signer saw is then the one the stored figures give.
//
// It holds the window's own lists, shared, not copies of their items: what a sign-off compares is
// what the window shows when it signs, and a window that shows thousands of items pays for the
// comparison only when it signs.
class ReconciliationEvidence
{
public:
    // The items shown; a second list adds its items (the bank's lists by type).
    void addItems(const ReconcilingItemList& items);
    void setPrepaidItems(const AmortizableItemList& items);
    // Nothing was shown beside the balance: a sign-off then vouches for the balance alone.
    bool isEmpty() const { return !m_itemsShown && !m_prepaidShown; }

    // Inside the sign-off's transaction, before the balance is written: locks the account's row
    // and the rows of the items shown until the transaction ends (a store or removal of any of
    // them by another user waits, and one under way is waited for), then compares what is stored
    // now with what was shown, in one query a table. Raises ChangedMeanwhile (DeletedMeanwhile
    // for a removal) naming the first item, prepaid item or schedule another user added, changed
    // or deleted since, who did it and when; nothing when the account's row is gone (the store
    // says so next).
    void lockAndRequireAsShown(const QSqlDatabase& db, const QVariant& accountId, const QString& date) const;

private:
    // What a sign-off compares of an item, as shown and as stored now.
    struct Shown
    {
        QString id;
        QString name;          // how a refusal names it: "The reconciling item \"Check 1001\""
        QVariantList identity; // glAcctID, CreateDate, CreateUser: what finds its audit rows
        QStringList state;     // its figures and texts as shown
        QStringList schedule;  // a prepaid item's periods, "id|period|units", sorted
    };
    static Shown shownItem(const ReconcilingItem& item);
    static Shown shownPrepaid(const AmortizableItem& item);

    bool m_itemsShown = false;
    bool m_prepaidShown = false;
    QList<ReconcilingItemList> m_items;
    AmortizableItemList m_prepaid;
};
