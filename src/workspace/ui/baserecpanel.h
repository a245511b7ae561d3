#pragma once

#include "arcurrency.h"
#include "signoffrules.h"

#include <QWidget>
#include <optional>

class AmountBox;
class AppError;
class IGLAccountBalance;
class QCheckBox;
class QLabel;
class QPlainTextEdit;

// The part of a reconciliation every dialog shares: the general-ledger balance amount, the
// comment and the three sign-offs. Every change goes into the balance at once; storing it is the
// host dialog's business. Which boxes open is SignOffRules' decision.
class BaseRecPanel : public QWidget
{
    Q_OBJECT
public:
    explicit BaseRecPanel(QWidget* parent = nullptr);

    // Fills the panel from the balance (kept by reference; the host owns it) for the logged-in
    // user. Signs nothing.
    void initialize(IGLAccountBalance& balance);
    // True when the comment explains the difference, or there is none to explain; otherwise asks
    // for a comment and gives false (the host then stores nothing).
    bool explainsDifference(const std::optional<ARCurrency>& difference);
    // Shows a failure of the balance's store as the validation message of its code ("Data
    // Validation Error"), any other failure as the system's message.
    void handleDataValidationError(const AppError& error);

    AmountBox* amountBox() const { return m_txtAmount; }
    QPlainTextEdit* commentBox() const { return m_txtComment; }

Q_SIGNALS:
    // An edit of the amount was accepted and written to the balance.
    void AmountChanged();

private:
    void clicked(SignOffRules::Box box, bool ticked);
    void showSignOffs();

    IGLAccountBalance* m_balance = nullptr;
    SignOffRules m_rules;
    AmountBox* m_txtAmount;
    QPlainTextEdit* m_txtComment;
    QCheckBox* m_boxes[3];
    QLabel* m_names[3];
    QLabel* m_dates[3];
};
