// The schema as the layer sees it: whether a table or column exists, whether a database can be
// made or its tables read, and scripts of schema statements.
#include "db_p.h"

namespace Db {

bool tableExists(const QSqlDatabase& db, const QString& table)
{
    const Engine& engine = engineOf(db);
    try {
        return engine.tableExists(db, table);
    } catch (const AppError& e) {
        if (e.number() == AppError::DatabaseBusy || engine.connectionLost(db))
            throw; // a file in use, or a lost connection, says nothing about its tables
        return false;
    }
}

bool columnExists(const QSqlDatabase& db, const QString& table, const QString& column)
{
    const Engine& engine = engineOf(db);
    try {
        // The table name comes from the code; the catalog is read without touching rows.
        QSqlQuery q = engine.columnNames(db, table);
        while (q.next())
            if (q.value(0).toString().compare(column, Qt::CaseInsensitive) == 0)
                return true;
    } catch (const AppError& e) {
        if (e.number() == AppError::DatabaseBusy || engine.connectionLost(db))
            throw; // a file in use, or a lost connection, says nothing about its columns
    }
    return false;
}

void checkCreatable(const QString& path)
{
    Engine::named(path).checkCreatable(path);
}

void checkCreatablePair(const QString& main, const QString& documents, bool replaceFiles)
{
    const Engine& mainEngine = Engine::named(main);
    const Engine& documentsEngine = Engine::named(documents);
    mainEngine.checkCreatable(main, replaceFiles);
    documentsEngine.checkCreatable(documents, replaceFiles);
    if (&mainEngine == &documentsEngine && mainEngine.place(main) == documentsEngine.place(documents))
        throw AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                       QStringLiteral("'%1' and '%2' name one database: the main and the documents database must be two.")
                           .arg(displayName(main), displayName(documents)));
}

bool mayNotRead(const QSqlDatabase& db, const QString& table)
{
    return engineOf(db).mayNotRead(db, table);
}

QString role(const QSqlDatabase& db)
{
    return engineOf(db).role(db);
}

QStringList splitScript(const QString& script)
{
    QStringList statements;
    QString statement;
    const QStringList lines = script.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QStringLiteral("--")) || line.isEmpty())
            continue;
        statement += raw + QLatin1Char('\n');
        if (line.endsWith(QLatin1Char(';'))) {
            statements << statement.trimmed();
            statement.clear();
        }
    }
    if (!statement.trimmed().isEmpty())
        statements << statement.trimmed();
    return statements;
}

// Each statement goes in the engine's own form (see Engine::ownForm).
void runScript(const QSqlDatabase& db, const QString& script)
{
    for (const QString& statement : splitScript(script))
        exec(db, statement);
}

void claimNew(const QSqlDatabase& db, const QString& name)
{
    engineOf(db).claimNew(db, name);
}

void continueKeys(const QSqlDatabase& db)
{
    engineOf(db).continueKeys(db);
}

} // namespace Db
