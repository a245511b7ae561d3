#pragma once

#include <QDate>
#include <QString>
#include <QVariant>
#include <optional>

// The one rule for dates: what a typed text means, the "mm/dd/yyyy" form shown and held by the
// business objects, and the "yyyy-mm-dd" form stored in the database. No rule here depends on the
// machine's locale.
namespace DateRules {

// The date a text stands for: "m/d/yyyy", "m-d-yy", "m.d.yyyy", "yyyy-mm-dd", "m/d" (this year),
// English month names ("March 5, 2024", "5 Mar 2024", "05-Mar-2024"). Two-digit years take the
// century window 1930-2029.
std::optional<QDate> parse(const QString& text);

// Typed text to "mm/dd/yyyy", or "" when it is no date. A text that is no date as it stands but
// has six or more characters is read as MMDDYY or MMDDYYYY.
QString normalize(const QString& text);

QString toText(const QDate& date);            // "mm/dd/yyyy", "" for an invalid date
std::optional<QDate> fromText(const QString& mmddyyyy);

// The database form: a "mm/dd/yyyy" text (or any date text) becomes "yyyy-mm-dd"; "" becomes NULL.
QVariant toDb(const QString& text);
QVariant toDb(const QDate& date);
// A stored date (or date-time) back to "mm/dd/yyyy"; NULL gives "".
QString fromDb(const QVariant& stored);
// A date-time for the database ("yyyy-mm-dd hh:mm:ss").
QString dateTimeToDb(const QDateTime& moment);
// A stored date-time back; invalid when the text is none.
QDateTime dateTimeFromDb(const QVariant& stored);

// A moment as export files carry it: "mm/dd/yyyy hh:mm:ss", 24-hour, whatever the locale.
QString dateTimeText(const QDateTime& moment);

// "mmmm d, yyyy" in English, as reports print it.
QString longDate(const QDate& date);

} // namespace DateRules

namespace Global {
// Dialogs call this on typed dates: "mm/dd/yyyy", or "" when the text is no date.
QString formatDateString(const QString& text);
} // namespace Global
