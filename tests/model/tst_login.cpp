#include "apperror.h"
#include "db.h"
#include "global.h"
#include "passwordhash.h"
#include "recorders.h"
#include "testdb.h"

#include <QElapsedTimer>
#include <QFile>
#include <limits>
#include <QSqlQuery>
#include <QTest>

// The login check against table Users: who may log in, what the session then holds, and that a
// failed check changes nothing.
class tst_Login : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void matching_data();
    void matching();
    void permissionFollowsFirstRight();
    void administratorRoleIsExact();
    void plainPasswordIsStoredHashed();
    void failedLoginKeepsSession();
    void emptyUsersRefusesEveryone();
    void loginNeverCreatesOrChangesFiles();
    void refusedDatabaseIsLeftUnchanged_data();
    void refusedDatabaseIsLeftUnchanged();
    void passwordHash();
    void unknownNameCostsAsMuchAsKnown();

private:
    QString m_template;
    QTemporaryDir m_dir;
};

void tst_Login::initTestCase()
{
    TestSeams seams;
    m_template = TestDb::emptyMain(m_dir.path(), "template.db");
    TestDb::addPlainUser(m_template, "Maria", "Secret1", "User", 1, 0, 0, "Maria Lopez");
    TestDb::addPlainUser(m_template, "O'Brien", "pa'ss", "User", 0, 1, 1, "Sean O'Brien");
    TestDb::addPlainUser(m_template, "Zoë", "ünïcode", "Administrator", 0, 0, 1, "Zoë Ünal");
    TestDb::addPlainUser(m_template, "nullpass", QString(), "User");
    // An older file may hold one name in two spellings: the spelling typed exactly picks the user.
    TestDb::addPlainUser(m_template, "ärger", "pA");
    TestDb::addPlainUser(m_template, "ÄRGER", "pB");
}

namespace {
QString copyOf(const QString& source, const QString& folder)
{
    return TestDb::copyOf(source, folder, "main.db");
}
} // namespace

void tst_Login::matching_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << "Maria" << "Secret1" << true;
    QTest::newRow("name in other case") << "MARIA" << "Secret1" << true;
    QTest::newRow("password in other case") << "Maria" << "secret1" << false;
    QTest::newRow("quotes") << "o'brien" << "pa'ss" << true;
    QTest::newRow("non-ascii name") << "ZOË" << "ünïcode" << true;
    QTest::newRow("surrounding blanks") << " maria  " << "Secret1" << true;
    QTest::newRow("name held twice, one spelling") << " ärger" << "pA" << true;
    QTest::newRow("name held twice, the other") << "ÄRGER " << "pB" << true;
    QTest::newRow("name held twice, other's password") << "ÄRGER" << "pA" << false;
    QTest::newRow("name held twice, neither spelling") << "Ärger" << "pA" << false;
    QTest::newRow("injection in name") << "' OR 1=1 --" << "x" << false;
    QTest::newRow("injection in password") << "Maria" << "' OR '1'='1" << false;
    QTest::newRow("wildcards") << "%" << "Secret1" << false;
    QTest::newRow("underscore") << "Mari_" << "Secret1" << false;
    QTest::newRow("long name") << QString(500, 'x') << "x" << false;
    QTest::newRow("null password never matches") << "nullpass" << "" << false;
    QTest::newRow("empty") << "" << "" << false;
}

void tst_Login::matching()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    TestSeams seams;
    const QString path = copyOf(m_template, seams.folder());
    QCOMPARE(Global::validateLogin(path, user, password), accepted);
    QCOMPARE(Global::isLoggedIn, accepted);
    QVERIFY(seams.prompter.messages.isEmpty());
    if (accepted) {
        QCOMPARE(Global::userName.toUpper(), user.trimmed().toUpper());
        QVERIFY(Global::userName != user || user == "Maria"); // the stored form of the name
        QCOMPARE(Global::mainDatabasePath, path);
    }
}

void tst_Login::permissionFollowsFirstRight()
{
    TestSeams seams;
    const QString path = copyOf(m_template, seams.folder());
    QVERIFY(Global::validateLogin(path, "maria", "Secret1"));
    QCOMPARE(Global::permission, QStringLiteral("CAN_PREPARE"));
    QCOMPARE(Global::reportName, QStringLiteral("Maria Lopez"));
    QCOMPARE(Global::userName, QStringLiteral("Maria"));
    QVERIFY(Global::validateLogin(path, "O'Brien", "pa'ss"));
    QCOMPARE(Global::permission, QStringLiteral("CAN_REVIEW")); // reviewed before approved
    QVERIFY(Global::validateLogin(path, "Zoë", "ünïcode"));
    QCOMPARE(Global::permission, QStringLiteral("CAN_APPROVE"));
    TestDb::addPlainUser(path, "norights", "pw", "User", 0, 0, 0);
    QVERIFY(Global::validateLogin(path, "norights", "pw"));
    QCOMPARE(Global::permission, QString()); // not the previous user's
}

void tst_Login::administratorRoleIsExact()
{
    TestSeams seams;
    const QString path = copyOf(m_template, seams.folder());
    TestDb::addPlainUser(path, "lower", "pw", "administrator");
    QVERIFY(Global::validateLogin(path, "Zoë", "ünïcode"));
    QVERIFY(Global::isAdminUser);
    QVERIFY(Global::validateLogin(path, "lower", "pw"));
    QVERIFY(!Global::isAdminUser);
    QCOMPARE(Global::role, QStringLiteral("administrator"));
}

void tst_Login::plainPasswordIsStoredHashed()
{
    TestSeams seams;
    const QString path = copyOf(m_template, seams.folder());
    QVERIFY(Global::validateLogin(path, "Maria", "Secret1"));
    const QString stored = Db::scalar(Db::open(path), "SELECT Password FROM Users WHERE UserName = ?", {"Maria"}).toString();
    QVERIFY(PasswordHash::isHashed(stored));
    QVERIFY(!stored.contains("Secret1"));
    // The hashed password still logs in, and only with the right text.
    QVERIFY(Global::validateLogin(path, "Maria", "Secret1"));
    QVERIFY(!Global::validateLogin(path, "Maria", "Secret2"));
}

void tst_Login::failedLoginKeepsSession()
{
    TestSeams seams;
    const QString first = copyOf(m_template, seams.folder());
    QVERIFY(Global::validateLogin(first, "Zoë", "ünïcode"));
    QDir().mkpath(seams.path("other"));
    const QString second = copyOf(m_template, seams.path("other"));
    QVERIFY(!Global::validateLogin(second, "Zoë", "wrong"));
    QVERIFY(Global::isLoggedIn);
    QVERIFY(Global::isAdminUser);
    QCOMPARE(Global::userName, QStringLiteral("Zoë"));
    QCOMPARE(Global::mainDatabasePath, first);
    QCOMPARE(Global::getConnection().connectionName(), Db::open(first).connectionName());
}

void tst_Login::emptyUsersRefusesEveryone()
{
    TestSeams seams;
    const QString path = TestDb::emptyMain(seams.folder());
    QVERIFY(!Global::validateLogin(path, "admin", "admin"));
    QVERIFY(!Global::validateLogin(path, "", ""));
}

void tst_Login::loginNeverCreatesOrChangesFiles()
{
    TestSeams seams;
    const QString missing = seams.path("missing.db");
    QVERIFY_THROWS_EXCEPTION(AppError, Global::validateLogin(missing, "a", "b"));
    QVERIFY(!QFile::exists(missing));
    QVERIFY(seams.exits.ended());
    QVERIFY(!Global::isLoggedIn);

    const QString text = TestDb::textFile(seams.folder(), "text.db", "hello");
    QVERIFY_THROWS_EXCEPTION(AppError, Global::validateLogin(text, "a", "b"));
    QFile f(text);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("hello"));
}

void tst_Login::refusedDatabaseIsLeftUnchanged_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<bool>("ends"); // refused as a foreign database, which ends the program
    QTest::newRow("no tables") << QStringList{} << true;
    QTest::newRow("another program's Users")
        << QStringList{"CREATE TABLE Users (UserName TEXT, Password TEXT)", "INSERT INTO Users VALUES ('Maria', 'Secret1')"}
        << true;
    // Older than this program: the attachments' table without its CreateUser column.
    QTest::newRow("older schema") << QStringList{"ALTER TABLE AttachedDocument DROP COLUMN CreateUser"} << false;
    // Older still in another way: audit rows that are not numbered as they are inserted.
    QTest::newRow("unnumbered audit rows")
        << QStringList{"DROP TABLE AmortizationAudit",
                       "CREATE TABLE AmortizationAudit (amortizableItemID INTEGER, Activity TEXT, ActivityDate TEXT, "
                       "ActivityUser TEXT)"}
        << false;
}

void tst_Login::refusedDatabaseIsLeftUnchanged()
{
    QFETCH(QStringList, statements);
    QFETCH(bool, ends);
    TestSeams seams;
    QString path;
    if (ends) {
        path = TestDb::madeDatabase(seams.folder(), "refused.db", statements);
    } else {
        path = copyOf(m_template, seams.folder());
        {
            QSqlDatabase db = Db::open(path, "older");
            for (const QString& statement : statements)
                Db::exec(db, statement);
        }
        Db::close(path, "older");
    }
    const QByteArray before = TestDb::snapshot(path);
    if (ends) {
        QVERIFY_THROWS_EXCEPTION(AppError, Global::checkLogin(path, "Maria", "Secret1"));
        QVERIFY(seams.exits.ended());
    } else {
        // The plain-text password stays as it was: nothing is written to a refused database.
        QCOMPARE(Global::checkLogin(path, "Maria", "Secret1"), Global::LoginResult::OutOfDate);
        QVERIFY(!PasswordHash::isHashed(
            Db::scalar(Db::open(path), "SELECT Password FROM Users WHERE UserName = ?", {"Maria"}).toString()));
    }
    QVERIFY(!Global::isLoggedIn);
    QCOMPARE(TestDb::snapshot(path), before);
}

void tst_Login::passwordHash()
{
    const QString a = PasswordHash::hash("same");
    const QString b = PasswordHash::hash("same");
    QVERIFY(a != b); // salted
    QVERIFY(a.startsWith("pbkdf2-sha256$100000$"));
    QVERIFY(PasswordHash::verify("same", a));
    QVERIFY(!PasswordHash::verify("Same", a));
    QVERIFY(PasswordHash::verify("plain", "plain"));
    QVERIFY(!PasswordHash::verify("plain", "pbkdf2-sha256$100000$AAAA$BBBB"));
}

void tst_Login::unknownNameCostsAsMuchAsKnown()
{
    TestSeams seams;
    const QString path = copyOf(m_template, seams.folder());
    QVERIFY(Global::validateLogin(path, "Maria", "Secret1")); // stored hashed from now on
    // The fastest of several interleaved tries of each, so that a busy machine slows all alike.
    const QStringList users{"Maria", "Nobody", "O'Brien"};
    QList<qint64> fastest(users.size(), std::numeric_limits<qint64>::max());
    for (int round = 0; round < 5; ++round)
        for (qsizetype i = 0; i < users.size(); ++i) {
            QElapsedTimer timer;
            timer.start();
            QVERIFY(!Global::validateLogin(path, users[i], "wrong"));
            fastest[i] = std::min(fastest[i], timer.nsecsElapsed());
        }
    // A refusal takes about as long whether the name exists or not, with a hashed or a plain
    // password (without the equal cost an unknown name answered twenty times sooner).
    const auto report = [&](qsizetype i) {
        return QString("%1 %2 ns against %3 ns").arg(users[i]).arg(fastest[i]).arg(fastest[0]);
    };
    QVERIFY2(fastest[1] * 4 > fastest[0], qPrintable(report(1)));
    QVERIFY2(fastest[2] * 4 > fastest[0], qPrintable(report(2)));
}

QTEST_GUILESS_MAIN(tst_Login)
#include "tst_login.moc"
