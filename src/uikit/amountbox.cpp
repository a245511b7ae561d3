#include "amountbox.h"

#include "dialogbehaviour.h"
#include "prompter.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QTimer>

namespace {
const QString kAmountChars = QStringLiteral("1234567890.,-");
}

AmountBox::AmountBox(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // What the user types or pastes (the idle form's parentheses and blank stay valid, so that an
    // edit of it is checked too); a stored amount set from code is shown whole. One pattern serves
    // every box, compiled once: a reconciliation window opens with several.
    static const QRegularExpression typed(QStringLiteral("\\(?[0-9.,\\-]{0,20}\\)? ?"));
    setValidator(new QRegularExpressionValidator(typed, this));
    DialogBehaviour::enterMovesOn(this);
    LeaveCheck::install(
        this, [this] { return commit(); },
        [this] { Prompter::show(Prompter::applicationTitle(), ARCurrency::refusedEntryMessage(text())); });
    setAmount(ARCurrency());
}

void AmountBox::setAmount(const ARCurrency& amount)
{
    m_amount = amount;
    setText(m_amount.toLocaleString(!hasFocus()));
}

bool AmountBox::commit()
{
    const auto typed = ARCurrency::fromTypedText(text());
    if (!typed)
        return false;
    m_amount = *typed;
    setText(m_amount.toLocaleString(true));
    Q_EMIT amountAccepted();
    return true;
}

void AmountBox::keyPressEvent(QKeyEvent* event)
{
    const QString t = event->text();
    if (!t.isEmpty() && t[0].unicode() >= 32 && !kAmountChars.contains(t[0]))
        return; // not an amount character
    QLineEdit::keyPressEvent(event);
}

void AmountBox::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // While it is edited the amount reads as a plain number, a negative one with a minus sign; a
    // refused text the focus comes back to stays as typed.
    if (text() == m_amount.toLocaleString(true))
        setText(m_amount.toLocaleString(false));
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}
