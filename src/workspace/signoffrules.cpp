#include "signoffrules.h"

#include "glaccountbalance.h"

const QString SignOffRules::CanPrepare = QStringLiteral("CAN_PREPARE");
const QString SignOffRules::CanReview = QStringLiteral("CAN_REVIEW");
const QString SignOffRules::CanApprove = QStringLiteral("CAN_APPROVE");

void SignOffRules::load(IGLAccountBalance& balance, const QString& permission, const QString& fullName,
                        const QString& today)
{
    m_balance = &balance;
    m_permission = permission;
    m_fullName = fullName;
    m_today = today;
    for (BoxState& b : m_boxes)
        b = BoxState();
    // The boxes of the stored names are ticked with their rules running, so that they open and
    // close the others as a click would; the stored names and dates themselves stay untouched.
    m_loading = true;
    setTicked(Prepared, !balance.getPreparedBy().isEmpty());
    if (!balance.getApprovedBy().isEmpty())
        setTicked(Approved, true);
    if (!balance.getReviewedBy().isEmpty())
        setTicked(Reviewed, true);
    applyPermission();
    m_loading = false;
}

void SignOffRules::click(Box box, bool ticked)
{
    if (!m_balance || !m_boxes[box].enabled || m_boxes[box].ticked == ticked)
        return;
    m_boxes[box].ticked = ticked;
    runRules(box);
}

void SignOffRules::setTicked(Box box, bool ticked)
{
    if (m_boxes[box].ticked == ticked)
        return;
    m_boxes[box].ticked = ticked;
    runRules(box);
}

void SignOffRules::runRules(Box box)
{
    switch (box) {
    case Prepared:
        preparedRules();
        break;
    case Approved:
        approvedRules();
        break;
    case Reviewed:
        reviewedRules();
        break;
    }
}

void SignOffRules::preparedRules()
{
    const bool t = ticked(Prepared);
    if (is(CanPrepare)) {
        if (t)
            sign(Prepared);
        else
            clear(Prepared);
    }
    if (is(CanApprove)) {
        if (t) {
            sign(Prepared);
            enable(Approved, true);
        } else {
            // Without a preparer there is nothing to approve.
            clear(Prepared);
            clear(Approved);
            setTicked(Approved, false);
            enable(Approved, false);
        }
    }
    if (is(CanReview)) {
        if (t) {
            if (sign(Prepared))
                enable(Approved, true);
        } else {
            clear(Prepared);
            enable(Approved, false);
            enable(Reviewed, false);
        }
    }
    if (is(CanReview) && ticked(Prepared) && ticked(Approved))
        enable(Reviewed, true);
}

void SignOffRules::approvedRules()
{
    const bool t = ticked(Approved);
    if (t && is(CanApprove)) {
        sign(Approved);
        enable(Prepared, false);
    } else {
        if (is(CanApprove)) {
            clear(Approved);
            if (!holdsEither(Prepared))
                clear(Prepared);
        }
        enable(Prepared, true);
    }
    if (t && is(CanReview)) {
        sign(Approved);
        enable(Prepared, false);
    } else if (is(CanReview)) {
        clear(Approved);
        if (!holdsEither(Prepared))
            clear(Prepared);
        enable(Prepared, true);
        enable(Reviewed, false);
    }
    if (is(CanReview) && ticked(Prepared) && ticked(Approved))
        enable(Reviewed, true);
}

void SignOffRules::reviewedRules()
{
    const bool t = ticked(Reviewed);
    if (ticked(Prepared) && ticked(Approved)) {
        if (t && is(CanReview))
            sign(Reviewed);
        else if (is(CanReview))
            clear(Reviewed);
        else
            enable(Reviewed, false);
        enable(Prepared, false);
        enable(Approved, false);
    } else if (is(CanReview)) {
        // Only a reviewer signs as reviewer, and a stored reviewer keeps the name and date.
        if (t)
            sign(Reviewed);
        else
            clear(Reviewed);
    }
    if (!ticked(Reviewed)) {
        enable(Approved, true);
        enable(Prepared, false);
    }
}

void SignOffRules::applyPermission()
{
    if (is(CanPrepare)) {
        enable(Reviewed, false);
        enable(Approved, false);
        if (ticked(Approved))
            enable(Prepared, false);
    } else if (is(CanReview)) {
        if (!holdsBoth(Prepared) || !holdsBoth(Approved))
            enable(Reviewed, false);
        if (!ticked(Prepared) && !ticked(Approved))
            enable(Approved, false);
        if (ticked(Prepared) && !ticked(Approved)) {
            enable(Approved, true);
            enable(Prepared, true);
        }
    } else if (is(CanApprove)) {
        enable(Reviewed, false);
        if (!ticked(Prepared))
            enable(Approved, false);
        if (ticked(Approved))
            enable(Prepared, false);
        if (ticked(Reviewed))
            enable(Approved, false);
    } else {
        // A user without a sign-off right sees the sign-offs and changes none.
        for (BoxState& b : m_boxes)
            b.enabled = false;
    }
}

bool SignOffRules::sign(Box box)
{
    if (m_loading || holdsBoth(box))
        return false;
    write(box, m_fullName, m_today);
    return true;
}

void SignOffRules::clear(Box box)
{
    if (!m_loading)
        write(box, QString(), QString());
}

bool SignOffRules::holdsBoth(Box box) const
{
    return !name(box).isEmpty() && !date(box).isEmpty();
}

bool SignOffRules::holdsEither(Box box) const
{
    return !name(box).isEmpty() || !date(box).isEmpty();
}

QString SignOffRules::name(Box box) const
{
    switch (box) {
    case Prepared:
        return m_balance->getPreparedBy();
    case Approved:
        return m_balance->getApprovedBy();
    case Reviewed:
        break;
    }
    return m_balance->getReviewedBy();
}

QString SignOffRules::date(Box box) const
{
    switch (box) {
    case Prepared:
        return m_balance->getPreparedByDate();
    case Approved:
        return m_balance->getApprovedByDate();
    case Reviewed:
        break;
    }
    return m_balance->getReviewedByDate();
}

void SignOffRules::write(Box box, const QString& name, const QString& date)
{
    switch (box) {
    case Prepared:
        m_balance->setPreparedBy(name);
        m_balance->setPreparedByDate(date);
        break;
    case Approved:
        m_balance->setApprovedBy(name);
        m_balance->setApprovedByDate(date);
        break;
    case Reviewed:
        m_balance->setReviewedBy(name);
        m_balance->setReviewedByDate(date);
        break;
    }
}
