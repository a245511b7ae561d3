#include "desktopseams.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "modelfixture.h"
#include "printrecorder.h"
#include "reconcilingitemlist.h"
#include "reportdocument.h"
#include "reportoutput.h"
#include "reportrecordset.h"
#include "twolevelrecreport.h"

#include <QFile>
#include <QProcess>
#include <QTest>

// The subledger, calculated-balance and list reports, built from a balance and items made here
// (edits not stored included): the record they print, their pages, and the PDF a print writes.
class tst_TwoLevelRecReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { DesktopSeams::substituteFonts(); }
    void record_data() { kinds(); }
    void record();
    void pages_data() { kinds(); }
    void pages();
    void noItemsAndLongTexts();
    void printsToPdf_data() { kinds(); }
    void printsToPdf();

private:
    void kinds();
};

namespace {

using Kind = TwoLevelRecReport::Kind;

// Account 2200 of the tutorial company at 11/30/2026, with changes not stored, and two items.
struct Data
{
    ModelFixture fx{true};
    GLAccountBalance balance;
    ReconcilingItemList items;

    Data()
    {
        auto account = std::make_shared<GLAccount>();
        account->Load(QStringLiteral("20"));
        account->setComment(QStringLiteral("   "));
        balance.Load(account, QStringLiteral("11/30/2026"));
        balance.setAmount(QStringLiteral("-1000"));
        balance.setTargetAmount(QStringLiteral("-200.5"));
        balance.setComment(QString());
        balance.setCalcBalance(QStringLiteral("Rate times taxable sales"));
        balance.setPreparedBy(QStringLiteral("Pat Rivera"));
        balance.setPreparedByDate(QStringLiteral("12/02/2026"));
        balance.setApprovedBy(QString());
        balance.setApprovedByDate(QString());
        balance.setReviewedBy(QString());
        balance.setReviewedByDate(QString());
        add(QStringLiteral("11/01/2026"), QStringLiteral("County return"), QStringLiteral("-300"), QStringLiteral("T"));
        add(QStringLiteral("11/30/2026"), QString(), QStringLiteral("0"), QStringLiteral("R"));
    }
    void add(const QString& open, const QString& comment, const QString& amount, const QString& timing)
    {
        auto item = std::make_shared<ReconcilingItem>();
        item->initialize(QString::number(items.count() + 900), QStringLiteral("20"), open, QString(), comment, amount,
                         QStringLiteral("L"), QString(), QString(), timing);
        items.add(item);
    }
};

QStringList fieldNames(const ReportRecordSet& r)
{
    QStringList out;
    for (const ReportField& f : r.fields())
        out << f.name;
    return out;
}

} // namespace

void tst_TwoLevelRecReport::kinds()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("subledger") << Kind::Subledger;
    QTest::newRow("calculated balance") << Kind::CalcBalance;
    QTest::newRow("list") << Kind::List;
}

void tst_TwoLevelRecReport::record()
{
    QFETCH(Kind, kind);
    Data d;
    const auto records = TwoLevelRecReport::buildRecords(kind, d.balance, d.items);
    QStringList names{"GLAcctID",   "Comment",      "Amount",     "TargetAmount", "UnidentifiedDifference",
                      "PreparedBy", "PreparedDate", "ApprovedBy", "ApprovedDate", "ReviewedBy",
                      "ReviewedDate"};
    if (kind == Kind::CalcBalance)
        names << "CalcBasis";
    names << QStringList{"CompanyName", "Currency", "GLAcctFullName", "Description", "CompanyPolicy", "AsOfDate"};
    QCOMPARE(fieldNames(*records), names);
    QCOMPARE(records->rowCount(), 1);
    const auto value = [&](const char* field) { return records->value(0, QString::fromLatin1(field)).toString(); };
    QCOMPARE(value("GLAcctID"), QStringLiteral("20"));
    QCOMPARE(value("Comment"), QStringLiteral("No comment has been entered for this reconciliation."));
    QCOMPARE(value("Amount"), QStringLiteral("(1,000.00)"));
    QCOMPARE(value("TargetAmount"), QStringLiteral("(200.50)"));
    // -1,000 - (-200.50 + -300 + 0)
    QCOMPARE(value("UnidentifiedDifference"), QStringLiteral("(499.50)"));
    QCOMPARE(value("PreparedBy"), QStringLiteral("Pat Rivera"));
    QCOMPARE(value("ApprovedDate"), QString());
    QCOMPARE(value("CompanyName"), QStringLiteral("DO NOT USE - SEE BELOW"));
    QCOMPARE(value("AsOfDate"), QStringLiteral("DO NOT USE"));
    QCOMPARE(value("Description"), QStringLiteral("No description has been entered for this account."));
    QVERIFY(!value("CompanyPolicy").isEmpty());
    if (kind == Kind::CalcBalance)
        QCOMPARE(value("CalcBasis"), QStringLiteral("Rate times taxable sales"));

    const ReportRecordSet& items = records->chapter("ReconcilingItems");
    QCOMPARE(fieldNames(items), TwoLevelRecReport::getItemFieldNames());
    QCOMPARE(records->childRows(0, "ReconcilingItems"), (QList<int>{0, 1}));
    QCOMPARE(items.value(0, "Amount").toString(), QStringLiteral("(300.00)"));
    QCOMPARE(items.value(1, "Amount").toString(), QStringLiteral("0.00 "));
    QCOMPARE(items.value(1, "Comment").toString(), QString());
    QCOMPARE(items.value(0, "OpenDate").toString(), QStringLiteral("11/01/2026"));
    QCOMPARE(items.value(0, "ReqTiming").toString(), QStringLiteral("T"));
}

void tst_TwoLevelRecReport::pages()
{
    QFETCH(Kind, kind);
    Data d;
    TwoLevelRecReport report(kind);
    report.initialize(d.balance, d.items);
    const auto doc = report.report().layOut();
    QCOMPARE(doc->title, TwoLevelRecReport::title(kind));
    QCOMPARE(doc->pageCount(), 1);
    const ReportPage& page = doc->pages.first();
    QCOMPARE(page.textOf("lblGLAcctFullName"), QStringLiteral("2200 - Sales Tax Payable"));
    QCOMPARE(page.textOf("lblAsOfDate"), QStringLiteral("As of November 30, 2026"));
    QCOMPARE(page.textOf("lblGLAcctFullNameInFooter"), QStringLiteral("2200 - Sales Tax Payable"));
    QVERIFY(!page.textOf("lblCompanyName").isEmpty());
    QVERIFY(page.textOf("lblCompanyName") != QStringLiteral("CompanyName"));
    QCOMPARE(page.textOf("Label15"), QStringLiteral("Page 1 of 1"));
    QCOMPARE(page.textOf("txtOpenDate"), QStringLiteral("11/01/2026\n11/30/2026"));
    QCOMPARE(page.textOf("txtAmount"), QStringLiteral("(300.00)\n0.00"));
    QCOMPARE(page.textOf("txtPreparedBy"), QStringLiteral("Pat Rivera"));
    QCOMPARE(page.textOf("txtReconciledDate"), QStringLiteral("12/02/2026"));
    QCOMPARE(page.textOf("txtApprovedDate"), QString());
    const QString target = kind == Kind::Subledger     ? QStringLiteral("Balance per Subledger:")
                           : kind == Kind::CalcBalance ? QStringLiteral("Calculated Balance:")
                                                       : QString();
    QCOMPARE(page.textOf("Label12").contains(':') ? page.textOf("Label12") : QString(), target);
    QCOMPARE(page.textOf("CalcBasis"), kind == Kind::CalcBalance ? QStringLiteral("Rate times taxable sales") : QString());
    QCOMPARE(page.textOf(kind == Kind::List ? "Label2" : "Label1").split('\n').first(),
             kind == Kind::List ? QStringLiteral("Items") : QStringLiteral("Reconciling Items"));
    // The item lines print between the headings and the footer, in the list's order.
    const int headings = page.itemsOf(kind == Kind::List ? "Label9" : "Label6").first().top;
    const int firstItem = page.itemsOf("txtOpenDate").first().top;
    const int footer = page.itemsOf("Label13").first().top;
    QVERIFY(headings < firstItem && firstItem < footer);
}

void tst_TwoLevelRecReport::noItemsAndLongTexts()
{
    Data d;
    d.items.clear();
    d.balance.setComment(QString(60, 'w').append(' ').repeated(8));
    ListRecReport report;
    report.initialize(d.balance, d.items);
    const auto doc = report.report().layOut();
    const ReportPage& page = doc->pages.first();
    QVERIFY(page.itemsOf("txtOpenDate").isEmpty());
    // With no items the footer follows the headings at once.
    const ReportLayout layout = TwoLevelRecReport::layout(Kind::List);
    QCOMPARE(page.itemsOf("Label13").first().top - page.itemsOf("Label2").first().top,
             layout.findSection("Header")->height());
    // The comment grows downwards and pushes the description below it; nothing is cut.
    const QList<PageItem> comment = page.itemsOf("txtComment");
    QVERIFY(comment.size() > 1);
    QVERIFY(page.itemsOf("txtDescription").first().top > comment.last().bottom() - 1);
    QCOMPARE(page.itemsOf("txtComment").size(), comment.size());
}

void tst_TwoLevelRecReport::printsToPdf()
{
    QFETCH(Kind, kind);
    Data d;
    PrintRecorder printer;
    TwoLevelRecReport report(kind);
    report.initialize(d.balance, d.items);
    const QString pdf = d.fx.seams.path("report.pdf");
    printer.answers = {pdf};
    QVERIFY(ReportOutput::print(report.report(), nullptr));
    const QString keep = qEnvironmentVariable("CORVANTIS_SCREENSHOTS");
    if (!keep.isEmpty())
        QFile::copy(pdf, keep + QStringLiteral("/report-%1.pdf").arg(int(kind)));
    if (!QFile::exists("/usr/bin/pdftotext"))
        QSKIP("pdftotext is not installed");
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(p.waitForFinished());
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(text.contains(QRegularExpression("2200 - Sales Tax Payable\\s*\\n")), qPrintable(text));
    QVERIFY(text.contains("As of November 30, 2026"));
    QVERIFY(text.contains(QRegularExpression("11/01/2026\\s+T\\s+County return\\s+\\(300\\.00\\)")));
    QVERIFY(text.contains(QRegularExpression("Unidentified Difference:\\s+\\(499\\.50\\)")));
    QVERIFY(text.contains(QRegularExpression("General Ledger Balance:\\s+\\(1,000\\.00\\)")));
    QVERIFY(text.contains(QRegularExpression("Prepared\\s+12/02/2026\\s+by\\s+Pat Rivera")));
    QVERIFY(text.contains("No comment has been entered for this reconciliation."));
    QCOMPARE(text.contains("(200.50)"), kind != Kind::List);
    QCOMPARE(text.contains("Basis of Calculation"), kind == Kind::CalcBalance);
}

QTEST_MAIN(tst_TwoLevelRecReport)
#include "tst_twolevelrecreport.moc"
