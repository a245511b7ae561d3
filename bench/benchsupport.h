#pragma once

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <functional>

namespace Bench {

// The best of a few runs, in milliseconds.
double timeIt(const std::function<void()>& work, int runs = 3);
// The same, with an untimed set-up before each run (fresh state for the work to start from).
double timeIt(const std::function<void()>& setUp, const std::function<void()>& work, int runs = 3);
void print(const QString& name, double ours, double baseline, qint64 rows, qint64 queries = -1);
int fail(const QString& message);

// A ledger of `accounts` accounts (every kind) with 24 month-ends 01/31/2023-12/31/2024, five
// items open from 06/01/2024 each, and 2,000 prepaid items of 12 months, written untimed.
void makeLedger(const QString& path, int accounts);

// A main database in a temporary folder holding makeLedger's ledger, made the session's main
// database with the user "bench" logged in.
class Ledger
{
public:
    explicit Ledger(int accounts);
    QString path() const { return m_dir.filePath(QStringLiteral("bench.db")); }

private:
    QTemporaryDir m_dir;
};

// The baseline's read: every value of every row of a plain query, prepared here, not by our layer.
qint64 readAll(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// The rows behind every account's figures at a date ("yyyy-mm-dd"), read raw without arithmetic:
// the floor the all-accounts views cannot go below. Returns the rows read.
qint64 readFigureRows(const QSqlDatabase& db, const QString& date);

// What the review grid reads at a date ("yyyy-mm-dd"), raw: the figures' rows and each account's
// prepared history. Returns the rows read.
qint64 readReviewGridRows(const QSqlDatabase& db, const QString& date);

} // namespace Bench
