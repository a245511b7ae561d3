#include "amortizableitem.h"
#include "amortization.h"
#include "apperror.h"
#include "company.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "modelfixture.h"
#include "reconcilingitem.h"
#include "userstore.h"

#include <QTest>
#include <functional>

// Two users hold the same row: the one who stores last, from what he loaded before the other's
// store, writes nothing and is told who changed the row, and when.
class tst_OptimisticStores : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void staleStore_data();
    void staleStore();
    void editorAmountKeepsSignOffs();
};

namespace {

const QString kDate = QStringLiteral("11/30/2026");

// The tables of one file as the preparer and the reviewer (Robin Chen) use them.
struct Fixture : ModelFixture
{
    std::shared_ptr<GLAccount> bank;
    qint64 robinId = 0;

    Fixture()
    {
        robinId =
            TestDb::addPlainUser(Global::mainDatabasePath, "robin", "pw", "User", 0, 1, 0, "Robin Chen");
        seams.clock.set(QDateTime(QDate(2026, 12, 8), QTime(8, 0)));
        bank = std::make_shared<GLAccount>();
        bank->initialize("", "1030", "Operating bank", "", "", "A", "C", "", "", "", "", "");
        bank->store();
        GLAccountBalance b;
        b.Load(bank, kDate);
        b.setAmount("500");
        b.store();
        seams.clock.set(QDateTime(QDate(2026, 12, 9), QTime(9, 48, 12))); // when this user opens his windows
    }
    qint64 auditRows() const
    {
        return rows("GLAccountAudit") + rows("GLAccountBalanceAudit") + rows("ReconcilingItemAudit") +
               rows("AmortizableItemAudit") + rows("AmortizationAudit");
    }
    // The other user's work, under his login name, some seconds later (or at the moment given);
    // this user stores a little later still.
    void asRobin(const std::function<void()>& work, const QDateTime& at = {})
    {
        seams.clock.set(at.isValid() ? at : QDateTime(QDate(2026, 12, 9), QTime(9, 48, 40)));
        Global::userName = "robin";
        work();
        Global::userName = "preparer";
        seams.clock.set(QDateTime(QDate(2026, 12, 9), QTime(10, 2)));
    }
    GLAccountBalance balance() const
    {
        GLAccountBalance b;
        b.Load(bank, kDate);
        return b;
    }
    std::shared_ptr<ReconcilingItem> item() const
    {
        auto item = std::make_shared<ReconcilingItem>();
        item->initialize(QString(), bank->getID(), "11/15/2026", QString(), "Check 1001", "25", "O",
                         QString(), QString(), "T");
        item->store(); // what it stored is what it holds as loaded
        return item;
    }
    std::shared_ptr<AmortizableItem> prepaid() const
    {
        auto item = std::make_shared<AmortizableItem>();
        item->initialize(QString(), bank, "01/01/2026", "01/01/2026", "03/31/2026", "300", "Insurance",
                         QString(), QString(), QString());
        item->store();
        return item;
    }
};

// The balances editor's store of account 1030's amount.
void editAmount(const QString& amount)
{
    GLAccountBalanceList editor;
    editor.Load(kDate);
    editor.getGLAccountBalance("1030").setAdjustedAmount(amount);
    editor.applyAmountEdit();
}

// Loads this user's row, lets the other user store, types into the row; returns this user's store.
using Scenario = std::function<std::function<void()>(Fixture&)>;

// The same reconciling item held by both users: the other one changes or removes it first.
Scenario itemScenario(const std::function<void(ReconcilingItem&)>& theirs)
{
    return [theirs](Fixture& fx) {
        auto mine = fx.item();
        fx.asRobin([&] {
            ReconcilingItem i;
            i.Load(mine->getID());
            theirs(i);
        });
        mine->setAmount("30");
        return [mine] { mine->store(); };
    };
}

} // namespace

Q_DECLARE_METATYPE(Scenario)

void tst_OptimisticStores::staleStore_data()
{
    QTest::addColumn<Scenario>("scenario");
    QTest::addColumn<QString>("witnessSql"); // what the other user stored, read afterwards
    QTest::addColumn<QVariant>("witness");
    QTest::addColumn<QString>("message"); // what the message says happened

    QTest::newRow("balance after the editor's amount, the day before") << Scenario([](Fixture& fx) {
        fx.seams.clock.set(QDateTime(QDate(2026, 12, 8), QTime(16, 0)));
        auto mine = std::make_shared<GLAccountBalance>(fx.balance());
        fx.asRobin([] { editAmount("700"); }, QDateTime(QDate(2026, 12, 8), QTime(17, 5)));
        mine->setTargetAmount("450");
        return [mine] { mine->store(); };
    }) << "SELECT amount FROM GLAccountBalance" << QVariant(qint64(7000000))
                                                                       << "was changed by Robin Chen on "
                                                                          "12/08/2026 at 17:05";

    QTest::newRow("balance after another program's write") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccountBalance>(fx.balance());
        Db::exec(Db::open(Global::mainDatabasePath, "other program"),
                 "UPDATE GLAccountBalance SET amount = 9000000");
        mine->setComment("ok");
        return [mine] { mine->store(); };
    }) << "SELECT amount FROM GLAccountBalance" << QVariant(qint64(9000000))
                                                           << "was changed by another user";

    QTest::newRow("editor after another editor's amount") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccountBalanceList>();
        mine->Load(kDate);
        fx.asRobin([] { editAmount("800"); });
        mine->getGLAccountBalance("1030").setAdjustedAmount("600");
        return [mine] { mine->applyAmountEdit(); };
    }) << "SELECT amount FROM GLAccountBalance" << QVariant(qint64(8000000))
                                                          << "was changed by Robin Chen at 09:48";

    QTest::newRow("reconciling item") << itemScenario([](ReconcilingItem& i) {
        i.setComment("Check 1001, voided");
        i.store();
    }) << "SELECT comment FROM ReconcilingItem"
                                      << QVariant("Check 1001, voided")
                                      << "was changed by Robin Chen at 09:48";

    QTest::newRow("prepaid item's schedule") << Scenario([](Fixture& fx) {
        auto mine = fx.prepaid();
        fx.asRobin([&] {
            AmortizableItem theirs;
            theirs.Load(mine->getID());
            theirs.getAmortizationList().getAmortizationAt(1).getAmount() = ARCurrency::fromUnits(1500000);
            theirs.getAmortizationList().getAmortizationAt(3).getAmount() = ARCurrency::fromUnits(500000);
            theirs.store();
        });
        mine->setComment("mine");
        return [mine] { mine->store(); };
    }) << "SELECT amount FROM Amortization ORDER BY AmortizationID"
                                             << QVariant(qint64(1500000))
                                             << "was changed by Robin Chen at 09:48";

    QTest::newRow("account") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccount>();
        mine->Load(fx.bank->getID());
        fx.asRobin([&] {
            GLAccount a;
            a.Load(fx.bank->getID());
            a.setName("Main bank");
            a.store();
        });
        mine->setComment("reconciled weekly");
        return [mine] { mine->store(); };
    }) << "SELECT name FROM GLAccount"
                             << QVariant("Main bank") << "was changed by Robin Chen at 09:48";

    QTest::newRow("user") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<UserAccount>(*UserStore::load(fx.robinId));
        UserAccount theirs = *UserStore::load(fx.robinId);
        theirs.fullName = "Robin A. Chen";
        UserStore::update(theirs, QString());
        mine->role = "Reviewer";
        return [mine] { UserStore::update(*mine, QString()); };
    }) << "SELECT rptname FROM Users WHERE UserName = 'robin'"
                          << QVariant("Robin A. Chen") << "was changed by another user";

    QTest::newRow("company") << Scenario([](Fixture&) {
        auto mine = std::make_shared<Company>();
        Company theirs;
        theirs.setName("Harbor Supply");
        theirs.store();
        mine->setName("Harbor Point");
        return [mine] { mine->store(); };
    }) << "SELECT CompanyName FROM Company"
                             << QVariant("Harbor Supply") << "was changed by another user";
    QTest::newRow("new balance of a deleted account") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccountBalance>();
        mine->Load(fx.bank, "12/31/2026");
        fx.asRobin([&] { fx.bank->remove(); });
        mine->setComment("explained");
        return [mine] { mine->store(); };
    }) << "SELECT count(*) FROM GLAccountBalance" << QVariant(qint64(1))
                                                      << "Account 1030 was deleted by Robin Chen at 09:48";

    QTest::newRow("reconciling item deleted")
        << itemScenario([](ReconcilingItem& i) { i.remove(); }) << "SELECT count(*) FROM ReconcilingItem"
        << QVariant(qint64(0)) << "item \"Check 1001\" was deleted by Robin Chen at 09:48";
}

void tst_OptimisticStores::staleStore()
{
    QFETCH(Scenario, scenario);
    QFETCH(QString, witnessSql);
    QFETCH(QVariant, witness);
    QFETCH(QString, message);
    Fixture fx;
    const std::function<void()> store = scenario(fx);
    const qint64 audits = fx.auditRows();
    try {
        store();
        QFAIL("a store over another user's change or removal went through");
    } catch (const AppError& e) {
        const bool deleted = message.contains(" was deleted by ");
        QCOMPARE(e.number(), deleted ? AppError::DeletedMeanwhile : AppError::ChangedMeanwhile);
        QVERIFY2(e.description().contains(message), qPrintable(e.description()));
    }
    QCOMPARE(fx.value(witnessSql), witness);
    QCOMPARE(fx.auditRows(), audits);
}

void tst_OptimisticStores::editorAmountKeepsSignOffs()
{
    Fixture fx;
    GLAccountBalanceList editor;
    editor.Load(kDate);
    fx.asRobin([&] {
        GLAccountBalance theirs = fx.balance();
        theirs.setApprovedBy("Robin Chen");
        theirs.setTargetAmount("480");
        theirs.setComment("statement attached");
        theirs.store();
    });
    editor.getGLAccountBalance("1030").setAdjustedAmount("510");
    editor.applyAmountEdit();
    QCOMPARE(fx.value("SELECT amount || '/' || targetAmount || '/' || approvedBy || '/' || comment "
                      "FROM GLAccountBalance"),
             QVariant("5100000/4800000/Robin Chen/statement attached"));
}

QTEST_GUILESS_MAIN(tst_OptimisticStores)
#include "tst_optimisticstores.moc"
