#include "accountfigures.h"

#include "daterules.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "reconciliationkind.h"
#include "referencelists.h"

#include <QHash>
#include <QSqlQuery>

#include <algorithm>
#include <vector>

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
    Active,     // NULL for "Yes"
    KeyControl, // NULL for "No"
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

// The columns of the items query, in its order: each group's account, whether its type is a bank
// item type, its timing (TimingOther, TimingRequired, TimingUnresolved), and last its sum (which may
// take two columns).
enum ItemColumn
{
    ItemAccount,
    ItemBankType,
    ItemTiming,
    ItemSum
};

enum ItemTimingClass
{
    TimingOther,
    TimingRequired,
    TimingUnresolved
};

// An account's sums while the groups come in, beside the list: small enough to stay near at hand
// while the groups of thousands of accounts add up. Only the totals must fit the money type.
struct Sums
{
    ARCurrencySum items, bankItems, requiredAdjustments, unresolved, prepaidRemaining;
};

// Where each listed account stands in the list, by its key. The keys a database numbers lie close
// together, so mostly a table from the least key to the greatest serves; a hash only where they lie
// far apart. A key listed twice stands where it was listed last.
class Positions
{
public:
    explicit Positions(const QList<qint64>& keys)
    {
        if (keys.isEmpty())
            return;
        const auto [least, greatest] = std::minmax_element(keys.cbegin(), keys.cend());
        // The span counted without overflow: far apart keys (or ones near both ends of the range)
        // go to the hash.
        const quint64 span = quint64(*greatest) - quint64(*least);
        if (span < quint64(4 * keys.size() + 1024)) {
            m_least = *least;
            m_table.assign(qsizetype(span) + 1, -1);
            for (qsizetype i = 0; i < keys.size(); ++i)
                m_table[qsizetype(keys[i] - m_least)] = i;
            return;
        }
        m_hash.reserve(keys.size());
        for (qsizetype i = 0; i < keys.size(); ++i)
            m_hash.insert(keys[i], i);
    }

    // -1 for a key not listed.
    qsizetype of(qint64 key) const
    {
        if (m_table.empty())
            return m_hash.value(key, -1);
        const quint64 offset = quint64(key) - quint64(m_least);
        return offset < m_table.size() ? m_table[offset] : -1;
    }

private:
    qint64 m_least = 0;
    std::vector<qsizetype> m_table;
    QHash<qint64, qsizetype> m_hash;
};

// A flag of the accounts query: NULL for `usual` (which the query left out), otherwise as
// GLAccount::flagText reads the stored text.
QString flagOr(const QVariant& stored, const QString& usual)
{
    return stored.isNull() ? usual : GLAccount::flagText(stored.toString());
}

// A stored date column read row after row: a text the row before held too is shown as it was
// then, read once and shared (the balances of one month end carry a few dates over all accounts).
class DateColumn
{
public:
    QString read(const QVariant& stored)
    {
        if (stored.isNull())
            return {};
        QString text = stored.toString();
        if (!m_read || text != m_stored) {
            m_shown = Persistence::dateOf(stored);
            m_stored = std::move(text);
            m_read = true;
        }
        return m_shown;
    }

private:
    bool m_read = false;
    QString m_stored, m_shown;
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
    QList<qint64> keys; // each listed account's key, in the list's order

    // 1. Accounts with their balance at the date and their last prepared period up to it. Nearly
    //    every account is active and most are no key control accounts: those flags come back as
    //    NULL and read as the one shared text, not as a text made for each account.
    {
        const QString exact = Db::exactCollation(db);
        QSqlQuery q = Db::exec(
            db,
            QStringLiteral(
                "SELECT a.glAcctID, a.glacctnbr, a.name, a.accountTypeCode, a.recTypeCode, "
                "NULLIF(a.active%1, 'Yes'), NULLIF(COALESCE(a.keycontrol, '')%1, 'No'), a.ERPNumber, "
                "b.glAcctID, b.amount, b.targetAmount, b.preparedBy, b.reviewedBy, b.approvedBy, "
                "b.PreparedByDate, b.ReviewedByDate, b.ApprovedByDate, "
                "b.comment, b.ReconciledInd, "
                "(SELECT MAX(p.Date) FROM GLAccountBalance p WHERE p.glAcctID = a.glAcctID "
                "AND p.Date <= ? AND p.PreparedByDate IS NOT NULL) "
                "FROM GLAccount a LEFT JOIN GLAccountBalance b ON b.glAcctID = a.glAcctID AND b.Date = ? "
                "WHERE ")
                    .arg(exact) +
                filter + QStringLiteral(" ORDER BY ") +
                Db::caseBlindOrder(db, QStringLiteral("a.glacctnbr")) + QStringLiteral(", a.glAcctID"),
            {at, at});
        DateColumn preparedOn, reviewedOn, approvedOn, lastPrepared;
        const QString yes = QStringLiteral("Yes"), no = QStringLiteral("No");
        while (q.next()) {
            // Filled where it stands in the list, not copied or moved into it.
            AccountFigures& f = out.emplaceBack();
            f.accountId = q.value(AccountId).toLongLong();
            f.number = Db::textOf(q.value(Number));
            f.name = Db::textOf(q.value(Name));
            f.accountTypeCode = Db::textOf(q.value(AccountTypeCode));
            f.recTypeCode = Db::textOf(q.value(RecTypeCode));
            f.active = flagOr(q.value(Active), yes);
            f.keyControl = flagOr(q.value(KeyControl), no);
            f.erpNumber = Db::textOf(q.value(ErpNumber));
            f.hasBalanceRow = !q.value(BalanceRow).isNull();
            f.amount = Persistence::moneyOf(q.value(Amount));
            f.targetAmount = Persistence::moneyOf(q.value(TargetAmount));
            f.preparedBy = Db::textOf(q.value(PreparedBy));
            f.reviewedBy = Db::textOf(q.value(ReviewedBy));
            f.approvedBy = Db::textOf(q.value(ApprovedBy));
            f.preparedByDate = preparedOn.read(q.value(PreparedByDate));
            f.reviewedByDate = reviewedOn.read(q.value(ReviewedByDate));
            f.approvedByDate = approvedOn.read(q.value(ApprovedByDate));
            f.comment = Db::textOf(q.value(Comment));
            f.reconciled = q.value(Reconciled).toLongLong() != 0;
            f.lastReconciledDate = lastPrepared.read(q.value(LastPrepared));
            keys.append(f.accountId);
        }
    }
    const Positions positions(keys);
    std::vector<Sums> sums(out.size());
    const Db::MoneySums sumOf(db);

    // 2. Reconciling items open at the date, summed by account, type and timing (codes grouped
    //    without regard to letter case). Each group says whether its type is a bank item type and
    //    which timing it has, so that no code comes back as text: the query compares each code with
    //    its spellings in either letter case, exactly (cheap on either engine), as TypeCode
    //    compares the one-letter codes.
    {
        QVariantList values;
        const auto oneOf = [&](const QString& column, const QStringList& codes) {
            QStringList marks;
            for (const QString& code : codes)
                for (const QString& spelling : {code.toUpper(), code.toLower()}) {
                    marks << QStringLiteral("?");
                    values << spelling;
                }
            return QStringLiteral("%1%2 IN (%3)")
                .arg(column, Db::exactCollation(db), marks.join(QStringLiteral(", ")));
        };
        // In the order of their marks in the query.
        const QString bankType = oneOf(QStringLiteral("i.typeCode"), ReconciliationKind::bankItemTypeCodes());
        const QString required = oneOf(QStringLiteral("i.ReqTiming"), {QStringLiteral("R")});
        const QString unresolved = oneOf(QStringLiteral("i.ReqTiming"), {QStringLiteral("U")});
        const QString sql =
            QStringLiteral("SELECT i.glAcctID, CASE WHEN %1 THEN 1 ELSE 0 END, "
                           "CASE WHEN %2 THEN %3 WHEN %4 THEN %5 ELSE %6 END, ")
                .arg(bankType, required, QString::number(TimingRequired), unresolved,
                     QString::number(TimingUnresolved), QString::number(TimingOther)) +
            Db::exactSum(db, QStringLiteral("i.amount")) + QStringLiteral(" FROM ReconcilingItem i") +
            accountsJoin(QStringLiteral("i")) +
            QStringLiteral(" WHERE i.openDate <= ? AND (i.closeDate IS NULL OR i.closeDate > ?)") + andFilter +
            QStringLiteral(" GROUP BY i.glAcctID, i.typeCode, i.ReqTiming");
        values << at << at;
        QSqlQuery q = Db::exec(db, sql, values);
        while (q.next()) {
            const qsizetype i = positions.of(q.value(ItemAccount).toLongLong());
            if (i < 0)
                continue;
            Sums& f = sums[size_t(i)];
            const ARCurrencySum sum = sumOf.at(q, ItemSum);
            f.items.add(sum);
            if (q.value(ItemBankType).toLongLong() != 0)
                f.bankItems.add(sum);
            const qint64 timing = q.value(ItemTiming).toLongLong();
            if (timing == TimingRequired)
                f.requiredAdjustments.add(sum);
            else if (timing == TimingUnresolved)
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
            const qsizetype i = positions.of(q.value(0).toLongLong());
            if (i >= 0)
                sums[size_t(i)].prepaidRemaining.add(sumOf.at(q, 1));
        }
    }
    for (qsizetype i = 0; i < out.size(); ++i) {
        AccountFigures& f = out[i];
        const Sums& s = sums[size_t(i)];
        f.itemsTotal = s.items;
        f.bankItemsTotal = s.bankItems;
        f.requiredAdjustments = s.requiredAdjustments;
        f.unresolved = s.unresolved;
        f.prepaidRemaining = s.prepaidRemaining;
    }
    return out;
}

} // namespace AccountFiguresQuery
