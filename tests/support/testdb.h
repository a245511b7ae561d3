#pragma once

#include <QString>

// Database files for tests, made with the program's own schema code.
namespace TestDb {

// A main database with the schema and the reference rows, no company data and no users.
QString emptyMain(const QString& folder, const QString& name = QStringLiteral("main.db"));
// A documents database.
QString documents(const QString& folder, const QString& name = QStringLiteral("docs.db"));
// The tutorial pair (hashed tutorial users), returns the main path.
QString tutorial(const QString& folder);
// Adds a user with a plain-text password, as an older database kept it; returns its id.
qint64 addPlainUser(const QString& mainPath, const QString& userName, const QString& password,
                    const QString& role = QStringLiteral("User"), int prepared = 1, int reviewed = 0,
                    int approved = 0, const QString& fullName = QStringLiteral("Test User"));
// Points the main database's documents location at path.
void setDocumentsLocation(const QString& mainPath, const QString& documentsPath);
// Writes a text file (anything that is not a database).
QString textFile(const QString& folder, const QString& name, const QByteArray& content);

} // namespace TestDb
