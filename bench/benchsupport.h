#pragma once

#include <QElapsedTimer>
#include <QList>
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

// The engines a benchmark runs on: SQLite files always, and a server database when `make bench`
// started a server for them (CORVANTIS_BENCH_SERVER, "postgresql://role@host" without a
// database). A benchmark prints its name on the server with "pg-" before it.
enum class Engine { File, Server };
QList<Engine> engines();
QString named(const QString& name, Engine engine);

// A new empty database of that name on the benchmarks' server (one left from an earlier run is
// dropped first), and its removal.
QString newServerDatabase(const QString& database);
void dropServerDatabase(const QString& database);
// A plain connection of its own to the server database, for the baselines: nothing of our
// layer runs on it.
QSqlDatabase openRaw(const QString& name);

// A ledger of `accounts` accounts (every kind) with 24 month-ends 01/31/2023-12/31/2024, five
// items open from 06/01/2024 each, and 2,000 prepaid items of 12 months, written untimed, in one
// transaction, a few set-based statements (the same on both engines).
void makeLedger(const QString& path, int accounts);

// A main database holding makeLedger's ledger, made the session's main database with the user
// "bench" logged in: a file in a temporary folder, or a database on the benchmarks' server.
class Ledger
{
public:
    explicit Ledger(int accounts, Engine engine = Engine::File);
    ~Ledger();
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;
    QString path() const { return m_path; }
    // The connection the baselines read through: the file's own, or a raw one to the server.
    QSqlDatabase baseline() const;

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_database; // on the server
};

// The baseline's read: every value of every row of a plain query, prepared here, not by our layer.
qint64 readAll(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// The rows behind every account's figures at a date ("yyyy-mm-dd"), read raw without arithmetic:
// the floor the all-accounts views cannot go below. Returns the rows read.
qint64 readFigureRows(const QSqlDatabase& db, const QString& date);

// A memory figure of this process from /proc/self/status ("VmRSS", "VmHWM"), in kilobytes.
qint64 memoryKb(const char* field);
// Starts the peak ("VmHWM") afresh from the present resident memory.
void resetPeakMemory();

// What the review grid reads at a date ("yyyy-mm-dd"), raw: the figures' rows and each account's
// prepared history. Returns the rows read.
qint64 readReviewGridRows(const QSqlDatabase& db, const QString& date);

} // namespace Bench
