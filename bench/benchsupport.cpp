#include "benchsupport.h"

#include <cstdio>
#include <limits>

namespace Bench {

double timeIt(const std::function<void()>& work, int runs)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

void print(const QString& name, double ours, double baseline, qint64 rows, qint64 queries)
{
    QString line = QStringLiteral("bench %1: ours=%2 baseline=%3 ratio=%4 rows=%5")
                       .arg(name)
                       .arg(ours, 0, 'f', 2)
                       .arg(baseline, 0, 'f', 2)
                       .arg(baseline > 0 ? ours / baseline : 0.0, 0, 'f', 2)
                       .arg(rows);
    if (queries >= 0)
        line += QStringLiteral(" queries=%1").arg(queries);
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

int fail(const QString& message)
{
    std::fprintf(stderr, "bench failed: %s\n", qPrintable(message));
    return 1;
}

} // namespace Bench
