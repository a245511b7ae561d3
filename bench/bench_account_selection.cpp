// The review grid of the account selection over 10,000 accounts x 24 month-ends with items and
// prepaid schedules: every account with its balance, status and reconciliation figures, against
// the raw queries of the same rows in the same run; and the memory the open grid takes.
#include "benchsupport.h"
#include "db.h"
#include "global.h"
#include "modregistry.h"
#include "recselectdialog.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTableView>

namespace {

int measure(Bench::Engine engine)
{
    const Bench::Ledger ledger(10000, engine);
    Global::setCurrentRecDate(QStringLiteral("11/30/2024"));
    const QString key = QStringLiteral("Software\\Corvantis\\RecSelectDialog");
    modRegistry::setSetting(QStringLiteral("HKCU"), key, QStringLiteral("optAcctType"), QStringLiteral("D"), 1);
    modRegistry::setSetting(QStringLiteral("HKCU"), key, QStringLiteral("optKeyControl"), QStringLiteral("D"), 2);
    Global::gridSortState = Global::GridSortState::atStart();

    const qint64 memoryBefore = Bench::memoryKb("VmRSS");
    RecSelectDialog dialog;
    dialog.show();
    const qint64 memoryOpen = Bench::memoryKb("VmRSS") - memoryBefore;
    const qint64 rows = dialog.findChild<QTableView*>()->model()->rowCount();
    if (rows != 10000)
        return Bench::fail(Bench::named(QStringLiteral("review-grid-load"), engine) + QStringLiteral(": wrong rows"));

    const qint64 before = Db::statementCount();
    const double ours = Bench::timeIt([&] { dialog.LoadGLAccountDBGridView(); });
    const qint64 queries = (Db::statementCount() - before) / 3;
    const double baseline =
        Bench::timeIt([&] { Bench::readReviewGridRows(ledger.baseline(), QStringLiteral("2024-11-30")); });
    Bench::print(Bench::named(QStringLiteral("review-grid-load"), engine), ours, baseline, rows, queries);
    // Measured on the first engine only: a later grid reuses the memory the first one gave back.
    if (engine == Bench::engines().constFirst())
        std::printf("review-grid-memory: %.1f MB for the open grid of %lld accounts\n", memoryOpen / 1024.0,
                    static_cast<long long>(rows));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    int failed = 0;
    for (const Bench::Engine engine : Bench::engines())
        failed |= measure(engine);
    return failed;
}
