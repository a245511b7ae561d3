#include "company.h"

#include "apperror.h"
#include "datavalidationerror.h"
#include "db.h"
#include "global.h"
#include "persistence.h"
#include "referencelists.h"

#include <QHash>
#include <QSqlQuery>

namespace {

struct Row
{
    QString name, currency;
};

// The row as read per connection; a connection whose table has no row keeps empty texts.
QHash<QString, Row>& rows()
{
    static QHash<QString, Row> cache;
    return cache;
}

} // namespace

Company::Company()
{
    QSqlDatabase db = Global::getConnection();
    const QString key = ReferenceLists::cacheKey(db);
    auto hit = rows().constFind(key);
    if (hit == rows().constEnd()) {
        Row row;
        QSqlQuery q = Db::exec(db, QStringLiteral("SELECT CompanyName, Currency FROM Company"));
        if (q.next())
            row = {Db::textOf(q.value(0)), Db::textOf(q.value(1))};
        hit = rows().insert(key, row);
    }
    initialize(hit->name, hit->currency);
    m_loadedName = hit->name;
    m_loadedCurrency = hit->currency;
}

void Company::reload()
{
    rows().clear();
}

QStringList Company::currencies()
{
    QStringList codes;
    const QSqlDatabase db = Global::getConnection();
    QSqlQuery q =
        Db::exec(db,
                 QStringLiteral("SELECT Value FROM SystemType WHERE SystemType = ? ORDER BY Value") +
                     Db::exactCollation(db),
                 {QStringLiteral("CURRENCY")});
    while (q.next())
        codes << Db::textOf(q.value(0));
    return codes;
}

Company::~Company() = default;

void Company::initialize(const QString& name, const QString& currency)
{
    m_name = name;
    m_currency = currency;
}

void Company::store()
{
    if (!isValid())
        throw DataValidationError::raise(QStringLiteral("Company"), QStringLiteral("NameMissing"),
                                         QStringLiteral("ValidationError"));
    const QString currency = m_currency.trimmed().isEmpty() ? QStringLiteral("USD") : m_currency.trimmed();
    QSqlDatabase db = Global::getConnection();
    Db::Transaction tx(db, QStringLiteral("change the company"));
    if (Db::execCount(db,
                      QStringLiteral("UPDATE Company SET CompanyName = ?, Currency = ? "
                                     "WHERE COALESCE(CompanyName, '') = COALESCE(?, '') AND "
                                     "COALESCE(Currency, '') = COALESCE(?, '')"),
                      {m_name.trimmed(), currency, m_loadedName, m_loadedCurrency}) == 0) {
        if (Db::scalar(db, QStringLiteral("SELECT count(*) FROM Company")).toLongLong() == 0)
            throw AppError(AppError::DatabaseError, QStringLiteral("Company.store"),
                           QStringLiteral("The database has no company row to change."));
        reload(); // the next Company reads the other user's values
        throw Persistence::changedMeanwhile(
            {QStringLiteral("The company information"), QStringLiteral("the administration window")},
            QString());
    }
    tx.commit();
    rows().insert(ReferenceLists::cacheKey(db), {m_name.trimmed(), currency});
    m_loadedName = m_name.trimmed();
    m_loadedCurrency = currency;
}

void Company::beginEdit()
{
    m_copy.reset(new Company(NoRead{}));
    m_copy->initialize(m_name, m_currency);
    m_editing = true;
}

void Company::cancelEdit()
{
    if (!m_copy)
        return;
    initialize(m_copy->m_name, m_copy->m_currency);
    m_copy.reset();
    m_editing = false;
}

void Company::applyEdit()
{
    store();
    m_editing = false;
    m_copy.reset();
}
