#pragma once

// What the persistence layer's own files share: the guarded UPDATE over rows of values, for one
// row (storeRow) and for many (the batched stores).

#include "db_p.h"
#include "persistence.h"

namespace Persistence {

// A statement over rows of values: the text before them and after them.
struct AroundRows
{
    QString before, after;
    QString with(const QString& rows) const { return before + rows + after; }
};

// "UPDATE table SET a = v.column1 FROM (VALUES ...) AS v WHERE ...": the update's statement around
// its rows, the values of each row in the order set columns, key columns, guard columns; with
// `returning` the statement reads back those columns of each row it changed.
AroundRows guardedUpdateSql(const QSqlDatabase& db, const GuardedUpdate& u, const QStringList& returning);

} // namespace Persistence
