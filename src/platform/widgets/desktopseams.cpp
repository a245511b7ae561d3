#include "desktopseams.h"

#include "appexit.h"
#include "filechooser.h"
#include "printtarget.h"
#include "prompter.h"
#include "shellopener.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFont>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace {

// Turns the original filter form "Name (*.ext)|*.ext" into the one Qt's dialogs read.
QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i];
    if (out.isEmpty())
        return filter;
    return out.join(QStringLiteral(";;"));
}

class MessageBoxPrompter final : public Prompter
{
public:
    Answer ask(const Message& m) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(m.title);
        box.setText(m.text);
        if (!m.details.isEmpty())
            box.setDetailedText(m.details);
        switch (m.icon) {
        case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
        case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
        case Icon::Question: box.setIcon(QMessageBox::Question); break;
        }
        switch (m.buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Yes: return Yes;
        case QMessageBox::No: return No;
        case QMessageBox::Cancel: return Cancel;
        default: return m.buttons == Buttons::YesNo ? No : Ok;
        }
    }
};

class DialogFileChooser final : public FileChooser
{
public:
    QString openFile(const QString& title, const QString& startPath, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, startPath, qtFilter(filter));
    }
    QString saveFile(const QString& title, const QString& startPath, const QString& filter) override
    {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, startPath, qtFilter(filter));
    }
};

class PrintDialogTarget final : public PrintTarget
{
public:
    bool choosePrinter(QPrinter& printer, QWidget* parent) override
    {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }
};

class DesktopShellOpener final : public ShellOpener
{
public:
    bool open(const QString& path) override { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
};

class ApplicationExit final : public AppExit
{
public:
    void exit(int code) override
    {
        // Like ending the original program: no further window shows, the loop stops.
        QApplication::setQuitOnLastWindowClosed(false);
        for (QWidget* w : QApplication::topLevelWidgets())
            w->hide();
        QCoreApplication::exit(code);
    }
};

} // namespace

void DesktopSeams::install()
{
    static MessageBoxPrompter prompter;
    static DialogFileChooser chooser;
    static PrintDialogTarget printTarget;
    static DesktopShellOpener opener;
    static ApplicationExit appExit;
    Prompter::install(&prompter);
    FileChooser::install(&chooser);
    PrintTarget::install(&printTarget);
    ShellOpener::install(&opener);
    AppExit::install(&appExit);
}

void DesktopSeams::substituteFonts()
{
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
}
