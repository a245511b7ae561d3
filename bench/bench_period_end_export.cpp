// The period-end export over 10,000 accounts x 24 month-ends with 5 open items each (50,000 items):
// the status lines and the open-items lines made in memory, against the same queries only read.
#include "benchsupport.h"
#include "db.h"
#include "exportwriter.h"
#include "global.h"
#include "periodendexport.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

// Times one export run, then prints its line, its rows per second and the peak memory of one run.
int measure(const QString& name, qint64 expectedRows, const std::function<qsizetype(ExportWriter&)>& ours,
            const std::function<void()>& baseline)
{
    // The first run, untimed, for its memory: the peak above what the process held before it.
    Bench::resetPeakMemory();
    const qint64 startKb = Bench::memoryKb("VmRSS");
    qsizetype fileBytes = 0;
    {
        ExportWriter writer;
        ours(writer);
        fileBytes = writer.content().size();
    }
    const qint64 peakKb = Bench::memoryKb("VmHWM");

    qsizetype rows = 0;
    const qint64 before = Db::statementCount();
    const double oursMs = Bench::timeIt([&] {
        ExportWriter writer;
        rows = ours(writer);
    });
    const qint64 queries = (Db::statementCount() - before) / 3;
    const double baseMs = Bench::timeIt(baseline);
    if (rows != expectedRows)
        return Bench::fail(name + QStringLiteral(": wrote %1 lines, expected %2").arg(rows).arg(expectedRows));
    Bench::print(name, oursMs, baseMs, rows, queries);
    std::printf("  %s: %.0f rows/s, peak memory %.1f MB (%.1f MB above the start of its first run; file %.1f MB)\n",
                qPrintable(name), rows / (oursMs / 1000.0), peakKb / 1024.0, (peakKb - startKb) / 1024.0,
                fileBytes / 1048576.0);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int accounts = 10000;
    const PeriodEndExport::Run run{QStringLiteral("11/30/2024"), QStringLiteral("12/05/2024 08:00:00"), true};
    const QString date = QStringLiteral("2024-11-30");
    int failed = 0;
    for (const Bench::Engine engine : Bench::engines()) {
        const Bench::Ledger ledger(accounts, engine);
        QSqlDatabase db = ledger.baseline();
        failed |= measure(
            Bench::named(QStringLiteral("status-export"), engine), accounts,
            [&](ExportWriter& w) { return PeriodEndExport::addStatusLines(w, run); },
            [&] {
                Bench::readFigureRows(db, date);
                Bench::readAll(db, PeriodEndExport::statusQuery(db), {date});
            });
        failed |= measure(
            Bench::named(QStringLiteral("open-items-export"), engine), accounts * 5,
            [&](ExportWriter& w) { return PeriodEndExport::addOpenItemLines(w, run); },
            [&] {
                Bench::readAll(db, PeriodEndExport::openItemsQuery(db), {date, date});
            });
    }
    return failed;
}
