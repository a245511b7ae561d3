#pragma once

#include <QString>

class QTextBrowser;
class QWidget;

// The local pages the program shows, the command page and the help page: Qt rich text files in
// "html/app" beside the program.
namespace AppPages {

QString folder();
// Points the pages at another folder (tests); "" goes back to the one beside the program.
void setFolder(const QString& folder);

// A browser named WebBrowser1 showing the page. A page that cannot be read is reported as
// "Error :" with the reason, and the browser shows fallbackHtml instead: the window opens anyway.
QTextBrowser* createBrowser(QWidget* parent, const QString& pageName, const QString& fallbackHtml);

} // namespace AppPages
