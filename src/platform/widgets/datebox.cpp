#include "datebox.h"

#include "daterules.h"

#include <QKeyEvent>
#include <QTimer>

DateBox::DateBox(QWidget* parent) : QLineEdit(parent)
{
}

QString DateBox::date() const
{
    return Global::formatDateString(text());
}

bool DateBox::commit()
{
    const QString normalized = date();
    if (!normalized.isEmpty()) {
        if (normalized != text())
            setText(normalized);
        return true;
    }
    return text().isEmpty();
}

void DateBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        focusNextChild();
        return;
    }
    const QString t = event->text();
    if (!t.isEmpty() && t[0].unicode() >= 32 && !QStringLiteral("1234567890/-").contains(t[0]))
        return; // not a date character
    QLineEdit::keyPressEvent(event);
}

void DateBox::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

void DateBox::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Closing the window or switching to another program is no leaving of the field.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    if (!commit())
        Q_EMIT invalidDate();
}
