#include "db_p.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace {

// A server database's name in its parts, each as written: "postgresql://", the role before "@",
// host, port and database, and the settings after "?".
struct NameParts
{
    QString scheme;
    QString user;
    QString address;
    QStringList settings; // "key=value"
};

NameParts partsOf(const QString& name)
{
    NameParts p;
    const qsizetype start = name.indexOf(QStringLiteral("://")) + 3;
    p.scheme = name.left(start);
    QString rest = name.mid(start);
    if (const qsizetype q = rest.indexOf(QLatin1Char('?')); q >= 0) {
        p.settings = rest.mid(q + 1).split(QLatin1Char('&'), Qt::SkipEmptyParts);
        rest.truncate(q);
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (const qsizetype at = rest.left(slash < 0 ? rest.size() : slash).lastIndexOf(QLatin1Char('@')); at >= 0) {
        p.user = rest.left(at);
        rest.remove(0, at + 1);
    }
    p.address = rest;
    return p;
}

QString joined(const NameParts& p)
{
    return p.scheme + (p.user.isEmpty() ? QString() : p.user + QLatin1Char('@')) + p.address +
           (p.settings.isEmpty() ? QString() : QLatin1Char('?') + p.settings.join(QLatin1Char('&')));
}

QString keyOf(const QString& setting)
{
    return QUrl::fromPercentEncoding(setting.section(QLatin1Char('='), 0, 0).toUtf8());
}

bool hasSetting(const NameParts& p, const QString& key)
{
    return std::any_of(p.settings.cbegin(), p.settings.cend(), [&](const QString& s) { return keyOf(s) == key; });
}

// Settings that belong to a desk, not to the database: files on the desk's own machine (its
// certificate and key, the server certificates it trusts and their revocation list) and a service
// of its own service file.
bool isDeskSetting(const QString& key)
{
    static const QStringList desk = {QStringLiteral("sslcert"), QStringLiteral("sslkey"), QStringLiteral("sslrootcert"),
                                     QStringLiteral("sslcrl"), QStringLiteral("service")};
    return desk.contains(key);
}

// The name as every desk may open it: no role (before "@", or a "user" setting) and none of one
// desk's own settings. A service that is what names the database (the name gives none itself)
// stays: without it nothing would be named.
NameParts keptParts(const QString& name)
{
    NameParts p = partsOf(name);
    p.user.clear();
    const qsizetype slash = p.address.indexOf(QLatin1Char('/'));
    const bool namesDatabase = (slash >= 0 && slash + 1 < p.address.size()) || hasSetting(p, QStringLiteral("dbname"));
    QStringList kept;
    for (const QString& setting : std::as_const(p.settings)) {
        const QString key = keyOf(setting);
        const bool namingService = key == QStringLiteral("service") && !namesDatabase;
        if (key != QStringLiteral("user") && (!isDeskSetting(key) || namingService))
            kept << setting;
    }
    p.settings = kept;
    return p;
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
    return namesFile(name) ? QFileInfo(name).absoluteFilePath() : joined(keptParts(name));
}

QString withRoleOf(const QString& name, const QString& mainName)
{
    if (namesFile(name) || namesFile(mainName))
        return name;
    NameParts opened = keptParts(name);
    const QString role = parseServerName(mainName).user;
    if (!role.isEmpty())
        opened.user = QString::fromUtf8(QUrl::toPercentEncoding(role));
    // The desk's own settings, as its main database gives them; a service that names the documents
    // database itself is kept in place of the desk's.
    const bool ownService = hasSetting(opened, QStringLiteral("service"));
    for (const QString& setting : partsOf(mainName).settings) {
        const QString key = keyOf(setting);
        if (isDeskSetting(key) && !(key == QStringLiteral("service") && ownService))
            opened.settings << setting;
    }
    return joined(opened);
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
    // The role a database is opened with is not part of which database it is, nor are the
    // certificate files a desk connects with; a service may name a server of its own.
    const auto key = [](const QString& name) {
        if (namesFile(name)) {
            const QFileInfo info(name);
            const QString resolved = info.canonicalFilePath();
            return resolved.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : resolved;
        }
        try {
            NameParts p = partsOf(name);
            p.user.clear();
            p.settings.removeIf([](const QString& s) {
                const QString key = keyOf(s);
                return key == QStringLiteral("user") || (isDeskSetting(key) && key != QStringLiteral("service"));
            });
            return Engine::named(name).key(joined(p));
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
