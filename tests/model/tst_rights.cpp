#include "apperror.h"
#include "clsattachedfilelist.h"
#include "company.h"
#include "db.h"
#include "documentslocation.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "glaccountbalancelist.h"
#include "global.h"
#include "modutility.h"
#include "reconcilingitem.h"
#include "recorders.h"
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
    void documentsDatabaseToldAsItIs_data();
    void documentsDatabaseToldAsItIs();
    void cleanup() { Db::closeAll(); }

private:
    QTemporaryDir m_dir;
    QString m_main; // the tutorial company, made and owned by the test server's own role
};

namespace {

// Let in only with its password, kept in its own ~/.pgpass.
const QString kReader = QStringLiteral("corvantis_pw");
const QString kClerk = QStringLiteral("corvantis_clerk");
// May see whose database it is (its users), and no more.
const QString kStranger = QStringLiteral("corvantis_stranger");

QString as(QString name, const QString& role)
{
    return name.replace("//corvantis@", "//" + role + "@");
}

QString first(const QString& column, const QString& table)
{
    return Db::scalar(Global::getConnection(), "SELECT min(" + column + ") FROM " + table).toString();
}

GLAccountBalance& firstBalance(GLAccountBalanceList& list)
{
    list.Load("11/30/2026");
    return list.getGLAccountBalanceAt(1);
}

// What each row asks of the database, as the dialogs ask it, by the row's name.
const QMap<QString, std::function<void()>> kStores{
    {"balances editor",
     [] {
         GLAccountBalanceList l;
         firstBalance(l).setAmount("123.45");
         l.applyAmountEdit();
     }},
    {"a reconciliation's balance",
     [] {
         GLAccountBalanceList l;
         GLAccountBalance& b = firstBalance(l);
         b.setComment("Checked");
         b.store();
     }},
    {"an account",
     [] {
         GLAccount a;
         a.Load(first("glAcctID", "GLAccount"));
         a.setName("Renamed");
         a.store();
     }},
    {"a reconciling item",
     [] {
         ReconcilingItem item;
         item.initialize({}, first("glAcctID", "GLAccount"), "11/30/2026", {}, "Fee", "10.00", "B", {}, {},
                         "T");
         item.store();
     }},
    {"the company",
     [] {
         Company c;
         c.setName("Renamed Ltd");
         c.store();
     }},
    {"a password", [] { UserStore::updatePassword(*UserStore::load(first("UserId", "Users").toLongLong()), "new secret"); }},
    {"a list the role may not read", [] { GLAccountBalanceList().Load("11/30/2026"); }},
};

} // namespace

void tst_Rights::initTestCase()
{
    if (!TestDb::onServer())
        QSKIP("a file has no roles: whoever may open it may change it");
    QVERIFY(m_dir.isValid());
    m_main = TestDb::tutorial(m_dir.path());
    TestDb::loginRole(kReader, "right");
    TestDb::loginRole(kClerk);
    TestDb::loginRole(kStranger);
    // The rights the README's server section grants: an ordinary user's, and a reader's.
    const QSqlDatabase owner = Db::open(m_main, "owner");
    Db::exec(owner, "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO " + kClerk);
    Db::exec(owner, "GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO " + kClerk);
    Db::exec(owner, "GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + kReader);
    Db::exec(owner, "GRANT SELECT ON Users TO " + kStranger);
    Db::close(m_main, "owner");
}

void tst_Rights::storesSayWhatTheRoleMayNotDo_data()
{
    QTest::addColumn<QString>("role"); // refused
    QTest::addColumn<QString>("said");
    const auto mayNot = [](const QString& doing) {
        return "The database role '%1' may not " + doing + ", so nothing was stored.";
    };
    QTest::newRow("balances editor") << kReader << mayNot("change the period-end balances");
    QTest::newRow("a reconciliation's balance") << kReader << mayNot("change the reconciliation");
    QTest::newRow("an account") << kReader << mayNot("change the accounts");
    QTest::newRow("a reconciling item") << kReader << mayNot("change the reconciling items");
    QTest::newRow("the company") << kReader << mayNot("change the company");
    QTest::newRow("a password") << kReader << mayNot("change the password");
    QTest::newRow("a list the role may not read")
        << kStranger
        << QStringLiteral(
               "The database role '%1' lacks the rights in the database that this needs, so it was "
               "not done. The database's administrator can grant them.");
}

void tst_Rights::storesSayWhatTheRoleMayNotDo()
{
    QFETCH(QString, role);
    QFETCH(QString, said);
    const std::function<void()> store = kStores.value(QTest::currentDataTag());
    TestSeams seams; // its folder is the home
    TestDb::loginRole(kReader, "right", seams.path(".pgpass"));
    Global::userName = QStringLiteral("preparer");

    const QByteArray before = TestDb::snapshot(m_main);
    Global::mainDatabasePath = as(m_main, role);
    try {
        store();
        QFAIL("the role has not the rights for it");
    } catch (const AppError& e) {
        QCOMPARE(e.description(), said.arg(role));
    }
    Db::closeAll();
    QCOMPARE(TestDb::snapshot(m_main), before);

    Global::mainDatabasePath = as(m_main, kClerk);
    store(); // an ordinary user's rights are enough
}

void tst_Rights::documentsDatabaseToldAsItIs_data()
{
    QTest::addColumn<QString>("use");     // "look": as the login and the navigator's gate look; "attach"
    QTest::addColumn<QString>("refusal"); // "rights": none granted there; "password": the desk has none for it
    QTest::newRow("look, no rights there") << "look" << "rights";
    QTest::newRow("attach, no rights there") << "attach" << "rights";
    QTest::newRow("look, a refused connection") << "look" << "password";
    QTest::newRow("attach, a refused connection") << "attach" << "password";
}

// The main database is fine and so is the documents database: what keeps the role from the
// documents is told as it is, never as a database that is not one, and once it is mended the next
// use finds the documents database valid, in the same session.
void tst_Rights::documentsDatabaseToldAsItIs()
{
    QFETCH(QString, use);
    QFETCH(QString, refusal);
    TestSeams seams; // its folder is the home
    static int run = 0;
    const QString role = QStringLiteral("corvantis_docs_%1_%2").arg(QCoreApplication::applicationPid()).arg(++run);
    const bool password = refusal == "password";
    TestDb::loginRole(role, password ? "pw" : QString());
    const QString mainDb = m_main.section('/', -1);
    const QString docs = Db::withRoleOf(Db::scalar(Db::open(m_main, "owner"), "SELECT DocDBLocation FROM AttachedDocDBLocation").toString(), m_main);
    const auto grant = [&](const QString& database) {
        const QSqlDatabase owner = Db::open(database, "owner");
        Db::exec(owner, "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO " + role);
        Db::exec(owner, "GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO " + role);
        Db::close(database, "owner");
    };
    grant(m_main);
    QFile pgpass(seams.path(".pgpass"));
    if (password) {
        grant(docs);
        // A line for the main database only, as a desk set up before the documents had a database of their own.
        QVERIFY(pgpass.open(QIODevice::WriteOnly));
        pgpass.write(QStringLiteral("*:*:%1:%2:pw\n").arg(mainDb, role).toUtf8());
        pgpass.close();
        pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    Global::userName = QStringLiteral("preparer");
    Global::mainDatabasePath = as(m_main, role);
    const QString source = TestDb::textFile(seams.folder(), "statement.pdf", "%PDF of the statement");
    const QString account = first("glAcctID", "GLAccount");
    const auto tried = [&]() -> QString {
        try {
            if (use == "look")
                return DocumentsLocation::checkInUse() == DocumentsLocation::Verdict::Valid ? QString() : "not valid";
            clsAttachedfileList list;
            list.setAccountId(account.toInt(), account);
            list.setItemType(2);
            list.AddFile(modUtility::GetUniqueFileName(source), "Bank statement", source, "01/31/2024");
            list.SaveFiles();
            return {};
        } catch (const AppError& e) {
            return e.description();
        }
    };
    const QString said = tried();
    if (password)
        QVERIFY2(said.contains("Could not connect to the database " + docs.section('/', -1) +
                               " on ") && said.contains(": the server asks for the password of the role '" + role + "'"),
                 qPrintable(said));
    else
        QVERIFY2(said.contains(DocumentsLocation::mayNotReadMessage(role, DocumentsLocation::inUse())), qPrintable(said));
    QVERIFY2(!said.contains("not a valid") && !said.contains("fe_sendauth"), qPrintable(said));
    QVERIFY(!Global::isDocDBValid);

    // Mended meanwhile: found valid at the next use, with no new login and nothing chosen anew.
    if (password) {
        QVERIFY(pgpass.open(QIODevice::Append));
        pgpass.write(QStringLiteral("*:*:%1:%2:pw\n").arg(docs.section('/', -1), role).toUtf8());
        pgpass.close();
    } else {
        grant(docs);
    }
    QCOMPARE(tried(), QString());
    QVERIFY(use != "look" || Global::isDocDBValid);
}

QTEST_GUILESS_MAIN(tst_Rights)
#include "tst_rights.moc"
