#include "samename.h"

namespace SameName {

QString caseless(const QString& text)
{
    // Qt folds one character to one; going through the upper case as well folds the characters
    // that fold to two ("ß" and "ẞ" to "ss", the ligature "ﬁ" to "fi"), as full case folding does.
    return text.toCaseFolded().toUpper().toCaseFolded();
}

QString userKey(const QString& name)
{
    return caseless(name.trimmed());
}

bool sameUser(const QString& a, const QString& b)
{
    return userKey(a) == userKey(b);
}

QString accountKey(const QString& number)
{
    return caseless(number);
}

bool sameAccount(const QString& a, const QString& b)
{
    return accountKey(a) == accountKey(b);
}

} // namespace SameName
