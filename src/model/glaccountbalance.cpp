#include "glaccountbalance.h"
#include "glaccountbalance_p.h"

#include "apperror.h"
#include "daterules.h"
#include "datavalidationerror.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "reconciliationevidence.h"
#include "recordid.h"
#include "sessionrights.h"

#include <QSqlQuery>

using namespace GLAccountBalanceTable;

namespace {

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

AppError validationError(const QString& code)
{
    return DataValidationError::raise(QStringLiteral("GLAccountBalance"), code);
}

} // namespace

QVariant GLAccountBalanceTable::accountIdOf(const IGLAccountBalance::Account& account)
{
    return RecordId::toDb(account ? account->getID() : QString(), QStringLiteral("GLAccountBalance"),
                          QStringLiteral("account id"));
}

AppError GLAccountBalanceTable::storedMeanwhile(const AppError& e)
{
    return AppError(AppError::DatabaseConflict, e.source(), kStoredMeanwhile).withDetails(e.description());
}

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
