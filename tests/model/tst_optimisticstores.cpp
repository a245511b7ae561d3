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
    void staleStoreWritesNothing_data();
    void staleStoreWritesNothing();
    void deletedMeanwhile_data();
    void deletedMeanwhile();
    void reopenedBalanceStores();
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
        qint64 n = 0;
        for (const char* table : {"GLAccountAudit", "GLAccountBalanceAudit", "ReconcilingItemAudit",
                                  "AmortizableItemAudit", "AmortizationAudit"})
            n += rows(QString::fromLatin1(table));
        return n;
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
        item->store();
        auto loaded = std::make_shared<ReconcilingItem>();
        loaded->Load(item->getID());
        return loaded;
    }
    std::shared_ptr<AmortizableItem> prepaid() const
    {
        AmortizableItem item;
        item.initialize(QString(), bank, "01/01/2026", "01/01/2026", "03/31/2026", "300", "Insurance",
                        QString(), QString(), QString());
        item.store();
        auto loaded = std::make_shared<AmortizableItem>();
        loaded->Load(item.getID());
        return loaded;
    }
};

// What the test's user did: his stale store, and whether his object still holds what he typed.
struct Stale
{
    std::function<void()> store;
    std::function<bool()> keptTyped;
};
using Scenario = std::function<Stale(Fixture&)>;

} // namespace

Q_DECLARE_METATYPE(Scenario)

void tst_OptimisticStores::staleStoreWritesNothing_data()
{
    QTest::addColumn<Scenario>("scenario");
    QTest::addColumn<QString>("witnessSql"); // what the other user stored, read afterwards
    QTest::addColumn<QVariant>("witness");
    QTest::addColumn<QString>("by");

    QTest::newRow("balance after a sign-off") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccountBalance>(fx.balance());
        fx.asRobin([&] {
            GLAccountBalance theirs = fx.balance();
            theirs.setApprovedBy("Robin Chen");
            theirs.setApprovedByDate("12/09/2026");
            theirs.store();
        });
        mine->setComment("matched to the statement");
        return Stale{[mine] { mine->store(); },
                     [mine] { return mine->getComment() == "matched to the statement"; }};
    }) << "SELECT approvedBy FROM GLAccountBalance"
                                              << QVariant("Robin Chen") << "Robin Chen at 09:48";

    QTest::newRow("balance after the editor's amount, the day before") << Scenario([](Fixture& fx) {
        fx.seams.clock.set(QDateTime(QDate(2026, 12, 8), QTime(16, 0)));
        auto mine = std::make_shared<GLAccountBalance>(fx.balance());
        fx.asRobin(
            [&] {
                GLAccountBalanceList list;
                list.Load(kDate);
                list.getGLAccountBalance("1030").setAdjustedAmount("700");
                list.applyAmountEdit();
            },
            QDateTime(QDate(2026, 12, 8), QTime(17, 5)));
        mine->setTargetAmount("450");
        return Stale{[mine] { mine->store(); }, [mine] { return mine->targetAmount().units() == 4500000; }};
    }) << "SELECT amount FROM GLAccountBalance" << QVariant(qint64(7000000))
                                                                       << "Robin Chen on 12/08/2026 at 17:05";

    QTest::newRow("balance after another program's import") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccountBalance>(fx.balance());
        QSqlDatabase other = Db::open(Global::mainDatabasePath, "other program");
        Db::exec(other, "UPDATE GLAccountBalance SET amount = 9000000");
        mine->setComment("ok");
        return Stale{[mine] { mine->store(); }, [mine] { return mine->getComment() == "ok"; }};
    }) << "SELECT amount FROM GLAccountBalance" << QVariant(qint64(9000000))
                                                            << "another user";

    QTest::newRow("editor after another editor's amount") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccountBalanceList>();
        mine->Load(kDate);
        fx.asRobin([&] {
            GLAccountBalanceList theirs;
            theirs.Load(kDate);
            theirs.getGLAccountBalance("1030").setAdjustedAmount("800");
            theirs.applyAmountEdit();
        });
        mine->getGLAccountBalance("1030").setAdjustedAmount("600");
        return Stale{[mine] { mine->applyAmountEdit(); },
                     [mine] { return mine->getGLAccountBalance("1030").amount().units() == 6000000; }};
    }) << "SELECT amount FROM GLAccountBalance" << QVariant(qint64(8000000))
                                                          << "Robin Chen at 09:48";

    QTest::newRow("reconciling item") << Scenario([](Fixture& fx) {
        auto mine = fx.item();
        fx.asRobin([&] {
            ReconcilingItem theirs;
            theirs.Load(mine->getID());
            theirs.setComment("Check 1001, voided");
            theirs.store();
        });
        mine->setAmount("30");
        return Stale{[mine] { mine->store(); }, [mine] { return mine->getAmount().units() == 300000; }};
    }) << "SELECT comment FROM ReconcilingItem"
                                      << QVariant("Check 1001, voided") << "Robin Chen at 09:48";

    QTest::newRow("prepaid item") << Scenario([](Fixture& fx) {
        auto mine = fx.prepaid();
        fx.asRobin([&] {
            AmortizableItem theirs;
            theirs.Load(mine->getID());
            theirs.setComment("policy renewed");
            theirs.store();
        });
        mine->setDescription("Fire insurance");
        return Stale{[mine] { mine->store(); },
                     [mine] { return mine->getDescription() == "Fire insurance"; }};
    }) << "SELECT comment FROM AmortizableItem"
                                  << QVariant("policy renewed") << "Robin Chen at 09:48";

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
        return Stale{[mine] { mine->store(); }, [mine] { return mine->getComment() == "mine"; }};
    }) << "SELECT amount FROM Amortization ORDER BY AmortizationID"
                                             << QVariant(qint64(1500000)) << "Robin Chen at 09:48";

    QTest::newRow("account") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccount>();
        mine->Load(fx.bank->getID());
        fx.asRobin([&] {
            GLAccount theirs;
            theirs.Load(fx.bank->getID());
            theirs.setName("Main bank");
            theirs.store();
        });
        mine->setComment("reconciled weekly");
        return Stale{[mine] { mine->store(); }, [mine] { return mine->getComment() == "reconciled weekly"; }};
    }) << "SELECT name FROM GLAccount"
                             << QVariant("Main bank") << "Robin Chen at 09:48";

    QTest::newRow("user") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<UserAccount>(*UserStore::load(fx.robinId));
        UserAccount theirs = *UserStore::load(fx.robinId);
        theirs.fullName = "Robin A. Chen";
        UserStore::update(theirs, QString());
        mine->role = "Reviewer";
        return Stale{[mine] { UserStore::update(*mine, QString()); },
                     [mine] { return mine->role == "Reviewer"; }};
    }) << "SELECT rptname FROM Users WHERE UserName = 'robin'"
                          << QVariant("Robin A. Chen") << "another user";

    QTest::newRow("company") << Scenario([](Fixture& fx) {
        Db::exec(fx.db, "UPDATE Company SET CompanyName = 'Harbor Supply'");
        Company::reload();
        auto mine = std::make_shared<Company>();
        Company theirs;
        theirs.setName("Harbor Supply Co.");
        theirs.store();
        mine->setCurr("EUR");
        return Stale{[mine] { mine->store(); }, [mine] { return mine->getCurr() == "EUR"; }};
    }) << "SELECT CompanyName || '/' || Currency FROM Company"
                             << QVariant("Harbor Supply Co./USD") << "another user";
}

void tst_OptimisticStores::staleStoreWritesNothing()
{
    QFETCH(Scenario, scenario);
    QFETCH(QString, witnessSql);
    QFETCH(QVariant, witness);
    QFETCH(QString, by);
    Fixture fx;
    const Stale stale = scenario(fx);
    const qint64 audits = fx.auditRows();
    try {
        stale.store();
        QFAIL("a store over another user's change went through");
    } catch (const AppError& e) {
        QCOMPARE(e.number(), AppError::ChangedMeanwhile);
        QVERIFY2(e.description().contains(" was changed by " + by + " after you opened it; reopen "),
                 qPrintable(e.description()));
    }
    QCOMPARE(fx.value(witnessSql), witness);
    QVERIFY(stale.keptTyped());
    QCOMPARE(fx.auditRows(), audits);
}

void tst_OptimisticStores::deletedMeanwhile_data()
{
    QTest::addColumn<Scenario>("scenario");
    QTest::addColumn<QString>("leftSql"); // what must still read as it was
    QTest::addColumn<QVariant>("left");
    QTest::addColumn<QString>("message");

    QTest::newRow("balance of a deleted account") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccountBalance>(fx.balance());
        fx.asRobin([&] { fx.bank->remove(); });
        mine->setComment("explained");
        return Stale{[mine] { mine->store(); }, [mine] { return mine->getComment() == "explained"; }};
    }) << "SELECT count(*) FROM GLAccountBalance WHERE comment IS NOT NULL"
                                                  << QVariant(qint64(0))
                                                  << "Account 1030 was deleted by Robin Chen at 09:48";

    QTest::newRow("new balance of a deleted account") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<GLAccountBalance>();
        mine->Load(fx.bank, "12/31/2026");
        fx.asRobin([&] { fx.bank->remove(); });
        mine->setComment("explained");
        return Stale{[mine] { mine->store(); }, [mine] { return mine->isNew(); }};
    }) << "SELECT count(*) FROM GLAccountBalance" << QVariant(qint64(1))
                                                      << "Account 1030 was deleted by Robin Chen at 09:48";

    QTest::newRow("reconciling item") << Scenario([](Fixture& fx) {
        auto mine = fx.item();
        fx.asRobin([&] {
            ReconcilingItem theirs;
            theirs.Load(mine->getID());
            theirs.remove();
        });
        mine->setAmount("30");
        return Stale{[mine] { mine->store(); }, [mine] { return mine->getAmount().units() == 300000; }};
    }) << "SELECT count(*) FROM ReconcilingItem"
                                      << QVariant(qint64(0))
                                      << "The reconciling item \"Check 1001\" was deleted by Robin Chen at "
                                         "09:48";

    QTest::newRow("user") << Scenario([](Fixture& fx) {
        auto mine = std::make_shared<UserAccount>(*UserStore::load(fx.robinId));
        Db::exec(fx.db, "DELETE FROM Users WHERE UserId = ?", {fx.robinId});
        mine->role = "Reviewer";
        return Stale{[mine] { UserStore::update(*mine, QString()); }, [] { return true; }};
    }) << "SELECT count(*) FROM Users"
                          << QVariant(qint64(0)) << "User robin was deleted by another user";
}

void tst_OptimisticStores::deletedMeanwhile()
{
    QFETCH(Scenario, scenario);
    QFETCH(QString, leftSql);
    QFETCH(QVariant, left);
    QFETCH(QString, message);
    Fixture fx;
    const Stale stale = scenario(fx);
    try {
        stale.store();
        QFAIL("a store of a deleted row was reported as stored");
    } catch (const AppError& e) {
        QCOMPARE(e.number(), AppError::DeletedMeanwhile);
        QVERIFY2(e.description().startsWith(message), qPrintable(e.description()));
    }
    QCOMPARE(fx.value(leftSql), left);
    QVERIFY(stale.keptTyped());
}

void tst_OptimisticStores::reopenedBalanceStores()
{
    Fixture fx;
    GLAccountBalance mine = fx.balance();
    mine.beginEdit();
    fx.asRobin([&] {
        GLAccountBalance theirs = fx.balance();
        theirs.setReviewedBy("Robin Chen");
        theirs.store();
    });
    mine.setComment("first try");
    QVERIFY_THROWS_EXCEPTION(AppError, mine.applyEdit());
    mine.cancelEdit(); // the dialog closed, then opened again
    mine = fx.balance();
    mine.setComment("second try");
    mine.store();
    mine.setComment("and again"); // what this user stored himself is no conflict
    mine.store();
    QCOMPARE(fx.value("SELECT reviewedBy || '/' || comment FROM GLAccountBalance"),
             QVariant("Robin Chen/and again"));
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
