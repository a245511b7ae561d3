#include "reconcilingitem.h"

#include "apperror.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "recordid.h"

namespace {

const QString Table = QStringLiteral("ReconcilingItem");
const QString Source = QStringLiteral("ReconcilingItem");

// The columns as the row and its audit twin both carry them, in the order of RowColumns.
enum RowColumn : qsizetype
{
    AccountId,
    OpenDate,
    CloseDate,
    Comment,
    Amount,
    TypeCode,
    ReqTiming,
    CreateDate,
    CreateUser
};
const QStringList DataColumns = {QStringLiteral("glAcctID"), QStringLiteral("openDate"),  QStringLiteral("closeDate"),
                                 QStringLiteral("comment"),  QStringLiteral("amount"),    QStringLiteral("typeCode"),
                                 QStringLiteral("ReqTiming")};

const QStringList RowColumns = DataColumns + QStringList{QStringLiteral("CreateDate"), QStringLiteral("CreateUser")};
// An item keeps its account and create stamp while it lives: they find its deletion's audit row.
const Persistence::StoredTable Stored{
    Table, RowColumns, QStringLiteral("RecItemId = ?"), {},
    {QStringLiteral("glAcctID"), QStringLiteral("CreateDate"), QStringLiteral("CreateUser")}};
const Persistence::RecordKey Key{Source + QStringLiteral(".store"), QStringLiteral("item id")};

// A code as held: the empty text stays the empty text, never NULL.
QVariant asHeld(const QString& code)
{
    return code.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(code);
}

} // namespace

void ReconcilingItem::initialize(const QString& id, const QString& glAccountId, const QString& openDate,
                                 const QString& closeDate, const QString& comment, const QString& amount,
                                 const QString& typeCode, const QString& createDate, const QString& createUser,
                                 const QString& reqTiming)
{
    Fields f;
    f.id = id;
    f.glAccountId = glAccountId;
    f.openDate.setDate(openDate);
    f.closeDate.setDate(closeDate);
    f.comment = comment;
    f.amount.setVal(amount);
    f.type = typeFor(ReconcilingItemTypeList(), typeCode, id);
    f.createDate = createDate;
    f.createUser = createUser;
    f.reqTiming = reqTiming;
    m_f = std::move(f);
}

ReconcilingItemType ReconcilingItem::typeFor(const ReconcilingItemTypeList& types, const QString& code,
                                             const QString& id)
{
    if (const ReconcilingItemType* t = types.find(code))
        return *t;
    const QString item = id.isEmpty() ? QStringLiteral("A new reconciling item")
                                      : QStringLiteral("Reconciling item %1").arg(id);
    throw AppError(5, Source + QStringLiteral(".setTypeCode"),
                   QStringLiteral("%1 has the item type code '%2', which is not a known item type.").arg(item, code));
}

void ReconcilingItem::setGLAccount(std::shared_ptr<const GLAccount> account)
{
    m_f.glAccountId = account ? account->getID() : QString();
    m_f.accountNumber = account ? account->getNumber() : QString();
    m_f.account = std::move(account);
}

void ReconcilingItem::setTypeCode(const QString& code)
{
    m_f.type = typeFor(ReconcilingItemTypeList(), code, m_f.id);
}

void ReconcilingItem::beginEdit()
{
    m_edit = std::make_shared<const Fields>(m_f);
}

void ReconcilingItem::applyEdit()
{
    store();
    m_edit.reset();
}

void ReconcilingItem::cancelEdit()
{
    if (!m_edit)
        return;
    m_f = *m_edit;
    m_edit.reset();
}

QString ReconcilingItem::selectColumns()
{
    // The id, then the row's columns in the order of RowColumns.
    static const QString columns = QStringLiteral("RecItemId, ") + RowColumns.join(QStringLiteral(", "));
    return columns;
}

void ReconcilingItem::readRow(const QSqlQuery& row, const ReconcilingItemTypeList& types,
                              Persistence::DateFields& dates, const ReconcilingItem* previous)
{
    Fields& f = m_f;
    f.id = RecordId::fromDb(row.value(0));
    f.loaded = Persistence::loadedValues(row, 1, int(RowColumns.size()));
    const QVariantList& v = f.loaded;
    // The rows of a list mostly share their account and their type: the previous row's are taken
    // over when they are the same.
    const Fields* before = previous ? &previous->m_f : nullptr;
    f.glAccountId = before && before->loaded.value(AccountId) == v[AccountId] ? before->glAccountId
                                                                              : RecordId::fromDb(v[AccountId]);
    f.openDate = dates.of(v[OpenDate]);
    f.closeDate = dates.of(v[CloseDate]);
    f.comment = Db::textOf(v[Comment]);
    f.amount = Persistence::moneyOf(v[Amount]);
    const QString code = Db::textOf(v[TypeCode]);
    f.type = before && before->type.getCode() == code ? before->type : typeFor(types, code, f.id);
    f.reqTiming = Db::textOf(v[ReqTiming]);
    f.createUser = Db::textOf(v[CreateUser]);
    f.createDate = Db::textOf(v[CreateDate]);
}

bool ReconcilingItem::listedBefore(const ReconcilingItem& other) const
{
    // An empty comment comes before any other either way: only between two empty ones does it
    // matter whether the row held one.
    if (const int byComment = Db::compareExactly(m_f.comment, other.m_f.comment))
        return byComment < 0;
    if (m_f.comment.isEmpty()) {
        const bool none = m_f.loaded.at(Comment).isNull();
        if (none != other.m_f.loaded.at(Comment).isNull())
            return none;
    }
    return RecordId::parse(m_f.id) < RecordId::parse(other.m_f.id);
}

void ReconcilingItem::Load(const QString& id)
{
    const auto key = RecordId::parse(id);
    if (!key)
        return;
    QSqlQuery q = Db::exec(Global::getConnection(),
                           QStringLiteral("SELECT %1 FROM ReconcilingItem WHERE RecItemId = ?").arg(selectColumns()),
                           {*key});
    if (!q.next())
        return;
    Persistence::DateFields dates;
    ReconcilingItem read;
    read.readRow(q, ReconcilingItemTypeList(), dates);
    m_f = std::move(read.m_f);
}

QVariantList ReconcilingItem::dataValues() const
{
    return {RecordId::toDb(m_f.glAccountId, Source + QStringLiteral(".store"), QStringLiteral("account id")),
            Persistence::date(m_f.openDate),
            Persistence::date(m_f.closeDate),
            Persistence::freeText(m_f.comment),
            Persistence::money(m_f.amount),
            m_f.type.getCode(),
            asHeld(m_f.reqTiming)};
}

QVariantList ReconcilingItem::rowValues() const
{
    return dataValues() << Db::text(m_f.createDate) << Db::text(m_f.createUser);
}

void ReconcilingItem::store()
{
    if (!hasType())
        throw AppError(91, Source + QStringLiteral(".store"), QStringLiteral("The reconciling item has no item type."));
    Db::Transaction tx(Global::getConnection(), QStringLiteral("change the reconciling items"));
    Persistence::RestoreOnFailure keep(m_f);
    // Stored under the account as its reconciliation was opened, where one was.
    if (m_f.account)
        m_f.account->requireAsLoaded(tx.db());
    else
        GLAccount::requireStored(tx.db(), dataValues().constFirst(), m_f.accountNumber);
    Persistence::storeRecord<Fields>(tx.db(), m_f, Key, [this](const Fields& f) {
        Persistence::Row row{Stored, rowValues()};
        // Items written before create dates were kept carry none; their changes go unrecorded.
        row.audited = !f.createDate.isEmpty();
        if (!f.loaded.isEmpty()) {
            row.loaded = f.loaded;
            row.conflict = conflict();
        }
        return row;
    });
    tx.commit();
    keep.release();
    m_f.loaded = rowValues();
}

Persistence::Conflict ReconcilingItem::conflict() const
{
    // Named as stored, not as typed since.
    const bool stored = !m_f.loaded.isEmpty();
    const QString comment = (stored ? Db::textOf(m_f.loaded.value(Comment)) : m_f.comment).trimmed();
    // Put together without arg(): every item shown in a reconciliation is named once as it opens.
    if (comment.isEmpty()) {
        const QString opened = stored ? Persistence::dateOf(m_f.loaded.value(OpenDate)) : m_f.openDate.getDate();
        return {QStringLiteral("The reconciling item of ") + opened, QStringLiteral("the item")};
    }
    return {QStringLiteral("The reconciling item \"") + comment + u'"', QStringLiteral("the item")};
}

void ReconcilingItem::remove()
{
    Db::Transaction tx(Global::getConnection(), QStringLiteral("delete reconciling items"));
    Persistence::RestoreOnFailure keep(m_f);
    // An item never loaded is taken as it is stored now; a loaded one goes only as it was loaded.
    if (m_f.loaded.isEmpty())
        Load(m_f.id);
    Persistence::Row row = Persistence::removalAsLoaded(
        Stored, RecordId::toDb(m_f.id, Source + QStringLiteral(".remove"), QStringLiteral("item id")), m_f.loaded,
        conflict());
    // Items written before create dates were kept carry none; their removal goes unrecorded.
    row.audited = !Db::textOf(m_f.loaded.value(CreateDate)).isEmpty();
    Persistence::removeRow(tx, row);
    tx.commit();
    keep.release();
}
