#include "glaccount.h"

#include "apperror.h"
#include "datavalidationerror.h"
#include "db.h"
#include "global.h"
#include "persistence.h"
#include "prompter.h"
#include "recordid.h"

#include <QSqlQuery>

namespace {

const QString kTable = QStringLiteral("GLAccount");
const QStringList kColumns = {QStringLiteral("glacctnbr"),       QStringLiteral("name"),
                              QStringLiteral("comment"),         QStringLiteral("CompanyPolicy"),
                              QStringLiteral("accountTypeCode"), QStringLiteral("recTypeCode"),
                              QStringLiteral("keycontrol"),      QStringLiteral("active"),
                              QStringLiteral("ERPNumber"),       QStringLiteral("CreateUser"),
                              QStringLiteral("CreateDate")};

QString yesWhenEmpty(const QString& flag)
{
    return GLAccount::flagText(flag);
}

QVariant accountId(const QString& id)
{
    return RecordId::toDb(id, QStringLiteral("GLAccount"), QStringLiteral("account id"));
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
    m_id = other.m_id;
    m_number = other.m_number;
    m_name = other.m_name;
    m_comment = other.m_comment;
    m_policy = other.m_policy;
    m_accountType = other.m_accountType;
    m_recType = other.m_recType;
    m_keyControl = other.m_keyControl;
    m_active = other.m_active;
    m_erpNumber = other.m_erpNumber;
    m_createUser = other.m_createUser;
    m_createDate = other.m_createDate;
    m_editing = false; // a copy holds the values, not the edit in progress
    m_copy.reset();
    return *this;
}

void GLAccount::initialize(const QString& id, const QString& number, const QString& name, const QString& comment,
                           const QString& policy, const QString& accountTypeCode, const QString& recTypeCode,
                           const QString& keyControl, const QString& active, const QString& erpNumber,
                           const QString& createUser, const QString& createDate)
{
    m_id = id;
    m_number = number;
    m_name = name;
    m_comment = comment;
    m_policy = policy;
    setAccountTypeCode(accountTypeCode);
    setRecTypeCode(recTypeCode);
    m_keyControl = keyControl;
    m_active = active;
    SetERPNumber(erpNumber);
    m_createUser = createUser;
    m_createDate = createDate;
}

void GLAccount::setAccountTypeCode(const QString& code)
{
    m_accountType = GLAccountTypeList().getGLAccountType(code);
}

void GLAccount::setRecTypeCode(const QString& code)
{
    m_recType = RecTypeList().getRecType(code);
}

void GLAccount::SetERPNumber(const QString& code)
{
    m_erpNumber = ERPNumberList().getERPNumber(code);
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
    m_keyControl = yesWhenEmpty(m_keyControl);
    return m_keyControl;
}

QString GLAccount::getKeyControl() const
{
    return yesWhenEmpty(m_keyControl);
}

QString GLAccount::getActive()
{
    m_active = yesWhenEmpty(m_active);
    return m_active;
}

QString GLAccount::getActive() const
{
    return yesWhenEmpty(m_active);
}

bool GLAccount::equals(const GLAccount& other) const
{
    return m_id == other.m_id && m_number == other.m_number && m_name == other.m_name &&
           m_comment == other.m_comment && m_policy == other.m_policy && m_createUser == other.m_createUser &&
           m_createDate == other.m_createDate && other.getKeyControl() == getKeyControl() &&
           other.getActive() == getActive() && m_accountType.equals(other.m_accountType) &&
           m_recType.equals(other.m_recType) && m_erpNumber.equals(other.m_erpNumber);
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
    m_id = RecordId::fromDb(q.value(0));
    m_number = q.value(1).isNull() ? QStringLiteral("0000") : q.value(1).toString();
    m_name = Db::textOf(q.value(2));
    m_comment = Db::textOf(q.value(3));
    m_policy = Db::textOf(q.value(4));
    static const GLAccountTypeList accountTypes;
    m_accountType = accountTypes.getGLAccountType(q.value(5).isNull() ? QStringLiteral("A") : q.value(5).toString());
    m_recType = recTypes.getRecType(Db::textOf(q.value(6)));
    m_keyControl = Db::textOf(q.value(7));
    m_active = Db::textOf(q.value(8));
    m_erpNumber = erpNumbers.getERPNumber(Db::textOf(q.value(9)));
    m_createUser = Db::textOf(q.value(10));
    m_createDate = Db::textOf(q.value(11));
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
    return {m_number,
            Persistence::freeText(m_name),
            Persistence::freeText(m_comment),
            Persistence::freeText(m_policy),
            m_accountType.getCode(),
            m_recType.getCode(),
            yesWhenEmpty(m_keyControl),
            yesWhenEmpty(m_active),
            m_erpNumber.getERPNumber(),
            m_createUser.isEmpty() ? Db::null() : QVariant(m_createUser),
            m_createDate.isEmpty() ? Db::null() : QVariant(m_createDate)};
}

// Every audit row of an account carries the acting user and the moment of the change.
void GLAccount::writeAudit(const QSqlDatabase& db, const QString& activity) const
{
    QVariantList values = columnValues();
    values[9] = Global::userName;
    values[10] = Persistence::now();
    Persistence::writeAudit(db, kTable, kColumns, values, activity);
}

void GLAccount::store()
{
    const GLAccount before = *this;
    try {
        QSqlDatabase db = Global::getConnection();
        Db::Transaction tx(db);
        if (isNew()) {
            m_createUser = Global::userName;
            m_createDate = Persistence::now();
            QSqlQuery q = Db::exec(tx, Persistence::insertStatement(kTable, kColumns), columnValues());
            m_id = RecordId::fromDb(q.lastInsertId());
            writeAudit(db, Persistence::Insert);
        } else {
            QVariantList values = columnValues();
            values << accountId(m_id);
            Db::execOne(tx, Persistence::updateStatement(kTable, kColumns, QStringLiteral("glAcctID = ?")), values);
            writeAudit(db, Persistence::Update);
        }
        tx.commit();
    } catch (...) {
        const bool editing = m_editing;
        std::unique_ptr<GLAccount> copy = std::move(m_copy);
        *this = before;
        m_editing = editing;
        m_copy = std::move(copy);
        throw;
    }
}

void GLAccount::remove()
{
    QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db);
    Db::execOne(tx, QStringLiteral("DELETE FROM GLAccount WHERE glAcctID = ?"), {accountId(m_id)});
    writeAudit(db, Persistence::Delete);
    tx.commit();
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
    QString sql = QStringLiteral("SELECT count(*) FROM GLAccount WHERE glacctnbr = ?");
    QVariantList values{m_number};
    if (!isNew()) {
        sql += QStringLiteral(" AND glAcctID <> ?");
        values << accountId(m_id);
    }
    return Db::scalar(Global::getConnection(), sql, values).toLongLong() == 0;
}

bool GLAccount::isValid() const
{
    return !m_number.trimmed().isEmpty() && isNumberUnique() && !m_name.trimmed().isEmpty() &&
           !m_accountType.isNull() && !m_recType.isNull();
}

bool GLAccount::validate()
{
    if (isValid())
        return true;
    const QString line = QStringLiteral("   -  %1\r\n");
    QString missing;
    if (m_number.trimmed().isEmpty())
        missing += line.arg(QStringLiteral("Account Number"));
    if (!isNumberUnique())
        throw DataValidationError::raise(QStringLiteral("GLAccount"), QStringLiteral("AccountNumberNotUnique"),
                                         QStringLiteral("ValidationError"));
    if (m_name.trimmed().isEmpty())
        missing += line.arg(QStringLiteral("Account Name"));
    if (m_accountType.isNull())
        missing += line.arg(QStringLiteral("Account Type"));
    if (m_recType.isNull())
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
    QSqlQuery q = Db::exec(db, QStringLiteral("SELECT %1 FROM GLAccount ORDER BY glacctnbr, glAcctID")
                                   .arg(GLAccount::selectColumns()));
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
    const QString key = m_accounts.at(position).getNumber().toCaseFolded();
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
    const auto hit = m_byNumber.constFind(number.toCaseFolded());
    return hit == m_byNumber.constEnd() ? nullptr : &m_accounts.at(*hit);
}
