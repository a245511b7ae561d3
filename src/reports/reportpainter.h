#pragma once

class QPagedPaintDevice;
class QPainter;
class QString;
class ReportDocument;
struct ReportPage;

// Paints laid-out pages. The painter works in twips from the paper's corner, so the same pages
// look the same in the preview, on a printer and in a PDF.
namespace ReportPainter {

// Paints one page with a painter already scaled to twips.
void paintPage(QPainter& painter, const ReportPage& page);

// Paints pages first..last (from 1) on a device whose page is the whole sheet of paper (no
// margins of its own: the layout's margins are in the items). Raises when the device cannot
// be painted (a PDF that cannot be written, a printer that failed).
void paint(const ReportDocument& document, QPagedPaintDevice& device, int first, int last);

// Writes every page to a PDF file; a failure leaves no half-written file.
void writePdf(const ReportDocument& document, const QString& path);

} // namespace ReportPainter
