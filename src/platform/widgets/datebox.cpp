#include "datebox.h"

#include "daterules.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTimer>

DateBox::DateBox(QWidget* parent) : QLineEdit(parent)
{
    // The calendar pop-up: picking a day puts it into the box as "mm/dd/yyyy".
    QAction* calendar = addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView), QLineEdit::TrailingPosition);
    calendar->setObjectName(QStringLiteral("actCalendar"));
    calendar->setToolTip(QStringLiteral("Choose a date from the calendar"));
    connect(calendar, &QAction::triggered, this, [this] { showCalendar(); });
    // Pasted text obeys the same characters as typed text.
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9/-]*")), this));
}

void DateBox::showCalendar()
{
    auto* popup = new QCalendarWidget(this);
    popup->setObjectName(QStringLiteral("calendarPopup"));
    popup->setWindowFlags(Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setGridVisible(true);
    if (const auto current = DateRules::fromText(date()))
        popup->setSelectedDate(*current);
    connect(popup, &QCalendarWidget::clicked, this, [this, popup](const QDate& day) {
        setText(DateRules::toText(day));
        popup->close();
        Q_EMIT editingFinished();
    });
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
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
