#pragma once

class QTableView;
class QWidget;

// What the system's data grids share: sizes given in twips (1/1440 inch) as the layouts give them,
// and one look for a grid of accounts.
namespace GridView {

int pixelsOfTwips(const QWidget* widget, int twips);
int twipsOfPixels(const QWidget* widget, int pixels);
void setColumnWidthTwips(QTableView* view, int column, int twips);
// Whole rows selected one at a time, no row numbers, rows as high as one line of text.
void setUp(QTableView* view);

} // namespace GridView
