#pragma once

#include <QFrame>
#include <QWidget>

class QLabel;
class QPushButton;

// An etched line across the dialog: a shadow line with a light line under it.
class DividerLine : public QFrame
{
    Q_OBJECT
public:
    explicit DividerLine(QWidget* parent = nullptr);
};

// The title band at the top of a dialog: one line of title over a divider.
class SimpleDialogTitlePanel : public QWidget
{
    Q_OBJECT
public:
    explicit SimpleDialogTitlePanel(QWidget* parent = nullptr);
    void initialize(const QString& title);
    QString title() const;

private:
    QLabel* m_title;
};

// The title band with a title and a subtitle under it.
class CompoundDialogTitlePanel : public QWidget
{
    Q_OBJECT
public:
    explicit CompoundDialogTitlePanel(QWidget* parent = nullptr);
    void initialize(const QString& title, const QString& subTitle = {});
    QString title() const;
    QString subTitle() const;

private:
    QLabel* m_title;
    QLabel* m_subTitle;
};

// "&Tutorial": opens the tutorial document, or says it is missing.
class TutorialButton : public QWidget
{
    Q_OBJECT
public:
    explicit TutorialButton(QWidget* parent = nullptr);
    QPushButton* button() const { return m_button; }

private:
    QPushButton* m_button;
};
