#pragma once

#include <QString>

// When two typed texts name the same user or the same account. One rule on every engine, run here
// rather than in SQL (the engines' own case rules fold ASCII only, or differ from one another):
// the text in its composed form (NFC: "é" typed as "e" and an accent is "é"), without the
// characters nobody sees (format characters such as a zero-width space), under full Unicode case
// folding ("ärger" and "ÄRGER" are one name, as "straße" and "STRASSE" are) and never through
// upper case ("Isık" is not "Isik").
namespace SameName {

// The form under which a text is compared without regard to case.
QString caseless(const QString& text);

// User names: surrounding blanks do not count either.
QString userKey(const QString& name);
bool sameUser(const QString& a, const QString& b);
// A typed user name as it is stored: without the blanks and invisible characters around it.
QString userName(const QString& typed);
// A control character (a tab, U+0001) makes no name: user names and account numbers refuse it.
bool hasControl(const QString& text);

// Account numbers: blanks count (" 1000" and "1000" are two numbers), letter case does not.
QString accountKey(const QString& number);
bool sameAccount(const QString& a, const QString& b);

// The number of characters a name has, as its reader counts them (not UTF-16 units).
qsizetype length(const QString& text);

} // namespace SameName
