#include "referencelists.h"

#include "apperror.h"
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

const QString& codeOf(const GLAccountType& t) { return t.getCode(); }
const QString& codeOf(const RecType& t) { return t.getCode(); }
const QString& codeOf(const ERPNumber& n) { return n.getERPNumber(); }

// The member whose code matches, letter case ignored; an exact match is tried first, since stored
// codes are nearly always written as the lists hold them.
template <class List>
const typename List::value_type* findCode(const List& members, const QString& code)
{
    for (const auto& m : members)
        if (codeOf(m) == code)
            return &m;
    for (const auto& m : members)
        if (codeOf(m).compare(code, Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

template <class List>
const typename List::value_type& memberAt(const List& members, qsizetype position, const char* source)
{
    if (position < 1 || position > members.size())
        throw AppError(9, QString::fromLatin1(source),
                       QStringLiteral("The list has no member at position %1.").arg(position));
    return members.at(position - 1);
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
    const GLAccountType* t = findCode(m_types, code);
    return t ? *t : getNull();
}

const GLAccountType& GLAccountTypeList::getGLAccountTypeAt(qsizetype position) const
{
    return memberAt(m_types, position, "GLAccountTypeList.getGLAccountType");
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
    const RecType* t = findCode(*m_types, code);
    return t ? *t : getNull();
}

const RecType& RecTypeList::getRecTypeAt(qsizetype position) const
{
    return memberAt(*m_types, position, "RecTypeList.getRecType");
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
    if (const ERPNumber* n = findCode(*m_numbers, code))
        return *n;
    if (code.isEmpty() || code == QStringLiteral("N"))
        return getNull();
    return ERPNumber(code, QString());
}

const ERPNumber& ERPNumberList::getERPNumberAt(qsizetype position) const
{
    return memberAt(*m_numbers, position, "ERPNumberList.getERPNumber");
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
