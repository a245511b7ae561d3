#include "benchsupport.h"

#include "db.h"
#include "global.h"
#include "processtuning.h"
#include "schema.h"

#include <QDate>
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

void makeLedger(const QString& path, int accounts)
{
    {
        QSqlDatabase db = Db::open(path, QStringLiteral("fill"));
        Db::Transaction tx(db);
        const char* kinds[] = {"C", "S", "L", "H", "A", "B"};
        for (int a = 1; a <= accounts; ++a) {
            Db::exec(
                db,
                QStringLiteral(
                    "INSERT INTO GLAccount (glAcctID, glacctnbr, name, accountTypeCode, recTypeCode, active, "
                    "keycontrol) VALUES (?, ?, ?, ?, ?, 'Yes', 'No')"),
                {a, QStringLiteral("%1").arg(100000 + a), QStringLiteral("Account %1").arg(a),
                 a % 2 ? QStringLiteral("A") : QStringLiteral("L"), QString::fromLatin1(kinds[a % 6])});
            for (int m = 0; m < 24; ++m) {
                const QDate d = QDate(2023, 1, 1).addMonths(m + 1).addDays(-1);
                Db::exec(
                    db,
                    QStringLiteral(
                        "INSERT INTO GLAccountBalance (glAcctID, Date, amount, targetAmount, preparedBy, "
                        "PreparedByDate) VALUES (?, ?, ?, ?, 'Pat', ?)"),
                    {a, d.toString(Qt::ISODate), qint64(a) * 10000 + m, qint64(a) * 9000,
                     d.toString(Qt::ISODate)});
            }
            for (int i = 0; i < 5; ++i)
                Db::exec(db,
                         QStringLiteral(
                             "INSERT INTO ReconcilingItem (glAcctID, openDate, amount, typeCode, ReqTiming) "
                             "VALUES (?, '2024-06-01', ?, ?, ?)"),
                         {a, 1000 * i, QString::fromLatin1(i % 2 ? "C" : "O"),
                          QString::fromLatin1(i % 2 ? "R" : "U")});
        }
        for (int p = 1; p <= 2000; ++p) {
            const int account = (p * 5) % accounts + 1;
            Db::exec(
                db,
                QStringLiteral(
                    "INSERT INTO AmortizableItem (AmortizableItemID, glAcctID, openDate, startDate, endDate, "
                    "amount) VALUES (?, ?, '2024-06-01', '2024-06-01', '2025-05-31', 1200000)"),
                {p, account});
            for (int m = 0; m < 12; ++m)
                Db::exec(
                    db,
                    QStringLiteral(
                        "INSERT INTO Amortization (amortizableItemID, period, amount) VALUES (?, ?, 100000)"),
                    {p, QDate(2024, 6, 1).addMonths(m + 1).addDays(-1).toString(Qt::ISODate)});
        }
        tx.commit();
    }
    Db::close(path, QStringLiteral("fill"));
}

Ledger::Ledger(int accounts)
{
    ProcessTuning::keepLargeBuffers(); // as the program's start does

    Schema::createMainDatabase(path());
    makeLedger(path(), accounts);
    Global::mainDatabasePath = path();
    Global::userName = QStringLiteral("bench");
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

qint64 readReviewGridRows(const QSqlDatabase& db, const QString& date)
{
    return readFigureRows(db, date) +
           readAll(db, QStringLiteral("SELECT glAcctID, COUNT(*), MAX(CASE WHEN preparedBy IS NOT NULL THEN Date END) "
                                      "FROM GLAccountBalance GROUP BY glAcctID"));
}

} // namespace Bench
