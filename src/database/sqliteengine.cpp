// What is SQLite's own: a database is a file named by its path, a transaction takes the file's
// write lock at once, users of one file wait for each other on a busy timeout, and the catalogue
// is sqlite_master.
#include "db_p.h"
#include "valuestreamengine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUrl>

namespace {

// `mode` is the SQLite URI mode of an existing file: "rw", or "ro" for a file only looked at.
QSqlDatabase addConnection(const QString& driver, const QString& path, const QString& name, bool mayCreate,
                           const QString& mode = QStringLiteral("rw"))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
    if (mayCreate) {
        db.setDatabaseName(path);
    } else {
        // A URI in that mode: SQLite refuses instead of creating a missing file.
        QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        uri.setQuery(QStringLiteral("mode=") + mode);
        db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(Db::BusyTimeoutMs));
    }
    if (!db.open())
        throw Db::dropped(db, Db::dbError(db, QStringLiteral("Db.open"), db.lastError()));
    return db;
}

// The files SQLite keeps beside a database file while it is in use: the write-ahead log, its
// shared-memory index, the rollback journal.
QStringList companionsOf(const QString& path)
{
    return {path + QStringLiteral("-wal"), path + QStringLiteral("-shm"), path + QStringLiteral("-journal")};
}

// The URI mode of a file opened to be read only. Even a reader of a file in WAL mode makes its
// -wal and -shm files beside it, and cannot remove them again. With none of the companion files
// there, nobody is using the file, and it is read as it stands on disk (immutable), which creates
// nothing.
QString readOnlyMode(const QString& path)
{
    for (const QString& companion : companionsOf(path))
        if (QFileInfo::exists(companion))
            return QStringLiteral("ro");
    return QStringLiteral("ro&immutable=1");
}

// The error number for SQLite's result code: a file that another connection holds (busy) or
// locks (locked), a unique key that refused a row, or any other failure. Extended codes keep the
// primary code in their low byte.
qint32 errorNumber(const QSqlError& error, const QString& text)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (ok && (code == 5 || code == 6))
        return AppError::DatabaseBusy;
    if (ok && code == 19 && text.startsWith(QStringLiteral("UNIQUE constraint failed")))
        return AppError::DatabaseConflict;
    return AppError::DatabaseError;
}

class SqliteEngine final : public Db::Engine
{
public:
    QString driver() const override { return QStringLiteral("QSQLITE"); }

    QString key(const QString& name) const override { return Db::canonical(name); }

    QSqlDatabase open(const QString& path, const QString& purpose, bool readOnly) const override
    {
        const QFileInfo info(path);
        if (path.trimmed().isEmpty() || !info.exists())
            throw AppError(AppError::DatabaseError, QStringLiteral("Db.open"),
                           QStringLiteral("Could not find file '%1'.").arg(QDir::toNativeSeparators(path)));
        if (!info.isFile())
            throw AppError(AppError::DatabaseError, QStringLiteral("Db.open"),
                           QStringLiteral("'%1' is not a file.").arg(QDir::toNativeSeparators(path)));

        const QString name = Db::connectionName(path, purpose);
        if (QSqlDatabase::contains(name)) {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isOpen())
                return db;
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
        }
        QSqlDatabase db = addConnection(driver(), path, name, false, readOnly ? readOnlyMode(path) : QStringLiteral("rw"));
        // SQLite reads the file lazily: make it prove that it is a database before anyone uses it.
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const AppError err = Db::dbError(db, QStringLiteral("Db.open"), probe.lastError());
            probe = QSqlQuery();
            db.close();
            throw Db::dropped(db, err);
        }
        return db;
    }

    void checkCreatable(const QString& path, bool replacing) const override
    {
        const QFileInfo info(path);
        const QFileInfo folder(info.absolutePath());
        const auto refused = [&](const QString& why) {
            return AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                            why.arg(QDir::toNativeSeparators(folder.filePath()), QDir::toNativeSeparators(path)));
        };
        if (!folder.exists())
            throw refused(QStringLiteral("The folder '%1' does not exist, so '%2' cannot be made there."));
        if (!folder.isDir())
            throw refused(QStringLiteral("'%1' is not a folder, so '%2' cannot be made there."));
        if (!folder.isWritable())
            throw refused(QStringLiteral("The folder '%1' may not be written, so '%2' cannot be made there."));
        if (info.exists() && !(replacing && info.isFile()))
            throw AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                           QStringLiteral("'%1' already exists.").arg(QDir::toNativeSeparators(path)));
    }

    // A file reached through a link, or a folder reached through one, is the file it leads to.
    QString place(const QString& path) const override
    {
        const QFileInfo info(path);
        if (info.exists())
            return info.canonicalFilePath();
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : folder + QLatin1Char('/') + info.fileName();
    }

    // The file is made here, and only when there is none: of two programs making the same file
    // at once, one makes it and the other is refused, and never opens the file the first is making.
    QSqlDatabase create(const QString& path) const override
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            const QFileInfo info(path);
            if (info.exists() || info.isSymLink())
                throw AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                               QStringLiteral("'%1' already exists: it was made meanwhile.")
                                   .arg(QDir::toNativeSeparators(path)));
            throw AppError(AppError::DatabaseError, QStringLiteral("Db.create"),
                           QStringLiteral("'%1' cannot be made: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        }
        file.close(); // an empty file is an empty database to SQLite
        try {
            return addConnection(driver(), path, Db::canonical(path), true);
        } catch (...) {
            QFile::remove(path);
            throw;
        }
    }

    // The file was made by create(), and the transaction holds it.
    void claimNew(const QSqlDatabase&, const QString&) const override {}

    QSqlDatabase plain(const QString& path, const QString& connection) const override
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver(), connection);
        db.setDatabaseName(path);
        return db;
    }

    void shareAccess(QSqlDatabase& db) const override
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(Db::BusyTimeoutMs));
        // A read-only file keeps its journal: WAL cannot be set there, and need not be.
        q.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        // Years of balances of thousands of accounts: a page cache of 64 MB keeps a month's work in memory.
        q.exec(QStringLiteral("PRAGMA cache_size = -65536"));
    }

    void startSession(QSqlDatabase&, bool) const override {}

    // A file does not go away under an open connection.
    bool connectionLost(const QSqlDatabase&) const override { return false; }
    // The catalogue is read from the file each time.
    void forgetCatalogue(const QSqlDatabase&) const override {}

    QStringList files(const QString& name) const override { return QStringList{name} + companionsOf(name); }

    QString file(const QSqlDatabase& db) const override
    {
        const QString name = db.databaseName();
        return name.startsWith(QStringLiteral("file:")) ? QUrl(name).toLocalFile() : name;
    }

    AppError error(const QSqlDatabase&, const QString& source, const QSqlError& error) const override
    {
        const QString text = Db::errorText(error);
        const qint32 number = errorNumber(error, text);
        if (number == AppError::DatabaseBusy)
            return AppError(number, source, Db::busyText()).withDetails(text).withRetry(AppError::Retry::Later);
        return AppError(number, source, text);
    }

    AppError openError(const QSqlDatabase& db) const override
    {
        return error(db, QStringLiteral("Db.open"), db.lastError());
    }

    // Every transaction here may write, so it takes the write lock at once, waiting on the busy
    // timeout. A deferred one that has read first fails at once with "database is locked" when it
    // tries to write while another connection writes.
    QString beginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }

    // The schema is written as SQLite reads it.
    QString ownForm(const QString& sql) const override { return sql; }
    bool sendsBareStatements() const override { return false; }

    QString exactCollation() const override { return QStringLiteral(" COLLATE BINARY"); }
    QString exactCollation(const QSqlDatabase&, const QString&, const QString&) const override
    {
        return exactCollation();
    }

    // A write transaction holds the whole file already.
    QString holdingRows() const override { return {}; }
    QString lockingRows() const override { return {}; }
    QString sharingRows() const override { return {}; }
    QString lockForAdding(const QString&) const override { return {}; }

    // NOCASE folds A to Z alone and compares what is left byte by byte, and its index serves the order.
    QString caseBlindOrder(const QString& column) const override { return column; }

    // SUM fails on a 64-bit overflow: the sum goes in two halves that cannot overflow, as two
    // integer columns "HIGH, LOW": HIGH the sum of each amount's units shifted right by 32 bits, LOW
    // that of their lowest 32 bits (each fits 64 bits up to 2^31 rows a group). Integers come back
    // as numbers, with no text to make and read for each row.
    QString exactSum(const QString& column) const override
    {
        return QStringLiteral("SUM(%1 >> 32), SUM(%1 & 4294967295)").arg(column);
    }

    // A group of NULL amounts sums to NULL, read as 0.
    ARCurrencySum moneySum(const QSqlQuery& q, int column) const override
    {
        return ARCurrencySum().addHalves(q.value(column).toLongLong(), q.value(column + 1).toLongLong());
    }

    // A bare parameter takes whatever it is given.
    QString firstValuesParameter(const QSqlDatabase&, const QString&, const QString&) const override
    {
        return QStringLiteral("?");
    }

    qint64 insertReturningId(const QSqlDatabase& db, const QString& insert, const QVariantList& values) const override
    {
        return Db::exec(db, insert, values).lastInsertId().toLongLong();
    }

    // SQLite numbers on from the largest key of the table by itself.
    void continueKeys(const QSqlDatabase&) const override {}

    bool tableExists(const QSqlDatabase& db, const QString& table) const override
    {
        return Db::scalar(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"),
                          {table})
                   .toLongLong() > 0;
    }

    QSqlQuery columnNames(const QSqlDatabase& db, const QString& table) const override
    {
        return Db::exec(db, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
    }

    // Whoever may open the file may read all of it.
    bool mayNotRead(const QSqlDatabase&, const QString&) const override { return false; }
    QString role(const QSqlDatabase&) const override { return {}; }

    const Db::ValueStreamEngine& valueStream() const override { return Db::sqliteValueStream; }
};

} // namespace

namespace Db {

const Engine& sqliteEngine()
{
    static const SqliteEngine engine;
    return engine;
}

} // namespace Db
