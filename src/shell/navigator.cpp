#include "navigator.h"

#include "appexit.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QStatusBar>

Navigator::Navigator(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Navigator"));
    setWindowTitle(QStringLiteral("Corvantis"));
    auto* welcome = new QLabel(QStringLiteral("Corvantis"), this);
    welcome->setAlignment(Qt::AlignCenter);
    setCentralWidget(welcome);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    resize(900, 640);
}

void Navigator::showConnected(const QString& path)
{
    statusBar()->showMessage(QStringLiteral("Connected: ") + QDir::toNativeSeparators(path));
    show();
    raise();
    activateWindow();
}

QString Navigator::statusText() const
{
    return statusBar()->currentMessage();
}

void Navigator::closeEvent(QCloseEvent* event)
{
    event->accept();
    AppExit::end();
}
