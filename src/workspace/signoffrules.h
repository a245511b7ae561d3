#pragma once

#include <QString>

class IGLAccountBalance;

// Who may sign a balance off, and how ticking or clearing one sign-off moves the others: the
// logic under the three sign-off boxes of every reconciliation dialog. The order is prepared,
// then approved, then reviewed; the logged-in user's permission ("CAN_PREPARE", "CAN_REVIEW",
// "CAN_APPROVE") decides which boxes are open. A sign-off is a name and a date written into the
// balance at once; storing the balance is the host dialog's business.
//
// Sign-offs are audit evidence, so loading never signs anything: the boxes show what is stored
// (a name without a date keeps its name and shows no date), and only a box the current user
// ticks writes the user's full name and today's date.
class SignOffRules
{
public:
    enum Box { Prepared, Approved, Reviewed };
    struct BoxState
    {
        bool ticked = false;
        bool enabled = true;
    };

    SignOffRules() = default;

    // Takes the balance (kept by reference; the host owns it), ticks the boxes of the stored names
    // and opens or closes them by the permission. A user with none of the three rights gets
    // every box closed.
    void load(IGLAccountBalance& balance, const QString& permission, const QString& fullName,
              const QString& today);

    // The user ticked (true) or cleared (false) a box. Nothing for a closed box or before load.
    void click(Box box, bool ticked);

    const BoxState& state(Box box) const { return m_boxes[box]; }
    bool isLoaded() const { return m_balance != nullptr; }

    static const QString CanPrepare;
    static const QString CanReview;
    static const QString CanApprove;

private:
    // Ticks or clears a box from the rules; like a click, this runs the box's own rules when its
    // state changes.
    void setTicked(Box box, bool ticked);
    void runRules(Box box);
    void preparedRules();
    void approvedRules();
    void reviewedRules();
    void applyPermission();

    // Writes the current user as that sign-off unless the balance holds both its name and date;
    // true when the current user was written. While loading it writes nothing.
    bool sign(Box box);
    void clear(Box box);
    bool holdsBoth(Box box) const;
    bool holdsEither(Box box) const;
    QString name(Box box) const;
    QString date(Box box) const;
    void write(Box box, const QString& name, const QString& date);
    void enable(Box box, bool enabled) { m_boxes[box].enabled = enabled; }
    bool ticked(Box box) const { return m_boxes[box].ticked; }
    bool is(const QString& permission) const { return m_permission == permission; }

    IGLAccountBalance* m_balance = nullptr;
    QString m_permission;
    QString m_fullName;
    QString m_today;
    bool m_loading = false;
    BoxState m_boxes[3];
};
