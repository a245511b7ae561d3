#include "gridview.h"

#include "arcurrency.h"
#include "celleditdelegate.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>
#include <QTreeView>

#include <algorithm>

namespace {

int cellMargin(const QWidget* widget)
{
    const QStyle* style = widget ? widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}

// Paints a cell's background as usual and its amount right-aligned, with room for the ")"; an
// amount typed into the cell is committed as any other cell's.
class AmountDelegate final : public CellEditDelegate
{
public:
    using CellEditDelegate::CellEditDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const QRect area =
            opt.rect.adjusted(cellMargin(widget), 0, -GridView::amountRightMargin(widget, text), 0);
        const QPalette::ColorGroup group =
            opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(
            group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(area, int(Qt::AlignRight | Qt::AlignVCenter),
                          GridView::elideAmount(painter->fontMetrics(), text, area.width()));
        painter->restore();
    }
};

} // namespace

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

void fitText(QTableView* view, int column, const QString& sample)
{
    const int needed = view->fontMetrics().horizontalAdvance(sample) + 4 * cellMargin(view);
    view->setColumnWidth(column, std::max(view->columnWidth(column), needed));
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

int amountRightMargin(const QWidget* widget, const QString& text)
{
    const int margin = cellMargin(widget);
    if (text.isEmpty() || text.endsWith(QLatin1Char(')')))
        return margin;
    return margin + (widget ? widget->fontMetrics() : QFontMetrics(QApplication::font()))
                        .horizontalAdvance(QLatin1Char(')'));
}

int amountColumnWidth(const QWidget* view, const QStringList& widest)
{
    int needed = 0;
    for (const QString& text : widest)
        needed = std::max(needed, view->fontMetrics().horizontalAdvance(text) + amountRightMargin(view, text));
    return needed + 3 * cellMargin(view);
}

void fitAmounts(QTableView* view, int column, const QStringList& widest)
{
    view->setColumnWidth(column, std::max(view->columnWidth(column), amountColumnWidth(view, widest)));
}

void fitAmounts(QTreeView* view, int column, const QList<ARCurrency>& amounts)
{
    if (amounts.isEmpty())
        return;
    const auto [least, greatest] = std::minmax_element(
        amounts.cbegin(), amounts.cend(), [](const ARCurrency& a, const ARCurrency& b) { return a.units() < b.units(); });
    const QStringList widest = ARCurrency::widestLocaleDisplays(least->units(), greatest->units());
    view->setColumnWidth(column, std::max(view->columnWidth(column), amountColumnWidth(view, widest)));
}

QString elideAmount(const QFontMetrics& metrics, const QString& text, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const qsizetype signs = text.startsWith(QLatin1Char('(')) || text.startsWith(QLatin1Char('-')) ? 1 : 0;
    const QString sign = text.left(signs);
    return sign + metrics.elidedText(text.mid(signs), Qt::ElideLeft, width - metrics.horizontalAdvance(sign));
}

CellEditDelegate* alignAmounts(QTableView* view, int column)
{
    auto* delegate = new AmountDelegate(view);
    view->setItemDelegateForColumn(column, delegate);
    return delegate;
}

} // namespace GridView
