#include "glaccountbalance.h"

#include "apperror.h"
#include "daterules.h"
#include "datavalidationerror.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "reconciliationevidence.h"
#include "recordid.h"
#include "samename.h"
#include "sessionrights.h"

#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <map>
#include <numeric>

namespace {

const QString kTable = QStringLiteral("GLAccountBalance");
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
const QStringList kColumns = {
    QStringLiteral("glAcctID"),       QStringLiteral("Date"),           QStringLiteral("amount"),
    QStringLiteral("targetAmount"),   QStringLiteral("preparedBy"),     QStringLiteral("comment"),
    QStringLiteral("ReconciledInd"),  QStringLiteral("reconciledDate"), QStringLiteral("reviewedBy"),
    QStringLiteral("approvedBy"),     QStringLiteral("PreparedByDate"), QStringLiteral("ReviewedByDate"),
    QStringLiteral("ApprovedByDate"), QStringLiteral("CalcBasis"),      QStringLiteral("CreateDate"),
    QStringLiteral("CreateUser")};
const QStringList kKeyColumns = {kColumns[AccountId], kColumns[Date]};
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

// A second row for the same account and date is refused by the table's unique key: another user
// stored this balance since it was loaded.
AppError storedMeanwhile(const AppError& e)
{
    return AppError(AppError::DatabaseConflict, e.source(), kStoredMeanwhile).withDetails(e.description());
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
    m_shown = other.m_shown;
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
    m_loaded = Persistence::loadedValues(q, first, int(ColumnCount));
    const auto v = [this](Column c) -> const QVariant& { return m_loaded[c]; };
    m_f.account = account;
    m_f.date.setDate(DateRules::fromDb(v(Date)));
    m_f.amount = Persistence::moneyOf(v(Amount));
    m_f.targetAmount = Persistence::moneyOf(v(TargetAmount));
    m_f.preparedBy = Db::textOf(v(PreparedBy));
    m_f.comment = Db::textOf(v(Comment));
    m_f.reconciled = v(Reconciled).toInt() != 0;
    m_f.reconciledDate.setDate(DateRules::fromDb(v(ReconciledDate)));
    m_f.reviewedBy = Db::textOf(v(ReviewedBy));
    m_f.approvedBy = Db::textOf(v(ApprovedBy));
    m_f.preparedByDate = signOffDateOf(v(PreparedByDate));
    m_f.reviewedByDate = signOffDateOf(v(ReviewedByDate));
    m_f.approvedByDate = signOffDateOf(v(ApprovedByDate));
    m_f.calcBasis = Db::textOf(v(CalcBasis));
    m_f.createDate = Db::textOf(v(CreateDate));
    m_f.createUser = Db::textOf(v(CreateUser));
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
    // In the order of Column.
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

bool GLAccountBalance::changesSignOffs() const
{
    const QVariantList values = columnValues();
    for (const Column c : {PreparedBy, ReviewedBy, ApprovedBy, PreparedByDate, ReviewedByDate, ApprovedByDate}) {
        const QString loaded = m_loaded.isEmpty() ? QString() : Db::textOf(m_loaded.at(c));
        if (Db::textOf(values.at(c)).trimmed() != loaded.trimmed())
            return true;
    }
    return false;
}

void GLAccountBalance::store()
{
    validate();
    Db::Transaction tx(Global::getConnection(), QStringLiteral("change the reconciliation"));
    Persistence::RestoreOnFailure keep(m_f, m_isNew);
    Persistence::RestoreOnFailure keepLoaded(m_loaded);
    if (changesSignOffs()) {
        SessionRights::require(tx.db(), SessionRights::Right::SignOff);
        // The signer vouches for the figures he saw: they must be the stored ones, and stay so
        // until this store ends.
        if (m_shown)
            m_shown->lockAndRequireAsShown(tx.db(), accountIdOf(m_f.account), getDate());
    }
    // Stored under the account as this user opened it: a reconciliation of a kind the account no
    // longer has is no reconciliation of it.
    m_f.account->requireAsLoaded(tx.db());
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
        if (!adding || e.number() != AppError::DatabaseConflict)
            throw;
        throw storedMeanwhile(e);
    }
    m_isNew = false;
    keep.release();
    m_loaded = row.values;
}

void GLAccountBalance::vouchFor(const ReconciliationEvidence& shown)
{
    m_shown = std::make_shared<const ReconciliationEvidence>(shown);
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
        holdAccounts(db, true);
        QSet<std::pair<qint64, QString>> keys;
        for (const GLAccountBalance& b : std::as_const(m_balances))
            keys.insert({accountIdOf(b.m_f.account).toLongLong(), Persistence::date(b.m_f.date).toString()});
        if (keys.size() == m_balances.size()) {
            QList<qsizetype> all(m_balances.size());
            std::iota(all.begin(), all.end(), 0);
            storeAmounts(db, now, all);
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

    const QString locking = Db::lockingRows(db);
    if (locking.isEmpty())
        return; // the transaction holds the whole database already
    std::map<QString, QList<qint64>> byDate; // each date's accounts, dates in order
    for (qsizetype i = 0; i < m_balances.size(); ++i) {
        const GLAccountBalance& b = m_balances[i];
        if (!amountsOnly || b.m_isNew || b.amount().units() != m_loadedUnits.at(i))
            byDate[Persistence::date(b.m_f.date).toString()] << accountIdOf(b.m_f.account).toLongLong();
    }
    for (auto& [date, accounts] : byDate) {
        std::sort(accounts.begin(), accounts.end());
        Persistence::inChunks(
            db, accounts.size(),
            [&](qsizetype n) {
                return QStringLiteral("SELECT glAcctID FROM GLAccountBalance WHERE Date = ? AND glAcctID IN (%1) "
                                      "ORDER BY glAcctID%2")
                    .arg(QStringList(n, QStringLiteral("?")).join(QStringLiteral(", ")), locking);
            },
            [&](QVariantList& values, qsizetype i) {
                if (values.isEmpty())
                    values << date; // each statement's first value
                values << accounts[i];
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
    QList<bool> added;
    try {
        added = Persistence::insertWhereMissing(db, addition, addedValues);
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
