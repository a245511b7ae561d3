#include "gridview.h"

#include <QHeaderView>
#include <QTableView>

namespace GridView {

int pixelsOfTwips(const QWidget* widget, int twips)
{
    return twips * widget->logicalDpiX() / 1440;
}

int twipsOfPixels(const QWidget* widget, int pixels)
{
    return qRound(pixels * 1440.0 / widget->logicalDpiX());
}

void setColumnWidthTwips(QTableView* view, int column, int twips)
{
    view->setColumnWidth(column, pixelsOfTwips(view, twips));
}

void setUp(QTableView* view)
{
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    view->setWordWrap(false);
}

} // namespace GridView
