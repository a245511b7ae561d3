#pragma once

#include <QLineEdit>

// The date box of every dialog: takes only "1234567890/-", Enter moves to the next field, and
// leaving the box normalises the text to "mm/dd/yyyy" (an invalid text is kept as typed and
// reported through invalidDate()).
class DateBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit DateBox(QWidget* parent = nullptr);

    // The normalised date, or "" when the text is no date.
    QString date() const;
    // Normalises now, as leaving the box does; false when the text is no date.
    bool commit();
    // Opens the calendar under the box.
    void showCalendar();

Q_SIGNALS:
    // The text is not empty and no date: emitted once per leaving.
    void invalidDate();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
