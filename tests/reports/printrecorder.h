#pragma once

#include "printtarget.h"

#include <QList>
#include <QPointer>
#include <QPrinter>
#include <QStringList>
#include <QWidget>
#include <functional>

// Answers the print dialog from a script (a PDF path prints to that file, "" cancels) and keeps
// the previews instead of showing them.
class PrintRecorder final : public PrintTarget
{
public:
    PrintRecorder() { PrintTarget::install(this); }
    ~PrintRecorder() override { PrintTarget::install(nullptr); }
    PrintRecorder(const PrintRecorder&) = delete;
    PrintRecorder& operator=(const PrintRecorder&) = delete;

    bool choosePrinter(QPrinter& printer, QWidget* parent, int pageCount) override
    {
        ++asked;
        askedPageCounts << pageCount;
        parentEnabled << (parent ? parent->isEnabled() : true);
        if (whileAsking)
            whileAsking();
        const QString path = answers.isEmpty() ? QString() : answers.takeFirst();
        if (path.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        if (fromPage > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(fromPage, toPage);
        }
        return true;
    }

    void preview(const Preview& request) override { previews << request; }

    QStringList answers;      // PDF paths in turn; "" or none left is a cancel
    int fromPage = 0;         // a page range chosen in the dialog, when set
    int toPage = 0;
    std::function<void()> whileAsking; // runs while the dialog is "open" (a second click)
    int asked = 0;
    QList<int> askedPageCounts;
    QList<bool> parentEnabled;
    QList<Preview> previews;
};
