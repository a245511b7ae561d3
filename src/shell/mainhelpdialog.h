#pragma once

#include <QDialog>

class QTextBrowser;

// The help window: the help page beside the program, filling the window as it is resized.
class MainHelpDialog : public QDialog
{
    Q_OBJECT
public:
    explicit MainHelpDialog(QWidget* parent = nullptr);

    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};
