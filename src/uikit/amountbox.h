#pragma once

#include "arcurrency.h"

#include <QLineEdit>

// The money entry box of every dialog: right-aligned, takes only "1234567890.,-" (typed or
// pasted, at most 20 characters), shows its amount in the user's locale with parentheses while
// idle and without them while it has the focus (its whole text selected), and Enter moves on.
// Leaving it for another control of the dialog accepts the text as read in the user's locale
// (blank is 0; cents beyond two are cut) or refuses it, the
// text selected and the focus kept: a text that is no number asks for the nnnn.nn form, a number
// too large for the money type names the range allowed.
class AmountBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit AmountBox(QWidget* parent = nullptr);

    // Shows an amount without raising amountAccepted.
    void setAmount(const ARCurrency& amount);
    const ARCurrency& amount() const { return m_amount; }
    // Accepts the text now, as a button pressed by its mnemonic needs; false when it is refused
    // (nothing is shown: the caller's LeaveCheck tells the user).
    bool commit();

Q_SIGNALS:
    // The user's text was accepted: amount() holds it and the box shows it.
    void amountAccepted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    ARCurrency m_amount;
};
