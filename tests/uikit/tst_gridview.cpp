#include "gridview.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

// Amount columns of the grids: a figure shows whole once its column was fitted, and one that
// does not fit gives up leading digits, never its sign.
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
    QTest::addColumn<QString>("sign"); // what the cut text starts with
    QTest::newRow("wide negative") << "(10,002,976.01)" << "(";
    QTest::newRow("widest negative") << "(922,337,203,685,477.58)" << "(";
    QTest::newRow("minus sign") << "-10,002,976.01" << "-";
    QTest::newRow("positive") << "10,002,976.01" << "…";
}

void tst_GridView::amountsShowWhole()
{
    QFETCH(QString, amount);
    QFETCH(QString, sign);
    QStandardItemModel model(2, 1);
    model.setData(model.index(0, 0), QStringLiteral("12.50"));
    model.setData(model.index(1, 0), amount);
    QTableView view;
    view.setModel(&model);
    GridView::alignAmounts(&view, 0);
    view.setColumnWidth(0, view.fontMetrics().horizontalAdvance(QStringLiteral("(0,000.00)")));
    const QFontMetrics metrics = view.fontMetrics();
    // The cell's text area, as the amount column paints it: its margin at the left, room for a
    // ")" at the right.
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    const auto shown = [&] {
        const int area = view.columnWidth(0) - margin - GridView::amountRightMargin(&view, amount);
        return GridView::elideAmount(metrics, amount, area);
    };
    // Too narrow: the leading digits give way, the sign and the cents stay.
    const QString cut = shown();
    QVERIFY(cut != amount);
    QVERIFY2(cut.startsWith(sign), qPrintable(cut));
    QVERIFY(cut.contains(QStringLiteral("…")));
    QCOMPARE(cut.right(4), amount.right(4));
    QVERIFY(metrics.horizontalAdvance(cut) <= view.columnWidth(0));
    // Fitted to what it shows: whole.
    GridView::fitAmounts(&view, 0);
    QCOMPARE(shown(), amount);
}

QTEST_MAIN(tst_GridView)
#include "tst_gridview.moc"
