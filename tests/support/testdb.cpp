#include "testdb.h"

#include "db.h"
#include "schema.h"

#include <QDir>
#include <QFile>
#include <QVariant>

namespace TestDb {

QString emptyMain(const QString& folder, const QString& name)
{
    const QString path = QDir(folder).filePath(name);
    Schema::createMainDatabase(path);
    return path;
}

QString documents(const QString& folder, const QString& name)
{
    const QString path = QDir(folder).filePath(name);
    Schema::createDocumentsDatabase(path);
    return path;
}

QString tutorial(const QString& folder)
{
    const QString mainPath = QDir(folder).filePath(QStringLiteral("tutorial.db"));
    Schema::createTutorialDatabases(mainPath, QDir(folder).filePath(QStringLiteral("tutorial-docs.db")));
    return mainPath;
}

qint64 addPlainUser(const QString& mainPath, const QString& userName, const QString& password, const QString& role,
                    int prepared, int reviewed, int approved, const QString& fullName)
{
    QSqlDatabase db = Db::open(mainPath, QStringLiteral("testdb"));
    QSqlQuery q = Db::exec(db,
                           QStringLiteral("INSERT INTO Users (UserName, Password, ChkPreparedBy, ChkApprovedBy, "
                                          "ChkReviewedBy, Role, rptname) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                           {userName, password, prepared, approved, reviewed, role, fullName});
    const qint64 id = q.lastInsertId().toLongLong();
    q = QSqlQuery();
    db = QSqlDatabase();
    Db::close(mainPath, QStringLiteral("testdb"));
    return id;
}

void setDocumentsLocation(const QString& mainPath, const QString& documentsPath)
{
    QSqlDatabase db = Db::open(mainPath, QStringLiteral("testdb"));
    Db::exec(db, QStringLiteral("DELETE FROM AttachedDocDBLocation"));
    Db::exec(db, QStringLiteral("INSERT INTO AttachedDocDBLocation (DocDBLocation) VALUES (?)"), {documentsPath});
    db = QSqlDatabase();
    Db::close(mainPath, QStringLiteral("testdb"));
}

QString textFile(const QString& folder, const QString& name, const QByteArray& content)
{
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return path;
}

} // namespace TestDb
