#pragma once

// What a balance and its list share: the table's columns, in the order both read and write them,
// the account id a row stores and the refusal of a second row of one account and date.

#include "glaccountbalance.h"
#include "persistence.h"

#include <QStringList>

class AppError;

namespace GLAccountBalanceTable {

inline const QString kTable = QStringLiteral("GLAccountBalance");
// The table's columns, in the order of kColumns, which is also the order a balance reads and
// writes them.
enum Column : qsizetype
{
    AccountId,
    Date,
    Amount,
    TargetAmount,
    PreparedBy,
    Comment,
    Reconciled,
    ReconciledDate,
    ReviewedBy,
    ApprovedBy,
    PreparedByDate,
    ReviewedByDate,
    ApprovedByDate,
    CalcBasis,
    CreateDate,
    CreateUser,
    ColumnCount
};
inline const QStringList kColumns = {
    QStringLiteral("glAcctID"),       QStringLiteral("Date"),           QStringLiteral("amount"),
    QStringLiteral("targetAmount"),   QStringLiteral("preparedBy"),     QStringLiteral("comment"),
    QStringLiteral("ReconciledInd"),  QStringLiteral("reconciledDate"), QStringLiteral("reviewedBy"),
    QStringLiteral("approvedBy"),     QStringLiteral("PreparedByDate"), QStringLiteral("ReviewedByDate"),
    QStringLiteral("ApprovedByDate"), QStringLiteral("CalcBasis"),      QStringLiteral("CreateDate"),
    QStringLiteral("CreateUser")};
inline const QStringList kKeyColumns = {kColumns[AccountId], kColumns[Date]};
inline const Persistence::StoredTable kStored{kTable, kColumns, QStringLiteral("glAcctID = ? AND Date = ?")};

// The account's id as a balance row stores it.
QVariant accountIdOf(const IGLAccountBalance::Account& account);
// A second row for the same account and date is refused by the table's unique key: another user
// stored this balance since it was loaded.
AppError storedMeanwhile(const AppError& e);

} // namespace GLAccountBalanceTable
