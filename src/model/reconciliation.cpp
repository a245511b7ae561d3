#include "reconciliation.h"

#include "apperror.h"
#include "daterules.h"
#include "glaccount.h"

void ReconciliationBase::loadBalanceAndItems(const Account& account, const QString& date)
{
    m_balance = GLAccountBalance();
    m_balance.Load(account, date);
    m_items.Load(account ? account->getID() : QString(), date, QString());
}

ARCurrency ReconciliationBase::timingTotal(const QString& timing) const
{
    ARCurrency total;
    const auto at = DateRules::fromText(m_balance.getDate());
    for (const ReconcilingItemList::Item& item : m_items) {
        if (item->getReqTiming() != timing)
            continue;
        const auto open = DateRules::fromText(item->getOpenDate());
        const auto close = DateRules::fromText(item->getCloseDate());
        const bool isOpen = at && open && *open <= *at && (!close || *close > *at);
        if (isOpen)
            total.add(item->getAmount());
    }
    return total;
}

void PrepaidReconciliation::Load(const Account& account, const QString& date)
{
    loadBalanceAndItems(account, date);
    m_prepaid.Load(account ? account->getID() : QString(), date);
}

ARCurrency PrepaidReconciliation::explained() const
{
    ARCurrency x = m_prepaid.getTotalRemainingBalance(m_balance.getDate());
    x.add(m_items.getTotalAmount());
    return x;
}

void BankReconciliation::Load(const Account& account, const QString& date)
{
    loadBalanceAndItems(account, date);
    for (ReconcilingItemList* list : {&m_checks, &m_deposits, &m_bankFees, &m_nsfChecks, &m_others})
        list->clear();
    // One read of the items: each of the five bank types is also kept in its own list.
    for (const ReconcilingItemList::Item& item : m_items)
        if (ReconcilingItemList* list = getItemsForType(item->getType().getCode()))
            list->add(item);
}

ReconcilingItemList* BankReconciliation::getItemsForType(const QString& code)
{
    if (code == QStringLiteral("C"))
        return &m_checks;
    if (code == QStringLiteral("D"))
        return &m_deposits;
    if (code == QStringLiteral("B"))
        return &m_bankFees;
    if (code == QStringLiteral("N"))
        return &m_nsfChecks;
    if (code == QStringLiteral("O"))
        return &m_others;
    return nullptr;
}

ARCurrency BankReconciliation::explained() const
{
    ARCurrency x = getTotalOtherAmount();
    x.add(getTotalNSFCheckAmount());
    x.add(getTotalBankFeeAmount());
    x.add(getTotalDepositAmount());
    x.add(getTotalCheckAmount());
    return x;
}

bool ReconciliationFactory::hasKind(const QString& code)
{
    static const QStringList kinds{QStringLiteral("S"), QStringLiteral("L"), QStringLiteral("B"),
                                   QStringLiteral("H"), QStringLiteral("A"), QStringLiteral("C")};
    return kinds.contains(code); // exactly, as create compares
}

std::unique_ptr<IReconciliation> ReconciliationFactory::create(const IReconciliation::Account& account,
                                                               const QString& date)
{
    const QString code = account ? account->getRecType().getCode() : QString();
    std::unique_ptr<IReconciliation> r;
    if (!hasKind(code))
        throw AppError(AppError::ObjectError1001, QStringLiteral("ReconciliationFactory"),
                       QStringLiteral("Not expecting a '") + code + QStringLiteral("' code in the create() method"));
    if (code == QStringLiteral("S") || code == QStringLiteral("L") || code == QStringLiteral("B") ||
        code == QStringLiteral("H"))
        r = std::make_unique<Reconciliation>();
    else if (code == QStringLiteral("A"))
        r = std::make_unique<PrepaidReconciliation>();
    else
        r = std::make_unique<BankReconciliation>();
    r->Load(account, date);
    return r;
}
