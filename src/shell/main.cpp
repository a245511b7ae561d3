#include "desktopseams.h"
#include "modmain.h"
#include "processtuning.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    ProcessTuning::keepLargeBuffers();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvantis"));
    QApplication::setApplicationName(QStringLiteral("Corvantis"));
    QApplication::setQuitOnLastWindowClosed(false); // the login window hides while the navigator opens
    DesktopSeams::install();
    DesktopSeams::substituteFonts();
    modMain::Main();
    return app.exec();
}
