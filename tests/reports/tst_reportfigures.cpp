#include "bankrecreport.h"
#include "desktopseams.h"
#include "glsummaryreport.h"
#include "prepaidrecreport.h"
#include "recreportcommon.h"
#include "reportfonts.h"
#include "twolevelrecreport.h"

#include <QTest>
#include <functional>

// The figures every report prints: each amount box holds the widest amount the money type can
// hold on one line, clear of the captions and columns beside it; a sign-off's date stands apart
// from its caption and from the word "by".
class tst_ReportFigures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { DesktopSeams::substituteFonts(); }
    void widestAmountOnOneLine_data();
    void widestAmountOnOneLine();
    void signOffDatesStandApart_data();
    void signOffDatesStandApart();
};

namespace {

ReportLayout layoutOf(const QString& report)
{
    if (report == u"bank")
        return BankRecReport::layout();
    if (report == u"prepaid")
        return PrepaidRecReport::layout();
    if (report == u"subledger")
        return TwoLevelRecReport::layout(TwoLevelRecReport::Kind::Subledger);
    if (report == u"calculated balance")
        return TwoLevelRecReport::layout(TwoLevelRecReport::Kind::CalcBalance);
    if (report == u"list")
        return TwoLevelRecReport::layout(TwoLevelRecReport::Kind::List);
    return GLSummaryReport::layout();
}

bool isMoney(const ReportControl& c)
{
    static const QStringList fields = {"Amount", "TargetAmount", "UnidentifiedDifference", "TotalAmount",
                                       "UnamortizedBalance", "UnreconciledDifference"};
    return (c.kind == ControlKind::TextBox && fields.contains(c.dataField, Qt::CaseInsensitive)) ||
           c.name == u"lblGlSum"; // the summary's total, set before display
}

bool overlap(int a0, int a1, int b0, int b1)
{
    return a0 < b1 && b0 < a1;
}

const ReportControl* atTop(const ReportSection& s, int top, const std::function<bool(const ReportControl&)>& is)
{
    for (const ReportControl& c : s.controls())
        if (c.top == top && is(c))
            return &c;
    return nullptr;
}

} // namespace

void tst_ReportFigures::widestAmountOnOneLine_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<int>("boxes"); // the amount boxes the layout has
    QTest::newRow("bank") << "bank" << 5;
    QTest::newRow("prepaid") << "prepaid" << 5;
    QTest::newRow("subledger") << "subledger" << 4;
    QTest::newRow("calculated balance") << "calculated balance" << 4;
    QTest::newRow("list") << "list" << 3;
    QTest::newRow("summary") << "summary" << 3;
}

void tst_ReportFigures::widestAmountOnOneLine()
{
    QFETCH(QString, report);
    QFETCH(int, boxes);
    const QString widest = RecReportCommon::widestAmount();
    QCOMPARE(widest, QStringLiteral("(922,337,203,685,477.58)"));
    const ReportLayout layout = layoutOf(report);
    int seen = 0;
    for (const ReportSection& s : layout.sections())
        for (const ReportControl& amount : s.controls()) {
            if (!isMoney(amount))
                continue;
            ++seen;
            const QString where = s.name() + u'.' + amount.name;
            QVERIFY2(ReportFonts::wrap(amount.font, widest, amount.width).size() == 1, qPrintable(where));
            QVERIFY2(amount.left >= 0 && amount.left + amount.width <= layout.reportWidth(), qPrintable(where));
            // Nothing printed beside it reaches into its box: a caption ends before the figure starts.
            for (const ReportControl& other : s.controls()) {
                if (&other == &amount || (other.kind != ControlKind::Label && other.kind != ControlKind::TextBox))
                    continue;
                const bool clash = overlap(other.top, other.top + std::max(other.height, 1), amount.top,
                                           amount.bottom()) &&
                                   overlap(other.left, other.left + other.width, amount.left,
                                           amount.left + amount.width);
                QVERIFY2(!clash, qPrintable(where + QStringLiteral(" is overlapped by ") + other.name));
            }
        }
    QCOMPARE(seen, boxes);
}

void tst_ReportFigures::signOffDatesStandApart_data()
{
    QTest::addColumn<QString>("report");
    for (const char* report : {"bank", "prepaid", "subledger", "calculated balance", "list"})
        QTest::newRow(report) << QString::fromLatin1(report);
}

void tst_ReportFigures::signOffDatesStandApart()
{
    QFETCH(QString, report);
    ReportLayout layout = layoutOf(report);
    const ReportSection& footer = layout.section(QStringLiteral("Footer"));
    const QString date = QStringLiteral("12/07/2026");
    int lines = 0;
    for (const QString caption : {"Prepared", "Approved", "Reviewed"}) {
        const ReportControl* label = nullptr;
        for (const ReportControl& c : footer.controls())
            if (c.kind == ControlKind::Label && c.caption == caption)
                label = &c;
        QVERIFY2(label, qPrintable(caption));
        const ReportControl* dateBox = atTop(footer, label->top, [](const ReportControl& c) {
            return c.kind == ControlKind::TextBox && c.dataField.endsWith(QStringLiteral("Date"), Qt::CaseInsensitive);
        });
        const ReportControl* by = atTop(footer, label->top, [](const ReportControl& c) {
            return c.kind == ControlKind::Label && c.caption == u"by";
        });
        QVERIFY(dateBox && by);
        const double blank = ReportFonts::advance(label->font, QStringLiteral(" "));
        // "Approved 12/07/2026 by", never "Approved12/07/2026".
        QVERIFY2(label->left + ReportFonts::advance(label->font, caption) + blank <= dateBox->left, qPrintable(caption));
        QVERIFY2(dateBox->left + ReportFonts::advance(dateBox->font, date) + blank <= by->left, qPrintable(caption));
        ++lines;
    }
    QCOMPARE(lines, 3);
}

QTEST_MAIN(tst_ReportFigures)
#include "tst_reportfigures.moc"
