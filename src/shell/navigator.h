#pragma once

#include <QMainWindow>

class QLabel;

// The main window the user works from after logging in.
class Navigator : public QMainWindow
{
    Q_OBJECT
public:
    explicit Navigator(QWidget* parent = nullptr);

    // "Connected: " and the main database path in the status bar.
    void showConnected(const QString& path);
    QString statusText() const;

protected:
    void closeEvent(QCloseEvent* event) override;
};
