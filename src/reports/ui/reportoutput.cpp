#include "reportoutput.h"

#include "glsummaryreport.h"
#include "printtarget.h"
#include "report.h"
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

void ReportOutput::show(const Report& report, QWidget* parent, Modality modality)
{
    preview(report.layOut(), parent, modality);
}

void ReportOutput::show(const GLSummaryReport& summary, QWidget* parent)
{
    if (summary.isComplete())
        show(summary.report(), parent, Modality::Modeless);
}

bool ReportOutput::print(const Report& report, QWidget* window)
{
    if (isPrinting())
        return false;
    return print(*report.layOut(), window);
}

void ReportOutput::preparePrinter(QPrinter& printer, const ReportDocument& document)
{
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setDocName(document.title);
    printer.setCreator(QStringLiteral("Corvantis"));
}

void ReportOutput::printPages(const ReportDocument& document, QPrinter& printer)
{
    int first = 1;
    int last = document.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage();
        last = printer.toPage() > 0 ? printer.toPage() : last;
    }
    if (first > last)
        return; // a range beyond the report: nothing to print
    ReportPainter::paint(document, printer, first, last);
}

void ReportOutput::preview(std::shared_ptr<const ReportDocument> document, QWidget* parent, Modality modality)
{
    PrintTarget::Preview request;
    request.title = document->title;
    request.pageCount = document->pageCount();
    request.modal = modality == Modality::Modal;
    request.parent = parent;
    request.setUpPrinter = [document](QPrinter& printer) { preparePrinter(printer, *document); };
    request.paint = [document](QPrinter& printer) { printPages(*document, printer); };
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
    preparePrinter(printer, document);
    if (!PrintTarget::instance().choosePrinter(printer, window, document.pageCount()))
        return false;
    printPages(document, printer);
    return true;
}
