#pragma once

#include "arcurrency.h"

#include <QList>
#include <QString>

// Every account's reconciliation figures at one date, read in a handful of grouped queries for the
// views over all accounts (the selection grid, the summary report, the status export). The figures
// follow the same arithmetic as the reconciliation kinds.
struct AccountFigures
{
    qint64 accountId = 0;
    QString number;
    QString name;
    QString accountTypeCode;
    QString recTypeCode;
    QString active;
    QString keyControl;
    QString erpNumber;

    bool hasBalanceRow = false; // a balance is stored for the date
    ARCurrency amount;
    ARCurrency targetAmount;
    QString preparedBy, reviewedBy, approvedBy;
    QString preparedByDate, reviewedByDate, approvedByDate;
    QString comment;
    bool reconciled = false;
    QString lastReconciledDate;

    // Exact totals: one account's items may sum past the money type, which that account's figures
    // then show rather than every account's figures failing.
    ARCurrencySum itemsTotal;        // every reconciling item open at the date
    ARCurrencySum bankItemsTotal;    // the items of the five bank types
    ARCurrencySum prepaidRemaining;  // remaining balance of the prepaid items after the date
    ARCurrencySum requiredAdjustments;
    ARCurrencySum unresolved;

    // The sign-off status: "Reviewed", "Approved", "Prepared" or "".
    QString status() const;
    ARCurrency debitAmount() const;
    ARCurrency creditAmount() const;
    // The balance less its target and the kind's explained amount. An account whose kind has no
    // reconciliation class is figured as a plain reconciliation.
    ARCurrencySum unidentifiedDifference() const;
};

// Moved in memory as it stands (texts and plain numbers): a growing list of thousands of accounts
// moves its rows instead of copying them.
Q_DECLARE_TYPEINFO(AccountFigures, Q_RELOCATABLE_TYPE);

namespace AccountFiguresQuery {

// The filter words: "All Accounts", "Active Accounts", "Key Control Accounts".
QList<AccountFigures> load(const QString& date, const QString& accountFilter);

} // namespace AccountFiguresQuery

namespace SignOffStatus {
// "Reviewed" when reviewed-by is filled, else "Approved", else "Prepared", else "".
QString of(const QString& preparedBy, const QString& reviewedBy, const QString& approvedBy);
} // namespace SignOffStatus
