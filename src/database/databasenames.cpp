#include "db_p.h"

#include <QDir>
#include <QFileInfo>

// What a database's name says before anything is opened: where it is kept, whether the login may
// take it, whether it is there. A server database's name is never a path: it passes as it stands.
namespace Db {

bool namesFile(const QString& name)
{
    return !isServerName(name);
}

QString keptName(const QString& name)
{
    return namesFile(name) ? QFileInfo(name).absoluteFilePath() : name;
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
    const auto key = [](const QString& name) {
        if (namesFile(name)) {
            const QFileInfo info(name);
            const QString resolved = info.canonicalFilePath();
            return resolved.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : resolved;
        }
        try {
            return Engine::named(name).key(name);
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
