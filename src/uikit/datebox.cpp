#include "datebox.h"

#include "daterules.h"
#include "dialogbehaviour.h"
#include "prompter.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QTimer>
#include <QValidator>

#include <algorithm>

namespace {

// A small calendar sheet for the pop-up button: a coloured top band over a grid of days.
QIcon calendarIcon(const QPalette& palette)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QColor ink = palette.color(QPalette::Text);
    p.setPen(ink);
    p.setBrush(palette.color(QPalette::Base));
    p.drawRect(1, 2, 13, 12);
    p.fillRect(2, 3, 12, 3, palette.color(QPalette::Highlight));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.fillRect(3 + col * 3, 7 + row * 2, 2, 1, ink);
    return QIcon(pixmap);
}

// The keys a date box takes. A pasted date loses the blanks and line end around it (a copied
// spreadsheet cell brings them); a pasted text with other characters is refused with the
// invalid-date message, where a single wrong key is only ignored.
class DateKeys final : public QValidator
{
public:
    explicit DateKeys(DateBox* box) : QValidator(box), m_box(box) {}

    State validate(QString& input, int& pos) const override
    {
        const QString trimmed = input.trimmed();
        if (trimmed.size() != input.size()) {
            qsizetype lead = 0;
            while (lead < input.size() && input.at(lead).isSpace())
                ++lead;
            pos = std::clamp<int>(pos - int(lead), 0, int(trimmed.size()));
            input = trimmed;
        }
        static const QRegularExpression keys(QStringLiteral("^[0-9/-]*$"));
        if (keys.match(input).hasMatch()) {
            m_accepted = input;
            return Acceptable;
        }
        if (input.size() > m_accepted.size() + 1) // more than one key: a paste
            QTimer::singleShot(0, m_box, [box = m_box] { box->reportInvalid(); });
        return Invalid;
    }

private:
    DateBox* m_box;
    mutable QString m_accepted; // the text last let through
};

} // namespace

DateBox::DateBox(QWidget* parent) : QLineEdit(parent), m_invalidMessage(defaultInvalidMessage())
{
    QAction* calendar = addAction(calendarIcon(palette()), QLineEdit::TrailingPosition);
    calendar->setObjectName(QStringLiteral("actCalendar"));
    calendar->setToolTip(QStringLiteral("Choose a date from the calendar (F4)"));
    connect(calendar, &QAction::triggered, this, [this] { showCalendar(); });
    // Pasted text obeys the same characters as typed text, once the blanks around it are gone.
    setValidator(new DateKeys(this));
    LeaveCheck::install(
        this, [this] { return commit(); }, [this] { reportInvalid(); });
}

void DateBox::reportInvalid()
{
    Q_EMIT invalidDate();
    if (!m_invalidMessage.isEmpty())
        Prompter::show(Prompter::applicationTitle(), m_invalidMessage);
}

QString DateBox::defaultInvalidMessage()
{
    return QStringLiteral("Date entered is invalid, Please enter a valid date in MMDDYYYY format.");
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
    // A click, or Enter on the marked day, puts it into the box as "mm/dd/yyyy".
    const auto choose = [this, popup](const QDate& day) {
        setText(DateRules::toText(day));
        popup->close();
        Q_EMIT editingFinished();
    };
    connect(popup, &QCalendarWidget::clicked, this, choose);
    connect(popup, &QCalendarWidget::activated, this, choose);
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
    popup->setFocus();
}

void DateBox::removeCalendar()
{
    m_calendar = false;
    delete findChild<QAction*>(QStringLiteral("actCalendar"));
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
        focusNextChild(); // moves on as Tab does
        return;
    }
    if (m_calendar && (event->key() == Qt::Key_F4 ||
                       (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)))) {
        showCalendar();
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
