#include "amortizableitem.h"
#include "amortization.h"
#include "apperror.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "glaccountbalancelist.h"
#include "modelfixture.h"
#include "otherwriter.h"
#include "persistence.h"
#include "reconcilingitem.h"
#include "userstore.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <QTest>
#include <algorithm>
#include <functional>
#include <optional>
#include <thread>

// Several users of one database: a removal that reads before it writes waits for another user's
// write lock instead of failing at once, and gives up as busy after the busy time; two users
// storing the same new balance; a store into an account being deleted; a client killed in the
// middle of a store; a client whose server session is killed between its stores; several
// programs storing the same rows at once lose no update and leave no change without its audit row;
// programs adding the same user name or account number at once add it once. The programs start
// together on a word from this one and each does a fixed number of stores, so that what is
// asserted holds however fast the machine runs them.
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
    void concurrentStoresLoseNothing_data();
    void concurrentStoresLoseNothing();
    void lastAdministratorStaysOne();
    void sameNewUserNameOnce();
    void sameNewAccountNumberOnce();
    void wholeBalanceListsWaitInTurn_data();
    void wholeBalanceListsWaitInTurn();
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

std::shared_ptr<ReconcilingItem> storedRecItem(const QString& accountId)
{
    auto item = std::make_shared<ReconcilingItem>();
    item->initialize({}, accountId, "01/15/2025", {}, "Check 1001", "25.00", "O", {}, {}, "T");
    item->store();
    return item;
}

std::shared_ptr<AmortizableItem> storedItem(const std::shared_ptr<GLAccount>& account)
{
    auto item = std::make_shared<AmortizableItem>();
    item->initialize({}, account, "01/01/2025", "01/01/2025", "03/31/2025", "300", "Insurance", {}, {}, {});
    item->store();
    return item;
}

// Another user writes `sql` in a transaction of his own, holds it for a second, then commits.
// On a server his statement holds the rows it wrote already; a file's writer holds the file.
std::unique_ptr<OtherWriter> otherWritesThenCommits(const QString& sql)
{
    return std::make_unique<OtherWriter>(
        Global::mainDatabasePath, TestDb::onServer() ? QStringList{"BEGIN; " + sql} : QStringList{"BEGIN IMMEDIATE", sql},
        1000, "COMMIT");
}

// The program's next line of output, waited for as long as the program runs; what it left
// unfinished, or nothing, when it ended first.
QByteArray nextLine(QProcess& program)
{
    while (!program.canReadLine())
        if (!program.waitForReadyRead(-1))
            break;
    return program.readLine().trimmed();
}

// Reads the program's lines until it says `line`: false when it ends without saying it.
bool hears(QProcess& program, const QByteArray& line)
{
    while (program.state() != QProcess::NotRunning || program.bytesAvailable() > 0)
        if (nextLine(program) == line)
            return true;
    return false;
}

// Starts this test program again as another program, told what to do through `variable`.
void startAsOther(QProcess& program, const char* variable, const QString& value)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(variable, value);
    program.setProcessEnvironment(env);
    program.start(QCoreApplication::applicationFilePath());
}

} // namespace

Q_DECLARE_METATYPE(Remover)

void tst_SharedAccess::removeWaitsForAnotherWriter_data()
{
    QTest::addColumn<Remover>("prepare");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("holdMs"); // how long the other user writes
    QTest::newRow("reconciling item") << Remover([](ModelFixture&) -> std::function<void()> {
        auto item = storedRecItem(storedAccount()->getID());
        return [item] { item->remove(); };
    }) << "ReconcilingItem" << 1500;
    const Remover removeItem = [](ModelFixture&) -> std::function<void()> {
        auto item = storedItem(storedAccount());
        return [item] { item->remove(); };
    };
    QTest::newRow("amortizable item") << removeItem << "AmortizableItem" << 1500;
    QTest::newRow("amortizable item, held past the busy time") << removeItem << "AmortizableItem" << Db::BusyTimeoutMs + 1500;
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
    account->Load(Db::scalar(Global::getConnection(), "SELECT min(glAcctID) FROM GLAccount").toString());
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
        const auto other = otherWritesThenCommits("INSERT INTO GLAccountBalance (glAcctID, Date, amount) VALUES (" +
                                                  otherAccount.toString() + ", '2025-01-31', 50000)");
        QVERIFY(other->holds());
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
    // Another user deletes the account while this one presses OK: the store waits, then finds it gone.
    QElapsedTimer timer;
    timer.start();
    {
        const auto other = otherWritesThenCommits("DELETE FROM GLAccount WHERE glacctnbr = '1400'");
        QVERIFY(other->holds());
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
    startAsOther(client, kKilledClient, Global::mainDatabasePath);
    QVERIFY2(hears(client, "midway"), client.readAllStandardError());
    client.kill(); // SIGKILL: no chance to roll back
    QVERIFY(client.waitForFinished(-1));

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
    startAsOther(client, kStoringClient, Global::mainDatabasePath);
    for (int round = 1; round <= kRounds; ++round) {
        if (round > 1 && TestDb::onServer()) // its session ends while it waits between two stores
            QCOMPARE(fx.value("SELECT count(pg_terminate_backend(pid, 10000)) FROM pg_stat_activity WHERE datname = "
                              "current_database() AND backend_type = 'client backend' AND pid <> pg_backend_pid()"),
                     QVariant(qint64(1)));
        client.write("go\n");
        QCOMPARE(nextLine(client) + " in round " + QByteArray::number(round), "stored in round " + QByteArray::number(round));
    }
    QVERIFY(client.waitForFinished(-1));
    QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0, client.readAllStandardError().right(3000));
    QCOMPARE(fx.value("SELECT sum(amount) FROM GLAccountBalance").toLongLong(), units(600 + 3 * kRounds));
    QCOMPARE(fx.rows("ReconcilingItem") + fx.rows("AmortizableItem"), 2);
}

namespace {

const char* const kWriter = "CORVANTIS_TEST_WRITER";

// A writer's amount tells which store it was and which one it had loaded: in cents, its own
// token times 10^7 plus the loaded amount's token (0 for the first amount).
qint64 tokenOf(qint64 units, bool loaded = false)
{
    const qint64 cents = units / ARCurrency::UnitsPerCent;
    return loaded ? cents % 10000000 : cents / 10000000;
}

void stamp(ARCurrency& amount, qint64 token)
{
    amount = ARCurrency::fromUnits((token * 10000000 + tokenOf(amount.units())) * ARCurrency::UnitsPerCent);
}

QString monthEnd(int n)
{
    return QDate(2025, 2, 1).addMonths(n).addDays(-1).toString("MM/dd/yyyy");
}

// The stores of a writer program, each of another month end in the balance lists.
constexpr int kWriterRounds = 20;
// The position in the list of the account on line `line` (from 0) of writer `writer`'s file: each
// file begins at another quarter of the accounts and goes through them in an order of its own
// (forwards, backwards, every 11th, every 29th account).
qint64 positionInFile(qint64 writer, qint64 line, qint64 accounts)
{
    const qint64 step = QList<qint64>{1, accounts - 1, 11, 29}.at((writer - 1) % 4);
    return 1 + ((writer - 1) * accounts / 4 + line * step) % accounts;
}

// Tells the test program that this one is ready and waits for its word to go: the programs then
// start their stores together.
void waitForTheOthers()
{
    QTextStream(stdout) << "ready" << Qt::endl;
    QTextStream(stdin).readLine();
}

// One store of a writer program: loads the row, stamps it, calls `loaded`, stores it (a prepaid
// item's schedule only, its row as loaded).
void storeStamped(const QString& kind, qint64 token, const std::function<void()>& loaded)
{
    const auto idOf = [](const char* sql) { return Db::scalar(Global::getConnection(), sql).toString(); };
    if (kind == "balances") {
        GLAccountBalanceList editor;
        editor.Load(kDate);
        stamp(editor.getGLAccountBalanceAt(1).getAmount(), token);
        loaded();
        editor.applyAmountEdit();
    } else if (kind.startsWith("balance lists")) {
        // Odd writers store whole rows, even ones the editor's amounts: the two kinds meet at each date.
        GLAccountBalanceList list;
        list.Load(monthEnd(int(token % 1000000)));
        if (kind == "balance lists from files") {
            // The month's balances in the order of the writer's file.
            GLAccountBalanceList fromFile;
            for (qint64 line = 0; line < list.count(); ++line)
                fromFile.add(list.getGLAccountBalanceAt(positionInFile(token / 1000000, line, list.count())));
            list = std::move(fromFile);
        }
        for (qint64 i = 1; i <= list.count(); ++i)
            stamp(list.getGLAccountBalanceAt(i).getAmount(), token);
        loaded();
        token / 1000000 % 2 ? list.applyEdit() : list.applyAmountEdit();
    } else if (kind == "sign-offs") {
        auto account = std::make_shared<GLAccount>();
        account->Load(idOf("SELECT glAcctID FROM GLAccount"));
        GLAccountBalance b;
        b.Load(account, kDate);
        stamp(b.getTargetAmount(), token);
        b.setReviewedBy(Global::userName);
        loaded();
        b.store();
    } else if (kind == "reconciling items") {
        ReconcilingItem item;
        item.Load(idOf("SELECT RecItemId FROM ReconcilingItem"));
        stamp(item.getAmount(), token);
        loaded();
        item.store();
    } else {
        AmortizableItem item;
        item.Load(idOf("SELECT AmortizableItemID FROM AmortizableItem"));
        stamp(item.getAmortizationList().getAmortizationAt(1).getAmount(), token);
        loaded();
        item.store();
    }
}

// Adds accounts RÄ-1 to RÄ-10, in a letter case of the program's own; says how many were stored
// and how many refused as another account's number.
int addAccounts(int program)
{
    Global::getConnection();
    waitForTheOthers();
    int stored = 0, refused = 0;
    for (int round = 1; round <= 10; ++round) {
        GLAccount a;
        a.initialize("", (program % 2 ? "rä-" : "RÄ-") + QString::number(round), "Raced", "", "", "A", "L", "", "", "", "", "");
        try {
            a.store();
            ++stored;
        } catch (const AppError& e) {
            if (!e.source().endsWith("AccountNumberNotUnique"))
                return 1;
            ++refused;
        }
    }
    QTextStream(stdout) << stored << ' ' << refused;
    return 0;
}

// The other program: writer `index` stores one kind of row kWriterRounds times, each time once
// every writer has loaded what it stores, then says how many of its stores were accepted and how
// many refused; or, as an administrator, adds the user "pat" or the accounts of addAccounts and
// says what came of it.
int storeRepeatedly(const QStringList& args)
{
    TestSeams seams;
    Global::mainDatabasePath = args.value(0);
    Global::userName = "writer" + args.value(2);
    if (args.value(1) == "new accounts")
        return addAccounts(args.value(2).toInt());
    if (args.value(1) == "new user") {
        Global::getConnection();
        waitForTheOthers();
        try {
            UserStore::insert({0, "pat", "Pat Rivera", "User", UserAccount::Right::Prepare, {}, {}}, "pw");
            QTextStream(stdout) << "stored";
        } catch (const AppError& e) {
            QTextStream(stdout) << e.description();
        }
        return 0;
    }
    int accepted = 0, refused = 0;
    for (int round = 0; round < kWriterRounds; ++round) {
        try {
            storeStamped(args.value(1), args.value(2).toLongLong() * 1000000 + round, waitForTheOthers);
            ++accepted;
        } catch (const AppError& e) {
            // Whole lists wait for each other in turn: one that gave up as busy failed.
            const bool lists = args.value(1).startsWith("balance lists");
            if (e.number() != AppError::ChangedMeanwhile &&
                e.number() != (lists ? AppError::DatabaseConflict : AppError::DatabaseBusy)) {
                QTextStream(stdout) << e.description() << Qt::endl;
                return 1;
            }
            ++refused;
        }
    }
    // What the server counted of this session (its deadlocks) reaches its statistics before the
    // program ends, not some moment after.
    if (TestDb::onServer())
        Db::exec(Global::getConnection(), "SELECT pg_stat_force_next_flush()");
    QTextStream(stdout) << accepted << ' ' << refused << Qt::endl;
    return 0;
}

// What this test program does around its word to go in a round: `closing` before it, `opening`
// after it, given how many programs still run.
struct Gate
{
    std::function<void()> closing = [] {};
    std::function<void(int)> opening = [](int) {};
};

// Runs this test program four times at once as other programs, each given `what` and its number;
// in each of `rounds` rounds, once all four are ready, tells them to go. Returns what each said.
QStringList runOtherPrograms(const QString& what, int rounds = 1, const Gate& gate = {})
{
    QList<std::shared_ptr<QProcess>> programs;
    for (int i = 1; i <= 4; ++i) {
        programs << std::make_shared<QProcess>();
        startAsOther(*programs.last(), kWriter, QStringList{Global::mainDatabasePath, what, QString::number(i)}.join('|'));
    }
    QStringList said(programs.size());
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype i = 0; i < programs.size(); ++i)
            if (said[i].isEmpty() && !hears(*programs[i], "ready"))
                said[i] = QStringLiteral("ended before round %1: ").arg(round + 1);
        gate.closing();
        for (auto& p : programs)
            p->write("go\n") == 3 && p->waitForBytesWritten(-1);
        gate.opening(int(std::count_if(programs.cbegin(), programs.cend(),
                                       [](const auto& p) { return p->state() != QProcess::NotRunning; })));
    }
    for (qsizetype i = 0; i < programs.size(); ++i) {
        programs[i]->waitForFinished(-1);
        said[i] = (said[i] + QString::fromUtf8(programs[i]->readAllStandardOutput())).trimmed();
    }
    return said;
}

// Adds up the "accepted refused" counts the programs said.
void sumCounts(const QStringList& said, int& accepted, int& refused)
{
    for (const QString& one : said) {
        const QStringList counts = one.split(' ');
        QVERIFY2(counts.size() == 2, qPrintable(one));
        accepted += counts[0].toInt();
        refused += counts[1].toInt();
    }
}

} // namespace

void tst_SharedAccess::concurrentStoresLoseNothing_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column"); // the stamped amount, in the row and in its audit rows
    QTest::newRow("balances") << "GLAccountBalance" << "amount";
    QTest::newRow("sign-offs") << "GLAccountBalance" << "targetAmount";
    QTest::newRow("reconciling items") << "ReconcilingItem" << "amount";
    QTest::newRow("prepaid schedules") << "Amortization" << "amount";
}

void tst_SharedAccess::concurrentStoresLoseNothing()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    ModelFixture fx;
    auto account = storedAccount();
    GLAccountBalance balance;
    balance.Load(account, kDate);
    balance.store();
    storedRecItem(account->getID());
    storedItem(account);

    int accepted = 0, refused = 0;
    sumCounts(runOtherPrograms(QTest::currentDataTag(), kWriterRounds), accepted, refused);
    // The four stores of a round start from one load: the first of them is accepted, the three
    // others would overwrite it unseen and are refused.
    QCOMPARE(accepted, kWriterRounds);
    QCOMPARE(refused, 3 * kWriterRounds);

    // One audit row an accepted store, and no two accepted stores from one load: the later one
    // would have overwritten the other unseen. The row holds the last one.
    const QString first = table == "Amortization" ? "period = '2025-01-31'" : "1 = 1";
    QSqlQuery q = Db::exec(fx.db, QStringLiteral("SELECT %1 FROM %2Audit WHERE Activity = 'UPDATE' AND %3")
                                      .arg(column, table, first));
    QSet<qint64> stored, loadedFrom;
    int audits = 0;
    for (; q.next(); ++audits) {
        stored << tokenOf(q.value(0).toLongLong());
        loadedFrom << tokenOf(q.value(0).toLongLong(), true);
    }
    QCOMPARE(audits, accepted);
    QCOMPARE(loadedFrom.size(), audits); // fewer: updates lost
    QVERIFY(stored.contains(tokenOf(fx.value(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(column, table, first)).toLongLong())));
}

// Two administrators each take the Administrator role from the other one at once: one of them
// must stay an administrator.
void tst_SharedAccess::lastAdministratorStaysOne()
{
    ModelFixture fx;
    Db::exec(fx.db, "DELETE FROM Users");
    const qint64 ann = TestDb::addPlainUser(Global::mainDatabasePath, "ann", "pw", "Administrator", 1, 1, 1, "Ann");
    const qint64 ben = TestDb::addPlainUser(Global::mainDatabasePath, "ben", "pw", "Administrator", 1, 1, 1, "Ben");
    Global::userID = QStringLiteral("0"); // neither of them works here
    UserAccount mine = *UserStore::load(ann);
    mine.role = "User";
    try {
        // Another administrator's program takes the role from Ben while this one takes it from Ann.
        const auto other = otherWritesThenCommits("UPDATE Users SET Role = 'User' WHERE UserId = " + QString::number(ben));
        QVERIFY(other->holds());
        UserStore::update(mine, QString());
        QFAIL("the last administrator lost the role");
    } catch (const AppError& e) {
        QVERIFY2(e.description().contains("last administrator"), qPrintable(e.description()));
    }
    QCOMPARE(fx.value("SELECT count(*) FROM Users WHERE Role = 'Administrator'").toLongLong(), 1);
}

// Several administrators add the same new user at once: one of them does, the others are told
// the name is taken.
void tst_SharedAccess::sameNewUserNameOnce()
{
    ModelFixture fx;
    TestDb::addPlainUser(Global::mainDatabasePath, "admin", "pw", "Administrator", 1, 1, 1, "Admin");
    const QStringList said = runOtherPrograms("new user");
    QCOMPARE(said.count("stored"), 1);
    QCOMPARE(said.filter("User pat already exists in the system.").size(), 3);
    QCOMPARE(fx.value("SELECT count(*) FROM Users WHERE UserName = 'pat'").toLongLong(), 1);
}

// Several programs add the same account numbers at once, in letter cases of their own: each
// number is stored once, and the three others are told it is another account's.
void tst_SharedAccess::sameNewAccountNumberOnce()
{
    ModelFixture fx;
    int stored = 0, refused = 0;
    sumCounts(runOtherPrograms("new accounts"), stored, refused);
    QCOMPARE(stored, 10); // the other 30 were refused: any other outcome fails the program
    QCOMPARE(fx.rows("GLAccount"), 10);
}

void tst_SharedAccess::wholeBalanceListsWaitInTurn_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("halfStored"); // every other balance of each month end stored before
    QTest::addColumn<int>("accounts");    // on the server, enough for two stores of new rows to meet inside their statements
    QTest::newRow("half stored, in the list's order") << "balance lists" << true << 40;
    // A file's writers take turns on the whole file, so there they cannot meet inside a statement;
    // a small list keeps each turn well inside the busy time, however slow the machine.
    QTest::newRow("new, in the orders of four files")
        << "balance lists from files" << false << (TestDb::onServer() ? 600 : 40);
}

// Several programs store the whole balance lists of the same month ends at once, as rows or as the
// editor's amounts, whatever order their lists hold: each waits its turn, then stores or is told
// who came first; none gives up as busy, none is left half stored, the server sees no deadlock.
void tst_SharedAccess::wholeBalanceListsWaitInTurn()
{
    QFETCH(QString, what);
    QFETCH(bool, halfStored);
    ModelFixture fx;
    QFETCH(int, accounts);
    Db::Transaction tx(fx.db);
    // Numbered out of the order they were added in: the list's order is not the rows' on disk.
    for (int i = 0; i < accounts; ++i) {
        GLAccount a;
        a.initialize("", QString::number(10000 + i * 17 % accounts), "Cash", "", "", "A", "D", "", "", "", "", "");
        a.store();
    }
    tx.commit();
    for (int n = 0; n < kWriterRounds && halfStored; ++n) {
        GLAccountBalanceList list;
        list.Load(monthEnd(n));
        for (qint64 i = 1; i <= list.count(); i += 2)
            list.getGLAccountBalanceAt(i).store();
    }
    const QString deadlocks = "SELECT deadlocks FROM pg_stat_database WHERE datname = current_database()";
    const qint64 deadlocksBefore = TestDb::onServer() ? fx.value(deadlocks).toLongLong() : 0;
    // On the server the writers of a round all wait for this program's hold on the accounts, and
    // go on together once every one of them waits for it.
    Gate gate;
    std::optional<Db::Transaction> holding;
    if (TestDb::onServer()) {
        gate.closing = [&] {
            holding.emplace(fx.db);
            Db::exec(fx.db, "SELECT glAcctID FROM GLAccount FOR UPDATE");
        };
        const auto waiting = [&] {
            Db::exec(fx.db, "SELECT pg_stat_clear_snapshot()"); // the sessions as they are now
            return fx.value("SELECT count(DISTINCT l.pid) FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid "
                            "WHERE NOT l.granted AND a.datname = current_database()")
                .toLongLong();
        };
        gate.opening = [&, waiting](int running) {
            while (waiting() < running)
                QThread::yieldCurrentThread();
            holding->commit();
            holding.reset();
        };
    }
    int accepted = 0, refused = 0;
    sumCounts(runOtherPrograms(what, kWriterRounds, gate), accepted, refused);
    // The four writers of a round store the month end they all loaded: the first one is accepted.
    QCOMPARE(accepted, kWriterRounds);
    QCOMPARE(refused, 3 * kWriterRounds);
    QCOMPARE(fx.value("SELECT count(*) FROM (SELECT Date FROM GLAccountBalance GROUP BY Date "
                      "HAVING count(*) NOT IN (?, ?)) AS odd", {halfStored ? accounts / 2 : accounts, accounts})
                 .toLongLong(),
             0);
    if (TestDb::onServer()) {
        Db::exec(fx.db, "SELECT pg_stat_clear_snapshot()");
        QCOMPARE(fx.value(deadlocks).toLongLong() - deadlocksBefore, 0);
    }
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kKilledClient))
        return storeUntilKilled(qEnvironmentVariable(kKilledClient));
    if (qEnvironmentVariableIsSet(kStoringClient))
        return storeRoundsThenItems(qEnvironmentVariable(kStoringClient));
    if (qEnvironmentVariableIsSet(kWriter))
        return storeRepeatedly(qEnvironmentVariable(kWriter).split('|'));
    tst_SharedAccess test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sharedaccess.moc"
