#include "recordid.h"

#include "apperror.h"

#include <iterator>

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
    if (stored.isNull())
        return {};
    // Written digit by digit, as QString::number writes it: a list turns an id or two a row into
    // text, and the general number formatter is many times slower than the reading around it.
    const qint64 n = stored.toLongLong();
    char16_t text[20];
    char16_t* begin = std::end(text);
    quint64 rest = n < 0 ? 0 - quint64(n) : quint64(n);
    do {
        *--begin = char16_t(u'0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (n < 0)
        *--begin = u'-';
    return QString(reinterpret_cast<const QChar*>(begin), std::end(text) - begin);
}

} // namespace RecordId
