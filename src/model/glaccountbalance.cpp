#include "glaccountbalance.h"

#include "apperror.h"
#include "daterules.h"
#include "datavalidationerror.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "recordid.h"

#include <QSqlQuery>

namespace {

const QString kTable = QStringLiteral("GLAccountBalance");
const QStringList kColumns = {
    QStringLiteral("glAcctID"),       QStringLiteral("Date"),           QStringLiteral("amount"),
    QStringLiteral("targetAmount"),   QStringLiteral("preparedBy"),     QStringLiteral("comment"),
    QStringLiteral("ReconciledInd"),  QStringLiteral("reconciledDate"), QStringLiteral("reviewedBy"),
    QStringLiteral("approvedBy"),     QStringLiteral("PreparedByDate"), QStringLiteral("ReviewedByDate"),
    QStringLiteral("ApprovedByDate"), QStringLiteral("CalcBasis"),      QStringLiteral("CreateDate"),
    QStringLiteral("CreateUser")};
const QString kInsertSql = Persistence::insertStatement(kTable, kColumns);
const QString kStoredMeanwhile =
    QStringLiteral("Another user stored a balance of this account at this date after you opened it, so yours was "
                   "not stored. Close this window and open the date again to see the stored balance.");
const QString kUpdateSql = Persistence::updateStatement(kTable, kColumns, QStringLiteral("glAcctID = ? AND Date = ?"));

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
    m_account = other.m_account;
    m_date = other.m_date;
    m_amount = other.m_amount;
    m_targetAmount = other.m_targetAmount;
    m_preparedBy = other.m_preparedBy;
    m_reviewedBy = other.m_reviewedBy;
    m_approvedBy = other.m_approvedBy;
    m_calcBasis = other.m_calcBasis;
    m_preparedByDate = other.m_preparedByDate;
    m_reviewedByDate = other.m_reviewedByDate;
    m_approvedByDate = other.m_approvedByDate;
    m_createDate = other.m_createDate;
    m_createUser = other.m_createUser;
    m_comment = other.m_comment;
    m_reconciled = other.m_reconciled;
    m_reconciledDate = other.m_reconciledDate;
    m_isNew = other.m_isNew;
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
    m_account = account;
    m_date.setDate(date);
    m_amount.setVal(amount);
    m_targetAmount.setVal(targetAmount);
    m_preparedBy = preparedBy;
    m_comment = comment;
    m_reconciled = reconciled;
    m_reconciledDate.setDate(reconciledDate);
    m_reviewedBy = reviewedBy;
    m_approvedBy = approvedBy;
    m_preparedByDate = preparedByDate;
    m_reviewedByDate = reviewedByDate;
    m_approvedByDate = approvedByDate;
    m_createDate = createDate;
    m_createUser = createUser;
    m_calcBasis = calcBasis;
}

ARCurrency GLAccountBalance::getDebitAmount() const
{
    return m_account && m_account->getAccountType().isDebit() ? m_amount : ARCurrency();
}

ARCurrency GLAccountBalance::getCreditAmount() const
{
    return m_account && m_account->getAccountType().isCredit() ? m_amount : ARCurrency();
}

ARCurrency GLAccountBalance::getUnidentifiedDifference(const ARCurrency& otherItems) const
{
    ARCurrency explained = m_targetAmount;
    explained.add(otherItems);
    ARCurrency difference = m_amount;
    difference.subtract(explained);
    return difference;
}

QString GLAccountBalance::getLastReconciledDate() const
{
    const QVariant last = Db::scalar(
        Global::getConnection(),
        QStringLiteral("SELECT MAX(Date) FROM GLAccountBalance WHERE glAcctID = ? AND PreparedByDate IS NOT NULL "
                       "AND Date <= ?"),
        {accountIdOf(m_account), DateRules::toDb(getDate())});
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
    const auto v = [&](int i) { return q.value(first + i); };
    m_account = account;
    m_date.setDate(DateRules::fromDb(v(1)));
    m_amount = Persistence::moneyOf(v(2));
    m_targetAmount = Persistence::moneyOf(v(3));
    m_preparedBy = Db::textOf(v(4));
    m_comment = Db::textOf(v(5));
    m_reconciled = v(6).toInt() != 0;
    m_reconciledDate.setDate(DateRules::fromDb(v(7)));
    m_reviewedBy = Db::textOf(v(8));
    m_approvedBy = Db::textOf(v(9));
    m_preparedByDate = signOffDateOf(v(10));
    m_reviewedByDate = signOffDateOf(v(11));
    m_approvedByDate = signOffDateOf(v(12));
    m_calcBasis = Db::textOf(v(13));
    m_createDate = Db::textOf(v(14));
    m_createUser = Db::textOf(v(15));
    m_isNew = false;
}

void GLAccountBalance::Load(const Account& account, const QString& date)
{
    m_account = account;
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
    return m_account && !m_date.isNull() && (m_reconciledDate.isNull() || m_reconciledDate.isAfter(m_date));
}

void GLAccountBalance::validate() const
{
    if (!m_account)
        throw validationError(QStringLiteral("GLAccountMissing"));
    if (m_date.isNull())
        throw validationError(QStringLiteral("DateInvalid"));
    if (!m_reconciledDate.isNull() && !m_reconciledDate.isAfter(m_date))
        throw validationError(QStringLiteral("ReconciledDateInvalid"));
}

QVariantList GLAccountBalance::columnValues() const
{
    return {accountIdOf(m_account),
            Persistence::date(m_date),
            Persistence::money(m_amount),
            Persistence::money(m_targetAmount),
            Persistence::freeText(m_preparedBy),
            Persistence::freeText(m_comment),
            m_reconciled ? 1 : 0,
            Persistence::date(m_reconciledDate),
            Persistence::freeText(m_reviewedBy),
            Persistence::freeText(m_approvedBy),
            signOffDateToDb(m_preparedByDate),
            signOffDateToDb(m_reviewedByDate),
            signOffDateToDb(m_approvedByDate),
            Persistence::freeText(m_calcBasis),
            Persistence::freeText(m_createDate),
            Persistence::freeText(m_createUser)};
}

void GLAccountBalance::store()
{
    QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db);
    const bool wasNew = m_isNew;
    const QString createDate = m_createDate;
    const QString createUser = m_createUser;
    storeIn(db, Persistence::now());
    try {
        tx.commit();
    } catch (...) {
        m_isNew = wasNew;
        m_createDate = createDate;
        m_createUser = createUser;
        throw;
    }
}

void GLAccountBalance::storeIn(const QSqlDatabase& db, const QString& now)
{
    validate();
    if (m_isNew) {
        const QString createDate = m_createDate;
        const QString createUser = m_createUser;
        m_createDate = now;
        m_createUser = Global::userName;
        const QVariantList values = columnValues();
        try {
            // A second row for the same account and date is refused by the table's unique key:
            // another user stored this balance since it was loaded.
            try {
                Db::exec(db, kInsertSql, values);
            } catch (const AppError& e) {
                if (e.number() != AppError::DatabaseConflict)
                    throw;
                throw AppError(AppError::DatabaseConflict, e.source(), kStoredMeanwhile).withDetails(e.description());
            }
            Persistence::writeAudit(db, kTable, kColumns, values, Persistence::Insert);
        } catch (...) {
            m_createDate = createDate;
            m_createUser = createUser;
            throw;
        }
        m_isNew = false;
    } else {
        QVariantList values = columnValues();
        const QVariantList auditValues = values;
        values << accountIdOf(m_account) << DateRules::toDb(getDate());
        Db::execOne(db, kUpdateSql, values);
        Persistence::writeAudit(db, kTable, kColumns, auditValues, Persistence::Update);
    }
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
    *this = *copy;
    m_isNew = isNew;
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
    QSqlQuery q = Db::exec(
        db,
        QStringLiteral("SELECT %1, b.glAcctID, %2 FROM GLAccount a LEFT JOIN GLAccountBalance b "
                       "ON b.glAcctID = a.glAcctID AND b.Date = ? ORDER BY a.glacctnbr, a.glAcctID")
            .arg(GLAccount::selectColumns(QStringLiteral("a")), GLAccountBalance::selectColumns(QStringLiteral("b"))),
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
    const QString key = account->getNumber().toCaseFolded();
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
    return m_byNumber.value(number.toCaseFolded(), -1);
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
    static const QString updateAmount =
        QStringLiteral("UPDATE GLAccountBalance SET amount = ? WHERE glAcctID = ? AND Date = ?");
    // An unchanged new balance is only added while nobody else has stored one for its account and date.
    static const QString insertIfMissing =
        QStringLiteral("INSERT INTO GLAccountBalance (%1) SELECT %2 WHERE NOT EXISTS "
                       "(SELECT 1 FROM GLAccountBalance WHERE glAcctID = ? AND Date = ?)")
            .arg(auditColumns, QStringList(kColumns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));

    storeAll([this](const QSqlDatabase& db, const QString& now) {
        for (qsizetype i = 0; i < m_balances.size(); ++i) {
            GLAccountBalance& b = m_balances[i];
            b.validate();
            const QVariant id = accountIdOf(b.getGLAccount());
            const QVariant date = Persistence::date(b.m_date);
            const bool changed = b.amount().units() != m_loadedUnits.at(i);
            if (changed && Db::execCount(db, updateAmount, {b.amount().units(), id, date}) == 1) {
                Db::exec(db, auditFromRow, {Persistence::Update, now, Global::userName, id, date});
                b.m_isNew = false;
            } else if (changed) {
                // No row for the account and date (none loaded, or removed meanwhile): add the whole balance.
                b.m_isNew = true;
                b.storeIn(db, now);
            } else if (b.m_isNew) {
                b.m_createDate = now;
                b.m_createUser = Global::userName;
                QVariantList values = b.columnValues();
                const QVariantList auditValues = values;
                values << id << date;
                if (Db::execCount(db, insertIfMissing, values) == 1)
                    Persistence::writeAudit(db, kTable, kColumns, auditValues, Persistence::Insert);
                b.m_isNew = false;
            }
        }
    });
}

void GLAccountBalanceList::applyEdit()
{
    storeAll([this](const QSqlDatabase& db, const QString& now) {
        for (GLAccountBalance& b : m_balances)
            b.storeIn(db, now);
    });
}

void GLAccountBalanceList::storeAll(const std::function<void(const QSqlDatabase&, const QString&)>& store)
{
    // What a store changes in a member: put back on a failure, since nothing then was stored.
    struct Stamp
    {
        bool isNew;
        QString createDate, createUser;
    };
    QList<Stamp> before;
    before.reserve(m_balances.size());
    for (const GLAccountBalance& b : std::as_const(m_balances))
        before.append({b.m_isNew, b.m_createDate, b.m_createUser});
    try {
        QSqlDatabase db = Global::getConnection();
        Db::Transaction tx(db);
        store(db, Persistence::now()); // one moment for the whole store
        tx.commit();
    } catch (...) {
        for (qsizetype i = 0; i < m_balances.size(); ++i) {
            GLAccountBalance& b = m_balances[i];
            b.m_isNew = before[i].isNew;
            b.m_createDate = before[i].createDate;
            b.m_createUser = before[i].createUser;
        }
        throw;
    }
    for (qsizetype i = 0; i < m_balances.size(); ++i)
        m_loadedUnits[i] = m_balances.at(i).amount().units();
}
