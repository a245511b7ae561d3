#include "ardatefield.h"

#include "daterules.h"

void ARDateField::setDate(const QString& text)
{
    m_text = DateRules::normalize(text);
}

bool ARDateField::isAfter(const ARDateField& other) const
{
    if (isNull())
        return false;
    if (other.isNull())
        return true;
    const auto mine = DateRules::fromText(m_text);
    const auto theirs = DateRules::fromText(other.m_text);
    return mine && theirs && theirs->daysTo(*mine) > 0;
}
