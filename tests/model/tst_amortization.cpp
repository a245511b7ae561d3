#include "amortizableitem.h"
#include "amortizableitemlist.h"
#include "amortization.h"
#include "amortizationlist.h"
#include "apperror.h"
#include "glaccount.h"
#include "modelfixture.h"

#include <QTest>
#include <limits>

// Prepaid items and their schedules: the equal-monthly division, the remaining balance, the rows
// and audit rows each operation leaves, rollback, and the list of an account's items at a date.
class tst_Amortization : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void createSchedule_data();
    void createSchedule();
    void createRefusesEndNotAfterStart_data();
    void createRefusesEndNotAfterStart();
    void remainingBalance_data();
    void remainingBalance();
    void listEquality();
    void listEditProtocols();
    void storeNewItemWritesRowScheduleAndAudits();
    void storeOfRaisedAmountLandsOnLastPeriod();
    void storeRefusesBadEndDateBeforeWriting();
    void failedPeriodAuditRollsEverythingBack();
    void removeLeavesPeriodsAndAuditsOnce();
    void periodStore();
    void validateMessages_data();
    void validateMessages();
    void itemEditProtocolCoversSchedule();
    void itemListAtDate();
    void listedSchedulesKeepStoredOrder();
    void itemWithoutAccountDoesNotTakeTheSelectedOne();
    void tutorialItemsMatchTheirRows();
};

namespace {

const qint64 Top = std::numeric_limits<qint64>::max() / 100 * 100; // the largest whole-cent amount

qint64 account(const ModelFixture& fx, const QString& number = QStringLiteral("1400"))
{
    return Db::exec(fx.db,
                    "INSERT INTO GLAccount (glacctnbr, name, accountTypeCode, recTypeCode, active, keycontrol) "
                    "VALUES (?, 'Prepaid insurance', 'A', 'A', 'Yes', 'No')",
                    {number})
        .lastInsertId()
        .toLongLong();
}

std::shared_ptr<GLAccount> loadedAccount(qint64 id)
{
    auto a = std::make_shared<GLAccount>();
    a->Load(QString::number(id));
    return a;
}

std::shared_ptr<AmortizableItem> item(const std::shared_ptr<GLAccount>& acct, const QString& open,
                                      const QString& start, const QString& end, const QString& amount,
                                      const QString& desc = QStringLiteral("Insurance"))
{
    auto i = std::make_shared<AmortizableItem>();
    i->initialize(QString(), acct, open, start, end, amount, desc, QString(), QString(), QString());
    return i;
}

QStringList periods(const AmortizationList& list)
{
    QStringList out;
    for (const Amortization& p : list)
        out << p.getPeriod();
    return out;
}

} // namespace

void tst_Amortization::createSchedule_data()
{
    QTest::addColumn<qint64>("amount");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("others");
    QTest::addColumn<QString>("firstPeriod");
    QTest::addColumn<QString>("lastPeriod");

    QTest::newRow("quarter") << units(1000) << "01/01/2025" << "03/31/2025" << 3 << units(333.34) << units(333.33)
                             << "01/31/2025" << "03/31/2025";
    QTest::newRow("year") << units(100) << "01/01/2025" << "12/31/2025" << 12 << units(8.37) << units(8.33)
                          << "01/31/2025" << "12/31/2025";
    QTest::newRow("mid-month to mid-month") << units(1200) << "01/15/2024" << "01/14/2025" << 12 << units(184.70)
                                            << units(92.30) << "01/31/2024" << "12/31/2024";
    QTest::newRow("one day") << units(100) << "01/01/2025" << "01/02/2025" << 1 << units(100) << units(100)
                             << "01/31/2025" << "01/31/2025";
    QTest::newRow("within one month") << units(55.55) << "03/05/2024" << "03/20/2024" << 1 << units(55.55)
                                      << units(55.55) << "03/31/2024" << "03/31/2024";
    QTest::newRow("one month") << units(100) << "01/01/2025" << "01/31/2025" << 1 << units(100) << units(100)
                               << "01/31/2025" << "01/31/2025";
    QTest::newRow("ten years") << units(1000) << "01/01/2020" << "12/31/2029" << 120 << units(8.73) << units(8.33)
                               << "01/31/2020" << "12/31/2029";
    QTest::newRow("start on the 31st, leap February") << units(400) << "01/31/2024" << "04/30/2024" << 4
                                                       << units(100) << units(100) << "01/31/2024" << "04/30/2024";
    // The share is held to four decimals before it is cut to cents: 4.99995833 is 5.0000, so 5.00.
    QTest::newRow("share rounds up to the cent") << units(1199.99) << "01/01/2025" << "12/31/2044" << 240
                                                 << units(4.99) << units(5) << "01/31/2025" << "12/31/2044";
    QTest::newRow("negative share rounds away from zero")
        << units(-1199.99) << "01/01/2025" << "12/31/2044" << 240 << units(-4.99) << units(-5) << "01/31/2025"
        << "12/31/2044";
    // A tie goes to the even ten-thousandth: 0.00995 is 0.0100, so a cent a month.
    QTest::newRow("tie to even") << units(1.99) << "01/01/2025" << "08/31/2041" << 200 << units(0) << units(0.01)
                                 << "01/31/2025" << "08/31/2041";
    QTest::newRow("negative amount") << units(-300.01) << "01/01/2025" << "03/31/2025" << 3 << units(-100.01)
                                     << units(-100) << "01/31/2025" << "03/31/2025";
    QTest::newRow("largest amount") << Top << "01/01/2025" << "12/31/2025" << 12 << Top - Top / 12 / 100 * 100 * 11
                                    << Top / 12 / 100 * 100 << "01/31/2025" << "12/31/2025";
    QTest::newRow("smallest amount") << -Top << "01/01/2025" << "12/31/2025" << 12 << -(Top - Top / 12 / 100 * 100 * 11)
                                     << -(Top / 12 / 100 * 100) << "01/31/2025" << "12/31/2025";
}

void tst_Amortization::createSchedule()
{
    QFETCH(qint64, amount);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(int, count);
    QFETCH(qint64, first);
    QFETCH(qint64, others);
    QFETCH(QString, firstPeriod);
    QFETCH(QString, lastPeriod);

    AmortizableItem i;
    i.setStartDate(start);
    i.setEndDate(end);
    i.getAmount() = ARCurrency::fromUnits(amount);
    i.createAmortizations();
    const AmortizationList& s = i.getAmortizationList();
    QCOMPARE(s.count(), count);
    QCOMPARE(s.getAmortizationAt(1).getAmount().units(), first);
    for (qsizetype n = 2; n <= s.count(); ++n)
        QCOMPARE(s.getAmortizationAt(n).getAmount().units(), others);
    QCOMPARE(s.getAmortizationAt(1).getPeriod(), firstPeriod);
    QCOMPARE(s.getAmortizationAt(s.count()).getPeriod(), lastPeriod);
    QCOMPARE(s.getTotalAmount().units(), amount);
    QVERIFY(!i.hasNonAmortizedAmount());
    for (const Amortization& p : s) {
        const QDate d = QDate::fromString(p.getPeriod(), "MM/dd/yyyy");
        QCOMPARE(d.day(), d.daysInMonth()); // every period ends a month
    }
}

void tst_Amortization::createRefusesEndNotAfterStart_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::newRow("end before start") << "03/31/2025" << "01/01/2025";
    QTest::newRow("end equals start") << "03/01/2025" << "03/01/2025";
    QTest::newRow("no end") << "03/01/2025" << "";
    QTest::newRow("no start") << "" << "03/31/2025";
}

void tst_Amortization::createRefusesEndNotAfterStart()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    AmortizableItem i;
    i.setAmount("100");
    i.setStartDate("01/01/2024");
    i.setEndDate("02/29/2024");
    i.createAmortizations();
    QCOMPARE(i.getAmortizationList().count(), 2);

    i.setStartDate(start);
    i.setEndDate(end);
    try {
        i.createAmortizations();
        QFAIL("the schedule was made");
    } catch (const AppError& e) {
        QCOMPARE(e.source(), QStringLiteral("AmortizableItem:EndDateInvalid"));
        QCOMPARE(e.number(), AppError::ObjectErrorBase);
    }
    QCOMPARE(i.getAmortizationList().count(), 2); // the schedule it had is kept
}

void tst_Amortization::remainingBalance_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<qint64>("remaining");
    // Periods 01/31 333.34, 02/28 333.33, 03/31 333.33.
    QTest::newRow("before the first period") << "01/15/2025" << units(1000);
    QTest::newRow("on a period end") << "01/31/2025" << units(666.66);
    QTest::newRow("the day after") << "02/01/2025" << units(666.66);
    QTest::newRow("on the last period") << "03/31/2025" << qint64(0);
    QTest::newRow("after the last") << "12/31/2025" << qint64(0);
    QTest::newRow("no date") << "" << qint64(0);
}

void tst_Amortization::remainingBalance()
{
    QFETCH(QString, date);
    QFETCH(qint64, remaining);
    AmortizableItem i;
    i.setAmount("1000");
    i.setStartDate("01/01/2025");
    i.setEndDate("03/31/2025");
    i.createAmortizations();
    QCOMPARE(i.getRemainingBalance(date).units(), remaining);
}

void tst_Amortization::listEquality()
{
    AmortizableItem i;
    i.setAmount("100");
    i.setStartDate("01/01/2025");
    i.setEndDate("03/31/2025");
    i.createAmortizations();
    const AmortizationList a = i.getAmortizationList();
    AmortizationList b = a;
    QVERIFY(a.equals(b));
    b.getAmortizationAt(2).setAmount("1");
    QVERIFY(!a.equals(b));

    AmortizationList shorter = a;
    shorter.clear();
    shorter.add(a.getAmortizationAt(1));
    QVERIFY(!shorter.equals(a));
    QVERIFY(!a.equals(shorter));
    QVERIFY(AmortizationList().equals(AmortizationList()));
    QVERIFY_THROWS_EXCEPTION(AppError, a.getAmortizationAt(0));
    QVERIFY_THROWS_EXCEPTION(AppError, a.getAmortizationAt(4));
}

void tst_Amortization::listEditProtocols()
{
    ModelFixture fx;
    AmortizableItem i;
    i.setAmount("300");
    i.setStartDate("01/01/2025");
    i.setEndDate("03/31/2025");
    i.createAmortizations();
    AmortizationList& s = i.getAmortizationList();

    s.cancelEdit(); // nothing open: nothing changes
    s.beginEdit();
    s.getAmortizationAt(1).setAmount("150");
    s.cancelEdit();
    QCOMPARE(s.getAmortizationAt(1).getAmount().units(), units(100));

    s.beginEdit();
    s.getAmortizationAt(1).setAmount("150");
    s.applyEdit();
    QCOMPARE(s.getAmortizationAt(1).getAmount().units(), units(150));
    QCOMPARE(fx.rows("Amortization"), 0); // the dialog's apply writes nothing

    // The item's edit and the dialog's own edit are independent.
    const AmortizationList before = s;
    s.beginEditFromParent();
    s.beginEdit();
    s.getAmortizationAt(2).setAmount("7");
    s.applyEdit();
    i.setEndDate("06/30/2025");
    i.createAmortizations();
    QCOMPARE(s.count(), 6);
    s.cancelEditFromParent();
    QVERIFY(s.equals(before));
}

void tst_Amortization::storeNewItemWritesRowScheduleAndAudits()
{
    ModelFixture fx;
    const auto acct = loadedAccount(account(fx));
    auto i = item(acct, "12/15/2024", "01/01/2025", "12/31/2025", "1200");
    i->store();

    QVERIFY(!i->isNew());
    QCOMPARE(i->getCreateUser(), QStringLiteral("preparer"));
    QCOMPARE(fx.rows("AmortizableItem"), 1);
    QCOMPARE(fx.activities("AmortizableItemAudit"), QStringList{"INSERT"});
    QCOMPARE(fx.rows("Amortization"), 12);
    QCOMPARE(fx.activities("AmortizationAudit"), QStringList(12, "INSERT"));
    QCOMPARE(fx.value("SELECT count(*) FROM Amortization WHERE amortizableItemID = ?", {i->getID().toLongLong()})
                 .toLongLong(),
             12);
    QCOMPARE(fx.value("SELECT count(*) FROM AmortizationAudit WHERE amortizableItemID = ? AND CreateUser = "
                      "'preparer'",
                      {i->getID().toLongLong()})
                 .toLongLong(),
             12);
    QCOMPARE(fx.value("SELECT sum(amount) FROM Amortization").toLongLong(), units(1200));
    QCOMPARE(fx.value("SELECT glAcctID FROM AmortizableItem").toString(), acct->getID());
    for (const Amortization& p : i->getAmortizationList()) {
        QVERIFY(!p.isNew());
        QCOMPARE(p.getAmortizableItemID(), i->getID());
    }

    AmortizableItem loaded;
    loaded.Load(i->getID());
    QCOMPARE(periods(loaded.getAmortizationList()), periods(i->getAmortizationList()));
    QVERIFY(loaded.equals(*i));

    // A century's schedule goes in a chunk of periods at a time, not two statements a period, and
    // each period still learns its own id.
    auto century = item(acct, "12/15/2024", "01/01/2025", "12/31/2124", "1200");
    const qint64 before = Db::statementCount();
    century->store();
    QVERIFY(Db::statementCount() - before < 40);
    QCOMPARE(fx.rows("Amortization"), 12 + 1200);
    QCOMPARE(fx.rows("AmortizationAudit"), 12 + 1200);
    AmortizableItem reloaded;
    reloaded.Load(century->getID());
    const auto keyed = [](const AmortizationList& list) {
        QStringList out;
        for (const Amortization& p : list)
            out << p.getID() + QLatin1Char(' ') + p.getPeriod() + QLatin1Char(' ') + p.getCreateDate();
        return out;
    };
    QCOMPARE(keyed(reloaded.getAmortizationList()), keyed(century->getAmortizationList()));
}

void tst_Amortization::storeOfRaisedAmountLandsOnLastPeriod()
{
    ModelFixture fx;
    auto i = item(loadedAccount(account(fx)), "01/01/2025", "01/01/2025", "03/31/2025", "300");
    i->store();
    AmortizableItem stored;
    stored.Load(i->getID());
    stored.setAmount("400");
    stored.store();
    QCOMPARE(stored.getAmortizationList().count(), 3);
    QCOMPARE(stored.getAmortizationList().getAmortizationAt(3).getAmount().units(), units(200));
    QCOMPARE(fx.value("SELECT amount FROM Amortization ORDER BY AmortizationID DESC").toLongLong(), units(200));
    QCOMPARE(fx.activities("AmortizableItemAudit"), (QStringList{"INSERT", "UPDATE"}));
    // Only the period that changed is written again and audited.
    QCOMPARE(fx.activities("AmortizationAudit"), (QStringList{"INSERT", "INSERT", "INSERT", "UPDATE"}));
    QCOMPARE(fx.value("SELECT period FROM AmortizationAudit WHERE Activity = 'UPDATE'"), QVariant("2025-03-31"));
    QCOMPARE(fx.rows("Amortization"), 3);

    // An item of its account's list holds its periods as read the same way, whichever form the
    // engine gives a date in; stored again unchanged, it writes no period.
    AmortizableItemList list;
    list.Load(i->getGLAccount(), "01/31/2025");
    const AmortizableItemList::Item listed = list.getItem(i->getID());
    listed->setAmount("500");
    listed->store();
    listed->setComment("unchanged schedule");
    listed->store();
    QCOMPARE(fx.activities("AmortizationAudit"), (QStringList{"INSERT", "INSERT", "INSERT", "UPDATE", "UPDATE"}));
    QCOMPARE(fx.value("SELECT amount FROM Amortization ORDER BY AmortizationID DESC").toLongLong(), units(300));
}

void tst_Amortization::storeRefusesBadEndDateBeforeWriting()
{
    ModelFixture fx;
    auto i = item(loadedAccount(account(fx)), "01/01/2025", "03/31/2025", "01/31/2025", "300", "");
    try {
        i->store();
        QFAIL("stored an end date before the start");
    } catch (const AppError& e) {
        QCOMPARE(e.source(), QStringLiteral("AmortizableItem:EndDateInvalid"));
    }
    QCOMPARE(fx.seams.prompter.messages.size(), 0);
    QCOMPARE(fx.rows("AmortizableItem"), 0);
    QCOMPARE(fx.rows("AmortizableItemAudit"), 0);
    QVERIFY(i->isNew());
    QCOMPARE(i->getAmortizationList().count(), 0);
}

void tst_Amortization::failedPeriodAuditRollsEverythingBack()
{
    ModelFixture fx;
    fx.breakAudit("AmortizationAudit");
    auto i = item(loadedAccount(account(fx)), "01/01/2025", "01/01/2025", "06/30/2025", "600");
    i->beginEdit();
    QVERIFY_THROWS_EXCEPTION(AppError, i->applyEdit());
    QCOMPARE(fx.rows("AmortizableItem"), 0);
    QCOMPARE(fx.rows("AmortizableItemAudit"), 0);
    QCOMPARE(fx.rows("Amortization"), 0);
    QVERIFY(i->isNew());
    QCOMPARE(i->getCreateDate(), QString());
    QCOMPARE(i->getAmortizationList().count(), 0);
    QVERIFY(i->isEditing());

    fx.mendAudit();
    i->applyEdit();
    QCOMPARE(fx.rows("AmortizableItem"), 1);
    QCOMPARE(fx.rows("Amortization"), 6);
    QCOMPARE(fx.rows("AmortizationAudit"), 6);

    // A failing update leaves the stored rows and the objects as they were, ids included.
    const QString firstId = i->getAmortizationList().getAmortizationAt(1).getID();
    fx.breakAudit("AmortizationAudit");
    i->setAmount("700");
    QVERIFY_THROWS_EXCEPTION(AppError, i->store());
    QCOMPARE(fx.value("SELECT amount FROM AmortizableItem").toLongLong(), units(600));
    QCOMPARE(fx.value("SELECT sum(amount) FROM Amortization").toLongLong(), units(600));
    QCOMPARE(i->getAmortizationList().getTotalAmount().units(), units(600));
    QCOMPARE(i->getAmortizationList().getAmortizationAt(1).getID(), firstId);
    QCOMPARE(fx.activities("AmortizableItemAudit"), QStringList{"INSERT"});
}

void tst_Amortization::removeLeavesPeriodsAndAuditsOnce()
{
    ModelFixture fx;
    auto i = item(loadedAccount(account(fx)), "01/01/2025", "01/01/2025", "02/28/2025", "50", "Rent");
    i->store();
    i->setDescription("not stored");
    i->remove();
    QCOMPARE(fx.rows("AmortizableItem"), 0);
    QCOMPARE(fx.rows("Amortization"), 2);
    QCOMPARE(fx.activities("AmortizableItemAudit"), (QStringList{"INSERT", "DELETE"}));
    QCOMPARE(fx.value("SELECT \"desc\" FROM AmortizableItemAudit WHERE Activity = 'DELETE'").toString(),
             QStringLiteral("Rent"));
    QVERIFY_THROWS_EXCEPTION(AppError, i->remove());
    QCOMPARE(fx.activities("AmortizableItemAudit"), (QStringList{"INSERT", "DELETE"}));
}

void tst_Amortization::periodStore()
{
    ModelFixture fx;
    fx.bigIds("Amortization", 40000);
    Amortization p;
    p.initialize("", "70000", "1/31/2025", "12.345", "", "");
    p.store();
    QCOMPARE(p.getID(), QStringLiteral("40000"));
    QCOMPARE(p.getCreateDate(), QStringLiteral("2024-03-15 10:30:00"));
    QCOMPARE(fx.value("SELECT amount FROM Amortization").toLongLong(), units(12.34));
    QCOMPARE(fx.value("SELECT period FROM Amortization").toString(), QStringLiteral("2025-01-31"));
    QCOMPARE(fx.value("SELECT amortizableItemID FROM Amortization").toLongLong(), 70000);

    Amortization loaded;
    loaded.Load("40000");
    QVERIFY(loaded.equals(p));
    loaded.Load("1"); // no such row: unchanged
    QVERIFY(loaded.equals(p));

    Db::exec(fx.db, "DELETE FROM Amortization");
    p.setAmount("1");
    QVERIFY_THROWS_EXCEPTION(AppError, p.store());
    QCOMPARE(fx.activities("AmortizationAudit"), QStringList{"INSERT"});
}

void tst_Amortization::validateMessages_data()
{
    QTest::addColumn<bool>("withAccount");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("desc");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("all empty") << false << "" << "" << "" << "" << "" << false
                               << QStringList{"GL Account is Required", "Open Date is Invalid", "Start Date is Invalid",
                                              "End Date is Invalid", "Description is Required"};
    QTest::newRow("only the amount is zero") << true << "01/01/2025" << "01/01/2025" << "01/31/2025" << "0.00"
                                             << "Rent" << false << QStringList();
    QTest::newRow("end equals start") << true << "01/01/2025" << "01/01/2025" << "01/01/2025" << "1" << "Rent" << false
                                      << QStringList{"End Date is Invalid"};
    QTest::newRow("end one day later") << true << "01/01/2025" << "01/01/2025" << "01/02/2025" << "1" << "Rent" << true
                                       << QStringList();
    QTest::newRow("blank description") << true << "01/01/2025" << "01/01/2025" << "01/02/2025" << "1" << "   " << false
                                       << QStringList{"Description is Required"};
}

void tst_Amortization::validateMessages()
{
    QFETCH(bool, withAccount);
    QFETCH(QString, open);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, amount);
    QFETCH(QString, desc);
    QFETCH(bool, valid);
    QFETCH(QStringList, boxes);
    ModelFixture fx;
    auto i = item(withAccount ? loadedAccount(account(fx)) : nullptr, open, start, end, amount, desc);
    QCOMPARE(i->isValid(), valid);
    i->validate();
    QCOMPARE(fx.seams.prompter.texts(), boxes);
    for (const auto& m : fx.seams.prompter.messages) {
        QCOMPARE(m.title, QStringLiteral("Corvantis"));
        QCOMPARE(m.icon, Prompter::Icon::Information);
    }
}

void tst_Amortization::itemEditProtocolCoversSchedule()
{
    ModelFixture fx;
    auto i = item(loadedAccount(account(fx)), "01/01/2025", "01/01/2025", "03/31/2025", "300", "Rent");
    i->store();
    const AmortizableItem before = *i;

    i->beginEdit();
    i->setDescription("Lease");
    i->setEndDate("06/30/2025");
    i->createAmortizations();
    i->getAmortizationList().getAmortizationAt(1).setAmount("1");
    i->cancelEdit();
    QVERIFY(i->equals(before));
    QVERIFY(!i->isEditing());
    i->cancelEdit(); // nothing open: nothing changes
    QVERIFY(i->equals(before));
    QCOMPARE(fx.activities("AmortizableItemAudit"), QStringList{"INSERT"});

    // What the cancelled edit did reached neither the schedule as loaded nor the periods as
    // stored: the item stores as it was, without a period written.
    i->store();
    QCOMPARE(fx.activities("AmortizationAudit"), QStringList(3, "INSERT"));
}

void tst_Amortization::itemListAtDate()
{
    ModelFixture fx;
    const qint64 id = account(fx);
    fx.bigIds("AmortizableItem", 70000);
    const auto acct = loadedAccount(id);
    item(acct, "01/01/2025", "01/01/2025", "03/31/2025", "300", "b ends on the date")->store();
    item(acct, "01/01/2025", "01/01/2025", "03/31/2025", "600", "a ends on the date")->store();
    item(acct, "01/01/2025", "01/01/2025", "12/31/2025", "1200", "later")->store();
    item(acct, "04/01/2025", "04/01/2025", "12/31/2025", "900", "opens after")->store();
    item(acct, "01/01/2024", "01/01/2024", "03/30/2025", "100", "ended before")->store();
    item(loadedAccount(account(fx, "1500")), "01/01/2025", "01/01/2025", "12/31/2025", "5", "other account")->store();
    // A row without an end date is listed from its open date on.
    Db::exec(fx.db, "INSERT INTO AmortizableItem (glAcctID, openDate, startDate, amount, \"desc\") "
                    "VALUES (?, '2025-02-01', '2025-02-01', 0, 'open-ended')",
             {id});

    AmortizableItemList list;
    const qint64 before = Db::statementCount();
    list.Load(QString::number(id), "03/31/2025");
    const qint64 statements = Db::statementCount() - before;
    QStringList descs;
    for (const auto& m : list)
        descs << m->getDescription();
    QCOMPARE(descs, (QStringList{"open-ended", "a ends on the date", "b ends on the date", "later"}));
    QVERIFY(list.getItem("70000")->getID() == "70000");
    QCOMPARE(list.getItem("70002")->getAmortizationList().count(), 12);
    QCOMPARE(list.getItem("70002")->getGLAccount()->getID(), QString::number(id));
    QCOMPARE(list.getTotalRemainingBalance("03/31/2025").units(), units(900));
    QCOMPARE(list.getTotalRemainingBalance("01/31/2025").units(), units(200 + 400 + 1100));
    QVERIFY(list.exists("70001"));
    QVERIFY(!list.exists("1"));

    // The number of queries does not grow with the items: three more items, the same count.
    for (int n = 0; n < 3; ++n)
        item(acct, "01/01/2025", "01/01/2025", "12/31/2025", "12", "more")->store();
    AmortizableItemList bigger;
    const qint64 again = Db::statementCount();
    bigger.Load(QString::number(id), "03/31/2025");
    QCOMPARE(bigger.count(), 7);
    QCOMPARE(Db::statementCount() - again, statements);

    AmortizableItemList::Item first = *list.begin();
    list.remove(*first);
    QCOMPARE(list.count(), 3);
    QVERIFY_THROWS_EXCEPTION(AppError, list.remove(*first));
    QVERIFY_THROWS_EXCEPTION(AppError, list.add(*list.begin()));
}

void tst_Amortization::listedSchedulesKeepStoredOrder()
{
    // Two items whose periods were stored in turns, the first one's last month first: each lists
    // its own periods in the order they were stored, however the engine joins them to the items.
    ModelFixture fx;
    const qint64 id = account(fx);
    QStringList items;
    for (const qint64 amount : {units(300), units(200)})
        items << Db::exec(fx.db, "INSERT INTO AmortizableItem (glAcctID, openDate, startDate, endDate, amount, "
                                 "\"desc\") VALUES (?, '2025-01-01', '2025-01-01', '2025-03-31', ?, 'Rent')",
                          {id, amount})
                     .lastInsertId()
                     .toString();
    const QList<std::pair<int, QString>> stored = {
        {0, "2025-03-31"}, {1, "2025-01-31"}, {0, "2025-01-31"}, {1, "2025-02-28"}, {0, "2025-02-28"}};
    for (const auto& [item, period] : stored)
        Db::exec(fx.db, "INSERT INTO Amortization (amortizableItemID, period, amount) VALUES (?, ?, ?)",
                 {items.at(item).toLongLong(), period, units(100)});

    AmortizableItemList list;
    list.Load(QString::number(id), "02/15/2025");
    QCOMPARE(periods(list.getItem(items.at(0))->getAmortizationList()),
             (QStringList{"03/31/2025", "01/31/2025", "02/28/2025"}));
    QCOMPARE(periods(list.getItem(items.at(1))->getAmortizationList()), (QStringList{"01/31/2025", "02/28/2025"}));
    // Each schedule as listed is the one stored: neither item is taken for changed meanwhile.
    for (const AmortizableItemList::Item& listed : list)
        listed->store();
    QCOMPARE(fx.rows("AmortizationAudit"), 0);
    QCOMPARE(fx.activities("AmortizableItemAudit"), (QStringList{"UPDATE", "UPDATE"}));
}

void tst_Amortization::itemWithoutAccountDoesNotTakeTheSelectedOne()
{
    ModelFixture fx;
    Global::selectedGLAcctID = account(fx);
    const QString itemId = Db::exec(fx.db, "INSERT INTO AmortizableItem (openDate, startDate, endDate, amount) "
                                           "VALUES ('2025-01-01', '2025-01-01', '2025-03-31', 10000)")
                               .lastInsertId()
                               .toString();
    AmortizableItem i;
    i.Load(itemId);
    QCOMPARE(i.getID(), itemId);
    QVERIFY(i.getGLAccount() == nullptr);

    AmortizableItemList none;
    none.Load("", "02/28/2025");
    QCOMPARE(none.count(), 0);
}

void tst_Amortization::tutorialItemsMatchTheirRows()
{
    ModelFixture fx(true);
    qint64 listed = 0;
    for (const auto& [account, date] : fx.accountDates()) {
        AmortizableItemList list;
        list.Load(account, date);
        const QVariant day = QDate::fromString(date, "MM/dd/yyyy").toString("yyyy-MM-dd");
        const QString open = "FROM AmortizableItem m WHERE m.glAcctID = ? AND m.openDate <= ? "
                             "AND (m.endDate IS NULL OR m.endDate >= ?)";
        QCOMPARE(list.count(), fx.value("SELECT count(*) " + open, {account, day, day}).toLongLong());
        QCOMPARE(list.getTotalRemainingBalance(date).units(),
                 fx.value("SELECT COALESCE(SUM(z.amount), 0) FROM Amortization z JOIN AmortizableItem m "
                          "ON m.AmortizableItemID = z.amortizableItemID WHERE m.glAcctID = ? AND m.openDate <= ? "
                          "AND (m.endDate IS NULL OR m.endDate >= ?) AND z.period > ?",
                          {account, day, day, day})
                     .toLongLong());
        for (const auto& item : list) {
            QCOMPARE(item->getGLAccount()->getID(), account);
            QVERIFY(!item->hasNonAmortizedAmount());
        }
        listed += list.count();
    }
    QVERIFY(listed > 0);
}

QTEST_GUILESS_MAIN(tst_Amortization)
#include "tst_amortization.moc"
