#include "accountfigures.h"

#include "daterules.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "reconciliationkind.h"
#include "referencelists.h"
#include "typecode.h"

#include <QHash>
#include <QSqlQuery>

namespace {

// Which accounts a filter word lets through; the flags compare exactly, an empty flag reading "Yes".
QString filterCondition(const QSqlDatabase& db, const QString& accountFilter)
{
    if (accountFilter == QStringLiteral("All Accounts"))
        return QStringLiteral("1 = 1");
    if (accountFilter == QStringLiteral("Active Accounts"))
        return GLAccount::flagSql(QStringLiteral("a.active")) + QStringLiteral(" = 'Yes'") + Db::exactCollation(db);
    if (accountFilter == QStringLiteral("Key Control Accounts"))
        return GLAccount::flagSql(QStringLiteral("a.keycontrol")) + QStringLiteral(" = 'Yes'") + Db::exactCollation(db);
    return QStringLiteral("1 = 0");
}

// The columns of the accounts query, in its order.
enum AccountColumn
{
    AccountId,
    Number,
    Name,
    AccountTypeCode,
    RecTypeCode,
    Active,
    KeyControl,
    ErpNumber,
    BalanceRow,
    Amount,
    TargetAmount,
    PreparedBy,
    ReviewedBy,
    ApprovedBy,
    PreparedByDate,
    ReviewedByDate,
    ApprovedByDate,
    Comment,
    Reconciled,
    LastPrepared
};

// The columns of the items query, in its order; the sum comes last.
enum ItemColumn
{
    ItemAccount,
    ItemType,
    ItemTiming,
    ItemSum
};

// An account's sums while the groups come in; only the totals must fit the money type.
struct Sums
{
    ARCurrencySum items, bankItems, requiredAdjustments, unresolved, prepaidRemaining;
};

} // namespace

QString SignOffStatus::of(const QString& preparedBy, const QString& reviewedBy, const QString& approvedBy)
{
    if (!reviewedBy.isEmpty())
        return QStringLiteral("Reviewed");
    if (!approvedBy.isEmpty())
        return QStringLiteral("Approved");
    if (!preparedBy.isEmpty())
        return QStringLiteral("Prepared");
    return {};
}

QString AccountFigures::status() const
{
    return SignOffStatus::of(preparedBy, reviewedBy, approvedBy);
}

ARCurrency AccountFigures::debitAmount() const
{
    return GLAccountType::isDebitCode(accountTypeCode) ? amount : ARCurrency();
}

ARCurrency AccountFigures::creditAmount() const
{
    return GLAccountType::isDebitCode(accountTypeCode) ? ARCurrency() : amount;
}

ARCurrencySum AccountFigures::unidentifiedDifference() const
{
    using namespace ReconciliationKind;
    const Kind kind = of(recTypeCode).value_or(Kind::Plain);
    return ARCurrencySum(amount)
        .subtract(targetAmount)
        .subtract(explained(kind, EvidenceSums{itemsTotal, bankItemsTotal, prepaidRemaining}));
}

namespace AccountFiguresQuery {

QList<AccountFigures> load(const QString& date, const QString& accountFilter)
{
    const QVariant at = DateRules::toDb(date);
    QSqlDatabase db = Global::getConnection();
    const QString filter = filterCondition(db, accountFilter);

    // The items' and prepaid items' sums need their accounts only to filter them: over all
    // accounts they are grouped without the join (rows of accounts not listed are passed over).
    const bool allAccounts = accountFilter == QStringLiteral("All Accounts");
    const QString andFilter = allAccounts ? QString() : QStringLiteral(" AND ") + filter;
    const auto accountsJoin = [&](const QString& alias) {
        return allAccounts ? QString() : QStringLiteral(" JOIN GLAccount a ON a.glAcctID = %1.glAcctID").arg(alias);
    };

    QList<AccountFigures> out;
    QHash<qint64, qsizetype> index;
    QList<Sums> sums;

    // 1. Accounts with their balance at the date and their last prepared period up to it.
    {
        QSqlQuery q = Db::exec(
            db,
            QStringLiteral(
                "SELECT a.glAcctID, a.glacctnbr, a.name, a.accountTypeCode, a.recTypeCode, a.active, "
                "a.keycontrol, a.ERPNumber, b.glAcctID, b.amount, b.targetAmount, b.preparedBy, "
                "b.reviewedBy, b.approvedBy, b.PreparedByDate, b.ReviewedByDate, b.ApprovedByDate, "
                "b.comment, b.ReconciledInd, "
                "(SELECT MAX(p.Date) FROM GLAccountBalance p WHERE p.glAcctID = a.glAcctID "
                "AND p.Date <= ? AND p.PreparedByDate IS NOT NULL) "
                "FROM GLAccount a LEFT JOIN GLAccountBalance b ON b.glAcctID = a.glAcctID AND b.Date = ? "
                "WHERE ") +
                filter + QStringLiteral(" ORDER BY ") +
                Db::caseBlindOrder(db, QStringLiteral("a.glacctnbr")) + QStringLiteral(", a.glAcctID"),
            {at, at});
        while (q.next()) {
            AccountFigures f;
            f.accountId = q.value(AccountId).toLongLong();
            f.number = Db::textOf(q.value(Number));
            f.name = Db::textOf(q.value(Name));
            f.accountTypeCode = Db::textOf(q.value(AccountTypeCode));
            f.recTypeCode = Db::textOf(q.value(RecTypeCode));
            f.active = GLAccount::flagText(Db::textOf(q.value(Active)));
            f.keyControl = GLAccount::flagText(Db::textOf(q.value(KeyControl)));
            f.erpNumber = Db::textOf(q.value(ErpNumber));
            f.hasBalanceRow = !q.value(BalanceRow).isNull();
            f.amount = Persistence::moneyOf(q.value(Amount));
            f.targetAmount = Persistence::moneyOf(q.value(TargetAmount));
            f.preparedBy = Db::textOf(q.value(PreparedBy));
            f.reviewedBy = Db::textOf(q.value(ReviewedBy));
            f.approvedBy = Db::textOf(q.value(ApprovedBy));
            f.preparedByDate = Persistence::dateOf(q.value(PreparedByDate));
            f.reviewedByDate = Persistence::dateOf(q.value(ReviewedByDate));
            f.approvedByDate = Persistence::dateOf(q.value(ApprovedByDate));
            f.comment = Db::textOf(q.value(Comment));
            f.reconciled = q.value(Reconciled).toInt() != 0;
            f.lastReconciledDate = Persistence::dateOf(q.value(LastPrepared));
            index.insert(f.accountId, out.size());
            out.append(std::move(f));
            sums.append(Sums());
        }
    }

    // 2. Reconciling items open at the date, summed by account, type and timing (codes grouped and
    //    compared without regard to letter case).
    {
        QSqlQuery q = Db::exec(
            db,
            QStringLiteral("SELECT i.glAcctID, i.typeCode, i.ReqTiming, ") +
                Db::exactSum(db, QStringLiteral("i.amount")) +
                QStringLiteral(" FROM ReconcilingItem i") + accountsJoin(QStringLiteral("i")) +
                QStringLiteral(" WHERE i.openDate <= ? AND (i.closeDate IS NULL OR i.closeDate > ?)") + andFilter +
                QStringLiteral(" GROUP BY i.glAcctID, i.typeCode, i.ReqTiming"),
            {at, at});
        while (q.next()) {
            const auto it = index.constFind(q.value(ItemAccount).toLongLong());
            if (it == index.constEnd())
                continue;
            Sums& f = sums[*it];
            const ARCurrencySum sum = Db::moneySum(db, q.value(ItemSum));
            const QString type = Db::textOf(q.value(ItemType));
            const QString timing = Db::textOf(q.value(ItemTiming));
            f.items.add(sum);
            if (ReconciliationKind::bankItemTypeOf(type))
                f.bankItems.add(sum);
            if (TypeCode::is(timing, u"R"))
                f.requiredAdjustments.add(sum);
            else if (TypeCode::is(timing, u"U"))
                f.unresolved.add(sum);
        }
    }

    // 3. What the prepaid items open at the date still have to amortize after it.
    {
        QSqlQuery q = Db::exec(
            db,
            QStringLiteral("SELECT m.glAcctID, ") + Db::exactSum(db, QStringLiteral("z.amount")) +
                QStringLiteral(" FROM AmortizableItem m") + accountsJoin(QStringLiteral("m")) +
                QStringLiteral(" JOIN Amortization z ON z.amortizableItemID = m.AmortizableItemID "
                               "WHERE m.openDate <= ? AND (m.endDate IS NULL OR m.endDate >= ?) AND z.period > ?") +
                andFilter + QStringLiteral(" GROUP BY m.glAcctID"),
            {at, at, at});
        while (q.next()) {
            const auto it = index.constFind(q.value(0).toLongLong());
            if (it != index.constEnd())
                sums[*it].prepaidRemaining.add(Db::moneySum(db, q.value(1)));
        }
    }
    for (qsizetype i = 0; i < out.size(); ++i) {
        AccountFigures& f = out[i];
        f.itemsTotal = sums[i].items;
        f.bankItemsTotal = sums[i].bankItems;
        f.requiredAdjustments = sums[i].requiredAdjustments;
        f.unresolved = sums[i].unresolved;
        f.prepaidRemaining = sums[i].prepaidRemaining;
    }
    return out;
}

} // namespace AccountFiguresQuery
