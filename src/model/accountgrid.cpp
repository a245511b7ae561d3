#include "accountgrid.h"

#include "db.h"
#include "global.h"

#include <QSqlQuery>

namespace AccountGrid {

const std::array<Column, ColumnCount>& columns()
{
    static const std::array<Column, ColumnCount> all{{{QStringLiteral("Number"), 1440},
                                                      {QStringLiteral("Name"), 4300},
                                                      {QStringLiteral("Description"), 2625},
                                                      {QStringLiteral("Policy"), 2625},
                                                      {QStringLiteral("Acct Type"), 900},
                                                      {QStringLiteral("Rec Type"), 900},
                                                      {QStringLiteral("Key"), 650},
                                                      {QStringLiteral("Active"), 650},
                                                      {QStringLiteral("ERP Account"), 500},
                                                      {QStringLiteral("ID"), 0}}};
    return all;
}

QList<Row> load()
{
    const QSqlDatabase db = Global::getConnection();
    QSqlQuery q =
        Db::exec(db, QStringLiteral("SELECT glacctnbr, name, comment, CompanyPolicy, accountTypeCode, "
                                    "recTypeCode, keycontrol, active, ERPNumber, glAcctID FROM GLAccount "
                                    "ORDER BY %1, glAcctID")
                         .arg(Db::caseBlindOrder(db, QStringLiteral("glacctnbr"))));
    QList<Row> rows;
    while (q.next()) {
        Row& r = rows.emplaceBack();
        for (int c = 0; c < ColumnCount - 1; ++c)
            r.cells[c] = Db::textOf(q.value(c));
        r.id = q.value(IdColumn).toLongLong();
    }
    return rows;
}

} // namespace AccountGrid
