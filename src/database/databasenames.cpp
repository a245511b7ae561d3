#include "db_p.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

// The server database's name without the role in it (before "@", or a "user" setting), so that
// whoever opens it does so with a role of his own.
QString withoutRole(const QString& name)
{
    const qsizetype start = name.indexOf(QStringLiteral("://")) + 3;
    QString rest = name.mid(start);
    QString query;
    if (const qsizetype q = rest.indexOf(QLatin1Char('?')); q >= 0) {
        query = rest.mid(q + 1);
        rest.truncate(q);
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (const qsizetype at = rest.left(slash < 0 ? rest.size() : slash).lastIndexOf(QLatin1Char('@')); at >= 0)
        rest.remove(0, at + 1);
    QStringList kept;
    for (const QString& item : query.split(QLatin1Char('&'), Qt::SkipEmptyParts))
        if (QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8()) != QStringLiteral("user"))
            kept << item;
    return name.left(start) + rest + (kept.isEmpty() ? QString() : QLatin1Char('?') + kept.join(QLatin1Char('&')));
}

} // namespace

// What a database's name says before anything is opened: where it is kept, whether the login may
// take it, whether it is there. A server database's name is never a path: it passes as it stands.
namespace Db {

bool namesFile(const QString& name)
{
    return !isServerName(name);
}

QString keptName(const QString& name)
{
    return namesFile(name) ? QFileInfo(name).absoluteFilePath() : withoutRole(name);
}

QString withRoleOf(const QString& name, const QString& mainName)
{
    if (namesFile(name) || namesFile(mainName))
        return name;
    const QString role = parseServerName(mainName).user;
    const QString bare = withoutRole(name);
    if (role.isEmpty())
        return bare;
    const qsizetype start = bare.indexOf(QStringLiteral("://")) + 3;
    return bare.left(start) + QString::fromUtf8(QUrl::toPercentEncoding(role)) + QLatin1Char('@') + bare.mid(start);
}

QString typedName(const QString& typed)
{
    return namesFile(typed) ? QDir::fromNativeSeparators(typed) : typed;
}

bool mayNameDatabase(const QString& name)
{
    const QString n = name.trimmed();
    // A server database has a name, not a file extension.
    return isServerName(n) || n.endsWith(QStringLiteral(".db")) || n.endsWith(QStringLiteral(".sqlite"));
}

bool databaseExists(const QString& name)
{
    return isServerName(name) || (!name.isEmpty() && QFileInfo(name).isFile());
}

QStringList filesOf(const QString& name)
{
    return Engine::named(name).files(name);
}

bool sameDatabase(const QString& a, const QString& b)
{
    // The role a database is opened with is not part of which database it is.
    const auto key = [](const QString& name) {
        if (namesFile(name)) {
            const QFileInfo info(name);
            const QString resolved = info.canonicalFilePath();
            return resolved.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : resolved;
        }
        try {
            return Engine::named(name).key(withoutRole(name));
        } catch (const AppError&) {
            return name; // a name that cannot be used is only itself
        }
    };
    return key(a) == key(b);
}

QString chooserFolder(const QString& name, const QString& otherwise)
{
    return name.isEmpty() || !namesFile(name) ? otherwise : QFileInfo(name).absolutePath();
}

} // namespace Db
