#include "arcurrency.h"
#include "db.h"
#include "desktopseams.h"
#include "global.h"
#include "glsummaryreport.h"
#include "printrecorder.h"
#include "recorders.h"
#include "reportdocument.h"
#include "reportoutput.h"
#include "reportrecordset.h"
#include "testdb.h"

#include <QFile>
#include <QProcess>
#include <QTest>

// The summary report over the tutorial company: its rows, its total, the filter, and what the
// pages show.
class tst_GLSummaryReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void totals_data();
    void totals();
    void tutorialCompany();
    void filterAndStatus();
    void noAccounts();
    void totalPastSixtyFourBits_data();
    void totalPastSixtyFourBits();
    void failureIsShownAndNotComplete();
    void printsToPdf();

private:
    QTemporaryDir m_dir;
    QString m_tutorial;
};

namespace {

QStringList detailNumbers(const ReportDocument& doc)
{
    QStringList out;
    for (const ReportPage& p : doc.pages)
        for (const PageItem& i : p.itemsOf(QStringLiteral("Text2")))
            out << i.text;
    return out;
}

qint64 sqlTotal(const QString& date, const QString& condition)
{
    return Db::scalar(Global::getConnection(),
                      "SELECT COALESCE(SUM(b.amount), 0) FROM GLAccount a JOIN GLAccountBalance b ON b.glAcctID = "
                      "a.glAcctID AND b.Date = ? WHERE " + condition,
                      {date})
        .toLongLong();
}

} // namespace

void tst_GLSummaryReport::initTestCase()
{
    DesktopSeams::substituteFonts();
    TestSeams seams;
    m_tutorial = TestDb::tutorial(m_dir.path());
}

void tst_GLSummaryReport::totals_data()
{
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0.00";
    QTest::newRow("thousands") << qint64(12345000) << "1,234.50";
    QTest::newRow("negative") << qint64(-12345000) << "(1,234.50)";
    QTest::newRow("millions") << qint64(12345675000) << "1,234,567.50";
    QTest::newRow("negative round") << qint64(-1234560000) << "(123,456.00)";
    QTest::newRow("below a thousand") << qint64(9999900) << "999.99";
    QTest::newRow("half a dollar owed") << qint64(-5000) << "(0.50)";
}

void tst_GLSummaryReport::totals()
{
    QFETCH(qint64, units);
    QFETCH(QString, text);
    QCOMPARE(GLSummaryReport::totalText(units), text);
}

void tst_GLSummaryReport::tutorialCompany()
{
    TestSeams seams;
    Global::mainDatabasePath = m_tutorial;
    Global::accountFilter = "All Accounts";
    GLSummaryReport report;
    report.initialize("11/30/2026");
    QVERIFY(report.isComplete());
    QVERIFY(seams.prompter.messages.isEmpty());
    const auto doc = report.report().layOut();

    const QStringList numbers = detailNumbers(*doc);
    QCOMPARE(numbers.size(), Db::scalar(Global::getConnection(), "SELECT count(*) FROM GLAccount").toInt());
    QStringList sorted = numbers;
    sorted.sort();
    QCOMPARE(numbers, sorted);

    const ReportPage& first = doc->pages.first();
    QCOMPARE(first.textOf("lblCompanyName"), QStringLiteral("Harbor Point Supply Co."));
    QCOMPARE(first.textOf("lblAsOfDate"), QStringLiteral("As of November 30, 2026"));
    QCOMPARE(first.textOf("lblRptType"), QStringLiteral("All Accounts"));
    QCOMPARE(first.textOf("Label15"), QStringLiteral("Page 1 of %1").arg(doc->pageCount()));
    const QString total = doc->pages.last().textOf("lblGlSum");
    QCOMPARE(total, GLSummaryReport::totalText(sqlTotal("2026-11-30", "1 = 1")));
}

void tst_GLSummaryReport::filterAndStatus()
{
    TestSeams seams;
    const QString path = TestDb::copyOf(m_tutorial, seams.folder(), "main.db");
    Global::mainDatabasePath = path;
    QSqlDatabase db = Global::getConnection();
    Db::exec(db, "UPDATE GLAccountBalance SET preparedBy = 'P', reviewedBy = 'R', approvedBy = 'A', "
                 "targetAmount = amount WHERE Date = '2026-11-30' AND glAcctID = (SELECT MIN(glAcctID) FROM GLAccount "
                 "WHERE COALESCE(active, 'Yes') = 'Yes')");
    Db::exec(db, "DELETE FROM ReconcilingItem WHERE glAcctID = (SELECT MIN(glAcctID) FROM GLAccount "
                 "WHERE COALESCE(active, 'Yes') = 'Yes')");
    Db::exec(db, "DELETE FROM AmortizableItem WHERE glAcctID = (SELECT MIN(glAcctID) FROM GLAccount "
                 "WHERE COALESCE(active, 'Yes') = 'Yes')");
    Global::accountFilter = "Active Accounts";
    GLSummaryReport report;
    report.initialize("11/30/2026");
    const auto doc = report.report().layOut();
    const int active =
        Db::scalar(db, "SELECT count(*) FROM GLAccount WHERE COALESCE(active, 'Yes') = 'Yes'").toInt();
    QCOMPARE(detailNumbers(*doc).size(), active);
    QCOMPARE(doc->pages.last().textOf("lblGlSum"),
             GLSummaryReport::totalText(sqlTotal("2026-11-30", "COALESCE(a.active, 'Yes') = 'Yes'")));
    const ReportRecordSet& rows = report.report().dataSource()->chapter("Accounts");
    QCOMPARE(rows.value(0, "LastReconciled").toString(), QStringLiteral("Reviewed"));
    // A blank after the dash, as after a positive amount: the dash sits under the last digits.
    QCOMPARE(rows.value(0, "UnreconciledDifference").toString(), QStringLiteral("- "));
}

void tst_GLSummaryReport::noAccounts()
{
    TestSeams seams;
    Global::mainDatabasePath = TestDb::emptyMain(seams.folder());
    Global::accountFilter = "All Accounts";
    GLSummaryReport report;
    report.initialize("01/31/2024");
    QVERIFY(report.isComplete());
    const auto doc = report.report().layOut();
    QVERIFY(detailNumbers(*doc).isEmpty());
    QCOMPARE(doc->pages.last().textOf("lblGlSum"), QStringLiteral("0.00"));
    QCOMPARE(doc->pages.first().textOf("Label13"), QStringLiteral("Account No."));
}

// The total is summed exactly in account order: a running sum past the money type's range is no
// refusal when the total fits. A total or a difference that does not fit prints as too large, and
// every line still prints.
void tst_GLSummaryReport::totalPastSixtyFourBits_data()
{
    QTest::addColumn<bool>("oneCredit");      // after 101 accounts of the largest balance, one of the largest credit
    QTest::addColumn<bool>("itemsPastRange"); // the first account's open items total past the range
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("firstDifference");
    QTest::newRow("running sum past 64 bits") << true << false << "922,337,203,685,477.00" << "9,223,372,036,854.77 ";
    QTest::newRow("total past the range") << false << false << ARCurrencySum::tooLargeText() << "9,223,372,036,854.77 ";
    QTest::newRow("a difference past the range")
        << true << true << "922,337,203,685,477.00" << ARCurrencySum::tooLargeText();
}

void tst_GLSummaryReport::totalPastSixtyFourBits()
{
    QFETCH(bool, oneCredit);
    QFETCH(bool, itemsPastRange);
    QFETCH(QString, total);
    QFETCH(QString, firstDifference);
    TestSeams seams;
    Global::mainDatabasePath = TestDb::emptyMain(seams.folder());
    QSqlDatabase db = Global::getConnection();
    const qint64 max = ARCurrency::largestEntry().units();
    const int accounts = oneCredit ? 102 : 101;
    for (int i = 0; i < accounts; ++i)
        Db::exec(db,
                 "INSERT INTO GLAccountBalance (glAcctID, Date, amount, targetAmount) VALUES (?, ?, ?, 0)",
                 {Db::insertReturningId(db, "INSERT INTO GLAccount (glacctnbr, recTypeCode) VALUES (?, 'L')",
                                        {QString::number(1000 + i)}),
                  "2024-01-31", i < 101 ? max : -max});
    for (int i = 0; itemsPastRange && i < 2; ++i)
        Db::exec(db, "INSERT INTO ReconcilingItem (glAcctID, openDate, amount, typeCode, ReqTiming) "
                     "VALUES (1, '2024-01-01', ?, 'L', 'T')",
                 {std::numeric_limits<qint64>::max() / 3 * 2});
    Global::accountFilter = "All Accounts";
    GLSummaryReport report;
    report.initialize("01/31/2024");
    QVERIFY2(report.isComplete(), qPrintable(seams.prompter.lastText()));
    const auto doc = report.report().layOut();
    QCOMPARE(detailNumbers(*doc).size(), accounts);
    QCOMPARE(doc->pages.first().itemsOf(QStringLiteral("Text3")).first().text, firstDifference);
    QCOMPARE(doc->pages.last().textOf("lblGlSum"), total);
}

void tst_GLSummaryReport::failureIsShownAndNotComplete()
{
    TestSeams seams;
    Global::mainDatabasePath = TestDb::emptyMain(seams.folder());
    Db::exec(Global::getConnection(), "DROP TABLE ReconcilingItem");
    Global::accountFilter = "All Accounts";
    PrintRecorder printer;
    GLSummaryReport report;
    report.initialize("01/31/2024");
    QVERIFY(!report.isComplete());
    QCOMPARE(seams.prompter.messages.size(), 1);
    QCOMPARE(seams.prompter.lastTitle(), QStringLiteral("Corvantis"));
    ReportOutput::show(report);
    QVERIFY(printer.previews.isEmpty());
}

void tst_GLSummaryReport::printsToPdf()
{
    TestSeams seams;
    Global::mainDatabasePath = m_tutorial;
    Global::accountFilter = "All Accounts";
    PrintRecorder printer;
    GLSummaryReport report;
    report.initialize("11/30/2026");
    ReportOutput::show(report);
    QCOMPARE(printer.previews.size(), 1);
    const QString pdf = seams.path("summary.pdf");
    printer.answers = {pdf};
    QVERIFY(ReportOutput::print(report.report(), nullptr));
    QVERIFY(QFileInfo(pdf).size() > 1000);
    if (qEnvironmentVariableIsSet("KEEP_SUMMARY_PDF")) // to look at the pages
        QFile::copy(pdf, qEnvironmentVariable("KEEP_SUMMARY_PDF"));
    if (QFile::exists("/usr/bin/pdftotext")) {
        QProcess p;
        p.start("pdftotext", {"-layout", pdf, "-"});
        QVERIFY(p.waitForFinished());
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY(text.contains("General Ledger Reconciliation Summary Report"));
        QVERIFY(text.contains("Harbor Point Supply Co."));
    }
}

QTEST_MAIN(tst_GLSummaryReport)
#include "tst_glsummaryreport.moc"
