#include "amortizableitemlist.h"
#include "desktopseams.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "modelfixture.h"
#include "prepaidrecreport.h"
#include "printrecorder.h"
#include "reconcilingitemlist.h"
#include "reportdocument.h"
#include "reportoutput.h"
#include "reportrecordset.h"

#include <QFile>
#include <QProcess>
#include <QTest>

// The prepaid reconciliation report built from a balance and lists made here: the two groups with
// their own headings and totals, the unamortized balances at the date, and the PDF a print writes.
class tst_PrepaidRecReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { DesktopSeams::substituteFonts(); }
    void record();
    void emptyListsPrintBothGroups();
    void printsToPdf();
};

namespace {

// Prepaid Insurance (1300) at 01/31/2025, with a balance not stored, the worked example
// (1,000.00 over January to March 2025), an item without periods, and two reconciling items.
struct Data
{
    ModelFixture fx{true};
    std::shared_ptr<GLAccount> account = std::make_shared<GLAccount>();
    GLAccountBalance balance;
    AmortizableItemList prepaid;
    ReconcilingItemList items;

    Data()
    {
        account->Load(QStringLiteral("11"));
        balance.Load(account, QStringLiteral("01/31/2025"));
        balance.setAmount(QStringLiteral("1000"));
        balance.setTargetAmount(QStringLiteral("0"));
        balance.setComment(QStringLiteral("  "));
        balance.setPreparedBy(QStringLiteral("Pat Rivera"));
        balance.setPreparedByDate(QStringLiteral("02/03/2025"));
        addPrepaid(QStringLiteral("Worked example"), QStringLiteral("Policy KX-1, three months"),
                   QStringLiteral("01/01/2025"), QStringLiteral("03/31/2025"), QStringLiteral("1000"), true);
        addPrepaid(QStringLiteral("Not yet scheduled"), QString(), QStringLiteral("02/01/2025"),
                   QStringLiteral("01/31/2026"), QStringLiteral("-120"), false);
        addItem(QStringLiteral("Premium refund due"), QStringLiteral("-50"), QStringLiteral("T"));
        addItem(QString(), QStringLiteral("12.5"), QStringLiteral("R"));
    }
    void addPrepaid(const QString& description, const QString& comment, const QString& start,
                    const QString& end, const QString& amount, bool scheduled)
    {
        auto item = std::make_shared<AmortizableItem>();
        item->initialize(QString::number(prepaid.count() + 900), account, QStringLiteral("01/15/2025"), start,
                         end, amount, description, comment, QString(), QString());
        if (scheduled)
            item->createAmortizations();
        prepaid.add(item);
    }
    void addItem(const QString& comment, const QString& amount, const QString& timing)
    {
        auto item = std::make_shared<ReconcilingItem>();
        item->initialize(QString::number(items.count() + 950), QStringLiteral("11"),
                         QStringLiteral("01/20/2025"), QString(), comment, amount, QStringLiteral("O"),
                         QString(), QString(), timing);
        items.add(item);
    }
};

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

void tst_PrepaidRecReport::record()
{
    Data d;
    const auto records = PrepaidRecReport::buildRecords(d.balance, d.prepaid, d.items);
    const auto top = [&](const char* field) {
        return records->value(0, QString::fromLatin1(field)).toString();
    };
    QCOMPARE(top("Comment"), QStringLiteral("No comment has been entered for this reconciliation"));
    // 1,000 - (0 + (-50 + 12.50) + (666.66 + 0))
    QCOMPARE(top("UnidentifiedDifference"), QStringLiteral("370.84 "));

    const ReportRecordSet& groups = records->chapter("ItemTypes");
    QCOMPARE(groups.rowCount(), 2);
    const QStringList groupNames = PrepaidRecReport::getItemTypeFieldNames();
    const auto group = [&](int row) {
        QStringList out;
        for (const QString& f : groupNames)
            out << groups.value(row, f).toString();
        return out;
    };
    QCOMPARE(group(0), (QStringList{"11", "A", "Amortizable Items", "Description", "Start Date", "End Date",
                                    "Original", "Amount", "Unamortized", "Balance", "666.66 "}));
    QCOMPARE(group(1), (QStringList{"11", "R", "Reconciling Items", "Description", "", "Open Date", "", "",
                                    "", "Amount", "(37.50)"}));

    const ReportRecordSet& rows = groups.chapter("Items");
    const auto item = [&](int row) {
        QStringList out;
        for (const QString& f : PrepaidRecReport::getItemFieldNames())
            out << rows.value(row, f).toString();
        return out;
    };
    QCOMPARE(rows.rowCount(), 4);
    // A period dated on the report date is amortized: two of the three remain.
    QCOMPARE(item(0), (QStringList{"A", "1,000.00 ", "666.66 ", "Worked example", "Policy KX-1, three months",
                                   "01/01/2025", "03/31/2025", ""}));
    QCOMPARE(item(1), (QStringList{"A", "(120.00)", "0.00 ", "Not yet scheduled", "", "02/01/2025",
                                   "01/31/2026", ""}));
    QCOMPARE(item(2), (QStringList{"R", "", "(50.00)", "Premium refund due", "", "", "01/20/2025", "T"}));
    QCOMPARE(item(3), (QStringList{"R", "", "12.50 ", "", "", "", "01/20/2025", "R"}));
    QCOMPARE(groups.childRows(0, "Items"), (QList<int>{0, 1}));
    QCOMPARE(groups.childRows(1, "Items"), (QList<int>{2, 3}));
}

void tst_PrepaidRecReport::emptyListsPrintBothGroups()
{
    Data d;
    d.prepaid.clear();
    d.items.clear();
    PrepaidRecReport report;
    report.initialize(d.balance, d.prepaid, d.items);
    const auto doc = report.report().layOut();
    QCOMPARE(doc->title, QStringLiteral("Prepaid Reconciliation Report"));
    QCOMPARE(doc->pageCount(), 1);
    const ReportPage& page = doc->pages.first();
    QCOMPARE(page.textOf("Text21"), QStringLiteral("Amortizable Items\nReconciling Items"));
    QCOMPARE(page.textOf("Text9"), QStringLiteral("0.00\n0.00"));
    QCOMPARE(page.itemsOf("Shape5").size(), 2); // every frame for both groups
    QVERIFY(page.itemsOf("Text1").isEmpty());
    QCOMPARE(page.textOf("Text10"), QStringLiteral("1,000.00 "));
    QCOMPARE(page.textOf("lblGLAcctFullName"), QStringLiteral("1300 - Prepaid Insurance"));
    QCOMPARE(page.textOf("lblAsOfDate"), QStringLiteral("As of January 31, 2025"));
    QCOMPARE(page.textOf("Label15"), QStringLiteral("Page 1 of 1"));
}

void tst_PrepaidRecReport::printsToPdf()
{
    Data d;
    PrintRecorder printer;
    PrepaidRecReport report;
    report.initialize(d.balance, d.prepaid, d.items);
    const QString pdf = d.fx.seams.path("prepaid.pdf");
    printer.answers = {pdf};
    QVERIFY(ReportOutput::print(report.report(), nullptr));
    const QString keep = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
    if (!keep.isEmpty())
        QFile::copy(pdf, keep + QStringLiteral("/report-prepaid.pdf"));
    if (!QFile::exists("/usr/bin/pdftotext"))
        QSKIP("pdftotext is not installed");
    const QString text = run("pdftotext", {"-layout", pdf, "-"});
    const auto has = [&](const QString& pattern) { return text.contains(QRegularExpression(pattern)); };
    QVERIFY2(has("1300 - Prepaid Insurance\\s*\\n"), qPrintable(text));
    QVERIFY(has("Amortizable Items\\s*\\n"));
    QVERIFY(has("Original\\s+Unamortized"));
    QVERIFY(has("Description\\s+Start Date\\s+End Date\\s+Amount\\s+Balance"));
    QVERIFY(has("Worked example\\s+01/01/2025\\s+03/31/2025\\s+1,000\\.00\\s+666\\.66\\s*\\n\\s+Policy KX-1, "
                "three months"));
    QVERIFY(has("Not yet scheduled\\s+02/01/2025\\s+01/31/2026\\s+\\(120\\.00\\)\\s+0\\.00"));
    QVERIFY(has("Total:\\s+666\\.66"));
    QVERIFY(has("Description\\s+Open Date\\s+Amount"));
    QVERIFY(has("Premium refund due\\s+T\\s+01/20/2025\\s+\\(50\\.00\\)"));
    QVERIFY(has("Total:\\s+\\(37\\.50\\)"));
    QVERIFY(has("Unidentified Difference:\\s+370\\.84"));
    QVERIFY(has("General Ledger Balance:\\s+1,000\\.00"));
    QVERIFY(has("Prepared\\s+02/03/2025\\s+by\\s+Pat Rivera"));
    QVERIFY(has("No comment has been entered for this reconciliation\\s*\\n"));
}

QTEST_MAIN(tst_PrepaidRecReport)
#include "tst_prepaidrecreport.moc"
