#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>

namespace Bench {

// The best of a few runs, in milliseconds.
double timeIt(const std::function<void()>& work, int runs = 3);
void print(const QString& name, double ours, double baseline, qint64 rows, qint64 queries = -1);
int fail(const QString& message);

} // namespace Bench
