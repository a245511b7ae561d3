#include "accountfigures.h"
#include "apperror.h"
#include "db.h"
#include "glaccount.h"
#include "global.h"
#include "reconciliation.h"
#include "reconciliationkind.h"
#include "modelfixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTextStream>

// The reconciliation kinds on worked examples, and the all-accounts figures checked against them
// for every account of the tutorial company.
class tst_Reconciliation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void kindsAndWhatTheyExplain_data();
    void kindsAndWhatTheyExplain();
    void factoryCodes_data();
    void factoryCodes();
    void bankWorkedExample();
    void timingRule();
    void prepaid();
    void setBasedFiguresEqualObjects();
    void lowerCaseCodesAndEmptyFlagsCountAlike();
    void signOffRacingAnItemChange();
};

namespace {

struct Fixture : ModelFixture
{
    std::shared_ptr<GLAccount> account(const QString& rec, const QString& type = "A")
    {
        auto a = std::make_shared<GLAccount>();
        a->initialize("", "1000", "Cash", "", "", type, rec, "", "", "", "", "");
        Db::exec(db, "INSERT INTO GLAccount (glacctnbr, accountTypeCode, recTypeCode) VALUES ('1000', ?, ?)",
                 {type, rec});
        a->Load(Db::scalar(db, "SELECT MAX(glAcctID) FROM GLAccount").toString());
        return a;
    }
    void balance(const GLAccount& a, qint64 amount, qint64 target)
    {
        Db::exec(db, "INSERT INTO GLAccountBalance (glAcctID, Date, amount, targetAmount) VALUES (?, '2024-01-31', ?, ?)",
                 {a.getID(), amount * 10000, target * 10000});
    }
    void item(const GLAccount& a, const QString& type, const QString& timing, qint64 amount, const QString& open,
              const QVariant& close = QVariant())
    {
        Db::exec(db,
                 "INSERT INTO ReconcilingItem (glAcctID, openDate, closeDate, amount, typeCode, ReqTiming) "
                 "VALUES (?, ?, ?, ?, ?, ?)",
                 {a.getID(), open, close, amount * 10000, type, timing});
    }
};

} // namespace

void tst_Reconciliation::factoryCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("kind");
    QTest::newRow("subledger") << "S" << "plain";
    QTest::newRow("list") << "L" << "plain";
    QTest::newRow("balance only") << "B" << "plain";
    QTest::newRow("calculated") << "H" << "plain";
    QTest::newRow("prepaid") << "A" << "prepaid";
    QTest::newRow("bank") << "C" << "bank";
    QTest::newRow("null") << "N" << "";
    QTest::newRow("unknown code reads as null") << "Q" << "";
}

void tst_Reconciliation::factoryCodes()
{
    QFETCH(QString, code);
    QFETCH(QString, kind);
    Fixture fx;
    auto a = std::make_shared<GLAccount>();
    a->initialize("", "1000", "Cash", "", "", "A", "", "", "", "", "", "");
    a->setRecTypeCode(code);
    try {
        auto r = ReconciliationFactory::create(a, "01/31/2024");
        QVERIFY(!kind.isEmpty());
        QCOMPARE(dynamic_cast<BankReconciliation*>(r.get()) != nullptr, kind == "bank");
        QCOMPARE(dynamic_cast<PrepaidReconciliation*>(r.get()) != nullptr, kind == "prepaid");
        QVERIFY(r->getRequiredAdjustments().isZero());
    } catch (const AppError& e) {
        QVERIFY(kind.isEmpty());
        QCOMPARE(e.number(), AppError::ObjectError1001);
        QCOMPARE(e.source(), QStringLiteral("ReconciliationFactory"));
        QCOMPARE(e.description(), QStringLiteral("Not expecting a 'N' code in the create() method"));
    }
}

void tst_Reconciliation::bankWorkedExample()
{
    Fixture fx;
    auto a = fx.account("C");
    fx.balance(*a, 1000, 900);
    fx.item(*a, "C", "T", -150, "2024-01-10");
    fx.item(*a, "D", "T", 50, "2024-01-20");
    fx.item(*a, "L", "R", 25, "2024-01-05"); // in the all-items list only
    BankReconciliation bank;
    bank.Load(a, "01/31/2024");
    QCOMPARE(bank.getUnidentifiedDifference().toString(false), QStringLiteral("200.00"));
    QCOMPARE(bank.getRequiredAdjustments().toString(false), QStringLiteral("25.00"));
    QVERIFY(bank.hasDepositItems());
    QVERIFY(!bank.hasBankFeeItems());
    QCOMPARE(bank.getCheckItems().count(), 1);
    QCOMPARE(bank.allItems().count(), 3);
    // Through the panels' interface the balance is edited.
    IGLAccountBalance& panel = bank;
    panel.setTargetAmount("800");
    QCOMPARE(bank.getUnidentifiedDifference().toString(false), QStringLiteral("300.00"));
}

void tst_Reconciliation::timingRule()
{
    Fixture fx;
    auto a = fx.account("S");
    fx.balance(*a, 0, 0);
    fx.item(*a, "S", "R", 1, "2024-01-31");               // opened on the date: counts
    fx.item(*a, "S", "R", 10, "2024-01-01", "2024-01-31"); // closed on the date: not open
    fx.item(*a, "S", "R", 100, "2024-01-01", "2024-02-01"); // closed the next day: counts
    fx.item(*a, "S", "R", 1000, "2023-12-15");             // opened the year before: counts
    fx.item(*a, "S", "r", 10000, "2024-01-01");            // lower case counts as "R"
    fx.item(*a, "S", "U", 7, "2024-01-01");
    fx.item(*a, "S", "T", 3, "2024-01-01");
    auto r = ReconciliationFactory::create(a, "01/31/2024");
    QCOMPARE(r->getRequiredAdjustments().toString(false), QStringLiteral("11,101.00"));
    QCOMPARE(r->getUnResolved().toString(false), QStringLiteral("7.00"));
}

void tst_Reconciliation::prepaid()
{
    Fixture fx;
    auto a = fx.account("A");
    fx.balance(*a, 1200, 0);
    const qint64 item = Db::exec(fx.db,
                                 "INSERT INTO AmortizableItem (glAcctID, openDate, startDate, endDate, amount, \"desc\") "
                                 "VALUES (?, '2024-01-01', '2024-01-01', '2024-12-31', 12000000, 'Insurance')",
                                 {a->getID()})
                            .lastInsertId()
                            .toLongLong();
    for (int m = 1; m <= 12; ++m)
        Db::exec(fx.db, "INSERT INTO Amortization (amortizableItemID, period, amount) VALUES (?, ?, 1000000)",
                 {item, QDate(2024, m, 1).addMonths(1).addDays(-1).toString(Qt::ISODate)});
    fx.item(*a, "O", "T", 40, "2024-01-02");
    auto r = ReconciliationFactory::create(a, "01/31/2024");
    QCOMPARE(r->getUnidentifiedDifference().toString(false), QStringLiteral("60.00")); // 1200-(1100+40)
}

void tst_Reconciliation::setBasedFiguresEqualObjects()
{
    TestSeams seams;
    Global::mainDatabasePath = TestDb::tutorial(seams.folder());
    for (const QString date : {"11/30/2026", "06/30/2026", "12/31/2025"}) {
        const auto figures = AccountFiguresQuery::load(date, "All Accounts");
        GLAccountList accounts;
        QCOMPARE(figures.size(), accounts.count());
        for (qsizetype i = 0; i < accounts.count(); ++i) {
            const AccountFigures& f = figures[i];
            auto account = std::make_shared<GLAccount>(accounts.at(i));
            QCOMPARE(f.number, account->getNumber());
            std::unique_ptr<IReconciliation> r;
            try {
                r = ReconciliationFactory::create(account, date);
            } catch (const AppError&) {
                // No reconciliation class: the views figure it as a plain one.
                auto plain = std::make_unique<Reconciliation>();
                plain->Load(account, date);
                r = std::move(plain);
            }
            const QString where = f.number + " at " + date;
            QVERIFY2(f.unidentifiedDifference().value() == r->getUnidentifiedDifference(), qPrintable(where));
            QVERIFY2(f.requiredAdjustments.value() == r->getRequiredAdjustments(), qPrintable(where));
            QVERIFY2(f.unresolved.value() == r->getUnResolved(), qPrintable(where));
            QVERIFY2(f.debitAmount() == r->getDebitAmount(), qPrintable(where));
            QVERIFY2(f.creditAmount() == r->getCreditAmount(), qPrintable(where));
            QCOMPARE(f.lastReconciledDate, r->getLastReconciledDate());
            QCOMPARE(f.reconciled, r->isReconciled());
            QCOMPARE(f.preparedBy, r->getPreparedBy());
            QCOMPARE(f.reviewedBy, r->getReviewedBy());
        }
    }
}

void tst_Reconciliation::kindsAndWhatTheyExplain_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("hasKind");
    QTest::addColumn<qint64>("explained"); // items 100, bank items 30, prepaid remaining 5 (units)
    QTest::newRow("subledger: the items") << "S" << true << qint64(100);
    QTest::newRow("list: the items") << "L" << true << qint64(100);
    QTest::newRow("prepaid: items and remaining") << "A" << true << qint64(105);
    QTest::newRow("bank: the bank items only") << "C" << true << qint64(30);
    QTest::newRow("lower case is no kind") << "c" << false << qint64(100);
    QTest::newRow("unknown: figured as plain") << "Z" << false << qint64(100);
}

void tst_Reconciliation::kindsAndWhatTheyExplain()
{
    QFETCH(QString, code);
    QFETCH(bool, hasKind);
    QFETCH(qint64, explained);
    using namespace ReconciliationKind;
    QCOMPARE(ReconciliationFactory::hasKind(code), hasKind);
    const Evidence evidence{ARCurrency::fromUnits(100), ARCurrency::fromUnits(30), ARCurrency::fromUnits(5)};
    QCOMPARE(ReconciliationKind::explained(of(code).value_or(Kind::Plain), evidence).units(), explained);
    // The set-based figures draw on the same rule.
    AccountFigures f;
    f.recTypeCode = code;
    f.amount = ARCurrency::fromUnits(1000);
    f.itemsTotal = ARCurrencySum(evidence.items);
    f.bankItemsTotal = ARCurrencySum(evidence.bankItems);
    f.prepaidRemaining = ARCurrencySum(evidence.prepaidRemaining);
    QCOMPARE(f.unidentifiedDifference().value().units(), 1000 - explained);
}

void tst_Reconciliation::lowerCaseCodesAndEmptyFlagsCountAlike()
{
    Fixture fx;
    auto a = fx.account("C");
    Db::exec(fx.db, "UPDATE GLAccount SET active = '', keycontrol = ''");
    a->Load(a->getID());
    fx.balance(*a, 1000, 900);
    fx.item(*a, "C", "T", 60, "2024-01-02");
    fx.item(*a, "c", "r", 40, "2024-01-03"); // a check and an adjustment, in the list and the totals
    auto bank = ReconciliationFactory::create(a, "01/31/2024");
    ReconcilingItemList checks;
    checks.Load(a->getID(), "01/31/2024", "C");
    QCOMPARE(checks.count(), 2);
    QCOMPARE(bank->getUnidentifiedDifference().toString(false), QStringLiteral("0.00"));
    QCOMPARE(bank->getRequiredAdjustments().toString(false), QStringLiteral("40.00"));
    QVERIFY(checks.getTotalAmount() == static_cast<BankReconciliation&>(*bank).getTotalCheckAmount());
    QCOMPARE(a->getActive(), QStringLiteral("Yes"));
    for (const QString filter : {"Active Accounts", "Key Control Accounts"}) {
        const auto figures = AccountFiguresQuery::load("01/31/2024", filter);
        QCOMPARE(figures.size(), 1);
        QCOMPARE(figures[0].active, QStringLiteral("Yes"));
        QVERIFY(figures[0].unidentifiedDifference().value() == bank->getUnidentifiedDifference());
        QVERIFY(figures[0].requiredAdjustments.value() == bank->getRequiredAdjustments());
    }
}

namespace {

const char* const kRacer = "CORVANTIS_TEST_RACER";
const QString kRaceDate = QStringLiteral("11/30/2026");

// A program of its own in the race: the approver, who has the reconciliation of the account open
// and signs when told to, or the preparer, who changes its item. Says what became of its store.
int race(const QStringList& args)
{
    TestSeams seams;
    Global::mainDatabasePath = args.value(0);
    Global::userName = args.value(1);
    auto account = std::make_shared<GLAccount>();
    account->Load(args.value(2));
    QTextStream out(stdout);
    try {
        if (Global::userName == QStringLiteral("approver")) {
            Reconciliation mine;
            mine.Load(account, kRaceDate);
            out << "loaded " << mine.getUnidentifiedDifference().toString(false) << Qt::endl;
            QTextStream in(stdin);
            if (in.readLine() != QStringLiteral("go"))
                return 1;
            mine.balance().setApprovedBy(QStringLiteral("Ann Approver"));
            mine.balance().setApprovedByDate(kRaceDate);
            mine.balance().store();
        } else {
            ReconcilingItemList items;
            items.Load(account->getID(), kRaceDate, QString());
            (*items.begin())->setAmount(QStringLiteral("2480"));
            (*items.begin())->store();
        }
        out << "stored" << Qt::endl;
    } catch (const AppError& e) {
        out << "refused " << e.description() << Qt::endl;
    }
    return 0;
}

void startRacer(QProcess& program, const QString& who, const QString& accountId)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kRacer, QStringList{Global::mainDatabasePath, who, accountId}.join('|'));
    program.setProcessEnvironment(env);
    program.start(QCoreApplication::applicationFilePath());
}

// Waits until the condition holds, or the program ends; false when it never did.
bool waitFor(const std::function<bool()>& holds, const QProcess& program)
{
    QElapsedTimer timer;
    timer.start();
    while (!holds()) {
        if (program.state() == QProcess::NotRunning || timer.elapsed() > 60000)
            return false;
        QTest::qWait(20);
    }
    return true;
}

} // namespace

// The approver signs while the preparer changes an item of the same reconciliation, in a fixed
// order of steps: the approver's store is held after its check, just before its audit row, while
// the preparer stores. The change is either kept waiting until the approval is stored (and comes
// after it), or the approval is refused: an approval never stands over a change stored before it.
void tst_Reconciliation::signOffRacingAnItemChange()
{
    if (!TestDb::onServer())
        QSKIP("the writers of a file take turns whole: nothing can come between a sign-off's check and its write");
    Fixture fx;
    auto a = fx.account("S");
    Db::exec(fx.db, "INSERT INTO GLAccountBalance (glAcctID, Date, amount, targetAmount, preparedBy, PreparedByDate) "
                    "VALUES (?, '2026-11-30', 124800000, 0, 'Pat Preparer', '2026-11-30')",
             {a->getID()});
    fx.item(*a, "S", "T", 12480, "2026-11-01");

    QProcess approver, preparer;
    startRacer(approver, "approver", a->getID());
    QVERIFY(approver.waitForReadyRead(60000));
    QCOMPARE(approver.readLine().trimmed(), QByteArray("loaded 0.00"));

    // Another user holds the balances' audit table: the approver's store stops at its audit row.
    QSqlDatabase holder = Db::open(Global::mainDatabasePath, "holder");
    Db::exec(holder, "BEGIN");
    Db::exec(holder, "LOCK TABLE GLAccountBalanceAudit IN EXCLUSIVE MODE");
    const auto waiting = [&] {
        return fx.value("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND "
                        "wait_event_type = 'Lock'")
            .toLongLong();
    };
    approver.write("go\n");
    QVERIFY(waitFor([&] { return waiting() == 1; }, approver));

    startRacer(preparer, "preparer", a->getID());
    // The preparer's store either goes through now or waits for the approver.
    const bool changedFirst = !waitFor([&] { return waiting() == 2; }, preparer);
    Db::exec(holder, "ROLLBACK");
    holder = QSqlDatabase();
    Db::close(Global::mainDatabasePath, "holder");
    for (QProcess* p : {&approver, &preparer})
        QVERIFY(p->state() == QProcess::NotRunning || p->waitForFinished(60000));
    const QByteArray approved = approver.readAll().trimmed();
    const QByteArray changed = preparer.readAll().trimmed();
    QCOMPARE(changed, QByteArray("stored"));
    QVERIFY2(approved == "stored" || approved.startsWith("refused The reconciling item"), approved);
    QVERIFY2(!(changedFirst && approved == "stored"), "the approval was stored over an item changed before it");
    QCOMPARE(fx.value("SELECT count(*) FROM GLAccountBalance WHERE approvedBy IS NOT NULL").toLongLong(),
             approved == "stored" ? 1 : 0);
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(kRacer))
        return race(qEnvironmentVariable(kRacer).split('|'));
    tst_Reconciliation test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_reconciliation.moc"
