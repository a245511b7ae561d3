#pragma once

#include <memory>

class QWidget;
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

} // namespace ReportOutput
