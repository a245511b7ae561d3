// Eight desks storing sign-offs at once on the benchmarks' server, each on balances of its own:
// all eight logged in as one user (one person at several desks or in several windows) against
// eight users in the same run. Every store checks, inside its transaction, that its user is still
// one; the desks of one user must not wait for each other on that check.
#include "apperror.h"
#include "benchsupport.h"
#include "db.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "global.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTextStream>
#include <limits>
#include <memory>

namespace {

// Tells this program, started again, to be one desk: "MAIN|USER|FIRST|COUNT|ROUNDS".
const char* const kDesk = "CORVANTIS_BENCH_DESK";
constexpr int kDesks = 8;
constexpr int kBalancesPerDesk = 10;
constexpr int kRounds = 150; // stores per desk
const QString kDate = QStringLiteral("12/31/2024");
const QString kPassword = QStringLiteral("pw");

// One desk: logs in, loads its balances, says "ready", waits for the word to go, then signs off
// (and moves the sign-off's date, so that every store changes it) round after round.
int beADesk(const QStringList& task)
{
    if (task.size() != 5 || !Global::validateLogin(task[0], task[1], kPassword))
        return 2;
    const QVariantList ids = [&] {
        QVariantList out;
        QSqlQuery q = Db::exec(
            Global::getConnection(),
            QStringLiteral("SELECT glAcctID FROM GLAccount WHERE recTypeCode <> 'B' ORDER BY glAcctID "
                           "LIMIT ? OFFSET ?"),
            {task[3].toInt(), task[2].toInt()});
        while (q.next())
            out << q.value(0);
        return out;
    }();
    QList<std::shared_ptr<GLAccountBalance>> balances;
    for (const QVariant& id : ids) {
        auto account = std::make_shared<GLAccount>();
        account->Load(id.toString());
        auto balance = std::make_shared<GLAccountBalance>();
        balance->Load(account, kDate);
        balances << balance;
    }
    QTextStream out(stdout);
    out << "ready" << Qt::endl;
    QTextStream(stdin).readLine();
    const int rounds = task[4].toInt();
    try {
        for (int r = 0; r < rounds; ++r) {
            GLAccountBalance& b = *balances[r % balances.size()];
            b.setPreparedBy(Global::reportName);
            b.setPreparedByDate(b.getPreparedByDate() == QStringLiteral("12/02/2024")
                                    ? QStringLiteral("12/03/2024")
                                    : QStringLiteral("12/02/2024"));
            b.store();
        }
    } catch (const AppError& e) {
        out << e.description() << Qt::endl;
        return 1;
    }
    return 0;
}

// Runs the desks, logged in as the users given (one a desk), from the moment all are ready until
// the last has stored its rounds; milliseconds, or a negative number when a desk failed.
double runDesks(const QString& main, const QStringList& users)
{
    QList<std::shared_ptr<QProcess>> desks;
    for (int i = 0; i < kDesks; ++i) {
        auto desk = std::make_shared<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kDesk),
                   QStringList{main, users.at(i), QString::number(i * kBalancesPerDesk),
                               QString::number(kBalancesPerDesk), QString::number(kRounds)}
                       .join(QLatin1Char('|')));
        desk->setProcessEnvironment(env);
        desk->start(QCoreApplication::applicationFilePath());
        desks << desk;
    }
    for (auto& desk : desks) {
        while (!desk->canReadLine() && desk->waitForReadyRead(60000)) {
        }
        if (desk->readLine().trimmed() != "ready")
            return -1;
    }
    QElapsedTimer t;
    t.start();
    for (auto& desk : desks)
        desk->write("go\n");
    bool failed = false;
    for (auto& desk : desks) {
        failed |= !desk->waitForFinished(600000) || desk->exitCode() != 0;
        if (desk->exitCode() != 0)
            std::fprintf(stderr, "desk: %s\n", desk->readAllStandardOutput().constData());
    }
    return failed ? -1 : t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kDesk))
        return beADesk(qEnvironmentVariable(kDesk).split(QLatin1Char('|')));
    if (!Bench::engines().contains(Bench::Engine::Server))
        return 0;

    const QString name = Bench::named(QStringLiteral("same-user-stores"), Bench::Engine::Server);
    const Bench::Ledger ledger(kDesks * kBalancesPerDesk * 2, Bench::Engine::Server);
    QStringList users;
    for (int i = 1; i <= kDesks; ++i) {
        users << QStringLiteral("desk%1").arg(i);
        Db::exec(Global::getConnection(),
                 QStringLiteral(
                     "INSERT INTO Users (UserName, Password, ChkPreparedBy, ChkReviewedBy, ChkApprovedBy, "
                     "Role, rptname) VALUES (?, ?, 1, 0, 0, 'USER', ?)"),
                 {users.last(), kPassword, QStringLiteral("Desk %1").arg(i)});
        // Logged in once here, so that the password is stored hashed before the desks log in.
        if (!Global::validateLogin(ledger.path(), users.last(), kPassword))
            return Bench::fail(name + QStringLiteral(": the desks' users cannot log in"));
    }
    // The best of two runs each, taken in turns.
    const QStringList oneUser(kDesks, users.first());
    double ours = std::numeric_limits<double>::max(), base = ours;
    for (int run = 0; run < 2; ++run) {
        const double one = runDesks(ledger.path(), oneUser);
        const double eight = runDesks(ledger.path(), users);
        if (one < 0 || eight < 0)
            return Bench::fail(name + QStringLiteral(": a desk failed to store"));
        ours = std::min(ours, one);
        base = std::min(base, eight);
    }
    const qint64 stored =
        Db::scalar(Global::getConnection(),
                   QStringLiteral("SELECT count(*) FROM GLAccountBalanceAudit WHERE Activity = 'UPDATE'"))
            .toLongLong();
    if (stored != 2 * 2 * kDesks * kRounds)
        return Bench::fail(name + QStringLiteral(": %1 stores recorded").arg(stored));
    Bench::print(name, ours, base, kDesks * kRounds);
    return 0;
}
