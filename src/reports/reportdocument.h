#pragma once

#include "reportlayout.h"

#include <QList>
#include <QString>
#include <QStringList>

// One thing printed on a page, in twips from the paper's top-left corner. A text item is one
// line of text; a growing box gives one item per line.
struct PageItem
{
    enum class Kind { Text, Line, Frame };

    Kind kind = Kind::Text;
    int left = 0; // the box: for a line, its start point and extent
    int top = 0;
    int width = 0;
    int height = 0;
    QString text;
    ReportFont font;
    ReportAlign align = ReportAlign::Left;
    double textLeft = 0;  // where the text starts after alignment
    double textWidth = 0; // the text's advance, trailing blanks included
    QString section;      // the section and control it came from
    QString control;
    bool fromLabel = false; // a label's caption: the page tokens apply

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    double textRight() const { return textLeft + textWidth; }
};

struct ReportPage
{
    int number = 0; // from 1
    QList<PageItem> items;

    // The items a control printed on this page, in order.
    QList<PageItem> itemsOf(const QString& control) const;
    // The text of a control on this page, its lines joined with "\n"; "" when it printed nothing.
    QString textOf(const QString& control) const;
    // The page as plain text: items by their top, then left; one line per run of items that
    // share a top, separated by " | ".
    QStringList lines() const;
};

// The pages of a report laid out for printing.
class ReportDocument
{
public:
    QString title;
    int pageWidth = ReportLayout::LetterWidth;
    int pageHeight = ReportLayout::LetterHeight;
    QList<ReportPage> pages;

    int pageCount() const { return static_cast<int>(pages.size()); }
    // Every item of every page, one line each, for tests and for looking at a layout's result.
    QString dump() const;
};
