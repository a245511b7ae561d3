#include "desktopseams.h"
#include "prompter.h"
#include "recorders.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

// The real message box lays out a text once: a text with its own line breaks keeps exactly those
// lines, and no box grows past the screen.
class tst_MessageBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layoutOfText_data();
    void layoutOfText();
};

namespace {

struct Seen
{
    int labelWidth = 0;
    int labelHeight = 0;
    int boxWidth = 0;
    QFont font;
};

// Shows the text in the real box and reads its layout once it is on screen.
Seen showAndMeasure(const QString& text)
{
    Seen seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            qFatal("no message box");
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        seen = {label->contentsRect().width(), label->height(), box->width(), label->font()};
        box->accept();
    });
    Prompter::show(QStringLiteral("Corvantis"), text, Prompter::Buttons::YesNo, Prompter::Icon::Warning);
    return seen;
}

} // namespace

void tst_MessageBox::layoutOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ownLines"); // laid out in exactly the text's own lines
    const QString line = QStringLiteral("WARNING: Changing this setting may cause some of the information to become "
                                        "unusable.");
    QTest::newRow("lines of about eighty characters, CR LF")
        << line + "\r\n" + line + "\r\n\r\nAre you sure you want to change it now?" << true;
    QTest::newRow("lines of about eighty characters, LF") << line + "\n" + line + " Really?" << true;
    QTest::newRow("one paragraph") << QString(line + ' ').repeated(6) << false;
    QTest::newRow("paragraphs") << QString(line + ' ').repeated(3) + "\n\n" + QString(line + ' ').repeated(2) << false;
    QTest::newRow("a line wider than the screen") << QString(line + ' ').repeated(40) + "\nEnd." << false;
}

void tst_MessageBox::layoutOfText()
{
    QFETCH(QString, text);
    QFETCH(bool, ownLines);
    TestSeams seams;
    DesktopSeams::install();
    const Seen seen = showAndMeasure(text);
    const QFontMetrics metrics(seen.font);
    const QStringList lines = QString(text).replace("\r\n", "\n").split('\n');
    if (ownLines) {
        for (const QString& l : lines)
            QVERIFY2(metrics.horizontalAdvance(l) <= seen.labelWidth,
                     qPrintable(QStringLiteral("%1 px in %2: %3").arg(metrics.horizontalAdvance(l)).arg(seen.labelWidth).arg(l)));
        QVERIFY(seen.labelHeight < (lines.size() + 1) * metrics.lineSpacing());
    }
    QVERIFY(seen.boxWidth <= QApplication::primaryScreen()->availableGeometry().width());
}

QTEST_MAIN(tst_MessageBox)
#include "tst_messagebox.moc"
