#include "amortizableitem.h"
#include "amortization.h"
#include "apperror.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "modelfixture.h"
#include "otherwriter.h"
#include "reconcilingitem.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <functional>
#include <thread>

// Several users of one database: a removal that reads before it writes waits for another user's
// write lock instead of failing at once, and gives up as busy after the busy time; two users
// storing the same new balance; a store into an account being deleted; a client killed in the
// middle of a store; a client whose server session is killed between its stores.
class tst_SharedAccess : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void removeWaitsForAnotherWriter_data();
    void removeWaitsForAnotherWriter();
    void sameNewBalanceIsAConflict();
    void storeWaitsForAnAccountDelete();
    void killedClientLeavesNoPartialStore();
    void storesGoOnAfterTheSessionIsKilled();
};

namespace {

using Remover = std::function<std::function<void()>(ModelFixture&)>;

std::shared_ptr<GLAccount> storedAccount()
{
    auto a = std::make_shared<GLAccount>();
    a->initialize("", "1400", "Prepaid insurance", "", "", "A", "A", "", "", "", "", "");
    a->store();
    return a;
}

std::shared_ptr<AmortizableItem> storedItem(const std::shared_ptr<GLAccount>& account)
{
    auto item = std::make_shared<AmortizableItem>();
    item->initialize(QString(), account, "01/01/2025", "01/01/2025", "03/31/2025", "300", "Insurance", QString(),
                     QString(), QString());
    item->store();
    return item;
}

} // namespace

Q_DECLARE_METATYPE(Remover)

void tst_SharedAccess::removeWaitsForAnotherWriter_data()
{
    QTest::addColumn<Remover>("prepare");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("holdMs"); // how long the other user writes
    QTest::newRow("reconciling item") << Remover([](ModelFixture&) -> std::function<void()> {
        auto account = storedAccount();
        auto item = std::make_shared<ReconcilingItem>();
        item->initialize(QString(), account->getID(), "01/15/2025", QString(), "Check 1001", "25.00", "O", QString(),
                         QString(), "T");
        item->store();
        return [item] { item->remove(); };
    }) << "ReconcilingItem" << 1500;
    QTest::newRow("amortizable item") << Remover([](ModelFixture&) -> std::function<void()> {
        auto item = storedItem(storedAccount());
        return [item] { item->remove(); };
    }) << "AmortizableItem" << 1500;
    QTest::newRow("amortization period") << Remover([](ModelFixture& fx) -> std::function<void()> {
        auto item = storedItem(storedAccount());
        Db::exec(fx.db, "DELETE FROM Amortization");
        auto period = std::make_shared<Amortization>();
        period->initialize(QString(), item->getID(), "01/31/2025", "100", QString(), QString());
        period->store();
        return [period] { period->remove(); };
    }) << "Amortization" << 1500;
    QTest::newRow("amortizable item, held past the busy time") << Remover([](ModelFixture&) -> std::function<void()> {
        auto item = storedItem(storedAccount());
        return [item] { item->remove(); };
    }) << "AmortizableItem" << Db::BusyTimeoutMs + 1500;
}

void tst_SharedAccess::removeWaitsForAnotherWriter()
{
    QFETCH(Remover, prepare);
    QFETCH(QString, table);
    QFETCH(int, holdMs);
    ModelFixture fx;
    const std::function<void()> remove = prepare(fx);
    const qint64 before = fx.rows(table);
    QVERIFY(before > 0);
    const bool outwaited = holdMs < Db::BusyTimeoutMs;

    QElapsedTimer timer;
    timer.start();
    {
        // On a server, writers wait for each other's rows: the other user holds the table's.
        OtherWriter other(Global::mainDatabasePath,
                          TestDb::onServer() ? "BEGIN; LOCK TABLE " + table + " IN EXCLUSIVE MODE" : "BEGIN IMMEDIATE", holdMs);
        QVERIFY(other.holds()); // otherwise nothing was waited for
        try {
            remove();
            QVERIFY2(outwaited, "a removal beyond the busy time must be refused");
        } catch (const AppError& e) {
            QVERIFY2(!outwaited, qPrintable("the removal failed while another user wrote: " + e.description()));
            QCOMPARE(e.number(), AppError::DatabaseBusy);
            QVERIFY(timer.elapsed() >= Db::BusyTimeoutMs - 500);
        }
    }
    QVERIFY(timer.elapsed() >= 1000); // it waited for the other user
    QCOMPARE(fx.rows(table), outwaited ? before - 1 : before);
}

namespace {

const QString kDate = QStringLiteral("01/31/2025");
const QStringList kNumbers = {QStringLiteral("1000"), QStringLiteral("1400"), QStringLiteral("2000")};
const char* const kKilledClient = "CORVANTIS_TEST_KILLED_CLIENT";

void storeAccounts()
{
    for (const QString& number : kNumbers) {
        GLAccount a;
        a.initialize("", number, "Account " + number, "", "", "A", "A", "", "", "", "", "");
        a.store();
    }
}

// Every account's balance at the date, with an amount each.
GLAccountBalanceList newBalances(int plus = 0)
{
    GLAccountBalanceList list;
    list.Load(kDate);
    for (qint64 i = 1; i <= list.count(); ++i)
        list.getGLAccountBalanceAt(i).setAmount(QString::number(100 * i + plus));
    return list;
}

// A clock that stops the store at its second look: the store's own moment, then the moment of
// the audit rows, which are written after the balances themselves.
class StallingClock final : public Clock
{
public:
    QDateTime now() const override
    {
        if (++m_looks == 2) {
            QTextStream(stdout) << "midway" << Qt::endl;
            std::this_thread::sleep_for(std::chrono::minutes(5)); // until killed
        }
        return QDateTime(QDate(2025, 2, 3), QTime(9, 0));
    }

private:
    mutable int m_looks = 0;
};

// The other program: stores every balance of the database named and is killed midway.
int storeUntilKilled(const QString& database)
{
    TestSeams seams;
    Global::mainDatabasePath = database;
    Global::userName = QStringLiteral("other");
    GLAccountBalanceList list = newBalances();
    StallingClock clock;
    Clock::install(&clock);
    list.applyEdit();
    return 1; // never reached
}

const char* const kStoringClient = "CORVANTIS_TEST_STORING_CLIENT";
constexpr int kRounds = 4;

// The other program: stores every balance each time it is told to and says whether it could, then
// stores a new reconciling item and a new prepaid item as their dialogs do and ends with its
// connection open, as the program does (built with the sanitizers, it fails if it leaves anything).
int storeRoundsThenItems(const QString& database)
{
    Global::mainDatabasePath = database;
    Global::userName = QStringLiteral("other");
    QTextStream out(stdout);
    QTextStream in(stdin);
    for (int round = 1; round <= kRounds && !in.readLine().isNull(); ++round) {
        try {
            newBalances(round).applyEdit();
            out << "stored" << Qt::endl;
        } catch (const AppError& e) {
            out << e.description() << Qt::endl;
        }
    }
    auto account = std::make_shared<GLAccount>();
    account->Load(Db::scalar(Global::getConnection(), QStringLiteral("SELECT min(glAcctID) FROM GLAccount")).toString());
    ReconcilingItem item;
    item.initialize({}, account->getID(), "01/15/2025", {}, "Check 1001", "25.00", "O", {}, {}, "T");
    item.beginEdit();
    item.applyEdit();
    AmortizableItem prepaid;
    prepaid.initialize({}, account, "01/01/2025", "01/01/2025", "03/31/2025", "300", "Insurance", {}, {}, {});
    prepaid.beginEdit();
    prepaid.applyEdit();
    return 0;
}

} // namespace

void tst_SharedAccess::sameNewBalanceIsAConflict()
{
    ModelFixture fx;
    storeAccounts();
    GLAccountBalanceList list = newBalances();
    const QVariant otherAccount = fx.value("SELECT glAcctID FROM GLAccount WHERE glacctnbr = ?", {kNumbers.at(1)});
    try {
        // The other user stores the second account's balance while this one stores.
        // On a server its first statement holds the row already; a file's writer holds the file.
        const QString insert = "INSERT INTO GLAccountBalance (glAcctID, Date, amount) VALUES (" +
                               otherAccount.toString() + ", '2025-01-31', 50000)";
        OtherWriter other(Global::mainDatabasePath,
                          TestDb::onServer() ? QStringList{"BEGIN; " + insert} : QStringList{"BEGIN IMMEDIATE", insert},
                          1000, "COMMIT");
        QVERIFY(other.holds());
        list.applyEdit();
        QFAIL("the second balance of the account and date was stored");
    } catch (const AppError& e) {
        QCOMPARE(e.number(), AppError::DatabaseConflict);
        QVERIFY2(e.description().startsWith("Another user stored a balance"), qPrintable(e.description()));
    }
    // Only the other user's balance: nothing of this store, not even the first account's.
    QCOMPARE(fx.rows("GLAccountBalance"), 1);
    QCOMPARE(fx.value("SELECT amount FROM GLAccountBalance").toLongLong(), 50000);
    QCOMPARE(fx.rows("GLAccountBalanceAudit"), 0);
    QVERIFY(list.getGLAccountBalanceAt(1).isNew());
}

void tst_SharedAccess::storeWaitsForAnAccountDelete()
{
    ModelFixture fx;
    storeAccounts();
    newBalances().applyEdit();
    GLAccountBalanceList editor;
    editor.Load(kDate);
    editor.getGLAccountBalance("1400").setAdjustedAmount("3333");
    const qint64 audits = fx.rows("GLAccountBalanceAudit"); // one a stored amount
    // Another user deletes the account while this one presses OK (on a server his first statement
    // deletes already; a file's writer holds the file): the store waits, then finds it gone.
    const QString deletion = "DELETE FROM GLAccount WHERE glacctnbr = '1400'";
    QElapsedTimer timer;
    timer.start();
    {
        OtherWriter other(Global::mainDatabasePath,
                          TestDb::onServer() ? QStringList{"BEGIN; " + deletion}
                                             : QStringList{"BEGIN IMMEDIATE", deletion},
                          1000, "COMMIT");
        QVERIFY(other.holds());
        try {
            editor.applyAmountEdit();
            QFAIL("the amount was stored into the deleted account");
        } catch (const AppError& e) {
            QCOMPARE(e.number(), AppError::DeletedMeanwhile);
        }
    }
    QVERIFY(timer.elapsed() >= 900);
    QCOMPARE(fx.rows("GLAccountBalanceAudit"), audits);
}

void tst_SharedAccess::killedClientLeavesNoPartialStore()
{
    ModelFixture fx;
    storeAccounts();
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kKilledClient, Global::mainDatabasePath);
    client.setProcessEnvironment(env);
    client.start(QCoreApplication::applicationFilePath());
    QVERIFY(client.waitForStarted());
    QByteArray said;
    QElapsedTimer timer;
    timer.start();
    while (!said.contains("midway") && timer.elapsed() < 30000 && client.state() == QProcess::Running)
        if (client.waitForReadyRead(500))
            said += client.readAllStandardOutput();
    QVERIFY2(said.contains("midway"), said + client.readAllStandardError());
    client.kill(); // SIGKILL: no chance to roll back
    QVERIFY(client.waitForFinished());

    QCOMPARE(fx.rows("GLAccountBalance"), 0);
    QCOMPARE(fx.rows("GLAccountBalanceAudit"), 0);
    // The killed client's locks are gone with it: the same balances store here, all of them.
    GLAccountBalanceList list = newBalances();
    list.applyEdit();
    QCOMPARE(fx.rows("GLAccountBalance"), kNumbers.size());
}

void tst_SharedAccess::storesGoOnAfterTheSessionIsKilled()
{
    ModelFixture fx;
    storeAccounts();
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kStoringClient, Global::mainDatabasePath);
    client.setProcessEnvironment(env);
    client.start(QCoreApplication::applicationFilePath());
    for (int round = 1; round <= kRounds; ++round) {
        if (round > 1 && TestDb::onServer()) // its session ends while it waits between two stores
            QCOMPARE(fx.value("SELECT count(pg_terminate_backend(pid, 10000)) FROM pg_stat_activity WHERE datname = "
                              "current_database() AND backend_type = 'client backend' AND pid <> pg_backend_pid()")
                         .toInt(),
                     1);
        client.write("go\n");
        while (!client.canReadLine() && client.waitForReadyRead(30000)) {
        }
        QCOMPARE(QString::fromUtf8(client.readLine()).trimmed() + QStringLiteral(" in round %1").arg(round),
                 QStringLiteral("stored in round %1").arg(round));
    }
    QVERIFY(client.waitForFinished(120000));
    QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0, client.readAllStandardError().right(3000));
    QCOMPARE(fx.value("SELECT sum(amount) FROM GLAccountBalance").toLongLong(), units(600 + 3 * kRounds));
    QCOMPARE(fx.rows("ReconcilingItem") + fx.rows("AmortizableItem"), 2);
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kKilledClient))
        return storeUntilKilled(qEnvironmentVariable(kKilledClient));
    if (qEnvironmentVariableIsSet(kStoringClient))
        return storeRoundsThenItems(qEnvironmentVariable(kStoringClient));
    tst_SharedAccess test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sharedaccess.moc"
