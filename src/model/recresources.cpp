#include "recresources.h"

#include "daterules.h"
#include "glaccount.h"

namespace {

// The type with that code from the item-type table (the list raises for an unknown code).
ReconcilingItemType lookUp(const QString& code)
{
    const ReconcilingItemTypeList types;
    return types.getReconcilingItemType(code);
}

// The texts of one item type, one row per code; codes compare exactly (letter case counts).
struct TypeTexts
{
    const char16_t* code;
    const char16_t* openDate;
    const char16_t* closedDate;
    const char16_t* description;
    const char16_t* plural;
    const char16_t* caption;
    const char16_t* listCaption;
};

constexpr TypeTexts kTexts[] = {
    {u"C", u"Check Date", u"Clear Date", u"Check Number/ Payee/ Comment", u"Outstanding Checks",
     u"Outstanding Check", u"Outstanding Checks List"},
    {u"D", u"Deposit Date", u"Clear Date", u"Deposit/ Comment", u"Deposits in Transit", u"Deposit in Transit",
     u"Deposits in Transit List"},
    {u"B", u"Open Date", u"Close Date", u"Description", u"Bank Fees", u"Bank Fee", u"Bank Fees List"},
    {u"N", u"Check Date", u"Clear Date", u"Check Number/ Payee/ Comment", u"NSF Checks", u"NSF Check",
     u"NSF Checks List"},
    {u"O", u"Open Date", u"Close Date", u"Description", u"Other Items", u"Reconciling Item",
     u"Reconciling Item List"},
    {u"L", u"Open Date", u"Close Date", u"Description", u"List Items", u"List or Reconciling Item",
     u"Reconciling Item List"},
    {u"S", u"Open Date", u"Close Date", u"Description", u"Subledger Items", u"Reconciling Item",
     u"Reconciling Item List"},
};

// Every other code, among them "H" (the items of calculated-balance reconciliations).
constexpr TypeTexts kOther = {u"",
                              u"Open Date",
                              u"Close Date",
                              u"Description",
                              u"Unknown Type",
                              u"Reconciling Item",
                              u"Reconciling Item List"};

const TypeTexts& textsOf(const ReconcilingItemType& type)
{
    for (const TypeTexts& t : kTexts)
        if (type.getCode() == QStringView(t.code))
            return t;
    return kOther;
}

QString text(const char16_t* s)
{
    return QString::fromUtf16(s);
}

} // namespace

QString RecDialogResource::getDialogTitle(const GLAccount& account) const
{
    return QStringLiteral("Account ") + account.getNumber();
}

// ---- RecItemResource ----

void RecItemResource::initialize(const QString& code)
{
    m_type = lookUp(code);
}

QString RecItemResource::getOpenDateLabel() const
{
    return text(textsOf(m_type).openDate);
}

QString RecItemResource::getClosedDateLabel() const
{
    return text(textsOf(m_type).closedDate);
}

QString RecItemResource::getDescriptionLabel() const
{
    return text(textsOf(m_type).description);
}

QString RecItemResource::getAmountLabel() const
{
    return QStringLiteral("Amount");
}

QString RecItemResource::getPluralTypeLabel() const
{
    return text(textsOf(m_type).plural);
}

QString RecItemResource::getDialogCaption() const
{
    return text(textsOf(m_type).caption);
}

QString RecItemResource::getMainHeadingText(const GLAccount& account) const
{
    const QString lead =
        m_type.getCode() == QStringLiteral("L") ? QStringLiteral("Item") : getDialogCaption();
    return lead + QStringLiteral(" for Account ") + account.getNumber();
}

// ---- RecItemListResource ----

void RecItemListResource::initialize(const QString& code)
{
    m_type = lookUp(code);
}

QString RecItemListResource::getDialogCaption() const
{
    return text(textsOf(m_type).listCaption);
}

QString RecItemListResource::getMainHeadingText(const GLAccount& account) const
{
    return QStringLiteral("Account ") + account.getNumber() + QStringLiteral(" - ") + account.getName();
}

QString RecItemListResource::getDescriptionText(const QString& date) const
{
    RecItemResource item;
    item.initialize(m_type.getCode());
    // A text that is no date is shown as it stands, as a date format leaves such a text alone.
    const std::optional<QDate> d = DateRules::parse(date);
    const QString when = d ? DateRules::longDate(*d) : date;
    return QStringLiteral("All ") + item.getPluralTypeLabel() + QStringLiteral(" as of ") + when;
}
