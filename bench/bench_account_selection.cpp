// The review grid of the account selection over 10,000 accounts x 24 month-ends with items and
// prepaid schedules: every account with its balance, status and reconciliation figures, against
// the raw queries of the same rows in the same run; and the memory the open grid takes.
#include "benchsupport.h"
#include "db.h"
#include "global.h"
#include "modregistry.h"
#include "recselectdialog.h"

#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTableView>

namespace {

// The resident memory of the process, in kilobytes.
qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const Bench::Ledger ledger(10000);
    Global::setCurrentRecDate(QStringLiteral("11/30/2024"));
    const QString key = QStringLiteral("Software\\Corvantis\\RecSelectDialog");
    modRegistry::setSetting(QStringLiteral("HKCU"), key, QStringLiteral("optAcctType"), QStringLiteral("D"), 1);
    modRegistry::setSetting(QStringLiteral("HKCU"), key, QStringLiteral("optKeyControl"), QStringLiteral("D"), 2);
    Global::gridSortState = Global::GridSortState::atStart();

    const qint64 memoryBefore = residentKb();
    RecSelectDialog dialog;
    dialog.show();
    const qint64 memoryOpen = residentKb() - memoryBefore;
    const qint64 rows = dialog.findChild<QTableView*>()->model()->rowCount();
    if (rows != 10000)
        return Bench::fail(QStringLiteral("review-grid-load: wrong rows"));

    const qint64 before = Db::statementCount();
    const double ours = Bench::timeIt([&] { dialog.LoadGLAccountDBGridView(); });
    const qint64 queries = (Db::statementCount() - before) / 3;
    const double baseline =
        Bench::timeIt([&] { Bench::readReviewGridRows(Global::getConnection(), QStringLiteral("2024-11-30")); });
    Bench::print(QStringLiteral("review-grid-load"), ours, baseline, rows, queries);
    std::printf("review-grid-memory: %.1f MB for the open grid of %lld accounts\n", memoryOpen / 1024.0,
                static_cast<long long>(rows));
    return 0;
}
