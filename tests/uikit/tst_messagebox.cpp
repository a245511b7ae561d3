#include "desktopseams.h"
#include "prompter.h"
#include "recorders.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

// The real message box lays out a text once: a text with its own line breaks keeps those lines.
class tst_MessageBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ownLinesAreKept_data()
    {
        QTest::addColumn<QString>("text");
        const QString line = "WARNING: Changing this setting may cause some of the information to become unusable.";
        QTest::newRow("CR LF") << line + "\r\n" + line + "\r\n\r\nAre you sure you want to change it now?";
        QTest::newRow("LF") << line + "\n" + line + " Really?";
    }
    void ownLinesAreKept()
    {
        QFETCH(QString, text);
        TestSeams seams;
        DesktopSeams::install();
        QLabel shown; // the box's label as it was laid out
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
            shown.setFont(label->font());
            shown.setFixedWidth(label->contentsRect().width());
            box->accept();
        });
        Prompter::show("Corvantis", text, Prompter::Buttons::YesNo, Prompter::Icon::Warning);
        for (const QString& line : QString(text).replace("\r\n", "\n").split('\n'))
            QVERIFY2(shown.fontMetrics().horizontalAdvance(line) <= shown.width(), qPrintable(line));
    }
};

QTEST_MAIN(tst_MessageBox)
#include "tst_messagebox.moc"
