// The administration grid of accounts over 10,000 accounts: the dialog's reload (one query, the
// rows into the grid, the grid put back on the account last worked on) against the raw SELECT of
// the same columns in the same run.
#include "administrationdialog.h"
#include "benchsupport.h"
#include "db.h"
#include "global.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTableView>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const Bench::Ledger ledger(10000);

    AccountManageDialog dialog;
    dialog.show();
    auto* grid = dialog.findChild<QTableView*>(QStringLiteral("grd"));
    const qint64 rows = grid->model()->rowCount();
    if (rows != 10000)
        return Bench::fail(QStringLiteral("accounts-grid-load: wrong rows"));

    const qint64 lastId = grid->model()->index(static_cast<int>(rows) - 1, 9).data().toLongLong();
    const qint64 before = Db::statementCount();
    const double ours = Bench::timeIt([&] {
        Global::selectedGLAcctID = lastId;
        dialog.LoadGLAccountDBGridView();
    });
    const qint64 queries = (Db::statementCount() - before) / 3;
    if (grid->currentIndex().row() != rows - 1)
        return Bench::fail(QStringLiteral("accounts-grid-load: the grid is not on the account last worked on"));
    const double baseline = Bench::timeIt([&] {
        Bench::readAll(Global::getConnection(),
                       QStringLiteral("SELECT glacctnbr, name, comment, CompanyPolicy, accountTypeCode, recTypeCode, "
                                      "keycontrol, active, ERPNumber, glAcctID FROM GLAccount ORDER BY glacctnbr"));
    });
    Bench::print(QStringLiteral("accounts-grid-load"), ours, baseline, rows, queries);
    return 0;
}
