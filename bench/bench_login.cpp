// The login check over a users table of 5,000 rows: its cost should be the one password
// derivation it must do, not the walk over the table.
#include "benchsupport.h"
#include "db.h"
#include "global.h"
#include "passwordhash.h"
#include "schema.h"

#include <QCoreApplication>
#include <QTemporaryDir>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    Schema::createMainDatabase(path);
    const int users = 5000;
    const QString stored = PasswordHash::hash(QStringLiteral("secret"));
    {
        QSqlDatabase db = Db::open(path, QStringLiteral("fill"));
        Db::Transaction tx(db);
        for (int i = 0; i < users; ++i)
            Db::exec(db,
                     QStringLiteral("INSERT INTO Users (UserName, Password, ChkPreparedBy, ChkApprovedBy, "
                                    "ChkReviewedBy, Role, rptname) VALUES (?, ?, 1, 0, 0, 'User', ?)"),
                     {QStringLiteral("user%1").arg(i), stored, QStringLiteral("User %1").arg(i)});
        tx.commit();
    }
    Db::close(path, QStringLiteral("fill"));

    const qint64 before = Db::statementCount();
    bool ok = false;
    const double ours = Bench::timeIt([&] { ok = Global::validateLogin(path, QStringLiteral("USER4999"), QStringLiteral("secret")); }, 1);
    const qint64 queries = Db::statementCount() - before;
    const double baseline = Bench::timeIt([&] { PasswordHash::verify(QStringLiteral("secret"), stored); }, 1);
    if (!ok || Global::userName != QStringLiteral("user4999"))
        return Bench::fail(QStringLiteral("login-check: the last user did not log in"));
    Bench::print(QStringLiteral("login-check"), ours, baseline, users, queries);
    return 0;
}
