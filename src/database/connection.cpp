// The connection's life: the engine picked for a database, opening, connecting again after a
// loss, closing, and the errors of a connection in the system's words.
#include "db_p.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>

namespace {

QSet<QString> g_shared;   // connections already set up for shared access
QSet<QString> g_readOnly; // server connections whose sessions may only read

// The connection name, or "" for a name that can never be opened (so it is open nowhere).
QString knownConnectionName(const QString& path, const QString& purpose)
{
    try {
        return Db::connectionName(path, purpose);
    } catch (const AppError&) {
        return {};
    }
}

QSqlDatabase openIn(const QString& path, const QString& purpose, bool readOnly)
{
    const Db::Engine& engine = Db::Engine::named(path);
    return engine.open(path, purpose, readOnly);
}

} // namespace

namespace Db {

const Engine& sqliteEngine();
const Engine& serverEngine();

const Engine& Engine::named(const QString& name)
{
    return isServerName(name) ? serverEngine() : sqliteEngine();
}

const Engine& Engine::of(const QSqlDatabase& db)
{
    static const QString server = serverEngine().driver();
    return db.driverName() == server ? serverEngine() : sqliteEngine();
}

QString canonical(const QString& path)
{
    const QFileInfo info(path);
    const QString c = info.canonicalFilePath();
    return c.isEmpty() ? info.absoluteFilePath() : c;
}

QString connectionName(const QString& path, const QString& purpose)
{
    const QString key = Engine::named(path).key(path);
    return purpose.isEmpty() ? key : purpose + QLatin1Char(':') + key;
}

QString errorText(const QSqlError& error)
{
    const QString text = error.databaseText();
    return text.isEmpty() ? error.text() : text;
}

QString busyText()
{
    return QStringLiteral("The database is in use by another user and did not become free in time, "
                          "so nothing was changed. Please try again in a moment.");
}

AppError lostConnectionError(const QString& source, const QString& details)
{
    return AppError(AppError::DatabaseError, source,
                    QStringLiteral("The connection to the database server was lost, so the last command was not "
                                   "completed and nothing of it was stored. The next command connects again."))
        .withDetails(details);
}

AppError notPermittedError(const QSqlDatabase& db, const QString& source, const QString& role, const QString& details)
{
    const QString doing = doingOn(db.connectionName());
    const QString text =
        doing.isEmpty()
            ? QStringLiteral("The database role '%1' lacks the rights in the database that this needs, so it was not "
                             "done. The database's administrator can grant them.")
                  .arg(role)
            : QStringLiteral("The database role '%1' may not %2, so nothing was stored.").arg(role, doing);
    return AppError(AppError::NotPermitted, source, text).withDetails(details);
}

AppError dbError(const QSqlDatabase& db, const QString& source, const QSqlError& error)
{
    return engineOf(db).error(db, source, error);
}

// A lost server connection opens again for the next command, only outside a transaction: inside
// one, what followed the loss would run outside it, so each statement of the unit fails until it
// has ended. Nothing prepared on the old session is kept (the server forgot it with the session).
void reconnect(const QSqlDatabase& db)
{
    const Engine& engine = engineOf(db);
    if (!engine.connectionLost(db))
        return;
    const QString name = db.connectionName();
    if (transactionDepth(name) > 0)
        throw lostConnectionError(QStringLiteral("Db.exec"), QStringLiteral("The transaction ended with the connection."));
    forgetStatements(name);
    engine.forgetCatalogue(db);
    QSqlDatabase again = db;
    again.close();
    if (!again.open())
        throw engine.openError(again);
    engine.startSession(again, g_readOnly.contains(name));
}

void rememberReadOnly(const QString& connection)
{
    g_readOnly.insert(connection);
}

AppError dropped(QSqlDatabase& db, const AppError& error)
{
    const QString name = db.connectionName();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    return error;
}

QSqlDatabase open(const QString& path, const QString& purpose)
{
    return openIn(path, purpose, false);
}

QSqlDatabase openReadOnly(const QString& path, const QString& purpose)
{
    return openIn(path, purpose, true);
}

bool isOpen(const QString& path, const QString& purpose)
{
    const QString name = knownConnectionName(path, purpose);
    return !name.isEmpty() && QSqlDatabase::contains(name) && QSqlDatabase::database(name, false).isOpen();
}

QSqlDatabase create(const QString& path)
{
    checkCreatable(path);
    return Engine::named(path).create(path);
}

QSqlDatabase plainConnection(const QString& name, const QString& connection)
{
    return Engine::named(name).plain(name, connection);
}

void close(const QString& path, const QString& purpose)
{
    const QString name = knownConnectionName(path, purpose);
    if (name.isEmpty() || !QSqlDatabase::contains(name))
        return;
    forgetConnection(name);
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        engineOf(db).forgetCatalogue(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    g_shared.remove(name);
    g_readOnly.remove(name);
}

void closeAll()
{
    forgetAllConnections();
    for (const QString& name : QSqlDatabase::connectionNames()) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            engineOf(db).forgetCatalogue(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    g_shared.clear();
    g_readOnly.clear();
}

void useSharedAccess(QSqlDatabase& db)
{
    if (g_shared.contains(db.connectionName()))
        return;
    g_shared.insert(db.connectionName());
    engineOf(db).shareAccess(db);
}

bool isConnectedFile(const QString& path)
{
    const QString wanted = canonical(path);
    for (const QString& name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (!db.isOpen())
            continue;
        const QString file = engineOf(db).file(db);
        if (!file.isEmpty() && canonical(file) == wanted)
            return true;
    }
    return false;
}

} // namespace Db
