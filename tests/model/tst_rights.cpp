#include "apperror.h"
#include "company.h"
#include "db.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "global.h"
#include "recorders.h"
#include "reconcilingitem.h"
#include "testdb.h"
#include "userstore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

// A team on a server, one role per person: a role that may only read is told, in the system's
// words and naming the role, what it may not do, and leaves the database as it was; a role with
// the rights the README grants an ordinary user stores.
class tst_Rights : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void storesSayWhatTheRoleMayNotDo_data();
    void storesSayWhatTheRoleMayNotDo();
    void cleanup();

private:
    QTemporaryDir m_dir;
    QString m_main; // the tutorial company, made and owned by the test server's own role
};

namespace {

// The role is let in only with its password, which it keeps in its own ~/.pgpass.
const QString kReader = QStringLiteral("corvantis_pw");
const QString kClerk = QStringLiteral("corvantis_clerk");
// A role that may see whose database it is (its users), and no more.
const QString kStranger = QStringLiteral("corvantis_stranger");

QString as(QString name, const QString& role)
{
    return name.replace(QStringLiteral("//corvantis@"), QStringLiteral("//%1@").arg(role));
}

const QMap<QString, std::function<void()>>& stores()
{
    static const QMap<QString, std::function<void()>> all{
        {QStringLiteral("balances"),
         [] {
             GLAccountBalanceList list;
             list.Load(QStringLiteral("11/30/2026"));
             list.getGLAccountBalanceAt(1).setAmount(QStringLiteral("123.45"));
             list.applyAmountEdit();
         }},
        {QStringLiteral("reconciliation"),
         [] {
             GLAccountBalanceList list;
             list.Load(QStringLiteral("11/30/2026"));
             GLAccountBalance& b = list.getGLAccountBalanceAt(1);
             b.setComment(QStringLiteral("Checked"));
             b.store();
         }},
        {QStringLiteral("account"),
         [] {
             GLAccount a;
             a.Load(Db::scalar(Global::getConnection(), QStringLiteral("SELECT min(glAcctID) FROM GLAccount")).toString());
             a.setName(QStringLiteral("Renamed"));
             a.store();
         }},
        {QStringLiteral("item"),
         [] {
             ReconcilingItem item;
             item.initialize({}, Db::scalar(Global::getConnection(), QStringLiteral("SELECT min(glAcctID) FROM GLAccount")).toString(),
                             QStringLiteral("11/30/2026"), {}, QStringLiteral("Fee"), QStringLiteral("10.00"),
                             QStringLiteral("B"), {}, {}, QStringLiteral("T"));
             item.store();
         }},
        {QStringLiteral("company"),
         [] {
             Company c;
             c.setName(QStringLiteral("Renamed Ltd"));
             c.store();
         }},
        {QStringLiteral("read balances"),
         [] {
             GLAccountBalanceList list;
             list.Load(QStringLiteral("11/30/2026"));
         }},
        {QStringLiteral("password"),
         [] {
             UserStore::updatePassword(
                 Db::scalar(Global::getConnection(), QStringLiteral("SELECT min(UserId) FROM Users")).toLongLong(),
                 QStringLiteral("new secret"));
         }},
    };
    return all;
}

} // namespace

void tst_Rights::initTestCase()
{
    if (!TestDb::onServer())
        QSKIP("a file has no roles: whoever may open it may change it");
    QVERIFY(m_dir.isValid());
    m_main = TestDb::tutorial(m_dir.path());
    TestDb::serverAdmin("DO $$ BEGIN CREATE ROLE " + kReader + " LOGIN PASSWORD 'right'; "
                        "EXCEPTION WHEN duplicate_object THEN NULL; END $$");
    for (const QString& role : {kClerk, kStranger})
        TestDb::serverAdmin("DO $$ BEGIN CREATE ROLE " + role + " LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END $$");
    // The rights the README's server section grants: an ordinary user's, and a reader's.
    const QSqlDatabase owner = Db::open(m_main, "owner");
    Db::exec(owner, "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO " + kClerk);
    Db::exec(owner, "GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO " + kClerk);
    Db::exec(owner, "GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + kReader);
    Db::exec(owner, "GRANT SELECT ON Users TO " + kStranger);
    Db::close(m_main, "owner");
}

void tst_Rights::cleanup()
{
    Db::closeAll();
}

void tst_Rights::storesSayWhatTheRoleMayNotDo_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("role"); // refused
    QTest::addColumn<QString>("said");
    const auto mayNot = [](const QString& doing) {
        return "The database role '%1' may not " + doing + ", so nothing was stored.";
    };
    QTest::newRow("balances editor") << "balances" << kReader << mayNot("change the period-end balances");
    QTest::newRow("a reconciliation's balance") << "reconciliation" << kReader << mayNot("change the reconciliation");
    QTest::newRow("an account") << "account" << kReader << mayNot("change the accounts");
    QTest::newRow("a reconciling item") << "item" << kReader << mayNot("change the reconciling items");
    QTest::newRow("the company") << "company" << kReader << mayNot("change the company");
    QTest::newRow("a password") << "password" << kReader << mayNot("change the password");
    QTest::newRow("a list the role may not read")
        << "read balances" << kStranger
        << QStringLiteral("The database role '%1' lacks the rights in the database that this needs, so it was not "
                          "done. The database's administrator can grant them.");
}

void tst_Rights::storesSayWhatTheRoleMayNotDo()
{
    QFETCH(QString, store);
    QFETCH(QString, role);
    QFETCH(QString, said);
    TestSeams seams; // its folder is the home
    QFile pgpass(seams.path(".pgpass"));
    QVERIFY(pgpass.open(QIODevice::WriteOnly));
    pgpass.write("*:*:*:" + kReader.toUtf8() + ":right\n");
    pgpass.close();
    pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    Global::userName = QStringLiteral("preparer");

    const QByteArray before = TestDb::snapshot(m_main);
    Global::mainDatabasePath = as(m_main, role);
    try {
        stores().value(store)();
        QFAIL("the role has not the rights for it");
    } catch (const AppError& e) {
        QCOMPARE(e.description(), said.arg(role));
    }
    Db::closeAll();
    QCOMPARE(TestDb::snapshot(m_main), before);

    Global::mainDatabasePath = as(m_main, kClerk);
    stores().value(store)(); // an ordinary user's rights are enough
}

QTEST_GUILESS_MAIN(tst_Rights)
#include "tst_rights.moc"
