#include "recordid.h"

#include "apperror.h"

namespace RecordId {

std::optional<qint64> parse(const QString& id)
{
    bool ok = false;
    const qint64 n = id.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

QVariant toDb(const QString& id, const QString& source, const QString& what)
{
    if (id.trimmed().isEmpty())
        return QVariant(QMetaType::fromType<qlonglong>());
    const auto n = parse(id);
    if (!n)
        throw AppError(13, source, QStringLiteral("The %1 '%2' is not a whole number.").arg(what, id));
    return QVariant::fromValue<qlonglong>(*n);
}

QString fromDb(const QVariant& stored)
{
    return stored.isNull() ? QString() : QString::number(stored.toLongLong());
}

} // namespace RecordId
