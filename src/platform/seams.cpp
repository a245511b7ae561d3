#include "appexit.h"
#include "clock.h"
#include "filechooser.h"
#include "printtarget.h"
#include "seam.h"
#include "shellopener.h"

#include <QCoreApplication>
#include <QDebug>

// Fallbacks for a process that installed nothing (the build tools): they never wait for a person.
namespace {

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class NoFileChooser final : public FileChooser
{
public:
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
};

class QuitAppExit final : public AppExit
{
public:
    void exit(int code) override { QCoreApplication::exit(code); }
};

class NoShellOpener final : public ShellOpener
{
public:
    bool open(const QString& path) override
    {
        qWarning().noquote() << "cannot open" << path;
        return false;
    }
};

class NoPrintTarget final : public PrintTarget
{
public:
    bool choosePrinter(QPrinter&, QWidget*, int) override { return false; }
    void preview(const Preview&) override {}
};

} // namespace

Clock& Clock::instance()
{
    static SystemClock fallback;
    return SeamSlot<Clock>::get(fallback);
}
void Clock::install(Clock* clock) { SeamSlot<Clock>::install(clock); }

FileChooser& FileChooser::instance()
{
    static NoFileChooser fallback;
    return SeamSlot<FileChooser>::get(fallback);
}
void FileChooser::install(FileChooser* chooser) { SeamSlot<FileChooser>::install(chooser); }

AppExit& AppExit::instance()
{
    static QuitAppExit fallback;
    return SeamSlot<AppExit>::get(fallback);
}
void AppExit::install(AppExit* appExit) { SeamSlot<AppExit>::install(appExit); }

ShellOpener& ShellOpener::instance()
{
    static NoShellOpener fallback;
    return SeamSlot<ShellOpener>::get(fallback);
}
void ShellOpener::install(ShellOpener* opener) { SeamSlot<ShellOpener>::install(opener); }

PrintTarget& PrintTarget::instance()
{
    static NoPrintTarget fallback;
    return SeamSlot<PrintTarget>::get(fallback);
}
void PrintTarget::install(PrintTarget* target) { SeamSlot<PrintTarget>::install(target); }
