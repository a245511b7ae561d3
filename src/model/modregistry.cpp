#include "modregistry.h"

#include <QFileInfo>
#include <QSettings>
#include <limits>
#include <memory>
#include <optional>

namespace {

const QStringList kRootKeys = {QStringLiteral("HKCU"), QStringLiteral("HKLM"), QStringLiteral("HKU"),
                               QStringLiteral("HKCC"), QStringLiteral("HKDD"), QStringLiteral("HKCR")};

// Where a setting lives: the user's settings store for a root key, an INI file for a file path.
struct Place
{
    std::unique_ptr<QSettings> settings;
    QString group;
    bool isIni = false;
};

bool isRootKey(const QString& location)
{
    return kRootKeys.contains(location.trimmed(), Qt::CaseInsensitive);
}

// "Software\Corvantis\Database" becomes the group "Database" of the Corvantis settings; other
// keys keep their path (with "/"), and root keys other than HKCU are kept apart under their name.
QString groupFor(const QString& location, const QString& key)
{
    QString k = key;
    k.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QString ours = QStringLiteral("Software/Corvantis/");
    if (k.startsWith(ours, Qt::CaseInsensitive))
        k = k.mid(ours.size());
    const QString root = location.trimmed().toUpper();
    return root == QStringLiteral("HKCU") ? k : root + QLatin1Char('/') + k;
}

std::optional<Place> placeFor(const QString& location, const QString& key)
{
    Place p;
    if (isRootKey(location)) {
        p.settings = std::make_unique<QSettings>(QStringLiteral("Corvantis"), QStringLiteral("Corvantis"));
        p.group = groupFor(location, key);
        return p;
    }
    if (!location.isEmpty() && QFileInfo(location).isFile()) {
        p.settings = std::make_unique<QSettings>(location, QSettings::IniFormat);
        p.group = key;
        p.isIni = true;
        return p;
    }
    return std::nullopt;
}

qint32 syncStatus(QSettings& s)
{
    s.sync();
    switch (s.status()) {
    case QSettings::NoError: return modRegistry::StatusOk;
    case QSettings::AccessError: return modRegistry::StatusAccessDenied;
    case QSettings::FormatError: return modRegistry::StatusInvalidData;
    }
    return modRegistry::StatusOk;
}

} // namespace

namespace modRegistry {

qint32 getSetting(const QString& location, const QString& key, const QString& valueName, const QString& type,
                  const QVariant& defaultValue, QVariant& value)
{
    value = defaultValue;
    auto place = placeFor(location, key);
    if (!place)
        return StatusNoLocation;
    QSettings& s = *place->settings;
    if (s.status() != QSettings::NoError)
        return StatusInvalidData;
    const QString t = type.toUpper();
    const QString entry = place->group + QLatin1Char('/') + valueName;

    if (place->isIni) {
        if (t == QStringLiteral("S"))
            value = s.value(entry, defaultValue.toString()).toString();
        else
            value = s.value(entry, 0).toInt();
        return StatusOk;
    }

    s.beginGroup(place->group);
    const bool keyExists = !s.childKeys().isEmpty() || !s.childGroups().isEmpty();
    const bool valueExists = s.contains(valueName);
    const QVariant stored = s.value(valueName);
    s.endGroup();
    if (!keyExists)
        return StatusMissing;
    if (t != QStringLiteral("S") && t != QStringLiteral("B") && t != QStringLiteral("D"))
        return StatusOk; // nothing is read for another type
    if (!valueExists)
        return StatusMissing;
    if (t == QStringLiteral("S")) {
        value = stored.toString();
    } else if (t == QStringLiteral("B")) {
        value = stored.toBool();
    } else {
        bool ok = false;
        const qint64 n = stored.toLongLong(&ok);
        if (!ok)
            return StatusInvalidData;
        value = static_cast<qint32>(n);
    }
    return StatusOk;
}

qint32 setSetting(const QString& location, const QString& key, const QString& valueName, const QString& type,
                  const QVariant& value)
{
    auto place = placeFor(location, key);
    if (!place)
        return StatusNoLocation;
    QSettings& s = *place->settings;
    const QString t = type.toUpper();
    const QString entry = place->group + QLatin1Char('/') + valueName;

    if (place->isIni) {
        if (t != QStringLiteral("S"))
            return StatusNoLocation; // only texts are written to INI files
        s.setValue(entry, value.toString());
        return syncStatus(s);
    }
    if (t == QStringLiteral("S")) {
        s.setValue(entry, value.toString());
    } else if (t == QStringLiteral("B")) {
        s.setValue(entry, value.toBool());
    } else if (t == QStringLiteral("D")) {
        // The whole 32-bit number is kept (-1 stays -1, 100000 stays 100000).
        bool ok = false;
        const qint64 n = value.toLongLong(&ok);
        if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<quint32>::max())
            return StatusInvalidData;
        s.setValue(entry, static_cast<qint32>(static_cast<quint32>(n)));
    } else {
        // Nothing is written for another type, but the key is created.
        s.beginGroup(place->group);
        s.endGroup();
    }
    return syncStatus(s);
}

} // namespace modRegistry
