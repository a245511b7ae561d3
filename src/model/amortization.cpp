#include "amortization.h"

#include "amortizationwriter.h"
#include "db.h"
#include "global.h"
#include "persistence.h"
#include "recordid.h"

void Amortization::initialize(const QString& id, const QString& itemId, const QString& period, const QString& amount,
                              const QString& createDate, const QString& createUser)
{
    ARCurrency value;
    value.setVal(amount); // may raise: nothing is changed before it
    m_id = id;
    m_itemId = itemId;
    m_period.setDate(period);
    m_amount = value;
    m_createDate = createDate;
    m_createUser = createUser;
}

bool Amortization::equals(const Amortization& other) const
{
    return m_id == other.m_id && m_itemId == other.m_itemId && m_period.getDate() == other.m_period.getDate() &&
           m_createDate == other.m_createDate && m_createUser == other.m_createUser && m_amount.equals(other.m_amount);
}

QString Amortization::selectColumns()
{
    return QStringLiteral("AmortizationID, amortizableItemID, period, amount, CreateDate, CreateUser");
}

Amortization Amortization::fromRow(const QSqlQuery& row)
{
    Amortization p;
    p.m_id = RecordId::fromDb(row.value(0));
    p.m_itemId = RecordId::fromDb(row.value(1));
    p.m_period.setDate(Persistence::dateOf(row.value(2)));
    p.m_amount = Persistence::moneyOf(row.value(3));
    p.m_createDate = Db::textOf(row.value(4));
    p.m_createUser = Db::textOf(row.value(5));
    return p;
}

QVariantList Amortization::dataValues() const
{
    return {RecordId::toDb(m_itemId, QStringLiteral("Amortization.store"), QStringLiteral("item id")),
            Persistence::date(m_period), Persistence::money(m_amount)};
}

void Amortization::store()
{
    const QSqlDatabase db = Global::getConnection();
    const Amortization before = *this;
    try {
        Db::Transaction tx(db);
        AmortizationWriter writer(db);
        writer.write(*this, Persistence::now());
        tx.commit();
    } catch (...) {
        *this = before;
        throw;
    }
}

void Amortization::StoreAudit()
{
    AmortizationWriter(Global::getConnection()).audit(*this, Persistence::Insert, Persistence::now(), Global::userName);
}

void Amortization::storeAuditActivity(const QString& activity)
{
    AmortizationWriter(Global::getConnection())
        .audit(*this, Persistence::activityFor(activity), m_createDate, m_createUser);
}

void Amortization::Load(const QString& id)
{
    const auto key = RecordId::parse(id);
    if (!key)
        return;
    QSqlQuery q = Db::exec(Global::getConnection(),
                           QStringLiteral("SELECT %1 FROM Amortization WHERE AmortizationID = ?").arg(selectColumns()),
                           {*key});
    if (q.next())
        *this = fromRow(q);
}

void Amortization::remove()
{
    const QSqlDatabase db = Global::getConnection();
    const Amortization before = *this;
    try {
        Db::Transaction tx(db);
        Load(m_id);
        storeAuditActivity(Persistence::Delete);
        Db::execOne(tx, QStringLiteral("DELETE FROM Amortization WHERE AmortizationID = ?"),
                    {RecordId::toDb(m_id, QStringLiteral("Amortization.remove"), QStringLiteral("period id"))});
        tx.commit();
    } catch (...) {
        *this = before;
        throw;
    }
}
