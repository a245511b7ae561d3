// Renders the tutorial text to Tutorial/CorvantisHelp.pdf under the folder given as the second
// argument: maketutorial SOURCE.html PROGRAM_FOLDER.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: corvantis-maketutorial SOURCE.html PROGRAM_FOLDER\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "corvantis-maketutorial: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/Tutorial");
    QDir().mkpath(folder);
    QPdfWriter pdf(folder + QStringLiteral("/CorvantisHelp.pdf"));
    pdf.setTitle(QStringLiteral("Corvantis Tutorial"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                  QPageLayout::Millimeter));
    // The document keeps its own margin of 2 cm round the text and numbers the pages.
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(source.readAll()));
    doc.print(&pdf);
    return 0;
}
