#pragma once

#include <QString>
#include <functional>

class QPrinter;
class QWidget;

// The print dialog and the preview window of the reports. Tests answer the print dialog with a
// printer that writes a PDF (or a cancel) and take the previews without showing a window.
class PrintTarget
{
public:
    // A laid-out report ready to be shown.
    struct Preview
    {
        QString title; // the window caption
        int pageCount = 0;
        // Modal: returns when the window is closed. Modeless: returns at once; the window stays
        // usable beside the others and goes away when it is closed.
        bool modal = true;
        QWidget* parent = nullptr;
        std::function<void(QPrinter&)> setUpPrinter; // paper and job name, before any painting
        std::function<void(QPrinter&)> paint;        // paints the pages the printer was asked for
    };

    virtual ~PrintTarget() = default;
    // Lets the user choose a printer and the pages to print (false when cancelled).
    virtual bool choosePrinter(QPrinter& printer, QWidget* parent, int pageCount) = 0;
    virtual void preview(const Preview& preview) = 0;

    static PrintTarget& instance();
    static void install(PrintTarget* target);
};
