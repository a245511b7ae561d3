#include "referencelists.h"

#include "db.h"
#include "global.h"

#include <QHash>
#include <QSqlDriver>

namespace {

template <class T>
QHash<QString, std::shared_ptr<const QList<T>>>& cache()
{
    static QHash<QString, std::shared_ptr<const QList<T>>> lists;
    return lists;
}

// The rows of one lookup table for a connection, read on first use.
template <class T, class Make>
std::shared_ptr<const QList<T>> rowsOf(const QSqlDatabase& db, const QString& sql, Make make)
{
    const QString key = ReferenceLists::cacheKey(db);
    auto& lists = cache<T>();
    if (const auto hit = lists.constFind(key); hit != lists.constEnd())
        return *hit;
    auto rows = std::make_shared<QList<T>>();
    QSqlQuery q = Db::exec(db, sql);
    while (q.next())
        rows->append(make(q));
    lists.insert(key, rows);
    return rows;
}

} // namespace

QString ReferenceLists::cacheKey(const QSqlDatabase& db)
{
    return db.connectionName() + QLatin1Char('#') + QString::number(reinterpret_cast<quintptr>(db.driver()), 16);
}

GLAccountTypeList::GLAccountTypeList()
    : m_types{{QStringLiteral("A"), QStringLiteral("Asset")},       {QStringLiteral("L"), QStringLiteral("Liability")},
              {QStringLiteral("E"), QStringLiteral("Equity")},      {QStringLiteral("I"), QStringLiteral("Income")},
              {QStringLiteral("X"), QStringLiteral("Expense")},     {QStringLiteral("C"), QStringLiteral("Contra-Asset")}}
{
}

GLAccountType GLAccountTypeList::getGLAccountType(const QString& code) const
{
    for (const GLAccountType& t : m_types)
        if (t.getCode().compare(code, Qt::CaseInsensitive) == 0)
            return t;
    return getNull();
}

RecTypeList::RecTypeList() : RecTypeList(Global::getConnection()) {}

RecTypeList::RecTypeList(const QSqlDatabase& db)
    : m_types(rowsOf<RecType>(db, QStringLiteral("SELECT recTypeCode, name, help FROM ReconciliationType"),
                              [](const QSqlQuery& q) {
                                  return RecType(Db::textOf(q.value(0)), Db::textOf(q.value(1)), Db::textOf(q.value(2)));
                              }))
{
}

RecType RecTypeList::getRecType(const QString& code) const
{
    for (const RecType& t : *m_types)
        if (t.getCode().compare(code, Qt::CaseInsensitive) == 0)
            return t;
    return getNull();
}

void RecTypeList::reload()
{
    cache<RecType>().clear();
}

ERPNumberList::ERPNumberList() : ERPNumberList(Global::getConnection()) {}

ERPNumberList::ERPNumberList(const QSqlDatabase& db)
    : m_numbers(rowsOf<ERPNumber>(db, QStringLiteral("SELECT ERPNumber, ERPDescription FROM ERPNumbers"),
                                  [](const QSqlQuery& q) {
                                      return ERPNumber(Db::textOf(q.value(0)), Db::textOf(q.value(1)));
                                  }))
{
}

ERPNumber ERPNumberList::getERPNumber(const QString& code) const
{
    for (const ERPNumber& n : *m_numbers)
        if (n.getERPNumber().compare(code, Qt::CaseInsensitive) == 0)
            return n;
    if (code.isEmpty() || code == QStringLiteral("N"))
        return getNull();
    return ERPNumber(code, QString());
}

void ERPNumberList::reload()
{
    cache<ERPNumber>().clear();
}

void GLAccountClassification::Load(const QString& accountTypeCode, const QString& recTypeCode)
{
    QSqlQuery q = Db::exec(Global::getConnection(),
                           QStringLiteral("SELECT Help FROM GLAccountClassification WHERE AccountTypeCode = ? AND "
                                          "RecTypeCode = ?"),
                           {accountTypeCode, recTypeCode});
    if (q.next())
        m_help = Db::textOf(q.value(0));
}
