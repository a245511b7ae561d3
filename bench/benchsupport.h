#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>

namespace Bench {

// The best of a few runs, in milliseconds.
double timeIt(const std::function<void()>& work, int runs = 3);
void print(const QString& name, double ours, double baseline, qint64 rows, qint64 queries = -1);
int fail(const QString& message);

// A ledger of `accounts` accounts (every kind) with 24 month-ends 01/31/2023-12/31/2024, five
// items open from 06/01/2024 each, and 2,000 prepaid items of 12 months, written untimed.
void makeLedger(const QString& path, int accounts);

} // namespace Bench
