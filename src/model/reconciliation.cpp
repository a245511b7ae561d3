#include "reconciliation.h"

#include "apperror.h"
#include "daterules.h"
#include "glaccount.h"
#include "reconciliationkind.h"
#include "typecode.h"

#include <algorithm>
#include <iterator>

void ReconciliationBase::loadBalanceAndItems(const Account& account, const QString& date)
{
    m_balance = GLAccountBalance();
    m_balance.Load(account, date);
    m_items.Load(account ? account->getID() : QString(), date, QString());
    vouchForShown();
}

ReconciliationEvidence ReconciliationBase::shownEvidence() const
{
    ReconciliationEvidence shown;
    shown.addItems(m_items);
    return shown;
}

ReconciliationEvidence PrepaidReconciliation::shownEvidence() const
{
    ReconciliationEvidence shown = ReconciliationBase::shownEvidence();
    shown.setPrepaidItems(m_prepaid);
    return shown;
}

ReconciliationEvidence BankReconciliation::shownEvidence() const
{
    ReconciliationEvidence shown;
    for (const ReconcilingItemList* list : {&m_checks, &m_deposits, &m_bankFees, &m_nsfChecks, &m_others, &m_unbanked})
        shown.addItems(*list);
    return shown;
}

ARCurrency ReconciliationBase::timingTotal(const QString& timing) const
{
    ARCurrencySum total;
    const auto at = DateRules::fromText(m_balance.getDate());
    for (const ReconcilingItemList::Item& item : m_items) {
        if (!TypeCode::is(item->getReqTiming(), timing))
            continue;
        const auto open = DateRules::fromText(item->getOpenDate());
        const auto close = DateRules::fromText(item->getCloseDate());
        const bool isOpen = at && open && *open <= *at && (!close || *close > *at);
        if (isOpen)
            total.add(item->getAmount());
    }
    return total.value();
}

void PrepaidReconciliation::Load(const Account& account, const QString& date)
{
    loadBalanceAndItems(account, date);
    m_prepaid.Load(account, date);
    vouchForShown();
}

ARCurrency Reconciliation::explained() const
{
    return ReconciliationKind::explained(ReconciliationKind::Kind::Plain, {m_items.getTotalAmount(), {}, {}});
}

ARCurrency PrepaidReconciliation::explained() const
{
    return ReconciliationKind::explained(
        ReconciliationKind::Kind::Prepaid,
        {m_items.getTotalAmount(), {}, m_prepaid.getTotalRemainingBalance(m_balance.getDate())});
}

void BankReconciliation::Load(const Account& account, const QString& date)
{
    loadBalanceAndItems(account, date);
    // One read of the items: each of the five bank types is also kept in its own list.
    ReconcilingItemList* const lists[] = {&m_checks, &m_deposits, &m_bankFees, &m_nsfChecks, &m_others, &m_unbanked};
    QList<ReconcilingItemList::Item> members[std::size(lists)];
    for (const ReconcilingItemList::Item& item : m_items) {
        ReconcilingItemList* list = getItemsForType(item->getType().getCode());
        members[std::find(std::begin(lists), std::end(lists), list ? list : &m_unbanked) - std::begin(lists)].append(item);
    }
    for (std::size_t i = 0; i < std::size(lists); ++i)
        lists[i]->assignDistinct(std::move(members[i]));
    vouchForShown();
}

ReconcilingItemList* BankReconciliation::getItemsForType(const QString& code)
{
    using ReconciliationKind::BankItemType;
    const auto type = ReconciliationKind::bankItemTypeOf(code);
    if (!type)
        return nullptr;
    switch (*type) {
    case BankItemType::Check:
        return &m_checks;
    case BankItemType::Deposit:
        return &m_deposits;
    case BankItemType::BankFee:
        return &m_bankFees;
    case BankItemType::NSFCheck:
        return &m_nsfChecks;
    case BankItemType::Other:
        break;
    }
    return &m_others;
}

ARCurrency BankReconciliation::explained() const
{
    ARCurrencySum bankItems;
    for (const ARCurrency& total : {getTotalOtherAmount(), getTotalNSFCheckAmount(), getTotalBankFeeAmount(),
                                    getTotalDepositAmount(), getTotalCheckAmount()})
        bankItems.add(total);
    return ReconciliationKind::explained(ReconciliationKind::Kind::Bank,
                                         {m_items.getTotalAmount(), bankItems.value(), {}});
}

bool ReconciliationFactory::hasKind(const QString& code)
{
    return ReconciliationKind::of(code).has_value();
}

std::unique_ptr<IReconciliation> ReconciliationFactory::create(const IReconciliation::Account& account,
                                                               const QString& date)
{
    const QString code = account ? account->getRecType().getCode() : QString();
    const auto kind = ReconciliationKind::of(code);
    if (!kind)
        throw AppError(AppError::ObjectError1001, QStringLiteral("ReconciliationFactory"),
                       QStringLiteral("Not expecting a '") + code + QStringLiteral("' code in the create() method"));
    std::unique_ptr<IReconciliation> r;
    switch (*kind) {
    case ReconciliationKind::Kind::Plain:
        r = std::make_unique<Reconciliation>();
        break;
    case ReconciliationKind::Kind::Prepaid:
        r = std::make_unique<PrepaidReconciliation>();
        break;
    case ReconciliationKind::Kind::Bank:
        r = std::make_unique<BankReconciliation>();
        break;
    }
    r->Load(account, date);
    return r;
}
