#pragma once

#include <QString>

// When two typed texts name the same user or the same account. Letter case never counts, for
// every letter and not ASCII alone ("ärger" and "ÄRGER" are one name, as "straße" and "STRASSE"
// are). The comparison runs here rather than in SQL: the engines' own case rules fold ASCII only
// or differ from one engine to the other, and a name must mean the same on every engine.
namespace SameName {

// The form under which a text is compared without regard to case.
QString caseless(const QString& text);

// User names: surrounding blanks do not count either.
QString userKey(const QString& name);
bool sameUser(const QString& a, const QString& b);

// Account numbers: blanks count (" 1000" and "1000" are two numbers), letter case does not.
QString accountKey(const QString& number);
bool sameAccount(const QString& a, const QString& b);

} // namespace SameName
