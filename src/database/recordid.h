#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// Keys travel through the business classes as text (the empty text for an object never stored)
// and are 64-bit integers in the database.
namespace RecordId {

// The number an id text stands for; nothing for the empty text or a text that is no whole number
// (no row can have such a key).
std::optional<qint64> parse(const QString& id);

// An id for a key column: NULL for the empty text, the number otherwise. A text that is no whole
// number raises an AppError naming `what` (for example "account id").
QVariant toDb(const QString& id, const QString& source, const QString& what);

// A stored key back as text; NULL gives "".
QString fromDb(const QVariant& stored);

} // namespace RecordId
