#include "reportoutput.h"

#include "printtarget.h"
#include "reportdocument.h"
#include "reportpainter.h"

#include <QPointer>
#include <QPrinter>
#include <QWidget>

namespace {

bool g_printing = false;

// Disables a window for as long as it lives, then gives it back the state it had.
class DisabledWhile
{
public:
    explicit DisabledWhile(QWidget* window) : m_window(window)
    {
        if (m_window) {
            m_wasDisabled = m_window->testAttribute(Qt::WA_ForceDisabled);
            m_window->setEnabled(false);
        }
    }
    ~DisabledWhile()
    {
        if (m_window && !m_wasDisabled)
            m_window->setEnabled(true);
    }
    DisabledWhile(const DisabledWhile&) = delete;
    DisabledWhile& operator=(const DisabledWhile&) = delete;

private:
    QPointer<QWidget> m_window;
    bool m_wasDisabled = false;
};

class PrintingFlag
{
public:
    PrintingFlag() { g_printing = true; }
    ~PrintingFlag() { g_printing = false; }
    PrintingFlag(const PrintingFlag&) = delete;
    PrintingFlag& operator=(const PrintingFlag&) = delete;
};

} // namespace

void ReportOutput::preview(std::shared_ptr<const ReportDocument> document, QWidget* parent, Modality modality)
{
    PrintTarget::Preview request;
    request.title = document->title;
    request.pageCount = document->pageCount();
    request.modal = modality == Modality::Modal;
    request.parent = parent;
    request.setUpPrinter = [document](QPrinter& printer) { ReportPainter::preparePrinter(printer, *document); };
    request.paint = [document](QPrinter& printer) { ReportPainter::print(*document, printer); };
    PrintTarget::instance().preview(request);
}

bool ReportOutput::isPrinting()
{
    return g_printing;
}

bool ReportOutput::print(const ReportDocument& document, QWidget* window)
{
    if (g_printing)
        return false;
    PrintingFlag flag;
    DisabledWhile disabled(window);
    QPrinter printer(QPrinter::HighResolution);
    ReportPainter::preparePrinter(printer, document);
    if (!PrintTarget::instance().choosePrinter(printer, window, document.pageCount()))
        return false;
    ReportPainter::print(document, printer);
    return true;
}
