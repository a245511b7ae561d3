#include "bankrecreport.h"
#include "desktopseams.h"
#include "glsummaryreport.h"
#include "prepaidrecreport.h"
#include "recreportcommon.h"
#include "report.h"
#include "reportdocument.h"
#include "reportfonts.h"
#include "twolevelrecreport.h"

#include <QTest>
#include <algorithm>
#include <functional>

// The figures every report prints: each amount box holds the widest amount the money type can
// hold on one line, clear of what stands beside it; a sign-off's date stands a blank apart from
// its caption and from the word "by".
class tst_ReportFigures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { DesktopSeams::substituteFonts(); }
    void widestAmountOnOneLine_data();
    void widestAmountOnOneLine();
    void signOffDatesStandApart_data() { widestAmountOnOneLine_data(); }
    void signOffDatesStandApart();
    void longCompanyNameStaysInItsHeading_data() { widestAmountOnOneLine_data(); }
    void longCompanyNameStaysInItsHeading();
};

namespace {

ReportLayout layoutOf(const QString& report)
{
    using Kind = TwoLevelRecReport::Kind;
    if (report == u"bank")
        return BankRecReport::layout();
    if (report == u"prepaid")
        return PrepaidRecReport::layout();
    if (report == u"summary")
        return GLSummaryReport::layout();
    return TwoLevelRecReport::layout(report == u"subledger" ? Kind::Subledger
                                     : report == u"list"    ? Kind::List
                                                            : Kind::CalcBalance);
}

bool isMoney(const ReportControl& c)
{
    static const QStringList fields = {"Amount", "TargetAmount", "UnidentifiedDifference", "TotalAmount",
                                       "UnamortizedBalance", "UnreconciledDifference"};
    return (c.kind == ControlKind::TextBox && fields.contains(c.dataField, Qt::CaseInsensitive)) ||
           c.name == u"lblGlSum"; // the summary's total, set before display
}

bool printsText(const ReportControl& c)
{
    return c.kind == ControlKind::Label || c.kind == ControlKind::TextBox;
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
            // Nothing printed beside it reaches into its box.
            for (const ReportControl& o : s.controls())
                QVERIFY2(&o == &amount || !printsText(o) || o.top + std::max(o.height, 1) <= amount.top ||
                             o.top >= amount.bottom() || o.left + o.width <= amount.left ||
                             o.left >= amount.left + amount.width,
                         qPrintable(where + QStringLiteral(" is overlapped by ") + o.name));
        }
    QCOMPARE(seen, boxes);
}

void tst_ReportFigures::signOffDatesStandApart()
{
    QFETCH(QString, report);
    if (report == u"summary")
        QSKIP("the summary has no sign-offs");
    ReportLayout layout = layoutOf(report);
    const auto& controls = layout.section(QStringLiteral("Footer")).controls();
    const auto find = [&](int top, const std::function<bool(const ReportControl&)>& is) -> const ReportControl* {
        const auto it = std::find_if(controls.begin(), controls.end(),
                                     [&](const ReportControl& c) { return (top < 0 || c.top == top) && is(c); });
        return it == controls.end() ? nullptr : &*it;
    };
    for (const QString caption : {"Prepared", "Approved", "Reviewed"}) {
        const ReportControl* label = find(-1, [&](const ReportControl& c) { return c.caption == caption; });
        QVERIFY2(label, qPrintable(caption));
        const ReportControl* date = find(label->top, [](const ReportControl& c) {
            return c.dataField.endsWith(QStringLiteral("Date"), Qt::CaseInsensitive);
        });
        const ReportControl* by = find(label->top, [](const ReportControl& c) { return c.caption == u"by"; });
        QVERIFY(date && by);
        // "Approved 12/07/2026 by", never "Approved12/07/2026".
        const double blank = ReportFonts::advance(label->font, QStringLiteral(" "));
        QVERIFY2(label->left + ReportFonts::advance(label->font, caption) + blank <= date->left, qPrintable(caption));
        QVERIFY2(date->left + ReportFonts::advance(date->font, QStringLiteral("12/07/2026")) + blank <= by->left,
                 qPrintable(caption));
    }
}

// A company name of the longest kind prints whole within the heading's width: smaller or on more
// lines, never over the currency at its right nor the heading under it. Words, and one long word.
void tst_ReportFigures::longCompanyNameStaysInItsHeading()
{
    QFETCH(QString, report);
    const QString under = report == u"summary" ? QStringLiteral("Label18") : QStringLiteral("lblGLAcctFullName");
    const auto headingOf = [&](const QString& company) {
        Report r(layoutOf(report));
        r.setCaption("PageHeader", "lblCompanyName", company);
        r.setCaption("PageHeader", "lblRptCurr", "USD");
        return r.layOut()->pages.first();
    };
    const auto gap = [&](const ReportPage& p) {
        return p.itemsOf(under).first().top - p.itemsOf("lblCompanyName").last().bottom();
    };
    const ReportPage designed = headingOf("Harbor Point Supply Co.");
    for (const QString& name : {QStringLiteral("Harbor Point Marine Supply and Chandlery Company of the Northern Atlantic "
                                                "Seaboard, Incorporated 2026"),
                                QString(100, u'W')}) {
        const ReportPage page = headingOf(name);
        const auto currency = std::find_if(page.items.cbegin(), page.items.cend(),
                                           [](const PageItem& i) { return i.text == u"Currency:"; });
        QVERIFY(currency != page.items.cend());
        QStringList texts;
        for (const PageItem& line : page.itemsOf("lblCompanyName")) {
            texts << line.text.trimmed();
            QVERIFY2(line.textLeft >= page.itemsOf(under).first().left && line.textRight() < currency->textLeft,
                     qPrintable(line.text));
            QVERIFY(line.font.points >= ReportControl::MinFitPoints);
        }
        QCOMPARE(texts.join(name.contains(u' ') ? " " : ""), name);
        QVERIFY(gap(page) >= gap(designed));
    }
}

QTEST_MAIN(tst_ReportFigures)
#include "tst_reportfigures.moc"
