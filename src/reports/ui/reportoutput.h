#pragma once

#include <memory>

class QPrinter;
class QWidget;
class GLSummaryReport;
class Report;
class ReportDocument;

// The two roads by which a laid-out report reaches the user, both through the PrintTarget seam.
namespace ReportOutput {

enum class Modality { Modal, Modeless };

// Shows the pages in the preview window (which offers its own printing). Modeless: returns at
// once and the window keeps the pages until it is closed.
void preview(std::shared_ptr<const ReportDocument> document, QWidget* parent, Modality modality);

// The print road: asks for a printer and pages, then prints them before returning, with no
// event processing in between. The window is disabled while this runs and a second call meanwhile
// does nothing. Returns false when the print dialog was cancelled (nothing is printed and
// nothing is said) or a print was already running. Raises when the printer fails.
bool print(const ReportDocument& document, QWidget* window);
bool isPrinting();

// A report laid out afresh and shown in the preview window; a modeless one keeps its own pages,
// so the report may go at once.
void show(const Report& report, QWidget* parent, Modality modality);
// The print road for a report: false when cancelled or already printing.
bool print(const Report& report, QWidget* window);
// The summary's preview window, modeless (several can be open, nothing keeps a reference), and
// only when its data was built completely.
void show(const GLSummaryReport& summary, QWidget* parent = nullptr);

// Sets up a printer for the document: US Letter, portrait, the whole sheet, the title as the
// job's name.
void preparePrinter(QPrinter& printer, const ReportDocument& document);
// Paints the pages the printer was asked for (all, or the range chosen in the print dialog).
void printPages(const ReportDocument& document, QPrinter& printer);

} // namespace ReportOutput
