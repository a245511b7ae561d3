#include "amortizableitem.h"
#include "amortization.h"
#include "apperror.h"
#include "glaccount.h"
#include "modelfixture.h"
#include "otherwriter.h"
#include "reconcilingitem.h"

#include <QElapsedTimer>
#include <QTest>
#include <functional>

// Several users of one file: a removal that reads before it writes waits for another user's
// write lock instead of failing at once.
class tst_SharedAccess : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void removeWaitsForAnotherWriter_data();
    void removeWaitsForAnotherWriter();
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
    QTest::newRow("reconciling item") << Remover([](ModelFixture&) -> std::function<void()> {
        auto account = storedAccount();
        auto item = std::make_shared<ReconcilingItem>();
        item->initialize(QString(), account->getID(), "01/15/2025", QString(), "Check 1001", "25.00", "O", QString(),
                         QString(), "T");
        item->store();
        return [item] { item->remove(); };
    }) << "ReconcilingItem";
    QTest::newRow("amortizable item") << Remover([](ModelFixture&) -> std::function<void()> {
        auto item = storedItem(storedAccount());
        return [item] { item->remove(); };
    }) << "AmortizableItem";
    QTest::newRow("amortization period") << Remover([](ModelFixture& fx) -> std::function<void()> {
        auto item = storedItem(storedAccount());
        Db::exec(fx.db, "DELETE FROM Amortization");
        auto period = std::make_shared<Amortization>();
        period->initialize(QString(), item->getID(), "01/31/2025", "100", QString(), QString());
        period->store();
        return [period] { period->remove(); };
    }) << "Amortization";
}

void tst_SharedAccess::removeWaitsForAnotherWriter()
{
    QFETCH(Remover, prepare);
    QFETCH(QString, table);
    ModelFixture fx;
    const std::function<void()> remove = prepare(fx);
    const qint64 before = fx.rows(table);
    QVERIFY(before > 0);

    QElapsedTimer timer;
    timer.start();
    {
        // On a server, writers wait for each other's rows: the other user holds the table's.
        OtherWriter other(Global::mainDatabasePath,
                          TestDb::onServer() ? "BEGIN; LOCK TABLE " + table + " IN EXCLUSIVE MODE" : "BEGIN IMMEDIATE", 1500);
        QVERIFY(other.holds()); // otherwise nothing was waited for
        try {
            remove();
        } catch (const AppError& e) {
            QFAIL(qPrintable("the removal failed while another user wrote: " + e.description()));
        }
    }
    QVERIFY(timer.elapsed() >= 1000); // it waited for the other user
    QCOMPARE(fx.rows(table), before - 1);
}

QTEST_GUILESS_MAIN(tst_SharedAccess)
#include "tst_sharedaccess.moc"
