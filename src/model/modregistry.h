#pragma once

#include <QString>
#include <QVariant>

// Per-user settings, addressed as the original registry settings were: a location ("HKCU" and
// the other root-key names, or the path of an INI file), a key such as
// "Software\Corvantis\Database", a value name and a type ("S" text, "B" Boolean, "D" 32-bit number).
namespace modRegistry {

constexpr qint32 StatusOk = 0;
constexpr qint32 StatusMissing = 2;       // the key or value does not exist
constexpr qint32 StatusAccessDenied = 5;  // the store could not be written
constexpr qint32 StatusInvalidData = 13;  // the store could not be read
constexpr qint32 StatusNoLocation = 99;   // the location names no root key and no existing file

// Sets value to the default, then reads the setting into it. Never raises.
qint32 getSetting(const QString& location, const QString& key, const QString& valueName, const QString& type,
                  const QVariant& defaultValue, QVariant& value);
// Writes the setting, creating its key. Never raises.
qint32 setSetting(const QString& location, const QString& key, const QString& valueName, const QString& type,
                  const QVariant& value);

} // namespace modRegistry
