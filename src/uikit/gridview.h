#pragma once

#include <QStringList>

class ARCurrency;
class CellEditDelegate;
class QFontMetrics;
class QTableView;
class QTreeView;
class QWidget;

// What the system's data grids share: sizes given in twips (1/1440 inch) as the layouts give them,
// and one look for a grid of accounts.
namespace GridView {

int pixelsOfTwips(const QWidget* widget, int twips);
int twipsOfPixels(const QWidget* widget, int pixels);
void setColumnWidthTwips(QTableView* view, int column, int twips);
// Widens a column, when needed, so that a text like `sample` shows whole.
void fitText(QTableView* view, int column, const QString& sample);
// Whole rows selected one at a time, no row numbers, rows as high as one line of text.
void setUp(QTableView* view);

// Right-aligned amounts line up on the decimal point: an amount without a closing parenthesis
// leaves room for one, so "1,234.56" sits over "(1,234.56)". The column's delegate is returned, for
// committing an amount being typed.
CellEditDelegate* alignAmounts(QTableView* view, int column);
// The room left after an amount's text in a cell (the cell's margin, and a ")" for a positive).
int amountRightMargin(const QWidget* widget, const QString& text);
// Widens an amount column, when needed, so that its widest amounts (as the texts given, for
// instance ARCurrency::widestDisplays), and with them every other, show whole.
void fitAmounts(QTableView* view, int column, const QStringList& widest);
// The same for an amount column of a list, from the amounts it shows.
void fitAmounts(QTreeView* view, int column, const QList<ARCurrency>& amounts);
// The width an amount column needs for its widest amounts to show whole.
int amountColumnWidth(const QWidget* view, const QStringList& widest);
// An amount as it fits `width`: whole when it can, else its leading digits give way to "…" and
// its sign stays, so "(10,002,976.01)" never reads as a positive "10,002,976.01)".
QString elideAmount(const QFontMetrics& metrics, const QString& text, int width);

} // namespace GridView
