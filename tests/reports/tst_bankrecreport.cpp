#include "bankrecreport.h"
#include "desktopseams.h"
#include "glaccount.h"
#include "modelfixture.h"
#include "printrecorder.h"
#include "reconciliation.h"
#include "reportdocument.h"
#include "reportoutput.h"
#include "reportrecordset.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

// The bank reconciliation report over the tutorial ledger: which groups print and how they are
// headed, the printed arithmetic, long texts, and the printed PDF's text.
class tst_BankRecReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void groups_data();
    void groups();
    void workedExampleAsPrinted();
    void longComments();
    void amountColumnFitsItsOwnAmounts_data();
    void amountColumnFitsItsOwnAmounts();
};

namespace {

const QString kDate = QStringLiteral("09/30/2026");
const QString kDbDate = QStringLiteral("2026-09-30");

// Account 1010 at the date: ledger 1,000.00, bank 900.00, and the items given as
// (type, amount, timing, comment).
struct Bank : ModelFixture
{
    Bank() : ModelFixture(true)
    {
        Db::exec(db, QStringLiteral("DELETE FROM ReconcilingItem WHERE glAcctID = 1"));
        Db::exec(
            db,
            QStringLiteral(
                "UPDATE GLAccountBalance SET amount = ?, targetAmount = ? WHERE glAcctID = 1 AND Date = ?"),
            {units(1000), units(900), kDbDate});
    }
    void add(const QString& type, double amount, const QString& timing = QString(),
             const QString& comment = QString())
    {
        Db::exec(db,
                 QStringLiteral(
                     "INSERT INTO ReconcilingItem (glAcctID, typeCode, openDate, amount, comment, ReqTiming) "
                     "VALUES (1, ?, '2026-09-15', ?, ?, ?)"),
                 {type, units(amount), comment.isEmpty() ? QVariant() : comment,
                  timing.isEmpty() ? QVariant() : timing});
    }
    BankReconciliation load() const
    {
        auto account = std::make_shared<GLAccount>();
        account->Load(QStringLiteral("1"));
        BankReconciliation r;
        r.Load(account, kDate);
        return r;
    }
};

std::shared_ptr<const ReportDocument> layOut(const BankReconciliation& r)
{
    BankRecReport report;
    report.initialize(r);
    return report.report().layOut();
}

QString allText(const ReportDocument& doc)
{
    QStringList lines;
    for (const ReportPage& page : doc.pages)
        lines += page.lines();
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void tst_BankRecReport::initTestCase()
{
    DesktopSeams::substituteFonts();
}

void tst_BankRecReport::groups_data()
{
    QTest::addColumn<QStringList>("types");  // the items of the reconciliation, by type
    QTest::addColumn<QStringList>("groups"); // "label|open date|description|amount|total" per printed group
    const QString checks =
        QStringLiteral("Outstanding Checks|Check Date|Check Number/ Payee/ Comment|Amount|");
    QTest::newRow("no items: the checks alone, 0.00") << QStringList() << QStringList{checks + "0.00 "};
    QTest::newRow("only other items")
        << QStringList{"O", "O"}
        << QStringList{checks + "0.00 ", "Other Items|Open Date|Description|Amount|20.00 "};
    QTest::newRow("every kind, in order")
        << QStringList{"O", "N", "B", "D", "C"}
        << QStringList{checks + "(10.00)", "Deposits in Transit|Deposit Date|Deposit/ Comment|Amount|10.00 ",
                       "Bank Fees|Open Date|Description|Amount|10.00 ",
                       "NSF Checks|Check Date|Check Number/ Payee/ Comment|Amount|10.00 ",
                       "Other Items|Open Date|Description|Amount|10.00 "};
    QTest::newRow("a list item prints nowhere") << QStringList{"L"} << QStringList{checks + "0.00 "};
}

void tst_BankRecReport::groups()
{
    QFETCH(QStringList, types);
    QFETCH(QStringList, groups);
    Bank fx;
    for (const QString& type : types)
        fx.add(type, type == QStringLiteral("C") ? -10 : 10);
    const BankReconciliation r = fx.load();
    const auto records = BankRecReport::buildRecords(r);
    const ReportRecordSet& groupRows = records->chapter(QStringLiteral("ReconcilingItemTypes"));
    QStringList printed;
    for (int i = 0; i < groupRows.rowCount(); ++i) {
        QStringList fields;
        for (const char* f : {"RecItemTypeLabel", "OpenDateFieldLabel", "DescriptionFieldLabel",
                              "AmountFieldLabel", "TotalAmount"})
            fields << groupRows.value(i, QLatin1String(f)).toString();
        printed << fields.join(QLatin1Char('|'));
        QCOMPARE(groupRows.value(i, QStringLiteral("GLAcctID")).toString(), QStringLiteral("1"));
    }
    QCOMPARE(printed, groups);
    // Every item of the five bank types sits under its group; the list item under none.
    int items = 0;
    for (int i = 0; i < groupRows.rowCount(); ++i)
        items += groupRows.childRows(i, QStringLiteral("ReconcilingItems")).size();
    QCOMPARE(items, int(types.size() - types.count(QStringLiteral("L"))));
    // Laid out, each group prints its heading and its total.
    const QString text = allText(*layOut(r));
    for (const QString& g : groups)
        QVERIFY2(text.contains(g.section(QLatin1Char('|'), 0, 0)), qPrintable(text));
}

void tst_BankRecReport::workedExampleAsPrinted()
{
    Bank fx;
    fx.add(QStringLiteral("C"), -150, QStringLiteral("T"), QStringLiteral("Chk 2001 - Harbor Fuel"));
    fx.add(QStringLiteral("D"), 50, QString(), QStringLiteral("Deposit 09/30"));
    const BankReconciliation r = fx.load();
    const auto doc = layOut(r);
    QCOMPARE(doc->title, QStringLiteral("Bank Reconciliation Report"));
    QCOMPARE(doc->pageCount(), 1);
    const ReportPage& page = doc->pages.first();
    QCOMPARE(page.textOf(QStringLiteral("lblGLAcctFullName")),
             QStringLiteral("1010 - Operating Cash - Coastal Federal Bank"));
    QCOMPARE(page.textOf(QStringLiteral("lblAsOfDate")), QStringLiteral("As of September 30, 2026"));
    QCOMPARE(page.textOf(QStringLiteral("Text10")).trimmed(), QStringLiteral("900.00"));
    QCOMPARE(page.textOf(QStringLiteral("Text9")).split(QLatin1Char('\n')).size(), 2);
    QCOMPARE(page.textOf(QStringLiteral("Text4")).trimmed(), QStringLiteral("200.00"));
    QCOMPARE(page.textOf(QStringLiteral("Text2")).trimmed(), QStringLiteral("1,000.00"));
    // An item without a timing code prints an empty cell.
    QCOMPARE(page.textOf(QStringLiteral("Text1")), QStringLiteral("T"));

    // The printed PDF reads the same, group by group.
    PrintRecorder printer;
    const QString path = fx.seams.path(QStringLiteral("bank.pdf"));
    printer.answers << path;
    BankRecReport report;
    report.initialize(r);
    QVERIFY(ReportOutput::print(report.report(), nullptr));
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        QSKIP("pdftotext is not installed: the PDF's text is not checked");
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(p.waitForFinished(60000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    for (const char* pattern :
         {"Bank Balance: +900\\.00", "Outstanding Checks", "Check Date +Check Number/ Payee/ Comment +Amount",
          "09/15/2026 +T +Chk 2001 - Harbor Fuel +\\(150\\.00\\)", "Total: +\\(150\\.00\\)",
          "Deposits in Transit", "Deposit Date +Deposit/ Comment +Amount",
          "09/15/2026 +Deposit 09/30 +50\\.00", "Total: +50\\.00", "Unidentified Difference: +200\\.00",
          "General Ledger Balance: +1,000\\.00", "Prepared +10/08/2026 +by +Pat Rivera", "Page 1 of 1"})
        QVERIFY2(text.contains(QRegularExpression(QLatin1String(pattern))),
                 qPrintable(pattern + QStringLiteral("\n") + text));
    QVERIFY(!text.contains(QStringLiteral("Bank Fees")));
    // For a person to look at: the printed page.
    const QByteArray folder = qgetenv("CORVANTIS_SCREENSHOTS");
    if (!folder.isEmpty())
        QFile::copy(path, QDir(QString::fromLocal8Bit(folder)).filePath(QStringLiteral("BankRecReport.pdf")));
}

void tst_BankRecReport::longComments()
{
    Bank fx;
    const QString words = QStringLiteral("reconciled against the statement ");
    const QString comment = words.repeated(31).left(1000);
    Db::exec(fx.db, QStringLiteral("UPDATE GLAccountBalance SET comment = ? WHERE glAcctID = 1 AND Date = ?"),
             {comment, kDbDate});
    for (int i = 0; i < 40; ++i)
        fx.add(QStringLiteral("C"), -1, QStringLiteral("T"), QStringLiteral("check %1 ").arg(i) + comment);
    const auto doc = layOut(fx.load());
    QVERIFY(doc->pageCount() > 1);
    // Nothing is cut: every word of every comment prints, wrapped inside its column.
    QString items;
    QString footer;
    for (const ReportPage& page : doc->pages) {
        for (const PageItem& item : page.itemsOf(QStringLiteral("txtRecItemComment"))) {
            items += item.text + QLatin1Char(' ');
            QVERIFY(item.textRight() <= item.right() + 1);
        }
        for (const PageItem& item : page.itemsOf(QStringLiteral("txtComment")))
            footer += item.text + QLatin1Char(' ');
    }
    QCOMPARE(footer.simplified(), comment.simplified());
    QCOMPARE(items.count(QStringLiteral("statement")), 40 * comment.count(QStringLiteral("statement")));
    QCOMPARE(doc->pages.last().textOf(QStringLiteral("Label15")),
             QStringLiteral("Page %1 of %1").arg(doc->pageCount()));
}

// The amount column is as wide as the widest amount this report prints: ordinary figures leave the
// comments the layout's width (so they wrap no sooner), the largest still prints whole.
void tst_BankRecReport::amountColumnFitsItsOwnAmounts_data()
{
    QTest::addColumn<qint64>("amount"); // of one outstanding check
    QTest::addColumn<bool>("commentAsLaidOut");
    QTest::newRow("ordinary amounts") << units(-150) << true;
    QTest::newRow("the largest credit") << -ARCurrency::largestEntry().units() << false;
}

void tst_BankRecReport::amountColumnFitsItsOwnAmounts()
{
    QFETCH(qint64, amount);
    QFETCH(bool, commentAsLaidOut);
    Bank fx;
    Db::exec(fx.db, "INSERT INTO ReconcilingItem (glAcctID, typeCode, openDate, amount) VALUES (1, 'C', '2026-09-15', ?)",
             {amount});
    BankRecReport report;
    report.initialize(fx.load());
    const int width = report.report().control("ReconcilingItem_Detail", "txtRecItemComment").width;
    QCOMPARE(width == 5040, commentAsLaidOut);
    for (const char* box : {"txtAmount", "Text9"}) // whole, on one line
        QCOMPARE(report.report().layOut()->pages.first().textOf(box),
                 ARCurrency::fromUnits(amount).toString(true));
}

QTEST_MAIN(tst_BankRecReport)
#include "tst_bankrecreport.moc"
