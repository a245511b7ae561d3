#include "apppages.h"

#include "global.h"
#include "prompter.h"

#include <QDir>
#include <QFile>
#include <QTextBrowser>
#include <QUrl>

namespace {

QString& folderOverride()
{
    static QString folder;
    return folder;
}

} // namespace

namespace AppPages {

QString folder()
{
    return folderOverride().isEmpty() ? Global::programFolder() + QStringLiteral("/html/app") : folderOverride();
}

void setFolder(const QString& folder)
{
    folderOverride() = folder;
}

QTextBrowser* createBrowser(QWidget* parent, const QString& pageName, const QString& fallbackHtml)
{
    auto* browser = new QTextBrowser(parent);
    browser->setObjectName(QStringLiteral("WebBrowser1"));
    browser->setFrameShape(QFrame::NoFrame);
    browser->document()->setDocumentMargin(0);
    const QString path = folder() + QLatin1Char('/') + pageName;
    QFile page(path);
    if (page.open(QIODevice::ReadOnly)) {
        page.close();
        browser->setSource(QUrl::fromLocalFile(path));
        return browser;
    }
    Prompter::show(Prompter::applicationTitle(),
                   QStringLiteral("Error : The page \"%1\" cannot be opened (%2).")
                       .arg(QDir::toNativeSeparators(path), page.errorString()));
    browser->setHtml(fallbackHtml);
    return browser;
}

} // namespace AppPages
