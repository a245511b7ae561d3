// Laying out and writing a 10,000-row listing (about 250 pages) against the plain cost of
// writing the same text lines to a PDF with QPainter: the engine's filling, measuring, growing
// and paginating should add little to what the PDF writer must do anyway.
// Usage: bench_report_layout [kept.pdf]
#include "arcurrency.h"
#include "benchsupport.h"
#include "desktopseams.h"
#include "reportdocument.h"
#include "reportfonts.h"
#include "reportlayout.h"
#include "reportpainter.h"
#include "reportpaginator.h"
#include "reportrecordset.h"

#include <QApplication>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const int kRows = 10000;
const int kRowsPerPage = 40;

struct Row
{
    QString number, name, amount, status, difference;
};

std::vector<Row> makeRows()
{
    std::vector<Row> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        const qint64 units = (i % 7 == 0 ? -1 : 1) * qint64(i) * 1234567;
        rows.push_back({QString::number(100000 + i), QStringLiteral("General ledger account number %1").arg(i),
                        ARCurrency::format(units, true), i % 3 ? QStringLiteral("Reviewed") : QStringLiteral("03/31/2024"),
                        i % 5 ? QStringLiteral("-") : ARCurrency::format(units / 100, true)});
    }
    return rows;
}

ReportLayout listingLayout()
{
    const ReportFont bold = ReportFont::tahoma(9.75, ReportFont::Bold);
    ReportLayout l(QStringLiteral("Account Listing"));
    l.setReportWidth(10665);
    l.setMargins(720, 1000, 720, 1000);
    ReportSection& ph = l.setPageHeader(1740);
    ph.addLabel(QStringLiteral("lblCompanyName"), 0, 0, 10650, 435, QStringLiteral("Northwind Traders"),
                ReportFont::tahoma(12, ReportFont::Bold), ReportAlign::Center);
    ph.addLabel(QStringLiteral("Title"), 0, 288, 10650, 435, QStringLiteral("Account Listing"),
                ReportFont::tahoma(14.25, ReportFont::Bold), ReportAlign::Center);
    ph.addLabel(QStringLiteral("lblAsOfDate"), 0, 666, 10650, 285, QStringLiteral("As of March 31, 2024"), bold,
                ReportAlign::Center);
    const int lefts[] = {0, 1296, 6480, 8064, 9360};
    const int widths[] = {1296, 5184, 1584, 1296, 1296};
    const char* headings[] = {"Account No.", "Account Name", "G/L Balance", "Status", "Difference"};
    for (int c = 0; c < 5; ++c) {
        ph.addLabel(QStringLiteral("Heading%1").arg(c), lefts[c], 1440, widths[c], 285, QString::fromLatin1(headings[c]),
                    bold, ReportAlign::Center);
        ph.addFrame(QStringLiteral("Frame%1").arg(c), lefts[c], 1152, widths[c], 570);
    }
    l.addGroup(QString(), QStringLiteral("Header"), 0, QStringLiteral("Footer"), 375);
    ReportSection& d = l.setDetail(QStringLiteral("Accounts"), QStringLiteral("Accounts_Detail"), 285);
    const QString member = QStringLiteral("Accounts");
    d.addTextBox(QStringLiteral("Number"), 144, 0, 1440, 285, QStringLiteral("Number"), ReportFont::tahoma(8.25)).inMember(member);
    d.addTextBox(QStringLiteral("Name"), 1728, 0, 4608, 285, QStringLiteral("Name")).inMember(member);
    d.addTextBox(QStringLiteral("Amount"), 6480, 0, 1590, 285, QStringLiteral("Amount"), ReportFont(), ReportAlign::Right)
        .withFormat(DisplayFormat::money())
        .inMember(member);
    d.addTextBox(QStringLiteral("Status"), 8064, 0, 1290, 285, QStringLiteral("Status"), ReportFont(), ReportAlign::Center)
        .inMember(member);
    d.addTextBox(QStringLiteral("Difference"), 9360, 0, 1296, 285, QStringLiteral("Difference"), ReportFont(),
                 ReportAlign::Right)
        .inMember(member);
    ReportSection& pf = l.setPageFooter(555);
    pf.addLine(QStringLiteral("Rule"), 0, 144, 10656);
    pf.addLabel(QStringLiteral("Printed"), 0, 144, 2595, 285, QStringLiteral("%d - %T"));
    pf.addLabel(QStringLiteral("PageNo"), 8064, 144, 2595, 285, QStringLiteral("Page %p of %P"), ReportFont(),
                ReportAlign::Right);
    return l;
}

std::shared_ptr<ReportRecordSet> listingRecords(const std::vector<Row>& rows)
{
    auto records = ReportRecordSet::fromShape(
        QStringLiteral("SHAPE APPEND NEW adInteger AS ID, ((SHAPE APPEND NEW adInteger AS ID, NEW adVarChar(20) As Number,"
                       " NEW adVarChar(50) As Name, NEW adVarChar(20) As Amount, NEW adChar(10) As Status,"
                       " NEW adVarChar(20) As Difference) RELATE ID TO ID) AS Accounts"));
    records->addNew({"ID"}, {1});
    ReportRecordSet& accounts = records->chapter(QStringLiteral("Accounts"));
    const QStringList names{"ID", "Number", "Name", "Amount", "Status", "Difference"};
    for (const Row& r : rows)
        accounts.addNew(names, {1, r.number, r.name, r.amount, r.status, r.difference});
    return records;
}

// The plain way: the same lines drawn straight onto a PDF, 40 to a page, left-aligned.
int writeDirectly(const std::vector<Row>& rows, const QString& path)
{
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    QPainter p(&writer);
    p.scale(1200 / 1440.0, 1200 / 1440.0);
    const QFont regular = ReportFonts::toQFont(ReportFont());
    const QFont bold = ReportFonts::toQFont(ReportFont::tahoma(9.75, ReportFont::Bold));
    const int pages = (kRows + kRowsPerPage - 1) / kRowsPerPage;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        p.setFont(bold);
        p.drawText(QPointF(5000, 1200), QStringLiteral("Northwind Traders"));
        p.drawText(QPointF(5000, 1500), QStringLiteral("Account Listing"));
        p.drawText(QPointF(5000, 1800), QStringLiteral("As of March 31, 2024"));
        p.drawText(QPointF(720, 2600), QStringLiteral("Account No.   Account Name   G/L Balance   Status   Difference"));
        p.setFont(regular);
        for (int i = page * kRowsPerPage; i < std::min(kRows, (page + 1) * kRowsPerPage); ++i) {
            const double y = 2920 + (i % kRowsPerPage) * 285;
            const Row& r = rows[static_cast<size_t>(i)];
            p.drawText(QPointF(864, y), r.number);
            p.drawText(QPointF(2448, y), r.name);
            p.drawText(QPointF(7200, y), r.amount);
            p.drawText(QPointF(8784, y), r.status);
            p.drawText(QPointF(10080, y), r.difference);
        }
        p.drawLine(QPointF(720, 14429), QPointF(11376, 14429));
        p.drawText(QPointF(720, 14600), QStringLiteral("03/15/2024 - 10:30:00 AM"));
        p.drawText(QPointF(10500, 14600), QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages));
    }
    return pages;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    DesktopSeams::substituteFonts();
    QTemporaryDir dir;
    const QString oursPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath(QStringLiteral("ours.pdf"));
    const QString basePath = dir.filePath(QStringLiteral("baseline.pdf"));

    const std::vector<Row> rows = makeRows();
    const ReportLayout layout = listingLayout();
    const auto records = listingRecords(rows);
    const QDateTime printedAt(QDate(2024, 3, 15), QTime(10, 30));

    int pages = 0;
    double layoutMs = 1e300; // the fastest of the runs, like the total
    const double ours = Bench::timeIt([&] {
        QElapsedTimer t;
        t.start();
        const ReportDocument doc = ReportPaginator::layOut(layout, records.get(), printedAt);
        layoutMs = std::min(layoutMs, t.nsecsElapsed() / 1e6);
        ReportPainter::writePdf(doc, oursPath);
        pages = doc.pageCount();
    });
    int basePages = 0;
    const double baseline = Bench::timeIt([&] { basePages = writeDirectly(rows, basePath); });

    if (pages < 250 || basePages != 250 || QFileInfo(oursPath).size() < 10000)
        return Bench::fail(QStringLiteral("report-layout: expected about 250 pages, laid out %1").arg(pages));
    Bench::print(QStringLiteral("report-layout"), ours, baseline, pages);
    std::printf("report-layout: %d pages in %.0f ms (%.0f pages/s; layout %.0f ms, PDF %.0f ms)\n", pages, ours,
                pages / (ours / 1000.0), layoutMs, ours - layoutMs);
    return 0;
}
