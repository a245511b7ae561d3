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
    m_f.values.itemId = itemId;
    m_f.values.period.setDate(period);
    m_f.values.amount = value;
    m_f.createDate = createDate;
    m_f.createUser = createUser;
}

bool Amortization::equals(const Amortization& other) const
{
    const Values& a = m_f.values;
    const Values& b = other.m_f.values;
    return m_f.id == other.m_f.id && a.itemId == b.itemId && a.period.getDate() == b.period.getDate() &&
           m_f.createDate == other.m_f.createDate && m_f.createUser == other.m_f.createUser &&
           a.amount.equals(b.amount);
}

QString Amortization::selectColumns(QLatin1StringView prefix)
{
    QString columns;
    for (const char* column : {"AmortizationID", "amortizableItemID", "period", "amount", "CreateDate", "CreateUser"}) {
        if (!columns.isEmpty())
            columns += QLatin1StringView(", ");
        columns += prefix + QLatin1StringView(column);
    }
    return columns;
}

void Amortization::readRow(Amortization& p, const QSqlQuery& row, const QString& itemId,
                           Persistence::DateFields& dates)
{
    p.m_f.id = RecordId::fromDb(row.value(0));
    p.m_f.values.itemId = itemId;
    p.m_f.values.period = dates.of(row.value(2));
    p.m_f.values.amount = Persistence::moneyOf(row.value(3));
    p.m_f.createDate = Db::textOf(row.value(4));
    p.m_f.createUser = Db::textOf(row.value(5));
    p.markStored();
}

QVariantList Amortization::dataValuesOf(const Values& values)
{
    return {RecordId::toDb(values.itemId, QStringLiteral("Amortization.store"), QStringLiteral("item id")),
            Persistence::date(values.period), Persistence::money(values.amount)};
}

QVariantList Amortization::dataValues() const
{
    return dataValuesOf(m_f.values);
}

bool Amortization::isAsStored() const
{
    // Compared in the database's form, as the row holds them: an item id or date written
    // differently but standing for the same value writes nothing.
    return !isNew() && m_f.stored && dataValuesOf(*m_f.stored) == dataValues();
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
    if (!q.next())
        return;
    Persistence::DateFields dates;
    Amortization read;
    readRow(read, q, RecordId::fromDb(q.value(1)), dates);
    *this = std::move(read);
}
