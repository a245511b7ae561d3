#include "arcurrency.h"
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
    void widestAmountsFitTheColumn_data();
    void widestAmountsFitTheColumn();
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
    GridView::fitAmounts(&view, 0, {amount});
    QCOMPARE(shown(), amount);
}

// A column fitted to the two widest amounts of a list is as wide as one fitted to every amount.
void tst_GridView::widestAmountsFitTheColumn_data()
{
    QTest::addColumn<QList<qint64>>("units");
    QTest::newRow("more digits win") << QList<qint64>{-9990000, 1000000000, 12345};
    QTest::newRow("parentheses win") << QList<qint64>{-1234500, 9999900, 0};
    QTest::newRow("narrow digits of the greatest") << QList<qint64>{1999999900, 9111111100, 5555555500};
    QTest::newRow("narrow digits of the least") << QList<qint64>{-1999999900, -9111111100, 7};
    QTest::newRow("a tiny negative shows 0.00") << QList<qint64>{-40, 0, 10};
    QTest::newRow("extremes of the type")
        << QList<qint64>{std::numeric_limits<qint64>::max(), -std::numeric_limits<qint64>::max()};
}

void tst_GridView::widestAmountsFitTheColumn()
{
    QFETCH(QList<qint64>, units);
    QTableView view;
    const auto fitted = [&](const QStringList& texts) {
        view.setColumnWidth(0, 1);
        GridView::fitAmounts(&view, 0, texts);
        return view.columnWidth(0);
    };
    QStringList all;
    for (const qint64 u : units)
        all << ARCurrency::display(u);
    const auto [least, greatest] = std::minmax_element(units.cbegin(), units.cend());
    QCOMPARE(fitted(ARCurrency::widestDisplays(*least, *greatest)), fitted(all));
}

QTEST_MAIN(tst_GridView)
#include "tst_gridview.moc"
