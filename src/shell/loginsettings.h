#pragma once

#include <QString>
#include <optional>

// The paths the login window remembers between runs: the main database of the last login and the
// documents database shown at login. The one place that names their settings keys.
class LoginSettings
{
public:
    // The stored path (which may be empty), or nothing when none was ever stored.
    static std::optional<QString> mainDatabasePath();
    static std::optional<QString> documentsPath();

    static void setMainDatabasePath(const QString& path);
    static void setDocumentsPath(const QString& path);
};
