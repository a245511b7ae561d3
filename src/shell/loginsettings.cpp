#include "loginsettings.h"

#include "modregistry.h"

#include <QVariant>

namespace {

const QString kRoot = QStringLiteral("HKCU");
const QString kMainKey = QStringLiteral("Software\\Corvantis\\Database");
const QString kDocumentsKey = QStringLiteral("Software\\Corvantis\\Database1");
const QString kValue = QStringLiteral("Path");
const QString kNone = QStringLiteral("None");

std::optional<QString> readPath(const QString& key)
{
    QVariant value;
    modRegistry::getSetting(kRoot, key, kValue, QStringLiteral("S"), kNone, value);
    const QString path = value.toString();
    if (path == kNone)
        return std::nullopt;
    return path;
}

void writePath(const QString& key, const QString& path)
{
    modRegistry::setSetting(kRoot, key, kValue, QStringLiteral("S"), path);
}

} // namespace

std::optional<QString> LoginSettings::mainDatabasePath()
{
    return readPath(kMainKey);
}

std::optional<QString> LoginSettings::documentsPath()
{
    return readPath(kDocumentsKey);
}

void LoginSettings::setMainDatabasePath(const QString& path)
{
    writePath(kMainKey, path);
}

void LoginSettings::setDocumentsPath(const QString& path)
{
    writePath(kDocumentsKey, path);
}
