#include "glaccount.h"

#include "apperror.h"
#include "datavalidationerror.h"
#include "db.h"
#include "global.h"
#include "persistence.h"
#include "prompter.h"
#include "recordid.h"
#include "samename.h"
#include "typecode.h"

#include <QSqlQuery>

namespace {

const QString kTable = QStringLiteral("GLAccount");
const QStringList kColumns = {QStringLiteral("glacctnbr"),       QStringLiteral("name"),
                              QStringLiteral("comment"),         QStringLiteral("CompanyPolicy"),
                              QStringLiteral("accountTypeCode"), QStringLiteral("recTypeCode"),
                              QStringLiteral("keycontrol"),      QStringLiteral("active"),
                              QStringLiteral("ERPNumber"),       QStringLiteral("CreateUser"),
                              QStringLiteral("CreateDate")};
const qsizetype kCreateUser = kColumns.indexOf(QStringLiteral("CreateUser"));
const qsizetype kCreateDate = kColumns.indexOf(QStringLiteral("CreateDate"));
// An account's audit rows carry no id, and the acting user and moment as its create stamp: its
// other columns find them.
const Persistence::StoredTable kStored{kTable, kColumns, QStringLiteral("glAcctID = ?"), kColumns.mid(0, kCreateUser)};

QString yesWhenEmpty(const QString& flag)
{
    return GLAccount::flagText(flag);
}

const Persistence::RecordKey kKey{QStringLiteral("GLAccount"), QStringLiteral("account id")};

QVariant accountId(const QString& id)
{
    return RecordId::toDb(id, kKey.source, kKey.what);
}

} // namespace

GLAccount::GLAccount() = default;
GLAccount::~GLAccount() = default;
GLAccount::GLAccount(GLAccount&& other) noexcept = default;
GLAccount& GLAccount::operator=(GLAccount&& other) noexcept = default;

GLAccount::GLAccount(const GLAccount& other)
{
    *this = other;
}

GLAccount& GLAccount::operator=(const GLAccount& other)
{
    if (this == &other)
        return *this;
    m_f = other.m_f;
    m_editing = false; // a copy holds the values, not the edit in progress
    m_copy.reset();
    return *this;
}

void GLAccount::initialize(const QString& id, const QString& number, const QString& name, const QString& comment,
                           const QString& policy, const QString& accountTypeCode, const QString& recTypeCode,
                           const QString& keyControl, const QString& active, const QString& erpNumber,
                           const QString& createUser, const QString& createDate)
{
    m_f.id = id;
    m_f.number = number;
    m_f.name = name;
    m_f.comment = comment;
    m_f.policy = policy;
    setAccountTypeCode(accountTypeCode);
    setRecTypeCode(recTypeCode);
    m_f.keyControl = keyControl;
    m_f.active = active;
    SetERPNumber(erpNumber);
    m_f.createUser = createUser;
    m_f.createDate = createDate;
}

void GLAccount::setAccountTypeCode(const QString& code)
{
    m_f.accountType = GLAccountTypeList().getGLAccountType(code);
}

void GLAccount::setRecTypeCode(const QString& code)
{
    m_f.recType = RecTypeList().getRecType(code);
}

void GLAccount::SetERPNumber(const QString& code)
{
    m_f.erpNumber = ERPNumberList().getERPNumber(code);
}

QString GLAccount::flagText(const QString& stored)
{
    return stored.isEmpty() ? QStringLiteral("Yes") : stored;
}

QString GLAccount::flagSql(const QString& column)
{
    return QStringLiteral("COALESCE(NULLIF(%1, ''), 'Yes')").arg(column);
}

QString GLAccount::getKeyControl()
{
    m_f.keyControl = yesWhenEmpty(m_f.keyControl);
    return m_f.keyControl;
}

QString GLAccount::getKeyControl() const
{
    return yesWhenEmpty(m_f.keyControl);
}

QString GLAccount::getActive()
{
    m_f.active = yesWhenEmpty(m_f.active);
    return m_f.active;
}

QString GLAccount::getActive() const
{
    return yesWhenEmpty(m_f.active);
}

bool GLAccount::equals(const GLAccount& other) const
{
    return m_f.id == other.m_f.id && m_f.number == other.m_f.number && m_f.name == other.m_f.name &&
           m_f.comment == other.m_f.comment && m_f.policy == other.m_f.policy && m_f.createUser == other.m_f.createUser &&
           m_f.createDate == other.m_f.createDate && other.getKeyControl() == getKeyControl() &&
           other.getActive() == getActive() && m_f.accountType.equals(other.m_f.accountType) &&
           m_f.recType.equals(other.m_f.recType) && m_f.erpNumber.equals(other.m_f.erpNumber);
}

QString GLAccount::selectColumns(const QString& alias)
{
    const QString prefix = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    QStringList cols{prefix + QStringLiteral("glAcctID")};
    for (const QString& c : kColumns)
        cols << prefix + c;
    return cols.join(QStringLiteral(", "));
}

void GLAccount::readRow(const QSqlQuery& q, const RecTypeList& recTypes, const ERPNumberList& erpNumbers)
{
    m_f.id = RecordId::fromDb(q.value(0));
    m_f.loaded = Persistence::loadedValues(q, 1, int(kColumns.size()));
    const QVariantList& v = m_f.loaded; // the columns from glacctnbr on
    m_f.number = v[0].isNull() ? QStringLiteral("0000") : v[0].toString();
    m_f.name = Db::textOf(v[1]);
    m_f.comment = Db::textOf(v[2]);
    m_f.policy = Db::textOf(v[3]);
    static const GLAccountTypeList accountTypes;
    m_f.accountType = accountTypes.getGLAccountType(v[4].isNull() ? QStringLiteral("A") : v[4].toString());
    m_f.recType = recTypes.getRecType(Db::textOf(v[5]));
    m_f.keyControl = Db::textOf(v[6]);
    m_f.active = Db::textOf(v[7]);
    m_f.erpNumber = erpNumbers.getERPNumber(Db::textOf(v[8]));
    m_f.createUser = Db::textOf(v[9]);
    m_f.createDate = Db::textOf(v[10]);
}

void GLAccount::Load(const QString& id)
{
    const QString key = id.isEmpty() ? QString::number(Global::selectedGLAcctID) : id;
    if (!RecordId::parse(key))
        return;
    QSqlDatabase db = Global::getConnection();
    QSqlQuery q = Db::exec(db, QStringLiteral("SELECT %1 FROM GLAccount WHERE glAcctID = ?").arg(selectColumns()),
                           {accountId(key)});
    if (q.next())
        readRow(q, RecTypeList(db), ERPNumberList(db));
}

QVariantList GLAccount::columnValues() const
{
    return {m_f.number,
            Persistence::freeText(m_f.name),
            Persistence::freeText(m_f.comment),
            Persistence::freeText(m_f.policy),
            m_f.accountType.getCode(),
            m_f.recType.getCode(),
            yesWhenEmpty(m_f.keyControl),
            yesWhenEmpty(m_f.active),
            m_f.erpNumber.getERPNumber(),
            m_f.createUser.isEmpty() ? Db::null() : QVariant(m_f.createUser),
            m_f.createDate.isEmpty() ? Db::null() : QVariant(m_f.createDate)};
}

// Every audit row of an account carries the acting user and the moment of the change.
QVariantList GLAccount::auditValues() const
{
    QVariantList values = columnValues();
    values[kCreateUser] = Global::userName;
    values[kCreateDate] = Persistence::now();
    return values;
}

void GLAccount::requireNumberFree(const Db::Transaction& tx) const
{
    // A number kept (in whatever letter case) was checked when it was given; a blank one is no
    // number at all, and is stored as it stands.
    const QString key = SameName::accountKey(m_f.number);
    if (m_f.number.trimmed().isEmpty() ||
        (!isNew() && !m_f.loaded.isEmpty() && SameName::accountKey(Db::textOf(m_f.loaded.constFirst())) == key))
        return;
    // Another store adding the same number waits here until this one has ended, and then finds
    // this one's account.
    Db::lockForAdding(tx, kTable);
    if (!isNumberUnique())
        throw DataValidationError::raise(QStringLiteral("GLAccount"), QStringLiteral("AccountNumberNotUnique"),
                                         QStringLiteral("ValidationError"));
}

void GLAccount::store()
{
    Db::Transaction tx(Global::getConnection(), QStringLiteral("change the accounts"));
    Persistence::RestoreOnFailure keep(m_f);
    requireNumberFree(tx);
    Persistence::storeRecord<Fields>(tx.db(), m_f, kKey, [this](const Fields& f) {
        Persistence::Row row{kStored, columnValues()};
        row.auditValues = auditValues();
        if (!f.id.isEmpty() && !f.loaded.isEmpty()) {
            row.loaded = f.loaded;
            row.conflict = conflict();
        }
        return row;
    });
    tx.commit();
    keep.release();
    m_f.loaded = columnValues();
}

void GLAccount::remove()
{
    QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db, QStringLiteral("delete accounts"));
    // The delete takes the account's row first, and writes nothing else that a store holds: a
    // store holding the account (holdStored) is waited for, and one that comes meanwhile waits for
    // the delete and then finds the account gone. An account loaded goes only while it holds what
    // was loaded.
    Persistence::Row row = Persistence::removal(kStored, columnValues(), accountId(m_f.id), m_f.loaded, conflict());
    row.auditValues = auditValues();
    Persistence::removeRow(tx, row);
    tx.commit();
}

Persistence::Conflict GLAccount::conflict() const
{
    const QString number = m_f.loaded.isEmpty() ? m_f.number : m_f.loaded.constFirst().toString();
    return {QStringLiteral("Account %1").arg(number), QStringLiteral("the account")};
}

QSet<qint64> GLAccount::holdStored(const QSqlDatabase& db, const QList<qint64>& ids)
{
    QSet<qint64> stored;
    Persistence::inChunks(
        db, ids.size(),
        [&](qsizetype n) {
            return QStringLiteral("SELECT glAcctID FROM GLAccount WHERE glAcctID IN (%1)%2")
                .arg(QStringList(n, QStringLiteral("?")).join(QStringLiteral(", ")), Db::holdingRows(db));
        },
        [&](QVariantList& values, qsizetype i) { values << ids[i]; },
        [&](QSqlQuery& q) {
            while (q.next())
                stored.insert(q.value(0).toLongLong());
        });
    return stored;
}

QString GLAccount::deletedBy(const QSqlDatabase& db, const QString& number)
{
    // The account's audit rows carry its number, not its id.
    return number.isEmpty() ? QString()
                            : Persistence::lastChangeBy(db, QStringLiteral("GLAccountAudit"),
                                                        {QStringLiteral("glacctnbr")}, {number}, Persistence::Delete);
}

void GLAccount::requireStored(const QSqlDatabase& db, const QVariant& id, const QString& number)
{
    static const QString held = QStringLiteral("SELECT 1 FROM GLAccount WHERE glAcctID = ?");
    if (id.isNull() || Db::exec(db, held + Db::holdingRows(db), {id}).next())
        return;
    throw Persistence::deletedMeanwhile(
        number.isEmpty() ? QStringLiteral("The account") : QStringLiteral("Account %1").arg(number),
        deletedBy(db, number));
}

void GLAccount::loadListed(const QString& id, const QString& number)
{
    Load(id);
    if (!isNew() && m_f.id == id)
        return;
    const QString by = deletedBy(Global::getConnection(), number);
    throw AppError(AppError::DeletedMeanwhile, kKey.source,
                   QStringLiteral("Account %1 was deleted by %2.")
                       .arg(number, by.isEmpty() ? QStringLiteral("another user") : by));
}

void GLAccount::requireAsLoaded(const QSqlDatabase& db) const
{
    const QVariant id = accountId(m_f.id);
    if (id.isNull())
        return;
    QSqlQuery q = Db::exec(db, QStringLiteral("SELECT glacctnbr, recTypeCode FROM GLAccount WHERE glAcctID = ?") +
                                   Db::holdingRows(db),
                           {id});
    if (!q.next())
        requireStored(db, id, m_f.number); // says who deleted it
    static const qsizetype recTypeColumn = kColumns.indexOf(QStringLiteral("recTypeCode"));
    const QString loaded = m_f.loaded.isEmpty() ? m_f.recType.getCode() : Db::textOf(m_f.loaded.at(recTypeColumn));
    if (TypeCode::is(Db::textOf(q.value(1)), loaded))
        return;
    // The account's audit rows carry its number as it now stands.
    throw Persistence::changedMeanwhile(conflict(), Persistence::lastChangeBy(db, QStringLiteral("GLAccountAudit"),
                                                                              {QStringLiteral("glacctnbr")},
                                                                              {q.value(0)}, Persistence::Update));
}

void GLAccount::beginEdit()
{
    m_copy = std::make_unique<GLAccount>(*this);
    m_editing = true;
}

void GLAccount::cancelEdit()
{
    if (!m_copy)
        return;
    std::unique_ptr<GLAccount> copy = std::move(m_copy);
    *this = *copy;
}

void GLAccount::applyEdit()
{
    store();
    m_editing = false;
    m_copy.reset();
}

bool GLAccount::isNumberUnique() const
{
    // One read of every other number, compared here: the database's own comparison folds the
    // case of ASCII letters only.
    QString sql = QStringLiteral("SELECT glacctnbr FROM GLAccount WHERE glacctnbr IS NOT NULL");
    QVariantList values;
    if (!isNew()) {
        sql += QStringLiteral(" AND glAcctID <> ?");
        values << accountId(m_f.id);
    }
    QSqlQuery q = Db::exec(Global::getConnection(), sql, values);
    const QString key = SameName::accountKey(m_f.number);
    while (q.next())
        if (SameName::accountKey(q.value(0).toString()) == key)
            return false;
    return true;
}

bool GLAccount::isValid() const
{
    return !m_f.number.trimmed().isEmpty() && !SameName::hasControl(m_f.number) && isNumberUnique() &&
           !m_f.name.trimmed().isEmpty() &&
           !m_f.accountType.isNull() && !m_f.recType.isNull();
}

bool GLAccount::validate()
{
    if (isValid())
        return true;
    const QString line = QStringLiteral("   -  %1\r\n");
    QString missing;
    if (m_f.number.trimmed().isEmpty())
        missing += line.arg(QStringLiteral("Account Number"));
    if (SameName::hasControl(m_f.number))
        throw DataValidationError::raise(QStringLiteral("GLAccount"), QStringLiteral("AccountNumberInvalid"),
                                         QStringLiteral("ValidationError"));
    if (!isNumberUnique())
        throw DataValidationError::raise(QStringLiteral("GLAccount"), QStringLiteral("AccountNumberNotUnique"),
                                         QStringLiteral("ValidationError"));
    if (m_f.name.trimmed().isEmpty())
        missing += line.arg(QStringLiteral("Account Name"));
    if (m_f.accountType.isNull())
        missing += line.arg(QStringLiteral("Account Type"));
    if (m_f.recType.isNull())
        missing += line.arg(QStringLiteral("Reconciliation Type"));
    if (missing.isEmpty())
        return true;
    Prompter::show(Prompter::applicationTitle(), QStringLiteral("Please enter the following fields\r\n") + missing,
                   Prompter::Buttons::Ok, Prompter::Icon::Information);
    return false;
}

GLAccountList::GLAccountList()
{
    QSqlDatabase db = Global::getConnection();
    const RecTypeList recTypes(db);
    const ERPNumberList erpNumbers(db);
    QSqlQuery q = Db::exec(
        db, QStringLiteral("SELECT %1 FROM GLAccount ORDER BY %2, glAcctID")
                .arg(GLAccount::selectColumns(), Db::caseBlindOrder(db, QStringLiteral("glacctnbr"))));
    while (q.next())
        m_accounts.emplaceBack().readRow(q, recTypes, erpNumbers);
}

void GLAccountList::add(const GLAccount& account)
{
    m_accounts.append(account);
    if (m_indexed)
        index(m_accounts.size() - 1);
}

void GLAccountList::index(qsizetype position) const
{
    const QString key = SameName::accountKey(m_accounts.at(position).getNumber());
    if (!m_byNumber.contains(key)) // the first account of a number stays the one found
        m_byNumber.insert(key, position);
}

const GLAccount* GLAccountList::find(const QString& number) const
{
    if (!m_indexed) {
        // Built on the first look-up: most lists are only walked.
        for (qsizetype i = 0; i < m_accounts.size(); ++i)
            index(i);
        m_indexed = true;
    }
    const auto hit = m_byNumber.constFind(SameName::accountKey(number));
    return hit == m_byNumber.constEnd() ? nullptr : &m_accounts.at(*hit);
}
