#include "gridview.h"

#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

// Amount columns of the grids: a figure shows whole once its column was fitted; one that does not
// fit gives up leading digits, never its sign.
class tst_GridView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void amountsShowWhole_data();
    void amountsShowWhole();
};

void tst_GridView::amountsShowWhole_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("start"); // what the cut text starts with
    QTest::newRow("wide negative") << "(10,002,976.01)" << "(…";
    QTest::newRow("minus sign") << "-922,337,203,685,477.58" << "-…";
    QTest::newRow("positive") << "10,002,976.01" << "…";
}

void tst_GridView::amountsShowWhole()
{
    QFETCH(QString, amount);
    QFETCH(QString, start);
    QStandardItemModel model(2, 1);
    model.setData(model.index(0, 0), QStringLiteral("12.50"));
    model.setData(model.index(1, 0), amount);
    QTableView view;
    view.setModel(&model);
    GridView::alignAmounts(&view, 0);
    view.setColumnWidth(0, view.fontMetrics().horizontalAdvance(QStringLiteral("(0,000.00)")));
    // The cell's text area as the amount column paints it: a margin left, room for a ")" right.
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    const auto shown = [&] {
        const int area = view.columnWidth(0) - margin - GridView::amountRightMargin(&view, amount);
        return GridView::elideAmount(view.fontMetrics(), amount, area);
    };
    const QString cut = shown();
    QVERIFY2(cut.startsWith(start) && cut.endsWith(amount.right(4)), qPrintable(cut));
    GridView::fitAmounts(&view, 0);
    QCOMPARE(shown(), amount);
}

QTEST_MAIN(tst_GridView)
#include "tst_gridview.moc"
