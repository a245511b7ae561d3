#include "desktopseams.h"

#include "apperror.h"
#include "appexit.h"
#include "filechooser.h"
#include "printtarget.h"
#include "prompter.h"
#include "shellopener.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QStyle>
#include <QAbstractFileIconProvider>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QUrl>
#include <algorithm>

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

// A text that brings its own line breaks (the system's warnings are laid out at about eighty
// characters) is shown with exactly those lines: the box would otherwise wrap each line a second
// time at its own, narrower width, leaving a word or two alone on a line mid-sentence. The label
// is made as wide as the longest line when the box has room for it; a text whose lines are wider
// than that (paragraphs with blank lines between them) is wrapped by the box like any paragraph.
void keepOwnLineBreaks(QMessageBox& box, const QString& text)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    if (!label || !screen || !text.contains(QLatin1Char('\n')))
        return;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    // A little slack, as the label's layout rounds each line's width up.
    widest += metrics.averageCharWidth();
    // The widest box the message box allows itself on this screen, less its icon and margins.
    const int screenWidth = screen->availableGeometry().width();
    const int boxLimit = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
    if (widest <= boxLimit - 150)
        label->setMinimumWidth(widest);
}

class MessageBoxPrompter final : public Prompter
{
public:
    Answer ask(const Message& m) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(m.title);
        // A label shows CR LF as two breaks. A text too long for the screen (a long list of
        // refused rows) shows its beginning, and the whole of it under "Show Details...", so the
        // buttons stay on screen.
        QString text = m.text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QString details = m.details;
        constexpr int kMaxLines = 25;
        if (text.count(QLatin1Char('\n')) >= kMaxLines && details.isEmpty()) {
            details = text;
            text = text.section(QLatin1Char('\n'), 0, kMaxLines - 6) +
                   QStringLiteral("\n...\n\nThe whole text is under \"Show Details...\".");
        }
        box.setText(text);
        keepOwnLineBreaks(box, text);
        if (!details.isEmpty())
            box.setDetailedText(details);
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

// Names a listed file's type and icon by its name alone. Qt's own provider reads each file's
// first bytes to learn its type; closing that descriptor of a database file that this process
// has connected would drop every lock the database holds on it, and another program could then delete
// the journal the connection still writes to.
class NameOnlyIconProvider final : public QAbstractFileIconProvider
{
public:
    QIcon icon(IconType type) const override
    {
        return QApplication::style()->standardIcon(type == Folder || type == Drive ? QStyle::SP_DirIcon
                                                                                   : QStyle::SP_FileIcon);
    }
    QIcon icon(const QFileInfo& info) const override { return icon(info.isDir() ? Folder : File); }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Folder");
        const QMimeType mime = m_mimeTypes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return mime.isDefault() ? QStringLiteral("File") : mime.comment();
    }

private:
    QMimeDatabase m_mimeTypes;
};

class DialogFileChooser final : public FileChooser
{
public:
    QString openFile(const QString& title, const QString& startPath, const QString& filter) override
    {
        return run(title, startPath, filter, QFileDialog::AcceptOpen);
    }
    QString saveFile(const QString& title, const QString& startPath, const QString& filter) override
    {
        return run(title, startPath, filter, QFileDialog::AcceptSave);
    }

private:
    QString run(const QString& title, const QString& startPath, const QString& filter, QFileDialog::AcceptMode mode)
    {
        // Qt's own dialog, where the file list's icons and types can be told apart from content.
        // It starts at the root folder (never the last one visited, which may hold a database)
        // and sees the start path only once the provider is in place.
        QFileDialog dialog(QApplication::activeWindow(), title, QDir::rootPath());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setIconProvider(&m_icons);
        dialog.setAcceptMode(mode);
        // Every save asks its own question before it replaces a file, in the system's words.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setNameFilter(qtFilter(filter));
        const QFileInfo start(startPath);
        if (start.isDir()) {
            dialog.setDirectory(startPath);
        } else if (!startPath.isEmpty()) {
            dialog.setDirectory(start.absolutePath());
            dialog.selectFile(start.fileName());
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }

    NameOnlyIconProvider m_icons;
};

class PrintDialogTarget final : public PrintTarget
{
public:
    bool choosePrinter(QPrinter& printer, QWidget* parent, int pageCount) override
    {
        QPrintDialog dialog(&printer, parent);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, pageCount > 1);
        dialog.setMinMax(1, std::max(1, pageCount));
        return dialog.exec() == QDialog::Accepted;
    }

    void preview(const Preview& preview) override
    {
        auto* dialog = new QPrintPreviewDialog(preview.parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(preview.title);
        if (preview.setUpPrinter)
            preview.setUpPrinter(*dialog->printer());
        const auto paint = preview.paint;
        QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [paint](QPrinter* printer) {
            try {
                if (paint)
                    paint(*printer);
            } catch (const AppError& e) { // a printer that failed while printing from the preview
                Prompter::show(Prompter::applicationTitle(), e.description());
            }
        });
        // The window takes the screen less a small border, from its top-left corner.
        if (QScreen* screen = preview.parent ? preview.parent->screen() : QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            const int border = qRound(500.0 / 1440.0 * screen->logicalDotsPerInch());
            dialog->resize(area.width() - border, area.height() - border);
            dialog->move(area.topLeft());
        }
        if (auto* view = dialog->findChild<QPrintPreviewWidget*>())
            view->fitToWidth();
        if (preview.modal) {
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->exec();
        } else {
            dialog->setWindowModality(Qt::NonModal);
            dialog->show();
        }
    }
};

class DesktopShellOpener final : public ShellOpener
{
public:
    bool open(const QString& path) override
    {
        return hasProgramFor(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }

private:
    // The desktop starts its opener even when no program handles the file, and that failure never
    // comes back; so ask first whether one is set up for the file's type.
    static bool hasProgramFor(const QString& path)
    {
        const QString type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
        QProcess query;
        query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type});
        if (!query.waitForFinished(3000))
            return true; // no way to ask: let the desktop try
        return query.exitCode() != 0 || !query.readAllStandardOutput().trimmed().isEmpty();
    }
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
    // The report layouts size their captions for Tahoma, whose widths are close to Arial's; the
    // wider DejaVu Sans would run "Prepared" into the date beside it.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
}
