#include "accountfigures.h"
#include "apperror.h"
#include "db.h"
#include "global.h"
#include "modelfixture.h"

#include <QTest>

// The all-accounts figures read in grouped queries, on worked examples written straight into the
// tables.
class tst_AccountFigures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void workedExamples();
    void itemCodesWithoutRegardToCase();
    void filters_data();
    void filters();
    void flagsAsStored_data();
    void flagsAsStored();
    void queryCountDoesNotGrowWithAccounts();
    void sumsPastSixtyFourBits_data();
    void sumsPastSixtyFourBits();
    void status_data();
    void status();
};

namespace {

struct Fixture : ModelFixture
{
    qint64 account(const QString& number, const QString& type, const QString& rec, const QVariant& active = "Yes",
                   const QVariant& key = "No")
    {
        return Db::exec(db,
                        "INSERT INTO GLAccount (glacctnbr, name, accountTypeCode, recTypeCode, active, keycontrol) "
                        "VALUES (?, ?, ?, ?, ?, ?)",
                        {number, "Account " + number, type, rec, active, key})
            .lastInsertId()
            .toLongLong();
    }
    void balance(qint64 id, const QString& date, qint64 amount, qint64 target, const QVariant& prepared = QVariant(),
                 const QVariant& preparedDate = QVariant())
    {
        Db::exec(db,
                 "INSERT INTO GLAccountBalance (glAcctID, Date, amount, targetAmount, preparedBy, PreparedByDate) "
                 "VALUES (?, ?, ?, ?, ?, ?)",
                 {id, date, amount, target, prepared, preparedDate});
    }
    void item(qint64 id, const QString& type, const QString& timing, qint64 amount, const QString& open,
              const QVariant& close = QVariant())
    {
        Db::exec(db,
                 "INSERT INTO ReconcilingItem (glAcctID, openDate, closeDate, amount, typeCode, ReqTiming) "
                 "VALUES (?, ?, ?, ?, ?, ?)",
                 {id, open, close, amount, type, timing});
    }
    const AccountFigures* find(const QList<AccountFigures>& list, const QString& number)
    {
        for (const AccountFigures& f : list)
            if (f.number == number)
                return &f;
        return nullptr;
    }
};

qint64 money(double whole) { return qint64(whole * 100) * 100; }

} // namespace

void tst_AccountFigures::workedExamples()
{
    Fixture fx;
    // Bank: balance 1,000.00, bank 900.00, check -150.00, deposit 50.00 gives 200.00; an "L" item
    // with timing R counts in the adjustments but not in the bank difference.
    const qint64 bank = fx.account("1000", "A", "C");
    fx.balance(bank, "2024-01-31", money(1000), money(900));
    fx.item(bank, "C", "T", money(-150), "2024-01-10");
    fx.item(bank, "D", "T", money(50), "2024-01-20");
    fx.item(bank, "L", "R", money(7), "2024-01-31");
    fx.item(bank, "C", "U", money(-999), "2023-12-01", "2024-01-31"); // closed on the date: gone
    fx.item(bank, "O", "r", money(3), "2023-12-15", "2024-02-01");    // lower-case timing: an adjustment too
    // Subledger (credit type): every open item explains.
    const qint64 sub = fx.account("2000", "L", "S");
    fx.balance(sub, "2024-01-31", money(-500), money(-450), "Pat", "2024-02-02");
    fx.item(sub, "S", "U", money(-20), "2024-01-01");
    fx.balance(sub, "2023-12-31", money(-400), money(-400), "Pat", "2024-01-03");
    // Prepaid: the schedule after the date and the items both explain.
    const qint64 pre = fx.account("1400", "A", "A");
    fx.balance(pre, "2024-01-31", money(1200), 0);
    const qint64 ai = Db::exec(fx.db,
                               "INSERT INTO AmortizableItem (glAcctID, openDate, startDate, endDate, amount) "
                               "VALUES (?, '2024-01-01', '2024-01-01', '2024-12-31', ?)",
                               {pre, money(1200)})
                          .lastInsertId()
                          .toLongLong();
    for (int m = 1; m <= 12; ++m)
        Db::exec(fx.db, "INSERT INTO Amortization (amortizableItemID, period, amount) VALUES (?, ?, ?)",
                 {ai, QDate(2024, m, 1).addMonths(1).addDays(-1).toString(Qt::ISODate), money(100)});
    fx.item(pre, "O", "T", money(50), "2024-01-15");
    // The null kind is figured as a plain reconciliation; no balance row means zeros.
    fx.account("9000", "N", "N");

    const auto list = AccountFiguresQuery::load("01/31/2024", "All Accounts");
    QCOMPARE(list.size(), 4);
    QCOMPARE(list[0].number, QStringLiteral("1000")); // number order

    const AccountFigures* b = fx.find(list, "1000");
    QCOMPARE(b->unidentifiedDifference().value().toString(false), QStringLiteral("197.00")); // 1000-(900-100+3)
    QCOMPARE(b->requiredAdjustments.value().toString(false), QStringLiteral("10.00"));
    QVERIFY(b->unresolved.value().isZero());
    QCOMPARE(b->debitAmount().toString(false), QStringLiteral("1,000.00"));
    QVERIFY(b->creditAmount().isZero());

    const AccountFigures* s = fx.find(list, "2000");
    QCOMPARE(s->unidentifiedDifference().value().toString(false), QStringLiteral("-30.00")); // -500-(-450-20)
    QCOMPARE(s->unresolved.value().toString(false), QStringLiteral("-20.00"));
    QCOMPARE(s->creditAmount().toString(false), QStringLiteral("-500.00"));
    QCOMPARE(s->lastReconciledDate, QStringLiteral("01/31/2024"));
    QCOMPARE(s->status(), QStringLiteral("Prepared"));

    const AccountFigures* p = fx.find(list, "1400");
    QCOMPARE(p->prepaidRemaining.value().toString(false), QStringLiteral("1,100.00")); // Feb-Dec
    QCOMPARE(p->unidentifiedDifference().value().toString(false), QStringLiteral("50.00")); // 1200-(0+1100+50)

    const AccountFigures* n = fx.find(list, "9000");
    QVERIFY(!n->hasBalanceRow);
    QVERIFY(n->unidentifiedDifference().value().isZero());
    QCOMPARE(n->lastReconciledDate, QString());
}

// The database tells the bank item types and the timings apart, comparing codes as it groups them:
// without regard to letter case.
void tst_AccountFigures::itemCodesWithoutRegardToCase()
{
    Fixture fx;
    const qint64 bank = fx.account("1000", "A", "C");
    fx.balance(bank, "2024-01-31", 0, 0);
    fx.item(bank, "c", "t", money(1), "2024-01-10");
    fx.item(bank, "d", "T", money(2), "2024-01-10");
    fx.item(bank, "b", "u", money(4), "2024-01-10");
    fx.item(bank, "n", "U", money(8), "2024-01-10");
    fx.item(bank, "o", "r", money(16), "2024-01-10");
    fx.item(bank, "O", "R", money(32), "2024-01-10"); // the same group as the one before
    fx.item(bank, "x", "t", money(64), "2024-01-10");
    fx.item(bank, "L", "u", money(128), "2024-01-10");
    fx.item(bank, "CC", "RR", money(256), "2024-01-10"); // no bank type, no timing
    const AccountFigures f = AccountFiguresQuery::load("01/31/2024", "All Accounts").at(0);
    QCOMPARE(f.itemsTotal.value().toString(false), QStringLiteral("511.00"));
    QCOMPARE(f.bankItemsTotal.value().toString(false), QStringLiteral("63.00"));
    QCOMPARE(f.requiredAdjustments.value().toString(false), QStringLiteral("48.00"));
    QCOMPARE(f.unresolved.value().toString(false), QStringLiteral("140.00"));
}

void tst_AccountFigures::filters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("all") << "All Accounts" << QStringList{"1", "2", "3", "4"};
    QTest::newRow("active, empty flag reads Yes") << "Active Accounts" << QStringList{"1", "3"};
    QTest::newRow("key control, exact case") << "Key Control Accounts" << QStringList{"2", "3"};
    QTest::newRow("unknown word") << "Some Accounts" << QStringList{};
}

void tst_AccountFigures::filters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, numbers);
    Fixture fx;
    fx.account("1", "A", "S", "Yes", "No");
    fx.account("2", "A", "S", "No", "Yes");
    fx.account("3", "A", "S", QVariant(), QVariant());
    fx.account("4", "A", "S", "yes", "yes");
    QStringList got;
    for (const AccountFigures& f : AccountFiguresQuery::load("01/31/2024", filter))
        got << f.number;
    QCOMPARE(got, numbers);
}

// The figures carry each flag as the account reads it: as stored, an empty one reading "Yes".
void tst_AccountFigures::flagsAsStored_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Yes") << QVariant("Yes") << "Yes";
    QTest::newRow("No") << QVariant("No") << "No";
    QTest::newRow("none") << QVariant() << "Yes";
    QTest::newRow("empty") << QVariant("") << "Yes";
    QTest::newRow("yes, lower case") << QVariant("yes") << "yes";
    QTest::newRow("no, lower case") << QVariant("no") << "no";
    QTest::newRow("No with a blank") << QVariant("No ") << "No ";
    QTest::newRow("another word") << QVariant("Maybe") << "Maybe";
}

void tst_AccountFigures::flagsAsStored()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, shown);
    Fixture fx;
    fx.account("1", "A", "S", stored, stored);
    const AccountFigures f = AccountFiguresQuery::load("01/31/2024", "All Accounts").at(0);
    QCOMPARE(f.active, shown);
    QCOMPARE(f.keyControl, shown);
}

void tst_AccountFigures::queryCountDoesNotGrowWithAccounts()
{
    Fixture fx;
    {
        Db::Transaction tx(fx.db);
        for (int i = 0; i < 500; ++i) {
            const qint64 id = fx.account(QString::number(10000 + i), "A", i % 2 ? "C" : "A");
            fx.balance(id, "2024-01-31", money(i), 0);
            fx.item(id, "C", "R", money(1), "2024-01-01");
        }
        tx.commit();
    }
    const qint64 before = Db::statementCount();
    const auto list = AccountFiguresQuery::load("01/31/2024", "All Accounts");
    QCOMPARE(list.size(), 500);
    QVERIFY(Db::statementCount() - before <= 5);
}

// Sums past 64 bits on the way are exact, the same on both engines; a figure that does not fit the
// money type is kept exact, for its account to show as too large.
void tst_AccountFigures::sumsPastSixtyFourBits_data()
{
    QTest::addColumn<bool>("schedule");  // a prepaid schedule after the date, else items open at it
    QTest::addColumn<bool>("oneCredit"); // after 101 rows of the largest amount, one of the largest credit
    QTest::addColumn<QString>("difference"); // "" for too large
    for (const bool schedule : {false, true}) {
        const QByteArray kind = schedule ? "schedule" : "items";
        QTest::newRow(kind + " past 64 bits, the figure fits") << schedule << true << "-922,337,203,685,477.00";
        QTest::newRow(kind + " past the range") << schedule << false << "";
    }
}

void tst_AccountFigures::sumsPastSixtyFourBits()
{
    QFETCH(bool, schedule);
    QFETCH(bool, oneCredit);
    QFETCH(QString, difference);
    Fixture fx;
    const qint64 max = ARCurrency::largestEntry().units(), id = fx.account("1000", "A", schedule ? "A" : "S");
    const qint64 prepaid = Db::insertReturningId(fx.db, "INSERT INTO AmortizableItem (glAcctID, openDate, startDate, "
                                                        "endDate, amount) VALUES (?, '2024-01-01', '2024-01-01', '2099-12-31', 0)",
                                                 {id});
    Db::Transaction tx(fx.db);
    for (int i = 0; i < 101 + oneCredit; ++i) {
        if (!schedule) // the credit in a group of its own: each group's sum is exact too
            fx.item(id, "S", i < 101 ? "T" : "R", i < 101 ? max : -max, "2024-01-01");
        else
            Db::exec(fx.db, "INSERT INTO Amortization (amortizableItemID, period, amount) VALUES (?, ?, ?)",
                     {prepaid, QDate(2024, 2, 1).addMonths(i).toString(Qt::ISODate), i < 101 ? max : -max});
    }
    tx.commit();
    // A figure past the range is the account's own: the list still loads.
    const ARCurrencySum figure = AccountFiguresQuery::load("01/31/2024", "All Accounts").at(0).unidentifiedDifference();
    QCOMPARE(figure.fits() ? figure.value().toString(false) : QString(), difference);
}

void tst_AccountFigures::status_data()
{
    QTest::addColumn<QString>("prepared");
    QTest::addColumn<QString>("reviewed");
    QTest::addColumn<QString>("approved");
    QTest::addColumn<QString>("status");
    QTest::newRow("reviewer wins") << "P" << "R" << "A" << "Reviewed";
    QTest::newRow("approver before preparer") << "P" << "" << "A" << "Approved";
    QTest::newRow("preparer only") << "P" << "" << "" << "Prepared";
    QTest::newRow("none") << "" << "" << "" << "";
}

void tst_AccountFigures::status()
{
    QFETCH(QString, prepared);
    QFETCH(QString, reviewed);
    QFETCH(QString, approved);
    QFETCH(QString, status);
    QCOMPARE(SignOffStatus::of(prepared, reviewed, approved), status);
}

QTEST_GUILESS_MAIN(tst_AccountFigures)
#include "tst_accountfigures.moc"
