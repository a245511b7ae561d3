#pragma once

#include <QLineEdit>

// The date box of every dialog: takes only "1234567890/-" (typed or pasted), Enter moves to the
// next field, entering it selects its text, F4 or Alt+Down or its button opens a calendar, and
// leaving it for another control of the dialog normalises the text to "mm/dd/yyyy". A text that is
// no date is kept as typed, reported with the invalid-date message, and the focus comes back.
// A dialog whose box has a leaving rule of its own installs its own LeaveCheck, which replaces this.
class DateBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit DateBox(QWidget* parent = nullptr);

    // The normalised date, or "" when the text is no date.
    QString date() const;
    // Normalises now, silently, as a button pressed by its mnemonic needs; false when the box
    // holds a text that is no date (an empty box passes).
    bool commit();
    // The message shown when the box is left holding a text that is no date; "" shows none.
    void setInvalidMessage(const QString& message) { m_invalidMessage = message; }
    QString invalidMessage() const { return m_invalidMessage; }
    // Opens the calendar under the box.
    void showCalendar();
    // Makes the box a plain text box: no calendar button, and F4 or Alt+Down open nothing.
    void removeCalendar();

    static QString defaultInvalidMessage();
    // Tells the user the text is no date (the invalid-date signal, then the message when there is one).
    void reportInvalid();

Q_SIGNALS:
    // The box was left holding a text that is no date; emitted once per leaving.
    void invalidDate();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QString m_invalidMessage;
    bool m_calendar = true;
};
