#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Creates the database files of this system from the schema that ships with the program.
namespace Schema {

QString mainSchemaScript();
QString documentsSchemaScript();
QString tutorialDataScript();

// New main and documents database files; raise AppError when the file exists or a statement fails.
void createMainDatabase(const QString& path);
void createDocumentsDatabase(const QString& path);

// The tutorial pair: a main database with the tutorial company (passwords stored hashed) whose
// documents location names the tutorial documents file beside it. Existing files are replaced;
// server databases must be empty.
void createTutorialDatabases(const QString& mainPath, const QString& documentsPath);
// A main and a documents database without company data, whose only user is an administrator with
// every sign-off right; the main database's documents location names the documents database.
// Server databases must be empty; files must not exist yet.
void createStartingDatabases(const QString& mainPath, const QString& documentsPath, const QString& adminName,
                             const QString& adminPassword);

// The statements of the main schema that create the table and its indexes, in script order.
QStringList mainTableStatements(const QString& table);
// The table's column definitions in the main schema ("GLAcctId INTEGER"), by column name, in order.
QList<QPair<QString, QString>> mainTableColumns(const QString& table);

// Stores every password of table Users that is still plain text in hashed form.
void hashPlainPasswords(const QString& mainPath);

} // namespace Schema
