#pragma once

class QPrinter;
class QWidget;

// The print dialog: lets the user choose a printer (false when cancelled). Tests answer with a
// printer that writes a PDF.
class PrintTarget
{
public:
    virtual ~PrintTarget() = default;
    virtual bool choosePrinter(QPrinter& printer, QWidget* parent) = 0;

    static PrintTarget& instance();
    static void install(PrintTarget* target);
};
