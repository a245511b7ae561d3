#include "apperror.h"
#include "arcurrency.h"
#include "desktopseams.h"
#include "recorders.h"
#include "report.h"
#include "reportdocument.h"
#include "reportfonts.h"
#include "reportpaginator.h"
#include "samplelayouts.h"

#include <QLocale>
#include <QTest>

namespace {

const QDateTime kPrinted(QDate(2024, 3, 15), QTime(10, 30));

ReportDocument layOut(const ReportLayout& layout, const ReportRecordSet& records)
{
    return ReportPaginator::layOut(layout, &records, kPrinted);
}

// A listing of one account whose fields the test gives.
ReportDocument oneAccount(const QString& field, const QString& value)
{
    auto records = SampleLayouts::listingRecords(0);
    records->chapter(QStringLiteral("Accounts")).addNew({"ID", field}, {1, value});
    return layOut(SampleLayouts::listing(), *records);
}

// Adds one item group and its items to a reconciliation record set.
void addGroup(ReportRecordSet& records, const QString& code, const QString& label, const QStringList& comments)
{
    ReportRecordSet& groups = records.chapter(QStringLiteral("ItemTypes"));
    groups.addNew({"GLAcctID", "TypeCode", "TypeLabel", "TotalAmount"}, {"7", code, label, "0.00 "});
    ReportRecordSet& items = groups.chapter(QStringLiteral("Items"));
    for (const QString& comment : comments)
        items.addNew({"TypeCode", "Amount", "Comment", "OpenDate", "ReqTiming"},
                     {code, "12.50 ", comment, "03/01/2024", "T"});
}

std::shared_ptr<ReportRecordSet> reconciliationWith(const QString& comment)
{
    auto records = SampleLayouts::reconciliationRecords();
    records->addNew({"GLAcctID", "Comment", "Amount", "TargetAmount", "UnidentifiedDifference", "ApprovedDate",
                     "ApprovedBy", "Description", "CompanyPolicy"},
                    {"7", comment, "1,000.00 ", "950.00 ", "(0.50)", "03/31/2024", "Pat Approver", "Cash at bank",
                     "Reconcile monthly."});
    return records;
}

// Every item of the body (not the page header or footer) lies within the body's room.
bool bodyWithin(const ReportDocument& doc, int top, int bottom)
{
    for (const ReportPage& page : doc.pages)
        for (const PageItem& item : page.items) {
            if (item.section.compare(QLatin1String("PageHeader")) == 0 || item.section.compare(QLatin1String("PageFooter")) == 0)
                continue;
            if (item.top < top || item.bottom() > bottom)
                return false;
        }
    return true;
}

} // namespace

class tst_ReportLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void detailRowsArePlacedInTwips();
    void thousandRowsRepeatThePageHeader();
    void noRowsStillPrintsOnePage();
    void pageTokens_data();
    void pageTokens();
    void fieldTextPrintsLiterally_data();
    void fieldTextPrintsLiterally();
    void moneyFormat_data();
    void moneyFormat();
    void rightAlignedTextKeepsItsTrailingBlank();
    void longValuesWrapInsteadOfOverprinting();
    void growingBoxPushesTheControlsBelow();
    void longTextWithoutBlanksContinuesOnTheNextPage();
    void threeLevelsPrintInOrderAndEmptyGroupsKeepTheirHeader();
    void bandsBreakBetweenPagesWhole();
    void groupHeadingsStayWithWhatFollows_data();
    void groupHeadingsStayWithWhatFollows();
    void bindingIgnoresCase();
    void unknownBindingsRaise_data();
    void unknownBindingsRaise();
    void captionsAreSetByName();
    void independentOfTheMachineLocale();
};

void tst_ReportLayout::initTestCase()
{
    DesktopSeams::substituteFonts();
}

void tst_ReportLayout::detailRowsArePlacedInTwips()
{
    ReportLayout layout = SampleLayouts::listing();
    const ReportDocument doc = layOut(layout, *SampleLayouts::listingRecords(3));
    QCOMPARE(doc.pageCount(), 1);
    QCOMPARE(doc.title, QStringLiteral("Account Listing"));
    // Where the layout places each control, moved by the page margin and the section's place.
    const ReportControl& number = layout.section(QStringLiteral("Accounts_Detail")).control(QStringLiteral("Text2"));
    const QList<PageItem> numbers = doc.pages[0].itemsOf(QStringLiteral("Text2"));
    QCOMPARE(numbers.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(numbers[i].left, SampleLayouts::ListingLeft + number.left);
        QCOMPARE(numbers[i].top, SampleLayouts::ListingBodyTop + i * SampleLayouts::ListingRow + number.top);
        QCOMPARE(numbers[i].text, QString::number(1000 + i));
    }
    // The group footer follows the last row; the page footer sits at the bottom of the sheet.
    const PageItem total = doc.pages[0].itemsOf(QStringLiteral("Label12")).first();
    QCOMPARE(total.top, SampleLayouts::ListingBodyTop + 3 * SampleLayouts::ListingRow +
                            layout.section(QStringLiteral("Footer")).control(QStringLiteral("Label12")).top);
    const ReportControl& footerRule = layout.section(QStringLiteral("PageFooter")).control(QStringLiteral("Line4"));
    const PageItem rule = doc.pages[0].itemsOf(QStringLiteral("Line4")).first();
    QCOMPARE(rule.top, SampleLayouts::ListingBodyBottom + footerRule.top);
    QCOMPARE(rule.kind, PageItem::Kind::Line);
    QCOMPARE(rule.left, SampleLayouts::ListingLeft + footerRule.left);
    QCOMPARE(rule.width, footerRule.width);
    // The double rule under the total: two lines the gap apart.
    QCOMPARE(doc.pages[0].itemsOf(QStringLiteral("Line1")).first().top - doc.pages[0].itemsOf(QStringLiteral("Line2")).first().top,
             ReportSection::DoubleRuleGap);
    QCOMPARE(doc.pages[0].itemsOf(QStringLiteral("Shape3")).first().kind, PageItem::Kind::Frame);
    QVERIFY(doc.dump().contains(QStringLiteral("text %1,%2 %3x")
                                    .arg(SampleLayouts::ListingLeft + number.left)
                                    .arg(SampleLayouts::ListingBodyTop + number.top)
                                    .arg(number.width)));
}

void tst_ReportLayout::thousandRowsRepeatThePageHeader()
{
    const int rows = 1000;
    const ReportDocument doc = layOut(SampleLayouts::listing(), *SampleLayouts::listingRecords(rows));
    const int perPage = (SampleLayouts::ListingBodyBottom - SampleLayouts::ListingBodyTop) / SampleLayouts::ListingRow;
    QCOMPARE(perPage, 40);
    // 25 full pages; the total (375) no longer fits under the last row and opens page 26.
    QCOMPARE(doc.pageCount(), 26);
    int printed = 0;
    for (const ReportPage& page : doc.pages) {
        QCOMPARE(page.textOf(QStringLiteral("Label18")), QStringLiteral("Account Listing"));
        QCOMPARE(page.textOf(QStringLiteral("Label13")), QStringLiteral("Account No."));
        const PageItem pageNo = page.itemsOf(QStringLiteral("Label15")).first();
        QCOMPARE(pageNo.text, QStringLiteral("Page %1 of 26").arg(page.number));
        QVERIFY(qAbs(pageNo.textRight() - (SampleLayouts::ListingLeft + 8064 + 2595)) < 0.5);
        const QList<PageItem> numbers = page.itemsOf(QStringLiteral("Text2"));
        if (page.number < 26) {
            QCOMPARE(numbers.size(), perPage);
            QCOMPARE(numbers.first().text, QString::number(1000 + printed));
        }
        printed += numbers.size();
    }
    QCOMPARE(printed, rows);
    QCOMPARE(doc.pages.last().textOf(QStringLiteral("Label12")), QStringLiteral("Total:"));
    QCOMPARE(doc.pages.last().itemsOf(QStringLiteral("Label12")).first().top, SampleLayouts::ListingBodyTop);
    QVERIFY(bodyWithin(doc, SampleLayouts::ListingBodyTop, SampleLayouts::ListingBodyBottom));
}

void tst_ReportLayout::noRowsStillPrintsOnePage()
{
    const ReportDocument doc = layOut(SampleLayouts::listing(), *SampleLayouts::listingRecords(0));
    QCOMPARE(doc.pageCount(), 1);
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("Label15")), QStringLiteral("Page 1 of 1"));
    QVERIFY(doc.pages[0].itemsOf(QStringLiteral("Text2")).isEmpty());
    QCOMPARE(doc.pages[0].itemsOf(QStringLiteral("Label12")).first().top, SampleLayouts::ListingBodyTop);

    // Nothing bound at all: the fixed sections still print.
    const ReportDocument unbound = ReportPaginator::layOut(SampleLayouts::listing(), nullptr, kPrinted);
    QCOMPARE(unbound.pageCount(), 1);
    QCOMPARE(unbound.pages[0].textOf(QStringLiteral("Label18")), QStringLiteral("Account Listing"));
}

void tst_ReportLayout::pageTokens_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("expected");
    QTest::newRow("date and time") << "%d - %T" << QTime(10, 30) << "03/15/2024 - 10:30:00 AM";
    QTest::newRow("afternoon") << "%T" << QTime(15, 5, 9) << "3:05:09 PM";
    QTest::newRow("midnight") << "%T" << QTime(0, 0) << "12:00:00 AM";
    QTest::newRow("noon") << "%T" << QTime(12, 0) << "12:00:00 PM";
    QTest::newRow("page of pages") << "Page %p of %P" << QTime(10, 30) << "Page 1 of 1";
    QTest::newRow("other percent signs stay") << "100% %x %" << QTime(10, 30) << "100% %x %";
}

void tst_ReportLayout::pageTokens()
{
    QFETCH(QString, caption);
    QFETCH(QTime, time);
    QFETCH(QString, expected);
    ReportLayout layout = SampleLayouts::listing();
    layout.section(QStringLiteral("PageFooter")).control(QStringLiteral("Label14")).caption = caption;
    const ReportDocument doc = ReportPaginator::layOut(layout, SampleLayouts::listingRecords(1).get(),
                                                       QDateTime(QDate(2024, 3, 15), time));
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("Label14")), expected);
}

void tst_ReportLayout::fieldTextPrintsLiterally_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("markup") << "<b>x</b>";
    QTest::newRow("mnemonic") << "&Save";
    QTest::newRow("page token in data") << "Page %p of %P";
    QTest::newRow("entity") << "A &amp; B";
    QTest::newRow("leading blanks") << "   indented";
}

void tst_ReportLayout::fieldTextPrintsLiterally()
{
    QFETCH(QString, name);
    const ReportDocument doc = oneAccount(QStringLiteral("Name"), name);
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("Text1")), name);
}

void tst_ReportLayout::moneyFormat_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("printed");
    ARCurrency sum;
    sum.setVal(QStringLiteral("0.10"));
    ARCurrency twenty;
    twenty.setVal(QStringLiteral("0.20"));
    sum.add(twenty);
    QTest::newRow("negative half") << "-0.50" << "(0.50)";
    QTest::newRow("large negative") << "-123456" << "(123,456.00)";
    QTest::newRow("exact sum") << sum.toString(true) << "0.30";
    QTest::newRow("stored with parentheses") << ARCurrency::format(-12345050000, true) << "(1,234,505.00)";
    QTest::newRow("stored positive with blank") << "1,234.50 " << "1,234.50";
    QTest::newRow("zero") << "0.00 " << "0.00";
    QTest::newRow("not an amount") << "-" << "-";
    QTest::newRow("beyond the money range prints in full") << "123456789012345678901234567890" << "123456789012345678901234567890";
}

void tst_ReportLayout::moneyFormat()
{
    QFETCH(QString, stored);
    QFETCH(QString, printed);
    const ReportDocument doc = oneAccount(QStringLiteral("Amount"), stored);
    // An amount too wide for its column wraps there rather than lose digits.
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("Text6")).remove(QLatin1Char('\n')), printed);
    for (const PageItem& item : doc.pages[0].itemsOf(QStringLiteral("Text6")))
        QVERIFY(qAbs(item.textRight() - item.right()) < 0.5);
}

void tst_ReportLayout::rightAlignedTextKeepsItsTrailingBlank()
{
    // The difference column has no display format: the stored money text prints as it stands,
    // a non-negative amount with its blank, so its digits line up with a negative's.
    auto records = SampleLayouts::listingRecords(0);
    ReportRecordSet& accounts = records->chapter(QStringLiteral("Accounts"));
    accounts.addNew({"ID", "UnreconciledDifference"}, {1, ARCurrency::format(12345000, true)});
    accounts.addNew({"ID", "UnreconciledDifference"}, {1, ARCurrency::format(-12345000, true)});
    const ReportDocument doc = layOut(SampleLayouts::listing(), *records);
    const QList<PageItem> items = doc.pages[0].itemsOf(QStringLiteral("Text3"));
    QCOMPARE(items[0].text, QStringLiteral("1,234.50 "));
    QCOMPARE(items[1].text, QStringLiteral("(1,234.50)"));
    for (const PageItem& item : items)
        QVERIFY(qAbs(item.textRight() - item.right()) < 0.5);
    const double digitsEnd = items[0].textLeft + ReportFonts::advance(items[0].font, QStringLiteral("1,234.50"));
    QVERIFY(digitsEnd < items[0].right() - 1);
}

void tst_ReportLayout::longValuesWrapInsteadOfOverprinting()
{
    const QString name = QStringLiteral("Accumulated depreciation - leasehold improvements at the downtown branch, 2023-4");
    QCOMPARE(name.size(), 80);
    const QString amount = QStringLiteral("-9223372036854.77"); // the largest amount the money type holds
    auto records = SampleLayouts::listingRecords(0);
    ReportRecordSet& accounts = records->chapter(QStringLiteral("Accounts"));
    accounts.addNew({"ID", "Number", "Name", "Amount"}, {1, "1000", name, amount});
    accounts.addNew({"ID", "Number", "Name"}, {1, "1001", "Cash"});
    const ReportDocument doc = layOut(SampleLayouts::listing(), *records);
    const ReportPage& page = doc.pages[0];

    const QList<PageItem> nameLines = page.itemsOf(QStringLiteral("Text1"));
    QCOMPARE(nameLines.size(), 3); // two lines for the long name, one for "Cash"
    QCOMPARE(nameLines[0].text + QLatin1Char(' ') + nameLines[1].text, name);
    const QList<PageItem> amountLines = page.itemsOf(QStringLiteral("Text6"));
    QString printedAmount;
    for (const PageItem& line : amountLines) {
        QVERIFY(line.textLeft >= line.left - 0.5); // never over the next column
        printedAmount += line.text;
    }
    QCOMPARE(printedAmount, QStringLiteral("(9,223,372,036,854.77)"));
    QCOMPARE(amountLines.size(), 1); // an amount column holds any amount on one line
    for (const PageItem& line : nameLines)
        QVERIFY(line.textRight() <= line.right() + 0.5);
    // The row grew, and the next row moved down with it.
    const QList<PageItem> numbers = page.itemsOf(QStringLiteral("Text2"));
    QVERIFY(numbers[1].top >= nameLines[1].bottom());
    QCOMPARE(nameLines[2].top, numbers[1].top);
}

void tst_ReportLayout::growingBoxPushesTheControlsBelow()
{
    const QString comment = QStringLiteral("First line of the comment.\nSecond line.\nThird line.");
    const ReportDocument doc = layOut(SampleLayouts::reconciliation(), *reconciliationWith(comment));
    QCOMPARE(doc.pageCount(), 1);
    const ReportPage& page = doc.pages[0];
    const QList<PageItem> lines = page.itemsOf(QStringLiteral("txtComment"));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(page.textOf(QStringLiteral("txtComment")), comment);
    const PageItem caption = page.itemsOf(QStringLiteral("Label3")).first();
    const PageItem below = page.itemsOf(QStringLiteral("Label6")).first();
    const PageItem policy = page.itemsOf(QStringLiteral("Text11")).first();
    // The box was 285 high; what it grew by moves everything under it.
    const int grown = lines.last().bottom() - (lines.first().top + 285);
    QVERIFY(grown > 0);
    QCOMPARE(below.top - caption.top, 2448 - 1765 + grown);
    QCOMPARE(policy.top - caption.top, 3419 - 1765 + grown);
    QVERIFY(below.top >= lines.last().bottom());
    // Controls beside or above it stay.
    QCOMPARE(page.itemsOf(QStringLiteral("Label5")).first().top - caption.top, 576 - 1765);
}

void tst_ReportLayout::longTextWithoutBlanksContinuesOnTheNextPage()
{
    QString comment;
    for (int i = 0; i < 20000; ++i)
        comment += QChar(u'A' + i % 26);
    const ReportDocument doc = layOut(SampleLayouts::reconciliation(), *reconciliationWith(comment));
    QVERIFY(doc.pageCount() >= 3);
    QString printed;
    int pagesWithComment = 0;
    for (const ReportPage& page : doc.pages) {
        const QList<PageItem> lines = page.itemsOf(QStringLiteral("txtComment"));
        for (const PageItem& line : lines) {
            printed += line.text;
            QVERIFY(line.textWidth <= line.width + 0.5); // wrapped inside its box
        }
        pagesWithComment += lines.isEmpty() ? 0 : 1;
        QCOMPARE(page.textOf(QStringLiteral("Label15")), QStringLiteral("Page %1 of %2").arg(page.number).arg(doc.pageCount()));
    }
    QCOMPARE(printed, comment); // nothing lost, nothing repeated
    QVERIFY(pagesWithComment >= 2);
    QVERIFY(bodyWithin(doc, SampleLayouts::ReconciliationBodyTop, SampleLayouts::ReconciliationBodyBottom));
    // What stood under the comment follows its last line.
    const ReportPage& last = doc.pages.last();
    QCOMPARE(last.textOf(QStringLiteral("Label6")), QStringLiteral("Account Description:"));
    QVERIFY(last.itemsOf(QStringLiteral("Label6")).first().top >= last.itemsOf(QStringLiteral("txtComment")).last().bottom());
}

void tst_ReportLayout::threeLevelsPrintInOrderAndEmptyGroupsKeepTheirHeader()
{
    auto records = reconciliationWith(QStringLiteral("ok"));
    addGroup(*records, QStringLiteral("C"), QStringLiteral("Outstanding Checks"), {});
    addGroup(*records, QStringLiteral("O"), QStringLiteral("Other Items"), {QStringLiteral("first"), QStringLiteral("second")});
    const ReportDocument doc = layOut(SampleLayouts::reconciliation(), *records);
    QCOMPARE(doc.pageCount(), 1);
    const ReportPage& page = doc.pages[0];
    QCOMPARE(page.textOf(QStringLiteral("Text5")), QStringLiteral("Outstanding Checks\nOther Items"));
    QCOMPARE(page.itemsOf(QStringLiteral("Shape1")).size(), 2);
    QCOMPARE(page.itemsOf(QStringLiteral("Label1")).size(), 2); // both totals
    QCOMPARE(page.textOf(QStringLiteral("txtRecItemComment")), QStringLiteral("first\nsecond"));

    const int top = SampleLayouts::ReconciliationBodyTop + 15; // after the report header
    const auto topOf = [&](const QString& control, int n) { return page.itemsOf(control)[n].top; };
    QCOMPARE(topOf(QStringLiteral("Label2"), 0), top);
    QCOMPARE(topOf(QStringLiteral("Text5"), 0), top + 330);                        // empty group: header
    QCOMPARE(topOf(QStringLiteral("Label1"), 0), top + 330 + 630 + 144);           // ... and footer
    QCOMPARE(topOf(QStringLiteral("Text5"), 1), top + 330 + 630 + 540);
    QCOMPARE(topOf(QStringLiteral("txtRecItemComment"), 0), top + 330 + 630 + 540 + 630);
    QCOMPARE(topOf(QStringLiteral("txtRecItemComment"), 1), top + 330 + 630 + 540 + 630 + 288);
    QCOMPARE(topOf(QStringLiteral("Label13"), 0), top + 330 + 2 * (630 + 540) + 2 * 288 + 144);
}

void tst_ReportLayout::bandsBreakBetweenPagesWhole()
{
    auto records = reconciliationWith(QStringLiteral("ok"));
    for (int g = 0; g < 12; ++g) {
        QStringList comments;
        for (int i = 0; i < 6; ++i)
            comments << QStringLiteral("group %1 item %2").arg(g).arg(i);
        addGroup(*records, QString(QChar(u'A' + g)), QStringLiteral("Group %1").arg(g), comments);
    }
    const ReportDocument doc = layOut(SampleLayouts::reconciliation(), *records);
    QVERIFY(doc.pageCount() >= 2);
    QVERIFY(bodyWithin(doc, SampleLayouts::ReconciliationBodyTop, SampleLayouts::ReconciliationBodyBottom));
    int titles = 0;
    for (const ReportPage& page : doc.pages) {
        // A group header is never cut from its frames, nor a total from its double rule.
        QCOMPARE(page.itemsOf(QStringLiteral("Text5")).size(), page.itemsOf(QStringLiteral("Shape4")).size());
        QCOMPARE(page.itemsOf(QStringLiteral("Label1")).size(), page.itemsOf(QStringLiteral("Line7")).size());
        titles += page.itemsOf(QStringLiteral("Text5")).size();
        QCOMPARE(page.textOf(QStringLiteral("lblCompanyName")), QStringLiteral("CompanyName"));
    }
    QCOMPARE(titles, 12);
}

void tst_ReportLayout::groupHeadingsStayWithWhatFollows_data()
{
    QTest::addColumn<int>("itemsPerGroup");
    for (int n = 0; n <= 6; ++n)
        QTest::newRow(qPrintable(QStringLiteral("%1 items a group").arg(n))) << n;
}

void tst_ReportLayout::groupHeadingsStayWithWhatFollows()
{
    QFETCH(int, itemsPerGroup);
    auto records = reconciliationWith(QStringLiteral("ok"));
    for (int g = 0; g < 25; ++g)
        addGroup(*records, QString(QChar(u'A' + g)), QStringLiteral("Group %1").arg(g),
                 QStringList(itemsPerGroup, QStringLiteral("item")));
    const ReportDocument doc = layOut(SampleLayouts::reconciliation(), *records);
    QVERIFY(doc.pageCount() >= 2);
    for (const ReportPage& page : doc.pages)
        for (const PageItem& title : page.itemsOf(QStringLiteral("Text5"))) {
            bool followed = false;
            for (const PageItem& item : page.items)
                if ((item.control == QLatin1String("txtRecItemComment") || item.control == QLatin1String("Label1"))
                    && item.top > title.top)
                    followed = true;
            QVERIFY2(followed, qPrintable(QStringLiteral("%1 stands alone on page %2").arg(title.text).arg(page.number)));
        }
}

void tst_ReportLayout::bindingIgnoresCase()
{
    auto records = reconciliationWith(QStringLiteral("ok"));
    addGroup(*records, QStringLiteral("C"), QStringLiteral("Outstanding Checks"), {});
    const ReportDocument doc = layOut(SampleLayouts::reconciliation(), *records);
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("txtApprovedDate")), QStringLiteral("03/31/2024")); // "APPROVEDDATE"
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("Text5")), QStringLiteral("Outstanding Checks"));  // member "itemtypes"
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("Text4")), QStringLiteral("(0.50)"));
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("txtReconciledDate")), QString()); // no sign-off: nothing printed
}

void tst_ReportLayout::unknownBindingsRaise_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("member");
    QTest::newRow("unknown field") << "NoSuchField" << "Items";
    QTest::newRow("unknown chapter") << "Amount" << "NoSuchChapter";
}

void tst_ReportLayout::unknownBindingsRaise()
{
    QFETCH(QString, field);
    QFETCH(QString, member);
    ReportLayout layout = SampleLayouts::reconciliation();
    ReportControl& box = layout.section(QStringLiteral("Items_Detail")).control(QStringLiteral("txtAmount"));
    box.dataField = field;
    box.dataMember = member;
    auto records = reconciliationWith(QStringLiteral("ok"));
    addGroup(*records, QStringLiteral("O"), QStringLiteral("Other Items"), {QStringLiteral("one")});
    QVERIFY_THROWS_EXCEPTION(AppError, layOut(layout, *records));
}

void tst_ReportLayout::captionsAreSetByName()
{
    TestSeams seams; // the print moment comes from the clock
    Report report(SampleLayouts::listing());
    report.setCaption(QStringLiteral("PageHeader"), QStringLiteral("LBLCOMPANYNAME"), QStringLiteral("Northwind Traders"));
    report.setCaption(QStringLiteral("footer"), QStringLiteral("lblGlSum"), QStringLiteral("(1,234.50)"));
    QVERIFY_THROWS_EXCEPTION(AppError, report.setCaption(QStringLiteral("PageHeader"), QStringLiteral("lblNope"), QString()));
    QVERIFY_THROWS_EXCEPTION(AppError, report.setCaption(QStringLiteral("NoSection"), QStringLiteral("lblCompanyName"), QString()));
    QVERIFY_THROWS_EXCEPTION(AppError, report.setCaption(QStringLiteral("Accounts_Detail"), QStringLiteral("Text1"), QString()));
    report.setDataSource(SampleLayouts::listingRecords(2));
    const auto doc = report.layOut();
    QCOMPARE(doc->pages[0].textOf(QStringLiteral("lblCompanyName")), QStringLiteral("Northwind Traders"));
    QCOMPARE(doc->pages[0].textOf(QStringLiteral("lblGlSum")), QStringLiteral("(1,234.50)"));
    QCOMPARE(doc->pages[0].textOf(QStringLiteral("Label14")), QStringLiteral("03/15/2024 - 10:30:00 AM"));

    QVERIFY(ReportValues::isBlank(QVariant()));
    QVERIFY(ReportValues::isBlank(QStringLiteral(" \t ")));
    QCOMPARE(ReportValues::textOr(QStringLiteral("  kept"), QStringLiteral("fallback")), QStringLiteral("  kept"));
    QCOMPARE(ReportValues::textOr(QString(), QStringLiteral("fallback")), QStringLiteral("fallback"));
    QCOMPARE(ReportValues::asOf(QDate(2024, 3, 1)), QStringLiteral("As of March 1, 2024"));
}

void tst_ReportLayout::independentOfTheMachineLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const ReportDocument doc = oneAccount(QStringLiteral("Amount"), QStringLiteral("-1234.5"));
    QLocale::setDefault(saved);
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("Text6")), QStringLiteral("(1,234.50)"));
    QCOMPARE(doc.pages[0].textOf(QStringLiteral("Label14")), QStringLiteral("03/15/2024 - 10:30:00 AM"));
}

QTEST_MAIN(tst_ReportLayout)
#include "tst_reportlayout.moc"
