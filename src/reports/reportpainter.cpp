#include "reportpainter.h"

#include "reportdocument.h"
#include "reporterror.h"
#include "reportfonts.h"
#include "wholefile.h"

#include <QBuffer>
#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <vector>

namespace {

// A thin rule, as the layouts' lines and frames print (about half a point).
constexpr double kPenWidth = 10;

} // namespace

void ReportPainter::paintPage(QPainter& painter, const ReportPage& page)
{
    QPen pen(Qt::black, kPenWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    std::vector<const ReportFont*> fonts;
    for (const PageItem& item : page.items) {
        switch (item.kind) {
        case PageItem::Kind::Text:
            if (std::none_of(fonts.begin(), fonts.end(), [&](const ReportFont* f) { return *f == item.font; }))
                fonts.push_back(&item.font);
            break;
        case PageItem::Kind::Line:
            painter.drawLine(QPointF(item.left, item.top), QPointF(item.right(), item.bottom()));
            break;
        case PageItem::Kind::Frame:
            painter.drawRect(QRectF(item.left, item.top, item.width, item.height));
            break;
        }
    }
    // Text font by font: switching fonts is what costs most in a PDF.
    for (const ReportFont* font : fonts) {
        painter.setFont(ReportFonts::cachedFont(*font));
        const double ascent = ReportFonts::ascent(*font);
        for (const PageItem& item : page.items)
            if (item.kind == PageItem::Kind::Text && !item.text.isEmpty() && item.font == *font)
                // Drawn at the measured start, so a right-aligned text keeps its trailing blank.
                painter.drawText(QPointF(item.textLeft, item.top + ascent), item.text);
    }
}

void ReportPainter::paint(const ReportDocument& document, QPagedPaintDevice& device, int first, int last)
{
    first = std::max(first, 1);
    last = std::min(last, document.pageCount());
    QPainter painter;
    if (!painter.begin(&device))
        throw reportError(QStringLiteral("Report.print"),
                          QStringLiteral("The report \"%1\" could not be printed: the printer or file could not be "
                                         "opened.")
                              .arg(document.title));
    const double scale = device.logicalDpiX() / 1440.0;
    const double scaleY = device.logicalDpiY() / 1440.0;
    for (int n = first; n <= last; ++n) {
        if (n > first && !device.newPage()) {
            painter.end();
            throw reportError(QStringLiteral("Report.print"),
                              QStringLiteral("The report \"%1\" could not be printed: page %2 failed.")
                                  .arg(document.title)
                                  .arg(n));
        }
        painter.resetTransform();
        painter.scale(scale, scaleY);
        paintPage(painter, document.pages[n - 1]);
    }
    if (!painter.end())
        throw reportError(QStringLiteral("Report.print"),
                          QStringLiteral("The report \"%1\" could not be printed.").arg(document.title));
}

void ReportPainter::writePdf(const ReportDocument& document, const QString& path)
{
    // Painted in memory and written whole, so a failed write leaves no cut-off file.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(1200);
        writer.setTitle(document.title);
        writer.setCreator(QStringLiteral("Corvantis"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
        paint(document, writer, 1, document.pageCount());
    }
    const QString reason = writeWholeFile(path, pdf.data());
    if (!reason.isEmpty())
        throw reportError(QStringLiteral("Report.writePdf"),
                          QStringLiteral("The file \"%1\" could not be written (%2).")
                              .arg(QDir::toNativeSeparators(path), reason));
}
