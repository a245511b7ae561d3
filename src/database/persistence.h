#pragma once

#include "arcurrency.h"
#include "ardatefield.h"
#include "db.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

// What every persistent business class shares: how its values are written to a row, and the audit
// twin that records each change.
namespace Persistence {

inline const QString Insert = QStringLiteral("INSERT");
inline const QString Update = QStringLiteral("UPDATE");
inline const QString Delete = QStringLiteral("DELETE");

// The login name of the session: written as CreateUser and ActivityUser (Global::userName).
inline QString auditUser;

// "UPDATE" when the argument, trimmed and upper-cased, is UPDATE; any other argument records a delete.
QString activityFor(const QString& argument);

// The current date and time as stored in CreateDate and ActivityDate.
QString now();

// Column values: money as its units, a date as "yyyy-mm-dd" (NULL when null), a free text NULL
// when blank, a code as held.
inline QVariant money(const ARCurrency& amount) { return amount.units(); }
QVariant date(const ARDateField& date);
inline QVariant freeText(const QString& text) { return Db::text(text); }
// Read back: money from units, a date to "mm/dd/yyyy".
ARCurrency moneyOf(const QVariant& stored);
QString dateOf(const QVariant& stored);

// Adds one row to the table's audit twin (table + "Audit"): the given data columns and values,
// then Activity, ActivityDate (now) and ActivityUser (the login name).
void writeAudit(const QSqlDatabase& db, const QString& table, const QStringList& columns, const QVariantList& values,
                const QString& activity);

// "INSERT INTO table (a, b) VALUES (?, ?)" for the columns given.
QString insertStatement(const QString& table, const QStringList& columns);
// "UPDATE table SET a = ?, b = ? WHERE key = ?" for the columns given.
QString updateStatement(const QString& table, const QStringList& columns, const QString& keyCondition);

} // namespace Persistence
