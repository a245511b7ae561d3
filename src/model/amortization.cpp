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
    m_f.id = id;
    m_f.itemId = itemId;
    m_f.period.setDate(period);
    m_f.amount = value;
    m_f.createDate = createDate;
    m_f.createUser = createUser;
}

bool Amortization::equals(const Amortization& other) const
{
    return m_f.id == other.m_f.id && m_f.itemId == other.m_f.itemId && m_f.period.getDate() == other.m_f.period.getDate() &&
           m_f.createDate == other.m_f.createDate && m_f.createUser == other.m_f.createUser && m_f.amount.equals(other.m_f.amount);
}

QString Amortization::selectColumns()
{
    return QStringLiteral("AmortizationID, amortizableItemID, period, amount, CreateDate, CreateUser");
}

Amortization Amortization::fromRow(const QSqlQuery& row)
{
    Amortization p;
    p.m_f.id = RecordId::fromDb(row.value(0));
    p.m_f.itemId = RecordId::fromDb(row.value(1));
    p.m_f.period.setDate(Persistence::dateOf(row.value(2)));
    p.m_f.amount = Persistence::moneyOf(row.value(3));
    p.m_f.createDate = Db::textOf(row.value(4));
    p.m_f.createUser = Db::textOf(row.value(5));
    p.m_f.stored = p.dataValues();
    return p;
}

QVariantList Amortization::dataValues() const
{
    return {RecordId::toDb(m_f.itemId, QStringLiteral("Amortization.store"), QStringLiteral("item id")),
            Persistence::date(m_f.period), Persistence::money(m_f.amount)};
}

void Amortization::store()
{
    Db::Transaction tx(Global::getConnection(), QStringLiteral("change the amortization schedule"));
    Persistence::RestoreOnFailure keep(m_f);
    AmortizationWriter(tx.db()).write(*this, Persistence::now());
    tx.commit();
    keep.release();
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
