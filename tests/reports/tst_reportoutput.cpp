#include "apperror.h"
#include "desktopseams.h"
#include "printrecorder.h"
#include "recorders.h"
#include "report.h"
#include "reportdocument.h"
#include "reportoutput.h"
#include "reportpainter.h"
#include "samplelayouts.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QScopeGuard>
#include <QTest>
#include <QWidget>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Pages of a PDF as its page objects declare them.
int pdfPages(const QByteArray& pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return static_cast<int>(QString::fromLatin1(pdf).count(page));
}

// The PDF's text laid out as printed, when the tool to read it is installed.
QString pdfText(const QString& path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

Report listingReport(int rows)
{
    Report report(SampleLayouts::listing());
    report.setCaption(QStringLiteral("PageHeader"), QStringLiteral("lblCompanyName"), QStringLiteral("Northwind Traders"));
    report.setDataSource(SampleLayouts::listingRecords(rows));
    return report;
}

} // namespace

class tst_ReportOutput : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void printsToPdfThroughThePrintDialog();
    void printsThePagesChosen();
    void cancelledPrintPrintsNothingAndSaysNothing();
    void windowIsDisabledWhilePrintingAndNoSecondPrintStarts();
    void unwritablePrinterRaisesAndGivesTheWindowBack();
    void previewGoesThroughTheSeam_data();
    void previewGoesThroughTheSeam();
    void writesPdfFiles();
    void desktopPreviewIsModelessAndGoesWhenClosed();
};

void tst_ReportOutput::initTestCase()
{
    DesktopSeams::substituteFonts();
}

void tst_ReportOutput::printsToPdfThroughThePrintDialog()
{
    TestSeams seams;
    PrintRecorder printer;
    const QString path = seams.path(QStringLiteral("listing.pdf"));
    printer.answers << path;
    const Report report = listingReport(100); // 40 rows a page: 3 pages
    QVERIFY(ReportOutput::print(report, nullptr));
    QCOMPARE(printer.asked, 1);
    QCOMPARE(printer.askedPageCounts, QList<int>{3});
    const QByteArray pdf = readAll(path);
    QVERIFY(pdf.startsWith("%PDF"));
    QCOMPARE(pdfPages(pdf), 3);
    QVERIFY(seams.prompter.messages.isEmpty());

    const QString text = pdfText(path);
    if (text.isEmpty())
        QSKIP("pdftotext is not installed: the PDF's text is not checked");
    QVERIFY(text.contains(QStringLiteral("Northwind Traders")));
    QVERIFY(text.contains(QStringLiteral("Page 3 of 3")));
    QVERIFY(text.contains(QStringLiteral("03/15/2024 - 10:30:00 AM")));
    const QRegularExpression row(QStringLiteral("1099 +Account 1099 +99\\.00 +Reviewed +-"));
    QVERIFY2(text.contains(row), qPrintable(text.left(2000)));
}

void tst_ReportOutput::printsThePagesChosen()
{
    TestSeams seams;
    PrintRecorder printer;
    const QString path = seams.path(QStringLiteral("range.pdf"));
    printer.answers << path;
    printer.fromPage = 2;
    printer.toPage = 3;
    QVERIFY(ReportOutput::print(listingReport(100), nullptr));
    QCOMPARE(pdfPages(readAll(path)), 2);
    const QString text = pdfText(path);
    if (!text.isEmpty()) {
        QVERIFY(!text.contains(QStringLiteral("Page 1 of 3")));
        QVERIFY(text.contains(QStringLiteral("Page 2 of 3")));
    }
}

void tst_ReportOutput::cancelledPrintPrintsNothingAndSaysNothing()
{
    TestSeams seams;
    PrintRecorder printer; // no answer: the dialog is cancelled
    QWidget window;
    QVERIFY(!ReportOutput::print(listingReport(5), &window));
    QCOMPARE(printer.asked, 1);
    QVERIFY(seams.prompter.messages.isEmpty());
    QVERIFY(QDir(seams.folder()).entryList({QStringLiteral("*.pdf")}).isEmpty());
    QVERIFY(window.isEnabled());
    QVERIFY(!ReportOutput::isPrinting());
}

void tst_ReportOutput::windowIsDisabledWhilePrintingAndNoSecondPrintStarts()
{
    TestSeams seams;
    PrintRecorder printer;
    QWidget window;
    const Report report = listingReport(5);
    bool secondStarted = true;
    printer.whileAsking = [&] {
        QVERIFY(ReportOutput::isPrinting());
        secondStarted = ReportOutput::print(report, &window); // a second click while the first runs
    };
    printer.answers << seams.path(QStringLiteral("once.pdf"));
    QVERIFY(ReportOutput::print(report, &window));
    QCOMPARE(printer.asked, 1); // the second click asked nothing
    QVERIFY(!secondStarted);
    QCOMPARE(printer.parentEnabled, QList<bool>{false});
    QVERIFY(window.isEnabled());
    QVERIFY(!ReportOutput::isPrinting());

    // A window that was disabled before stays disabled.
    window.setEnabled(false);
    printer.answers << QString();
    QVERIFY(!ReportOutput::print(report, &window));
    QVERIFY(!window.isEnabled());
}

void tst_ReportOutput::unwritablePrinterRaisesAndGivesTheWindowBack()
{
    TestSeams seams;
    PrintRecorder printer;
    QWidget window;
    printer.answers << seams.path(QStringLiteral("no/such/folder/out.pdf"));
    QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
    QVERIFY_THROWS_EXCEPTION(AppError, ReportOutput::print(listingReport(5), &window));
    QVERIFY(window.isEnabled());
    QVERIFY(!ReportOutput::isPrinting());
    // The next print works.
    printer.answers << seams.path(QStringLiteral("after.pdf"));
    QVERIFY(ReportOutput::print(listingReport(5), &window));
    QVERIFY(QFile::exists(seams.path(QStringLiteral("after.pdf"))));
}

void tst_ReportOutput::previewGoesThroughTheSeam_data()
{
    QTest::addColumn<bool>("modal");
    QTest::newRow("modal") << true;
    QTest::newRow("modeless") << false;
}

void tst_ReportOutput::previewGoesThroughTheSeam()
{
    QFETCH(bool, modal);
    TestSeams seams;
    PrintRecorder printer;
    QWidget window;
    {
        const Report report = listingReport(100);
        ReportOutput::show(report, &window, modal ? ReportOutput::Modality::Modal : ReportOutput::Modality::Modeless);
    } // the report is gone; the preview keeps its pages
    QCOMPARE(printer.previews.size(), 1);
    const PrintTarget::Preview& preview = printer.previews.first();
    QCOMPARE(preview.title, QStringLiteral("Account Listing"));
    QCOMPARE(preview.modal, modal);
    QCOMPARE(preview.parent, &window);
    QCOMPARE(preview.pageCount, 3);
    QCOMPARE(printer.asked, 0); // previewing prints nothing

    // What the preview window paints is the report's pages.
    QPrinter pdf(QPrinter::HighResolution);
    preview.setUpPrinter(pdf);
    QCOMPARE(pdf.pageLayout().pageSize().id(), QPageSize::Letter);
    QCOMPARE(pdf.docName(), QStringLiteral("Account Listing"));
    pdf.setOutputFormat(QPrinter::PdfFormat);
    const QString path = seams.path(QStringLiteral("preview.pdf"));
    pdf.setOutputFileName(path);
    preview.paint(pdf);
    QCOMPARE(pdfPages(readAll(path)), 3);
}

void tst_ReportOutput::writesPdfFiles()
{
    TestSeams seams;
    const auto doc = listingReport(50).layOut();
    const QString path = seams.path(QStringLiteral("direct.pdf"));
    ReportPainter::writePdf(*doc, path);
    QCOMPARE(pdfPages(readAll(path)), doc->pageCount());
    QVERIFY_THROWS_EXCEPTION(AppError, ReportPainter::writePdf(*doc, seams.path(QStringLiteral("missing/x.pdf"))));
}

void tst_ReportOutput::desktopPreviewIsModelessAndGoesWhenClosed()
{
    DesktopSeams::install(); // the real preview window; the other seams are the recorders below
    TestSeams seams;
    const auto restore = qScopeGuard([] { PrintTarget::install(nullptr); });
    {
        const Report report = listingReport(100);
        ReportOutput::show(report, nullptr, ReportOutput::Modality::Modeless); // returns at once
    }
    QPrintPreviewDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QPrintPreviewDialog*>(w); d && d->isVisible())
            dialog = d;
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Account Listing"));
    QVERIFY(!dialog->isModal());
    QCOMPARE(dialog->printer()->pageLayout().pageSize().id(), QPageSize::Letter);
    auto* view = dialog->findChild<QPrintPreviewWidget*>();
    QVERIFY(view);
    QTRY_COMPARE(view->pageCount(), 3);
    QPointer<QPrintPreviewDialog> alive(dialog);
    dialog->close();
    QTRY_VERIFY(alive.isNull()); // the window unloads itself
    QVERIFY(seams.prompter.messages.isEmpty());
}

QTEST_MAIN(tst_ReportOutput)
#include "tst_reportoutput.moc"
