// The bank reconciliation of an account with 2,000 open items spread over the five bank types:
// opening its dialog against the raw SELECT of the same balance and items, and building and
// laying out its report against the plain work of formatting and measuring the same lines.
#include "bankrecdialog.h"
#include "bankrecreport.h"
#include "benchsupport.h"
#include "db.h"
#include "desktopseams.h"
#include "glaccount.h"
#include "global.h"
#include "reportdocument.h"
#include "reportfonts.h"

#include <QApplication>
#include <QDate>
#include <QFontMetricsF>
#include <QStandardPaths>
#include <cstdio>
#include <limits>

namespace {

const int kItems = 2000;
const QString kAccount = QStringLiteral("6"); // the ledger's first bank account
const QString kDate = QStringLiteral("11/30/2024");
const QString kDbDate = QStringLiteral("2024-11-30");

void addItems(const QSqlDatabase& db)
{
    Db::Transaction tx(db);
    const char* types[] = {"C", "D", "B", "N", "O"};
    for (int i = 0; i < kItems; ++i)
        Db::exec(db,
                 QStringLiteral(
                     "INSERT INTO ReconcilingItem (glAcctID, openDate, amount, typeCode, ReqTiming, comment) "
                     "VALUES (?, ?, ?, ?, 'T', ?)"),
                 {kAccount.toInt(), QDate(2024, 1, 1).addDays(i % 300).toString(Qt::ISODate),
                  qint64(i % 2 ? -1 : 1) * (i + 1) * 12345, QString::fromLatin1(types[i % 5]),
                  QStringLiteral("Item %1 - payee or depositor of the statement line").arg(i)});
    tx.commit();
}

// The best of seven openings of a new dialog; the dialog is made untimed.
double timeOpening(qint64& queries)
{
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < 7; ++run) {
        GLAccount account;
        account.Load(kAccount);
        QString date = kDate;
        BankRecDialog dialog;
        const qint64 before = Db::statementCount();
        QElapsedTimer t;
        t.start();
        dialog.initialize(account, date);
        best = std::min(best, t.nsecsElapsed() / 1e6);
        queries = Db::statementCount() - before;
    }
    return best;
}

// What any report of these items must do at least: each line's texts formatted and measured.
qint64 formatAndMeasure(const QSqlDatabase& db)
{
    const QFontMetricsF metrics(ReportFonts::cachedFont(ReportFont::tahoma(9.75)));
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT openDate, ReqTiming, comment, amount FROM ReconcilingItem WHERE glAcctID = ? "
        "AND openDate <= ? AND (closeDate > ? OR closeDate IS NULL) ORDER BY typeCode, openDate"));
    q.addBindValue(kAccount.toInt());
    q.addBindValue(kDbDate);
    q.addBindValue(kDbDate);
    q.exec();
    qint64 lines = 0;
    double width = 0;
    while (q.next()) {
        const QString date =
            QDate::fromString(q.value(0).toString(), Qt::ISODate).toString(QStringLiteral("MM/dd/yyyy"));
        width += metrics.horizontalAdvance(date) + metrics.horizontalAdvance(q.value(1).toString()) +
                 metrics.horizontalAdvance(q.value(2).toString()) +
                 metrics.horizontalAdvance(ARCurrency::format(q.value(3).toLongLong(), true));
        ++lines;
    }
    return width > 0 ? lines : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    DesktopSeams::substituteFonts();
    const Bench::Ledger ledger(60);
    addItems(Global::getConnection());

    qint64 queries = 0;
    const double ours = timeOpening(queries);
    GLAccount account;
    account.Load(kAccount);
    QString date = kDate;
    BankRecDialog dialog;
    dialog.initialize(account, date);
    const BankReconciliation& r = dialog.bankReconciliation();
    const qint64 rows = r.getCheckItems().count() + r.getDepositItems().count() +
                        r.getBankFeeItems().count() + r.getNSFCheckItems().count() +
                        r.getOtherItems().count();
    if (rows < kItems)
        return Bench::fail(QStringLiteral("bank-rec-load: loaded %1 items").arg(rows));
    const double baseline = Bench::timeIt(
        [] {
            Bench::readAll(Global::getConnection(),
                           QStringLiteral("SELECT * FROM GLAccountBalance WHERE glAcctID = ? AND Date = ?"),
                           {kAccount.toInt(), kDbDate});
            Bench::readAll(
                Global::getConnection(),
                QStringLiteral("SELECT * FROM ReconcilingItem WHERE glAcctID = ? AND openDate <= ? "
                               "AND (closeDate > ? OR closeDate IS NULL) ORDER BY openDate, comment"),
                {kAccount.toInt(), kDbDate, kDbDate});
        },
        7);
    Bench::print(QStringLiteral("bank-rec-load"), ours, baseline, rows, queries);

    int pages = 0;
    const double report = Bench::timeIt([&] {
        BankRecReport bankReport;
        bankReport.initialize(r);
        pages = bankReport.report().layOut()->pageCount();
    });
    qint64 lines = 0;
    const double plain = Bench::timeIt([&] { lines = formatAndMeasure(Global::getConnection()); });
    if (lines != rows || pages < 2)
        return Bench::fail(QStringLiteral("bank-report: %1 lines, %2 pages").arg(lines).arg(pages));
    Bench::print(QStringLiteral("bank-report"), report, plain, rows);
    std::printf("bank-report: %d pages, %.0f pages/s\n", pages, pages / (report / 1000.0));
    return 0;
}
