#include "samename.h"

#include <algorithm>

namespace SameName {

QString caseless(const QString& text)
{
    // Plain ASCII folds in one step; long lists compare thousands of such numbers.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toCaseFolded();
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
