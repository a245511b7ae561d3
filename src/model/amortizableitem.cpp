#include "amortizableitem.h"

#include "apperror.h"
#include "datavalidationerror.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "persistence.h"
#include "prompter.h"
#include "recordid.h"

namespace {

const QString Table = QStringLiteral("AmortizableItem");
const QString Source = QStringLiteral("AmortizableItem");

const QStringList DataColumns = {QStringLiteral("glAcctID"),  QStringLiteral("openDate"), QStringLiteral("startDate"),
                                 QStringLiteral("endDate"),   QStringLiteral("amount"),   QStringLiteral("\"desc\""),
                                 QStringLiteral("comment")};
const QStringList RowColumns = DataColumns + QStringList{QStringLiteral("CreateDate"), QStringLiteral("CreateUser")};
const qsizetype DescriptionColumn = RowColumns.indexOf(QStringLiteral("\"desc\""));
// An item keeps its account and create stamp while it lives: they find its deletion's audit row.
const Persistence::StoredTable Stored{
    Table, RowColumns, QStringLiteral("AmortizableItemID = ?"), {},
    {QStringLiteral("glAcctID"), QStringLiteral("CreateDate"), QStringLiteral("CreateUser")}};
const Persistence::RecordKey Key{Source + QStringLiteral(".store"), QStringLiteral("item id")};

} // namespace

void AmortizableItem::initialize(const QString& id, const Account& account, const QString& openDate,
                                 const QString& startDate, const QString& endDate, const QString& amount,
                                 const QString& description, const QString& comment, const QString& createDate,
                                 const QString& createUser)
{
    Fields f;
    f.id = id;
    f.account = account;
    f.openDate.setDate(openDate);
    f.startDate.setDate(startDate);
    f.endDate.setDate(endDate);
    f.amount.setVal(amount);
    f.description = description;
    f.comment = comment;
    f.createDate = createDate;
    f.createUser = createUser;
    m_f = std::move(f);
}

ARCurrency AmortizableItem::getNonAmortizedAmount() const
{
    ARCurrency rest = m_f.amount;
    rest.subtract(m_schedule.getTotalAmount());
    return rest;
}

void AmortizableItem::applyNonAmortizedAmount()
{
    if (m_schedule.count() == 0)
        return;
    const ARCurrency rest = getNonAmortizedAmount();
    m_schedule.getAmortizationAt(m_schedule.count()).getAmount().add(rest);
}

bool AmortizableItem::equals(const AmortizableItem& other) const
{
    const Fields& a = m_f;
    const Fields& b = other.m_f;
    const bool sameAccount = a.account && b.account ? a.account->equals(*b.account) : a.account == b.account;
    return a.id == b.id && a.description == b.description && a.comment == b.comment &&
           a.createDate == b.createDate && a.createUser == b.createUser && a.openDate.getDate() == b.openDate.getDate() &&
           a.startDate.getDate() == b.startDate.getDate() && a.endDate.getDate() == b.endDate.getDate() &&
           a.amount.equals(b.amount) && sameAccount && m_schedule.equals(other.m_schedule);
}

QString AmortizableItem::selectColumns()
{
    return QStringLiteral("AmortizableItemID, glAcctID, openDate, startDate, endDate, amount, \"desc\", comment, "
                          "CreateDate, CreateUser");
}

AmortizableItem::Fields AmortizableItem::fromRow(const QSqlQuery& row, Persistence::DateFields& dates)
{
    Fields f;
    f.id = RecordId::fromDb(row.value(0));
    f.loaded = Persistence::loadedValues(row, 1, 9); // in the order of RowColumns
    const QVariantList& v = f.loaded;
    f.openDate = dates.of(v.at(1));
    f.startDate = dates.of(v.at(2));
    f.endDate = dates.of(v.at(3));
    f.amount = Persistence::moneyOf(v.at(4));
    f.description = Db::textOf(v.at(5));
    f.comment = Db::textOf(v.at(6));
    f.createDate = Db::textOf(v.at(7));
    f.createUser = Db::textOf(v.at(8));
    return f;
}

AmortizableItem::Account AmortizableItem::accountFor(const QString& accountId)
{
    // An account loaded with an empty id would stand for the account selected in the grids.
    if (accountId.isEmpty())
        return nullptr;
    auto account = std::make_shared<GLAccount>();
    account->Load(accountId);
    return account;
}

void AmortizableItem::Load(const QString& id)
{
    const auto key = RecordId::parse(id);
    if (!key)
        return;
    Fields f;
    QString accountId;
    {
        QSqlQuery q = Db::exec(Global::getConnection(),
                               QStringLiteral("SELECT %1 FROM AmortizableItem WHERE AmortizableItemID = ?")
                                   .arg(selectColumns()),
                               {*key});
        if (!q.next())
            return;
        Persistence::DateFields dates;
        f = fromRow(q, dates);
        accountId = RecordId::fromDb(q.value(1));
    }
    f.account = accountFor(accountId);
    AmortizationList schedule;
    schedule.Load(f.id);

    m_f = std::move(f);
    m_schedule.clear();
    for (const Amortization& p : std::as_const(schedule))
        m_schedule.add(p);
    m_f.scheduleLoaded = m_schedule.snapshot();
}

QVariantList AmortizableItem::dataValues() const
{
    const QString accountId = m_f.account ? m_f.account->getID() : QString();
    return {RecordId::toDb(accountId, Source + QStringLiteral(".store"), QStringLiteral("account id")),
            Persistence::date(m_f.openDate),
            Persistence::date(m_f.startDate),
            Persistence::date(m_f.endDate),
            Persistence::money(m_f.amount),
            Persistence::freeText(m_f.description),
            Persistence::freeText(m_f.comment)};
}

QVariantList AmortizableItem::rowValues() const
{
    return dataValues() << Db::text(m_f.createDate) << Db::text(m_f.createUser);
}

bool AmortizableItem::sameStoredState(const AmortizationList& a, const AmortizationList& b)
{
    if (a.count() != b.count())
        return false;
    for (qsizetype i = 1; i <= a.count(); ++i) {
        const Amortization& p = a.getAmortizationAt(i);
        const Amortization& q = b.getAmortizationAt(i);
        if (p.getID() != q.getID() || p.getPeriod() != q.getPeriod() || !p.getAmount().equals(q.getAmount()))
            return false;
    }
    return true;
}

Persistence::Conflict AmortizableItem::conflict() const
{
    // Named as stored, not as typed since.
    const QString stored = m_f.loaded.isEmpty() ? m_f.description : Db::textOf(m_f.loaded.value(DescriptionColumn));
    return {QStringLiteral("The prepaid item \"%1\"").arg(stored.trimmed()), QStringLiteral("the item")};
}

void AmortizableItem::requireScheduleUnchanged(const QSqlDatabase& db, const Persistence::Conflict& named) const
{
    AmortizationList stored;
    stored.Load(m_f.id);
    if (sameStoredState(stored, m_f.scheduleLoaded))
        return;
    throw Persistence::changedMeanwhile(named,
                                        Persistence::lastChangeBy(db, QStringLiteral("AmortizationAudit"),
                                                                  {QStringLiteral("amortizableItemID")},
                                                                  {RecordId::parse(m_f.id).value_or(0)}));
}

void AmortizableItem::requireEndDateAfterStart() const
{
    if (!isStartDateValid() || !isEndDateValid())
        throw DataValidationError::raise(Source, QStringLiteral("EndDateInvalid"));
}

void AmortizableItem::store()
{
    requireEndDateAfterStart();
    validate();

    Db::runTransaction(Global::getConnection(), QStringLiteral("change the prepaid items"), [&](Db::Transaction& tx) {
        Persistence::RestoreOnFailure keep(m_f);
        Persistence::RestoreOnFailure keepSchedule(m_schedule);
        // The item and its schedule are one: a change of either by another user stops the whole
        // store. The item's guarded update comes first and holds its row until the commit, so the
        // schedule read after it is the one stored, and another store of the item waits meanwhile.
        const bool guarded = !m_f.id.isEmpty() && !m_f.loaded.isEmpty();
        // Stored under its account as this user opened it: an account that is no longer a prepaid
        // one has no prepaid items to change, and its new kind's reconciliation would not show them.
        if (m_f.account)
            m_f.account->requireAsLoaded(tx.db());
        const Persistence::Conflict named = conflict();
        Persistence::storeRecord<Fields>(tx.db(), m_f, Key, [this, guarded, named](const Fields& f) {
            Persistence::Row row{Stored, rowValues()};
            if (guarded) {
                row.loaded = f.loaded;
                row.conflict = named;
            }
            return row;
        });
        if (guarded)
            requireScheduleUnchanged(tx.db(), named);

        if (m_schedule.count() == 0)
            createAmortizations();
        else
            for (Amortization& p : m_schedule)
                p.setAmortizableItemID(m_f.id);
        applyNonAmortizedAmount();
        m_schedule.store();
        tx.commit();
        keep.release();
        keepSchedule.release();
    });
    m_f.loaded = rowValues();
    m_f.scheduleLoaded = m_schedule.snapshot();
}

void AmortizableItem::remove()
{
    Db::Transaction tx(Global::getConnection(), QStringLiteral("delete prepaid items"));
    Persistence::RestoreOnFailure keep(m_f);
    Persistence::RestoreOnFailure keepSchedule(m_schedule);
    // An item never loaded is taken as it is stored now; a loaded one goes only as it was loaded,
    // schedule and all. The guarded delete holds the row while the schedule is compared.
    if (m_f.loaded.isEmpty())
        Load(m_f.id);
    Persistence::Row row = Persistence::removalAsLoaded(
        Stored, RecordId::toDb(m_f.id, Source + QStringLiteral(".remove"), QStringLiteral("item id")), m_f.loaded,
        conflict());
    Persistence::removeRow(tx, row);
    requireScheduleUnchanged(tx.db(), row.conflict);
    tx.commit();
    keep.release();
    keepSchedule.release();
}

void AmortizableItem::beginEdit()
{
    m_edit = m_f;
    m_schedule.beginEditFromParent();
}

void AmortizableItem::applyEdit()
{
    store();
    m_schedule.applyEditFromParent();
    m_edit.reset();
}

void AmortizableItem::cancelEdit()
{
    if (!m_edit)
        return;
    m_f = *m_edit;
    m_schedule.cancelEditFromParent();
    m_edit.reset();
}

bool AmortizableItem::isGLAccountValid() const
{
    return m_f.account != nullptr;
}

bool AmortizableItem::isValid() const
{
    return isGLAccountValid() && isOpenDateValid() && isStartDateValid() && isEndDateValid() && isAmountValid() &&
           isDescriptionValid();
}

void AmortizableItem::validate() const
{
    if (isValid())
        return;
    const auto box = [](const QString& text) {
        Prompter::show(Prompter::applicationTitle(), text, Prompter::Buttons::Ok, Prompter::Icon::Information);
    };
    if (!isGLAccountValid())
        box(QStringLiteral("GL Account is Required"));
    if (!isOpenDateValid())
        box(QStringLiteral("Open Date is Invalid"));
    if (!isStartDateValid())
        box(QStringLiteral("Start Date is Invalid"));
    if (!isEndDateValid())
        box(QStringLiteral("End Date is Invalid"));
    if (!isDescriptionValid())
        box(QStringLiteral("Description is Required"));
}
