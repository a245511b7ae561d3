#include "reconcilingitemtype.h"

#include "apperror.h"
#include "db.h"
#include "global.h"
#include "referencelists.h"
#include "typecode.h"

#include <QHash>

namespace {

using TypeTable = std::shared_ptr<const QList<ReconcilingItemType>>;

// One list per open connection, kept as the other lookup tables keep theirs.
QHash<QString, TypeTable>& cache()
{
    static QHash<QString, TypeTable> lists;
    return lists;
}

} // namespace

ReconcilingItemTypeList::ReconcilingItemTypeList() : ReconcilingItemTypeList(Global::getConnection()) {}

ReconcilingItemTypeList::ReconcilingItemTypeList(const QSqlDatabase& db)
{
    const QString key = ReferenceLists::cacheKey(db);
    if (const auto hit = cache().constFind(key); hit != cache().constEnd()) {
        m_types = *hit;
        return;
    }
    auto types = std::make_shared<QList<ReconcilingItemType>>();
    QSqlQuery q = Db::exec(db, QStringLiteral("SELECT recItemTypeCode, name FROM ReconcilingItemType"));
    while (q.next())
        types->append(ReconcilingItemType(Db::textOf(q.value(0)), Db::textOf(q.value(1))));
    m_types = types;
    cache().insert(key, m_types);
}

const ReconcilingItemType* ReconcilingItemTypeList::find(const QString& code) const
{
    for (const ReconcilingItemType& t : *m_types)
        if (TypeCode::is(t.getCode(), code))
            return &t;
    return nullptr;
}

const ReconcilingItemType& ReconcilingItemTypeList::getReconcilingItemType(const QString& code) const
{
    if (const ReconcilingItemType* t = find(code))
        return *t;
    throw AppError(5, QStringLiteral("ReconcilingItemTypeList.getReconcilingItemType"),
                   QStringLiteral("There is no reconciling item type with the code '%1'.").arg(code));
}

const ReconcilingItemType& ReconcilingItemTypeList::getReconcilingItemTypeAt(qsizetype position) const
{
    if (position < 1 || position > m_types->size())
        throw AppError(9, QStringLiteral("ReconcilingItemTypeList.getReconcilingItemTypeAt"),
                       QStringLiteral("There is no reconciling item type at position %1.").arg(position));
    return m_types->at(position - 1);
}

void ReconcilingItemTypeList::reload()
{
    cache().clear();
}
