#include "benchsupport.h"

#include "db.h"
#include "db_p.h"
#include "global.h"
#include "processtuning.h"
#include "schema.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cstdio>
#include <limits>

namespace Bench {

double timeIt(const std::function<void()>& work, int runs)
{
    return timeIt([] {}, work, runs);
}

double timeIt(const std::function<void()>& setUp, const std::function<void()>& work, int runs)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        setUp();
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

QList<Engine> engines()
{
    if (qEnvironmentVariableIsEmpty("CORVANTIS_BENCH_SERVER"))
        return {Engine::File};
    return {Engine::File, Engine::Server};
}

QString named(const QString& name, Engine engine)
{
    return engine == Engine::Server ? QStringLiteral("pg-") + name : name;
}

namespace {

QString serverDatabaseName(const QString& database)
{
    return qEnvironmentVariable("CORVANTIS_BENCH_SERVER") + QLatin1Char('/') + database;
}

void onServerAdmin(const QString& statement)
{
    const QString admin = serverDatabaseName(QStringLiteral("postgres"));
    {
        QSqlDatabase db = Db::open(admin, QStringLiteral("benchadmin"));
        Db::exec(db, statement);
    }
    Db::close(admin, QStringLiteral("benchadmin"));
}

// The month-ends from the first one given on, as "(0, ?), (1, ?)..." rows and their values.
std::pair<QString, QVariantList> monthEnds(const QDate& first, int months)
{
    QStringList rows;
    QVariantList values;
    for (int m = 0; m < months; ++m) {
        rows << QStringLiteral("(%1, ?)").arg(m);
        values << first.addMonths(m + 1).addDays(-1).toString(Qt::ISODate);
    }
    return {rows.join(QStringLiteral(", ")), values};
}

} // namespace

QString newServerDatabase(const QString& database)
{
    dropServerDatabase(database);
    onServerAdmin(QStringLiteral("CREATE DATABASE ") + database);
    return serverDatabaseName(database);
}

void dropServerDatabase(const QString& database)
{
    onServerAdmin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
}

QSqlDatabase openRaw(const QString& name)
{
    const QString connection = QStringLiteral("raw:") + name;
    if (QSqlDatabase::contains(connection))
        return QSqlDatabase::database(connection);
    QSqlDatabase db = Db::plainConnection(name, connection);
    if (!db.open())
        qFatal("bench: cannot connect to %s: %s", qPrintable(name), qPrintable(db.lastError().text()));
    return db;
}

void makeLedger(const QString& path, int accounts)
{
    static const QString numbers = QStringLiteral("WITH RECURSIVE n(a) AS (SELECT 1 UNION ALL SELECT a + 1 FROM n WHERE a < ?) ");
    {
        QSqlDatabase db = Db::open(path, QStringLiteral("fill"));
        Db::Transaction tx(db);
        Db::exec(db,
                 QStringLiteral("INSERT INTO GLAccount (glAcctID, glacctnbr, name, accountTypeCode, recTypeCode, "
                                "active, keycontrol) ") +
                     numbers +
                     QStringLiteral("SELECT a, CAST(100000 + a AS TEXT), 'Account ' || CAST(a AS TEXT), "
                                    "CASE a % 2 WHEN 1 THEN 'A' ELSE 'L' END, CASE a % 6 WHEN 0 THEN 'C' WHEN 1 "
                                    "THEN 'S' WHEN 2 THEN 'L' WHEN 3 THEN 'H' WHEN 4 THEN 'A' ELSE 'B' END, 'Yes', "
                                    "'No' FROM n"),
                 {accounts});
        const auto [balanceMonths, balanceDates] = monthEnds(QDate(2023, 1, 1), 24);
        Db::exec(db,
                 QStringLiteral("INSERT INTO GLAccountBalance (glAcctID, Date, amount, targetAmount, preparedBy, "
                                "PreparedByDate) ") +
                     numbers + QStringLiteral(", months(m, d) AS (VALUES %1) ").arg(balanceMonths) +
                     QStringLiteral("SELECT a, d, a * 10000 + m, a * 9000, 'Pat', d FROM n CROSS JOIN months "
                                    "ORDER BY a, m"),
                 QVariantList{accounts} + balanceDates);
        Db::exec(db,
                 QStringLiteral("INSERT INTO ReconcilingItem (glAcctID, openDate, amount, typeCode, ReqTiming) ") +
                     numbers +
                     QStringLiteral(", k(i) AS (VALUES (0), (1), (2), (3), (4)) SELECT a, '2024-06-01', 1000 * i, "
                                    "CASE i % 2 WHEN 1 THEN 'C' ELSE 'O' END, CASE i % 2 WHEN 1 THEN 'R' ELSE 'U' "
                                    "END FROM n CROSS JOIN k ORDER BY a, i"),
                 {accounts});
        Db::exec(db,
                 QStringLiteral("INSERT INTO AmortizableItem (AmortizableItemID, glAcctID, openDate, startDate, "
                                "endDate, amount) ") +
                     numbers +
                     QStringLiteral("SELECT a, (a * 5) % ? + 1, '2024-06-01', '2024-06-01', '2025-05-31', 1200000 "
                                    "FROM n"),
                 {2000, accounts});
        const auto [periods, periodDates] = monthEnds(QDate(2024, 6, 1), 12);
        Db::exec(db,
                 QStringLiteral("INSERT INTO Amortization (amortizableItemID, period, amount) ") + numbers +
                     QStringLiteral(", months(m, d) AS (VALUES %1) SELECT a, d, 100000 FROM n CROSS JOIN months "
                                    "ORDER BY a, m")
                         .arg(periods),
                 QVariantList{2000} + periodDates);
        // The keys given above: the database numbers new rows after them.
        Db::continueKeys(db);
        tx.commit();
    }
    Db::close(path, QStringLiteral("fill"));
}

Ledger::Ledger(int accounts, Engine engine)
{
    ProcessTuning::keepLargeBuffers(); // as the program's start does

    if (engine == Engine::Server) {
        // One database per benchmark program: two of them never share one.
        m_database = QStringLiteral("bench_%1").arg(QCoreApplication::applicationPid());
        m_path = newServerDatabase(m_database);
    } else {
        m_path = m_dir.filePath(QStringLiteral("bench.db"));
    }
    Schema::createMainDatabase(m_path);
    makeLedger(m_path, accounts);
    Global::mainDatabasePath = m_path;
    Global::userName = QStringLiteral("bench");
}

Ledger::~Ledger()
{
    Db::closeAll();
    if (m_database.isEmpty())
        return;
    QSqlDatabase::removeDatabase(QStringLiteral("raw:") + m_path);
    dropServerDatabase(m_database);
}

QSqlDatabase Ledger::baseline() const
{
    return m_database.isEmpty() ? Global::getConnection() : openRaw(m_path);
}

qint64 readAll(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    q.exec();
    const int columns = q.record().count();
    qint64 rows = 0;
    QString sink;
    while (q.next()) {
        for (int c = 0; c < columns; ++c)
            sink = q.value(c).toString();
        ++rows;
    }
    return rows;
}

// The same rows read without any arithmetic: the floor our path cannot go below.
qint64 readFigureRows(const QSqlDatabase& db, const QString& date)
{
    qint64 rows = 0;
    const QStringList sql = {
        QStringLiteral("SELECT a.glAcctID, a.glacctnbr, a.name, a.accountTypeCode, a.recTypeCode, b.amount, "
                       "b.targetAmount, b.preparedBy, b.reviewedBy, b.approvedBy, (SELECT MAX(p.Date) FROM "
                       "GLAccountBalance p WHERE p.glAcctID = a.glAcctID AND p.Date <= :d AND p.PreparedByDate IS NOT "
                       "NULL) FROM GLAccount a LEFT JOIN GLAccountBalance b ON b.glAcctID = a.glAcctID AND b.Date = :d "
                       "ORDER BY a.glacctnbr"),
        QStringLiteral("SELECT glAcctID, typeCode, ReqTiming, SUM(amount) FROM ReconcilingItem WHERE openDate <= :d AND "
                       "(closeDate IS NULL OR closeDate > :d) GROUP BY glAcctID, typeCode, ReqTiming"),
        QStringLiteral("SELECT m.glAcctID, SUM(z.amount) FROM AmortizableItem m JOIN Amortization z ON "
                       "z.amortizableItemID = m.AmortizableItemID WHERE m.openDate <= :d AND z.period > :d GROUP BY "
                       "m.glAcctID")};
    for (const QString& s : sql) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(s);
        q.bindValue(QStringLiteral(":d"), date);
        q.exec();
        while (q.next())
            ++rows;
    }
    return rows;
}

qint64 memoryKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

qint64 readReviewGridRows(const QSqlDatabase& db, const QString& date)
{
    return readFigureRows(db, date) +
           readAll(db,
                   QStringLiteral("SELECT glAcctID, MAX(CASE WHEN preparedBy IS NOT NULL AND Date <= ? THEN Date END) "
                                  "FROM GLAccountBalance GROUP BY glAcctID HAVING COUNT(*) > 1"),
                   {date});
}

} // namespace Bench
