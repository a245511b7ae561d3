#include "glaccountbalance.h"

#include "apperror.h"
#include "daterules.h"
#include "datavalidationerror.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "recordid.h"
#include "samename.h"

#include <QSet>
#include <QSqlQuery>
#include <algorithm>

namespace {

const QString kTable = QStringLiteral("GLAccountBalance");
const QStringList kColumns = {
    QStringLiteral("glAcctID"),       QStringLiteral("Date"),           QStringLiteral("amount"),
    QStringLiteral("targetAmount"),   QStringLiteral("preparedBy"),     QStringLiteral("comment"),
    QStringLiteral("ReconciledInd"),  QStringLiteral("reconciledDate"), QStringLiteral("reviewedBy"),
    QStringLiteral("approvedBy"),     QStringLiteral("PreparedByDate"), QStringLiteral("ReviewedByDate"),
    QStringLiteral("ApprovedByDate"), QStringLiteral("CalcBasis"),      QStringLiteral("CreateDate"),
    QStringLiteral("CreateUser")};
const Persistence::StoredTable kStored{kTable, kColumns, QStringLiteral("glAcctID = ? AND Date = ?")};
const QString kStoredMeanwhile =
    QStringLiteral("Another user stored a balance of this account at this date after you opened it, so yours was "
                   "not stored. Close this window and open the date again to see the stored balance.");

// Sign-off dates are held as passed; one that reads as a date is stored in the database's form.
QVariant signOffDateToDb(const QString& text)
{
    if (text.trimmed().isEmpty())
        return Db::null();
    const auto d = DateRules::fromText(text);
    return d ? DateRules::toDb(*d) : QVariant(text);
}

QString signOffDateOf(const QVariant& stored)
{
    const QString asDate = DateRules::fromDb(stored);
    return asDate.isEmpty() ? Db::textOf(stored) : asDate;
}

QVariant accountIdOf(const IGLAccountBalance::Account& account)
{
    return RecordId::toDb(account ? account->getID() : QString(), QStringLiteral("GLAccountBalance"),
                          QStringLiteral("account id"));
}

AppError validationError(const QString& code)
{
    return DataValidationError::raise(QStringLiteral("GLAccountBalance"), code);
}

} // namespace

GLAccountBalance::GLAccountBalance() = default;
GLAccountBalance::~GLAccountBalance() = default;
GLAccountBalance::GLAccountBalance(GLAccountBalance&& other) noexcept = default;
GLAccountBalance& GLAccountBalance::operator=(GLAccountBalance&& other) noexcept = default;

GLAccountBalance::GLAccountBalance(const GLAccountBalance& other)
{
    *this = other;
}

GLAccountBalance& GLAccountBalance::operator=(const GLAccountBalance& other)
{
    if (this == &other)
        return *this;
    m_f = other.m_f;
    m_isNew = other.m_isNew;
    m_loaded = other.m_loaded;
    m_copy = other.m_copy ? std::make_unique<GLAccountBalance>(*other.m_copy) : nullptr;
    return *this;
}

void GLAccountBalance::initialize(const Account& account, const QString& date, const QString& amount,
                                  const QString& targetAmount, const QString& preparedBy, const QString& comment,
                                  bool reconciled, const QString& reconciledDate, const QString& reviewedBy,
                                  const QString& approvedBy, const QString& preparedByDate,
                                  const QString& reviewedByDate, const QString& approvedByDate,
                                  const QString& createDate, const QString& createUser, const QString& calcBasis)
{
    m_f.account = account;
    m_f.date.setDate(date);
    m_f.amount.setVal(amount);
    m_f.targetAmount.setVal(targetAmount);
    m_f.preparedBy = preparedBy;
    m_f.comment = comment;
    m_f.reconciled = reconciled;
    m_f.reconciledDate.setDate(reconciledDate);
    m_f.reviewedBy = reviewedBy;
    m_f.approvedBy = approvedBy;
    m_f.preparedByDate = preparedByDate;
    m_f.reviewedByDate = reviewedByDate;
    m_f.approvedByDate = approvedByDate;
    m_f.createDate = createDate;
    m_f.createUser = createUser;
    m_f.calcBasis = calcBasis;
}

ARCurrency GLAccountBalance::getDebitAmount() const
{
    return m_f.account && m_f.account->getAccountType().isDebit() ? m_f.amount : ARCurrency();
}

ARCurrency GLAccountBalance::getCreditAmount() const
{
    return m_f.account && m_f.account->getAccountType().isCredit() ? m_f.amount : ARCurrency();
}

ARCurrency GLAccountBalance::getUnidentifiedDifference(const ARCurrency& otherItems) const
{
    return ARCurrencySum(m_f.amount).subtract(m_f.targetAmount).subtract(otherItems).value();
}

QString GLAccountBalance::getLastReconciledDate() const
{
    const QVariant last = Db::scalar(
        Global::getConnection(),
        QStringLiteral("SELECT MAX(Date) FROM GLAccountBalance WHERE glAcctID = ? AND PreparedByDate IS NOT NULL "
                       "AND Date <= ?"),
        {accountIdOf(m_f.account), DateRules::toDb(getDate())});
    return DateRules::fromDb(last);
}

QString GLAccountBalance::selectColumns(const QString& alias)
{
    QStringList cols;
    for (const QString& c : kColumns)
        cols << alias + QLatin1Char('.') + c;
    return cols.join(QStringLiteral(", "));
}

void GLAccountBalance::readRow(const QSqlQuery& q, int first, const Account& account)
{
    m_loaded = Persistence::loadedValues(q, first, int(kColumns.size()));
    const auto v = [this](int i) -> const QVariant& { return m_loaded[i]; };
    m_f.account = account;
    m_f.date.setDate(DateRules::fromDb(v(1)));
    m_f.amount = Persistence::moneyOf(v(2));
    m_f.targetAmount = Persistence::moneyOf(v(3));
    m_f.preparedBy = Db::textOf(v(4));
    m_f.comment = Db::textOf(v(5));
    m_f.reconciled = v(6).toInt() != 0;
    m_f.reconciledDate.setDate(DateRules::fromDb(v(7)));
    m_f.reviewedBy = Db::textOf(v(8));
    m_f.approvedBy = Db::textOf(v(9));
    m_f.preparedByDate = signOffDateOf(v(10));
    m_f.reviewedByDate = signOffDateOf(v(11));
    m_f.approvedByDate = signOffDateOf(v(12));
    m_f.calcBasis = Db::textOf(v(13));
    m_f.createDate = Db::textOf(v(14));
    m_f.createUser = Db::textOf(v(15));
    m_isNew = false;
}

void GLAccountBalance::Load(const Account& account, const QString& date)
{
    m_f.account = account;
    setDate(date);
    if (!account || getDate().isEmpty())
        return;
    QSqlQuery q = Db::exec(Global::getConnection(),
                           QStringLiteral("SELECT %1 FROM GLAccountBalance b WHERE b.glAcctID = ? AND b.Date = ?")
                               .arg(selectColumns(QStringLiteral("b"))),
                           {accountIdOf(account), DateRules::toDb(getDate())});
    if (q.next())
        readRow(q, 0, account);
}

bool GLAccountBalance::isValid() const
{
    return m_f.account && !m_f.date.isNull() && (m_f.reconciledDate.isNull() || m_f.reconciledDate.isAfter(m_f.date));
}

void GLAccountBalance::validate() const
{
    if (!m_f.account)
        throw validationError(QStringLiteral("GLAccountMissing"));
    if (m_f.date.isNull())
        throw validationError(QStringLiteral("DateInvalid"));
    if (!m_f.reconciledDate.isNull() && !m_f.reconciledDate.isAfter(m_f.date))
        throw validationError(QStringLiteral("ReconciledDateInvalid"));
}

QVariantList GLAccountBalance::columnValues() const
{
    return {accountIdOf(m_f.account),
            Persistence::date(m_f.date),
            Persistence::money(m_f.amount),
            Persistence::money(m_f.targetAmount),
            Persistence::freeText(m_f.preparedBy),
            Persistence::freeText(m_f.comment),
            m_f.reconciled ? 1 : 0,
            Persistence::date(m_f.reconciledDate),
            Persistence::freeText(m_f.reviewedBy),
            Persistence::freeText(m_f.approvedBy),
            signOffDateToDb(m_f.preparedByDate),
            signOffDateToDb(m_f.reviewedByDate),
            signOffDateToDb(m_f.approvedByDate),
            Persistence::freeText(m_f.calcBasis),
            Persistence::freeText(m_f.createDate),
            Persistence::freeText(m_f.createUser)};
}

Persistence::Conflict GLAccountBalance::conflict() const
{
    return {QStringLiteral("The balance of account %1 at %2")
                .arg(m_f.account ? m_f.account->getNumber() : QString(), getDate()),
            QStringLiteral("the account")};
}

void GLAccountBalance::requireAccount(const QSqlDatabase& db) const
{
    // What remains of a deleted account's balances is no place for new work.
    GLAccount::requireStored(db, accountIdOf(m_f.account), m_f.account->getNumber());
}

void GLAccountBalance::store()
{
    validate();
    Db::Transaction tx(Global::getConnection());
    Persistence::RestoreOnFailure keep(m_f, m_isNew);
    Persistence::RestoreOnFailure keepLoaded(m_loaded);
    requireAccount(tx.db());
    storeIn(tx.db(), Persistence::now());
    tx.commit();
    keep.release();
    keepLoaded.release();
}

void GLAccountBalance::storeIn(const QSqlDatabase& db, const QString& now)
{
    validate();
    Persistence::RestoreOnFailure keep(m_f, m_isNew);
    const bool adding = m_isNew;
    if (adding) {
        m_f.createDate = now;
        m_f.createUser = Global::userName;
    }
    Persistence::Row row{kStored, columnValues()};
    if (!adding) {
        row.keyValues = {accountIdOf(m_f.account), DateRules::toDb(getDate())};
        row.loaded = m_loaded;
        row.conflict = conflict();
    }
    try {
        Persistence::storeRow(db, adding, row);
    } catch (const AppError& e) {
        // A second row for the same account and date is refused by the table's unique key:
        // another user stored this balance since it was loaded.
        if (!adding || e.number() != AppError::DatabaseConflict)
            throw;
        throw AppError(AppError::DatabaseConflict, e.source(), kStoredMeanwhile).withDetails(e.description());
    }
    m_isNew = false;
    keep.release();
    m_loaded = row.values;
}

void GLAccountBalance::beginEdit()
{
    m_copy.reset();
    m_copy = std::make_unique<GLAccountBalance>(*this);
}

void GLAccountBalance::cancelEdit()
{
    if (!m_copy)
        return;
    std::unique_ptr<GLAccountBalance> copy = std::move(m_copy);
    const bool isNew = m_isNew;
    QVariantList loaded = std::move(m_loaded);
    *this = *copy;
    m_isNew = isNew;
    m_loaded = std::move(loaded);
}

void GLAccountBalance::applyEdit()
{
    store();
    m_copy.reset();
}

// ---------------------------------------------------------------------------------------------

void GLAccountBalanceList::Load(const QString& date)
{
    QSqlDatabase db = Global::getConnection();
    const RecTypeList recTypes(db);
    const ERPNumberList erpNumbers(db);
    const QString normalized = DateRules::normalize(date);
    QSqlQuery q =
        Db::exec(db,
                 QStringLiteral("SELECT %1, b.glAcctID, %2 FROM GLAccount a LEFT JOIN GLAccountBalance b "
                                "ON b.glAcctID = a.glAcctID AND b.Date = ? ORDER BY %3, a.glAcctID")
                     .arg(GLAccount::selectColumns(QStringLiteral("a")),
                          GLAccountBalance::selectColumns(QStringLiteral("b")),
                          Db::caseBlindOrder(db, QStringLiteral("a.glacctnbr"))),
                 {DateRules::toDb(normalized)});
    constexpr int kBalanceFirst = 13;
    while (q.next()) {
        auto account = std::make_shared<GLAccount>();
        account->readRow(q, recTypes, erpNumbers);
        GLAccountBalance& balance = m_balances.emplaceBack();
        if (q.value(12).isNull()) {
            balance.setGLAccount(account);
            balance.setDate(normalized);
        } else {
            balance.readRow(q, kBalanceFirst, account);
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
    static const QString auditColumns = kColumns.join(QStringLiteral(", "));
    // The audit row copies the row as it stands after the change, other users' columns included.
    static const QString auditFromRow =
        QStringLiteral("INSERT INTO GLAccountBalanceAudit (%1, Activity, ActivityDate, ActivityUser) "
                       "SELECT %1, ?, ?, ? FROM GLAccountBalance WHERE glAcctID = ? AND Date = ?")
            .arg(auditColumns);
    // The amount is written only while it still is the one loaded: another user's amount (typed or
    // imported) is not overwritten, while his sign-offs, target or comment are no concern of this store.
    static const QString updateAmount = QStringLiteral(
        "UPDATE GLAccountBalance SET amount = ? WHERE glAcctID = ? AND Date = ? AND COALESCE(amount, 0) = ?");
    static const QString rowExists =
        QStringLiteral("SELECT 1 FROM GLAccountBalance WHERE glAcctID = ? AND Date = ?");
    // An unchanged new balance is only added while nobody else has stored one for its account and
    // date, and while the account is there.
    static const QString insertIfMissing =
        QStringLiteral("INSERT INTO GLAccountBalance (%1) SELECT %2 WHERE NOT EXISTS "
                       "(SELECT 1 FROM GLAccountBalance WHERE glAcctID = ? AND Date = ?) "
                       "AND EXISTS (SELECT 1 FROM GLAccount WHERE glAcctID = ?)")
            .arg(auditColumns, QStringList(kColumns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));

    storeAll([this](const QSqlDatabase& db, const QString& now) {
        holdAccounts(db, true);
        if (storeAmountsInBatches(db, now))
            return;
        for (qsizetype i = 0; i < m_balances.size(); ++i) {
            GLAccountBalance& b = m_balances[i];
            b.validate();
            const QVariant id = accountIdOf(b.getGLAccount());
            const QVariant date = Persistence::date(b.m_f.date);
            const bool changed = b.amount().units() != m_loadedUnits.at(i);
            if (changed &&
                Db::execCount(db, updateAmount, {b.amount().units(), id, date, m_loadedUnits.at(i)}) == 1) {
                Db::exec(db, auditFromRow, {Persistence::Update, now, Global::userName, id, date});
                b.m_isNew = false;
                if (!b.m_loaded.isEmpty())
                    b.m_loaded[2] = b.amount().units();
            } else if (changed && Db::scalar(db, rowExists, {id, date}).isValid()) {
                Persistence::Row row{kStored, {}};
                row.keyValues = {id, date};
                row.conflict = {b.conflict().subject, QStringLiteral("the period-end balances")};
                Persistence::refuseStale(db, row);
            } else if (changed) {
                // No row for the account and date (none loaded, or removed meanwhile): add the whole balance.
                b.m_isNew = true;
                b.storeIn(db, now);
            } else if (b.m_isNew) {
                b.m_f.createDate = now;
                b.m_f.createUser = Global::userName;
                QVariantList values = b.columnValues();
                const QVariantList auditValues = values;
                values << id << date << id;
                if (Db::execCount(db, insertIfMissing, values) == 1) {
                    Persistence::writeAudit(db, kStored, auditValues, Persistence::Insert);
                    b.m_isNew = false;
                    b.m_loaded = auditValues;
                }
            }
        }
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
        holdAccounts(db, false);
        if (storeInBatches(db, now))
            return;
        for (GLAccountBalance& b : m_balances)
            b.storeIn(db, now);
    });
}

void GLAccountBalanceList::holdAccounts(const QSqlDatabase& db, bool amountsOnly) const
{
    QList<qint64> ids;
    QList<qsizetype> changed; // members
    for (qsizetype i = 0; i < m_balances.size(); ++i) {
        const GLAccountBalance& b = m_balances[i];
        b.validate();
        const bool change = !amountsOnly || b.amount().units() != m_loadedUnits.at(i);
        if (!change && !b.m_isNew)
            continue; // not written
        ids << accountIdOf(b.m_f.account).toLongLong();
        if (change)
            changed << i;
    }
    // An unchanged new row of an account that is gone is simply not added.
    const QSet<qint64> stored = GLAccount::holdStored(db, ids);
    for (qsizetype i : std::as_const(changed))
        if (!stored.contains(accountIdOf(m_balances[i].m_f.account).toLongLong()))
            m_balances[i].requireAccount(db);
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
    Db::runTransaction(Global::getConnection(), [&](Db::Transaction& tx) {
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

const QStringList kKeyColumns = {QStringLiteral("glAcctID"), QStringLiteral("Date")};

// The columns of a balance about to be added: stamped with the store's moment and user.
QVariantList stamped(QVariantList values, const QString& now)
{
    static const qsizetype createDate = kColumns.indexOf(QStringLiteral("CreateDate"));
    static const qsizetype createUser = kColumns.indexOf(QStringLiteral("CreateUser"));
    values[createDate] = Persistence::freeText(now);
    values[createUser] = Persistence::freeText(Global::userName);
    return values;
}

} // namespace

bool GLAccountBalanceList::storeInBatches(const QSqlDatabase& db, const QString& now)
{
    QList<Persistence::Row> rows;
    QList<bool> added;
    rows.reserve(m_balances.size());
    for (const GLAccountBalance& b : std::as_const(m_balances)) {
        b.validate();
        Persistence::Row row(kStored, b.m_isNew ? stamped(b.columnValues(), now) : b.columnValues());
        added << b.m_isNew;
        if (!b.m_isNew) {
            row.keyValues = {accountIdOf(b.m_f.account), DateRules::toDb(b.getDate())};
            row.loaded = b.m_loaded;
        }
        rows.append(std::move(row));
    }
    if (!Persistence::storeRows(db, kKeyColumns, rows, added))
        return false;
    for (qsizetype i = 0; i < m_balances.size(); ++i) {
        GLAccountBalance& b = m_balances[i];
        if (b.m_isNew) {
            b.m_f.createDate = now;
            b.m_f.createUser = Global::userName;
            b.m_isNew = false;
        }
        b.m_loaded = rows[i].values;
    }
    return true;
}

bool GLAccountBalanceList::storeAmountsInBatches(const QSqlDatabase& db, const QString& now)
{
    // Members by account and date: the statements name the rows they wrote by their keys.
    QHash<std::pair<qint64, QString>, qsizetype> byKey;
    QList<std::pair<QVariant, QVariant>> keys; // each member's account id and date as stored
    keys.reserve(m_balances.size());
    QList<qsizetype> changed, unchangedNew;
    for (qsizetype i = 0; i < m_balances.size(); ++i) {
        const GLAccountBalance& b = m_balances[i];
        b.validate();
        const auto& [id, date] = keys.emplaceBack(accountIdOf(b.m_f.account), Persistence::date(b.m_f.date));
        const std::pair<qint64, QString> key{id.toLongLong(), date.toString()};
        if (byKey.contains(key))
            return false; // two members of one row: stored one after the other
        byKey.insert(key, i);
        if (b.amount().units() != m_loadedUnits.at(i))
            changed << i;
        else if (b.m_isNew)
            unchangedNew << i;
    }
    const auto keyOf = [&](const QSqlQuery& q) {
        return byKey.value({q.value(0).toLongLong(), q.value(1).toString()}, -1);
    };
    const auto bindKey = [&](QVariantList& values, qsizetype i) { values << keys[i].first << keys[i].second; };
    Db::Transaction batch(db); // a savepoint: a batch given up leaves nothing behind

    // The amount is written only while it still is the one loaded, as one member's store does.
    QSet<qsizetype> updated;
    Persistence::inChunks(
        db, changed.size(),
        [&](qsizetype n) {
            return QStringLiteral("UPDATE GLAccountBalance SET amount = v.column3 FROM (VALUES %1) AS v "
                                  "WHERE glAcctID = v.column1 AND Date = v.column2 AND COALESCE(amount, 0) = v.column4 "
                                  "RETURNING glAcctID, Date")
                .arg(Db::valuesRows(db, kTable, kKeyColumns + QStringList{kColumns[2], kColumns[2]}, n));
        },
        [&](QVariantList& values, qsizetype i) {
            bindKey(values, changed[i]);
            values << m_balances[changed[i]].amount().units() << m_loadedUnits.at(changed[i]);
        },
        [&](QSqlQuery& q) {
            while (q.next())
                updated.insert(keyOf(q));
        });

    // A changed balance without a row, and an unchanged new one, are added while no row of their
    // account and date is stored and the account is there. Any other changed balance not written
    // was changed or deleted by another user: the member-by-member store refuses it.
    QList<qsizetype> adding;
    QSet<qsizetype> required;
    for (qsizetype i = 0, c = 0, u = 0; c < changed.size() || u < unchangedNew.size(); ++i) {
        if (c < changed.size() && changed[c] == i) {
            ++c;
            if (updated.contains(i))
                continue;
            if (!m_balances[i].m_isNew)
                return false;
            required.insert(i);
            adding << i;
        } else if (u < unchangedNew.size() && unchangedNew[u] == i) {
            ++u;
            adding << i;
        }
    }
    QList<QVariantList> addedValues(m_balances.size());
    for (qsizetype i : std::as_const(adding))
        addedValues[i] = stamped(m_balances[i].columnValues(), now);
    QStringList selected;
    for (qsizetype c = 0; c < kColumns.size(); ++c)
        selected << QStringLiteral("v.column%1").arg(c + 1);
    QSet<qsizetype> inserted;
    Persistence::inChunks(
        db, adding.size(),
        [&](qsizetype n) {
            return QStringLiteral("INSERT INTO GLAccountBalance (%1) SELECT %2 FROM (VALUES %3) AS v WHERE NOT EXISTS "
                                  "(SELECT 1 FROM GLAccountBalance b WHERE b.glAcctID = v.column1 AND b.Date = "
                                  "v.column2) AND EXISTS (SELECT 1 FROM GLAccount a WHERE a.glAcctID = v.column1) "
                                  "RETURNING glAcctID, Date")
                .arg(kColumns.join(QStringLiteral(", ")), selected.join(QStringLiteral(", ")),
                     Db::valuesRows(db, kTable, kColumns, n));
        },
        [&](QVariantList& values, qsizetype i) { values << addedValues[adding[i]]; },
        [&](QSqlQuery& q) {
            while (q.next())
                inserted.insert(keyOf(q));
        });
    for (qsizetype i : std::as_const(required))
        if (!inserted.contains(i))
            return false;

    // The audit row of an amount copies the row as it stands after the change, other users'
    // columns included.
    QList<qsizetype> amountsWritten(updated.cbegin(), updated.cend());
    std::sort(amountsWritten.begin(), amountsWritten.end());
    QStringList copied;
    for (const QString& c : kColumns)
        copied << QStringLiteral("b.") + c;
    const QString audit = kTable + QStringLiteral("Audit");
    const QStringList stamp = {QStringLiteral("Activity"), QStringLiteral("ActivityDate"), QStringLiteral("ActivityUser")};
    Persistence::inChunks(
        db, amountsWritten.size(),
        [&](qsizetype n) {
            return QStringLiteral("INSERT INTO %1 (%2, %3) SELECT %4, v.column3, v.column4, v.column5 FROM "
                                  "GLAccountBalance b JOIN (VALUES %5) AS v ON b.glAcctID = v.column1 AND b.Date = "
                                  "v.column2")
                .arg(audit, kColumns.join(QStringLiteral(", ")), stamp.join(QStringLiteral(", ")),
                     copied.join(QStringLiteral(", ")), Db::valuesRows(db, audit, kKeyColumns + stamp, n));
        },
        [&](QVariantList& values, qsizetype i) {
            bindKey(values, amountsWritten[i]);
            values << Persistence::Update << now << Global::userName;
        });
    QList<QVariantList> insertedValues;
    for (qsizetype i : std::as_const(adding))
        if (inserted.contains(i))
            insertedValues << addedValues[i];
    Persistence::writeAudits(db, kStored, insertedValues, QStringList(insertedValues.size(), Persistence::Insert));
    batch.commit();

    for (qsizetype i : std::as_const(amountsWritten)) {
        GLAccountBalance& b = m_balances[i];
        b.m_isNew = false;
        if (!b.m_loaded.isEmpty())
            b.m_loaded[2] = b.amount().units();
    }
    for (qsizetype i : std::as_const(adding)) {
        if (!inserted.contains(i))
            continue;
        GLAccountBalance& b = m_balances[i];
        b.m_f.createDate = now;
        b.m_f.createUser = Global::userName;
        b.m_isNew = false;
        b.m_loaded = addedValues[i];
    }
    return true;
}
