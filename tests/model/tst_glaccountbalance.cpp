#include "apperror.h"
#include "db.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "glaccountbalancelist.h"
#include "global.h"
#include "modelfixture.h"

#include <QTest>
#include <limits>

// Balances through their results and the rows they leave.
class tst_GLAccountBalance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newThenStoredTwice();
    void blankTextsAndSignOffs();
    void validation_data();
    void validation();
    void debitCreditAndDifference();
    void lastReconciledDate();
    void editProtocol();
    void oneRowPerAccountAndDate();
    void failedStoreRestores();
    void listLoadAndStore();
    void listStoreIsAllOrNothing();
    void bigIdsAndMoneyLimits_data();
    void bigIdsAndMoneyLimits();
    void differenceBeyondTheMoneyTypeRaises();
    void failedUpdateLeavesRowAndObject();
    void listAuditFailureRestoresMembers();
    void listLookupIgnoresCase();
    void listMembersOfOneRowStoreInTurn();
};

namespace {

struct Fixture : ModelFixture
{
    Fixture() { Global::userName = "maria"; }
    std::shared_ptr<GLAccount> account(const QString& number, const QString& type = "A")
    {
        auto a = std::make_shared<GLAccount>();
        a->initialize("", number, "Account " + number, "", "", type, "S", "", "", "", "", "");
        a->store();
        return a;
    }
    QStringList activities() const { return ModelFixture::activities("GLAccountBalanceAudit"); }
};

} // namespace

void tst_GLAccountBalance::newThenStoredTwice()
{
    Fixture fx;
    auto cash = fx.account("1000");
    GLAccountBalance b;
    b.Load(cash, "1/31/2024");
    QVERIFY(b.isNew());
    QCOMPARE(b.getDate(), QStringLiteral("01/31/2024"));
    QVERIFY(b.getAmount().isZero());
    b.setAmount("1,234.567");
    b.store();
    QVERIFY(!b.isNew());
    QCOMPARE(b.getCreateUser(), QStringLiteral("maria"));
    const QString created = b.getCreateDate();
    Global::userName = "pat";
    b.store();
    QCOMPARE(fx.rows("GLAccountBalance"), 1);
    QCOMPARE(fx.activities(), (QStringList{"INSERT", "UPDATE"}));
    QCOMPARE(Db::scalar(fx.db, "SELECT amount FROM GLAccountBalance").toLongLong(), qint64(12345600));
    QCOMPARE(Db::scalar(fx.db, "SELECT CreateUser FROM GLAccountBalanceAudit WHERE Activity = 'UPDATE'").toString(),
             QStringLiteral("maria"));
    GLAccountBalance again;
    again.Load(cash, "01/31/2024");
    QVERIFY(!again.isNew());
    QCOMPARE(again.getAmount().toString(false), QStringLiteral("1,234.56"));
    QCOMPARE(again.getCreateDate(), created);
}

void tst_GLAccountBalance::blankTextsAndSignOffs()
{
    Fixture fx;
    GLAccountBalance b;
    b.Load(fx.account("1000"), "01/31/2024");
    b.setComment("   ");
    b.setCalcBalance(" kept ");
    b.setPreparedBy("Pat Rivera");
    b.setPreparedByDate("02/03/2024");
    b.store();
    QVERIFY(Db::scalar(fx.db, "SELECT comment FROM GLAccountBalance").isNull());
    QCOMPARE(Db::scalar(fx.db, "SELECT CalcBasis FROM GLAccountBalance").toString(), QStringLiteral(" kept "));
    GLAccountBalance again;
    again.Load(b.getGLAccount(), "01/31/2024");
    QCOMPARE(again.getComment(), QString());
    QCOMPARE(again.getPreparedByDate(), QStringLiteral("02/03/2024"));
    QCOMPARE(again.getReviewedBy(), QString());
}

void tst_GLAccountBalance::validation_data()
{
    QTest::addColumn<bool>("withAccount");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("reconciled");
    QTest::addColumn<QString>("code");
    QTest::newRow("nothing") << false << "" << "" << "GLAccountBalance:GLAccountMissing";
    QTest::newRow("no date") << true << "" << "" << "GLAccountBalance:DateInvalid";
    QTest::newRow("completed on the date") << true << "01/31/2024" << "01/31/2024"
                                           << "GLAccountBalance:ReconciledDateInvalid";
    QTest::newRow("completed a day later") << true << "01/31/2024" << "02/01/2024" << "";
    QTest::newRow("not completed") << true << "01/31/2024" << "" << "";
}

void tst_GLAccountBalance::validation()
{
    QFETCH(bool, withAccount);
    QFETCH(QString, date);
    QFETCH(QString, reconciled);
    QFETCH(QString, code);
    Fixture fx;
    GLAccountBalance b;
    if (withAccount)
        b.setGLAccount(fx.account("1000"));
    b.setDate(date);
    b.setReconciledDate(reconciled);
    QCOMPARE(b.isValid(), code.isEmpty());
    try {
        b.store();
        QVERIFY(code.isEmpty());
        QCOMPARE(fx.rows("GLAccountBalance"), 1);
    } catch (const AppError& e) {
        QCOMPARE(e.source(), code);
        QCOMPARE(e.description(), QStringLiteral("Validation Error"));
        QCOMPARE(fx.rows("GLAccountBalance"), 0);
        QVERIFY(b.isNew());
    }
}

void tst_GLAccountBalance::debitCreditAndDifference()
{
    Fixture fx;
    GLAccountBalance debit, credit;
    debit.setGLAccount(fx.account("1000", "X"));
    credit.setGLAccount(fx.account("2000", "L"));
    for (GLAccountBalance* b : {&debit, &credit}) {
        b->setAmount("1000.00");
        b->setTargetAmount("900.00");
    }
    QCOMPARE(debit.getDebitAmount().toString(false), QStringLiteral("1,000.00"));
    QVERIFY(debit.getCreditAmount().isZero());
    QCOMPARE(credit.getCreditAmount().toString(false), QStringLiteral("1,000.00"));
    QVERIFY(credit.getDebitAmount().isZero());
    QCOMPARE(credit.getAdjustedAmount().toString(false), QStringLiteral("1,000.00"));
    ARCurrency fifty, oneFifty;
    fifty.setVal("50");
    oneFifty.setVal("150");
    QCOMPARE(debit.getUnidentifiedDifference(fifty).toString(false), QStringLiteral("50.00"));
    QCOMPARE(debit.getUnidentifiedDifference(oneFifty).toString(false), QStringLiteral("-50.00"));
}

void tst_GLAccountBalance::lastReconciledDate()
{
    Fixture fx;
    auto a = fx.account("1000");
    Db::exec(fx.db, "INSERT INTO GLAccountBalance (glAcctID, Date, PreparedByDate) VALUES "
                    "(?, '2023-11-30', '2023-12-02'), (?, '2023-12-31', NULL), (?, '2024-02-29', '2024-03-01')",
             {a->getID(), a->getID(), a->getID()});
    GLAccountBalance b;
    b.Load(a, "01/31/2024");
    QCOMPARE(b.getLastReconciledDate(), QStringLiteral("11/30/2023"));
    b.Load(a, "02/29/2024");
    QCOMPARE(b.getLastReconciledDate(), QStringLiteral("02/29/2024")); // its own row counts
    b.Load(a, "10/31/2023");
    QCOMPARE(b.getLastReconciledDate(), QString());
}

void tst_GLAccountBalance::editProtocol()
{
    Fixture fx;
    auto a = fx.account("1000");
    GLAccountBalance b;
    b.cancelEdit(); // without an edit: nothing
    b.Load(a, "01/31/2024");
    b.beginEdit();
    b.setAmount("5");
    b.setCalcBalance("basis");
    b.setGLAccount(fx.account("2000"));
    b.cancelEdit();
    QVERIFY(b.getAmount().isZero());
    QCOMPARE(b.getCalcBalance(), QString());
    QCOMPARE(b.getGLAccount(), a);
    b.beginEdit();
    b.setReconciledDate("01/31/2024");
    QVERIFY_THROWS_EXCEPTION(AppError, b.applyEdit());
    b.cancelEdit(); // the copy is still there after a refused apply
    QCOMPARE(b.getReconciledDate(), QString());
}

void tst_GLAccountBalance::oneRowPerAccountAndDate()
{
    Fixture fx;
    auto a = fx.account("1000");
    GLAccountBalance first, second;
    first.Load(a, "01/31/2024");
    second.Load(a, "01/31/2024");
    first.store();
    // Another user stored the same new balance meanwhile: said in the system's words, with the
    // database's own text kept for the details.
    try {
        second.store();
        QFAIL("a second row for the account and date was stored");
    } catch (const AppError& e) {
        QCOMPARE(e.number(), AppError::DatabaseConflict);
        QVERIFY2(e.description().startsWith("Another user stored a balance"), qPrintable(e.description()));
        QVERIFY2(e.details().contains(TestDb::onServer() ? "duplicate key" : "UNIQUE constraint failed"),
                 qPrintable(e.details()));
    }
    QVERIFY(second.isNew());
    QCOMPARE(fx.rows("GLAccountBalance"), 1);
    QCOMPARE(fx.activities(), QStringList{"INSERT"});
}

void tst_GLAccountBalance::failedStoreRestores()
{
    Fixture fx;
    TestDb::failInserts(fx.db, "GLAccountBalanceAudit");
    GLAccountBalance b;
    b.Load(fx.account("1000"), "01/31/2024");
    QVERIFY_THROWS_EXCEPTION(AppError, b.store());
    QVERIFY(b.isNew());
    QVERIFY(b.getCreateUser().isEmpty());
    QCOMPARE(fx.rows("GLAccountBalance"), 0);
    TestDb::mendInserts(fx.db, "GLAccountBalanceAudit");
    b.store();
    QCOMPARE(fx.activities(), QStringList{"INSERT"});
}

void tst_GLAccountBalance::listLoadAndStore()
{
    Fixture fx;
    fx.account("3000");
    auto first = fx.account("1000");
    fx.account("2000");
    GLAccountBalance stored;
    stored.Load(first, "01/31/2024");
    stored.setAmount("10");
    stored.store();

    GLAccountBalanceList list;
    list.Load("01/31/2024");
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.getGLAccountBalanceAt(1).getGLAccount()->getNumber(), QStringLiteral("1000"));
    QVERIFY(!list.getGLAccountBalanceAt(1).isNew());
    QCOMPARE(list.getGLAccountBalanceAt(1).getAmount().toString(false), QStringLiteral("10.00"));
    QVERIFY(list.getGLAccountBalanceAt(2).isNew());
    QVERIFY(list.exists("2000"));
    QVERIFY(!list.exists("9999"));
    QVERIFY_THROWS_EXCEPTION(AppError, list.getGLAccountBalance("9999"));
    QVERIFY_THROWS_EXCEPTION(AppError, list.getGLAccountBalanceAt(4));
    list.getGLAccountBalance("3000").setAdjustedAmount("-7.5");
    list.applyEdit();
    QCOMPARE(fx.rows("GLAccountBalance"), 3);
    // Written in the order of the rows' keys, not the list's: 3000 was added first, then 1000 and 2000.
    QCOMPARE(fx.activities(), (QStringList{"INSERT", "INSERT", "UPDATE", "INSERT"}));
    list.cancelEdit();
    QCOMPARE(list.count(), 0);
}

void tst_GLAccountBalance::listStoreIsAllOrNothing()
{
    Fixture fx;
    for (const QString n : {"1000", "2000", "3000"})
        fx.account(n);
    GLAccountBalanceList list;
    list.Load("01/31/2024");
    // The third insert fails: nothing of the first two stays, and the list can be stored again.
    TestDb::failInserts(fx.db, "GLAccountBalance", "(SELECT count(*) FROM GLAccountBalance) >= 2");
    QVERIFY_THROWS_EXCEPTION(AppError, list.applyEdit());
    QCOMPARE(fx.rows("GLAccountBalance"), 0);
    QCOMPARE(fx.rows("GLAccountBalanceAudit"), 0);
    QVERIFY(list.getGLAccountBalanceAt(1).isNew());
    TestDb::mendInserts(fx.db, "GLAccountBalance");
    list.applyEdit();
    QCOMPARE(fx.rows("GLAccountBalance"), 3);
}

void tst_GLAccountBalance::bigIdsAndMoneyLimits_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("shown");
    QTest::newRow("largest typed") << "9,223,372,036,854.775" << qint64(92233720368547700LL)
                                   << "9,223,372,036,854.77";
    QTest::newRow("most negative typed") << "-9223372036854.77" << qint64(-92233720368547700LL)
                                         << "-9,223,372,036,854.77";
    QTest::newRow("one cent") << "0.019" << qint64(100) << "0.01";
}

void tst_GLAccountBalance::bigIdsAndMoneyLimits()
{
    QFETCH(QString, amount);
    QFETCH(qint64, units);
    QFETCH(QString, shown);
    Fixture fx;
    TestDb::numberKeysFrom(fx.db, "GLAccount", 70000);
    auto a = fx.account("1000");
    QCOMPARE(a->getID(), QStringLiteral("70000")); // beyond 16 bits
    GLAccountBalance b;
    b.Load(a, "01/31/2024");
    b.setAmount(amount);
    b.setTargetAmount(amount);
    b.store();
    QCOMPARE(Db::scalar(fx.db, "SELECT glAcctID FROM GLAccountBalance").toLongLong(), qint64(70000));
    QCOMPARE(Db::scalar(fx.db, "SELECT amount FROM GLAccountBalance").toLongLong(), units);
    QCOMPARE(Db::scalar(fx.db, "SELECT targetAmount FROM GLAccountBalanceAudit").toLongLong(), units);
    GLAccountBalanceList list;
    list.Load("01/31/2024");
    QCOMPARE(list.getGLAccountBalance("1000").getAmount().toString(false), shown);
    QVERIFY(list.getGLAccountBalance("1000").getUnidentifiedDifference(ARCurrency()).isZero());
}

void tst_GLAccountBalance::differenceBeyondTheMoneyTypeRaises()
{
    Fixture fx;
    auto a = fx.account("1000");
    // Stored at the very ends of the money type (no typed amount can be that large).
    Db::exec(fx.db,
             "INSERT INTO GLAccountBalance (glAcctID, Date, amount, targetAmount) VALUES (?, '2024-01-31', ?, ?)",
             {a->getID(), std::numeric_limits<qint64>::max(), qint64(-1)});
    GLAccountBalance b;
    b.Load(a, "01/31/2024");
    QCOMPARE(b.getAmount().units(), std::numeric_limits<qint64>::max());
    QCOMPARE(b.getAmount().toString(false), QStringLiteral("922,337,203,685,477.58"));
    // Never a wrapped-around figure: the arithmetic refuses to overflow.
    QVERIFY_THROWS_EXCEPTION(AppError, b.getUnidentifiedDifference(ARCurrency()));
    b.setAmount("1,000.00");
    b.setTargetAmount("900.00");
    b.store(); // and the row can be corrected
    QCOMPARE(Db::scalar(fx.db, "SELECT amount FROM GLAccountBalance").toLongLong(), qint64(10000000));
}

void tst_GLAccountBalance::failedUpdateLeavesRowAndObject()
{
    Fixture fx;
    GLAccountBalance b;
    b.Load(fx.account("1000"), "01/31/2024");
    b.setAmount("10");
    b.store();
    const QString created = b.getCreateDate();
    fx.seams.clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 0)));
    TestDb::failInserts(fx.db, "GLAccountBalanceAudit");
    b.setAmount("20");
    QVERIFY_THROWS_EXCEPTION(AppError, b.store());
    QCOMPARE(Db::scalar(fx.db, "SELECT amount FROM GLAccountBalance").toLongLong(), qint64(100000));
    QVERIFY(!b.isNew());
    QCOMPARE(b.getCreateDate(), created);
    TestDb::mendInserts(fx.db, "GLAccountBalanceAudit");
    // A row deleted behind the object's back: the update raises and writes no audit row.
    Db::exec(fx.db, "DELETE FROM GLAccountBalance");
    QVERIFY_THROWS_EXCEPTION(AppError, b.store());
    QCOMPARE(fx.activities(), QStringList{"INSERT"});
}

void tst_GLAccountBalance::listAuditFailureRestoresMembers()
{
    Fixture fx;
    auto first = fx.account("1000");
    fx.account("2000");
    fx.account("3000");
    GLAccountBalance stored;
    stored.Load(first, "01/31/2024");
    stored.store();
    const QString created = stored.getCreateDate();
    GLAccountBalanceList list;
    list.Load("01/31/2024");
    TestDb::failInserts(fx.db, "GLAccountBalanceAudit", "(SELECT count(*) FROM GLAccountBalanceAudit) >= 3");
    QVERIFY_THROWS_EXCEPTION(AppError, list.applyEdit());
    QCOMPARE(fx.rows("GLAccountBalance"), 1);
    QCOMPARE(fx.activities(), QStringList{"INSERT"});
    QVERIFY(!list.getGLAccountBalanceAt(1).isNew());
    QCOMPARE(list.getGLAccountBalanceAt(1).getCreateDate(), created);
    for (qint64 i : {2, 3}) {
        QVERIFY(list.getGLAccountBalanceAt(i).isNew());
        QVERIFY(list.getGLAccountBalanceAt(i).getCreateUser().isEmpty());
    }
    TestDb::mendInserts(fx.db, "GLAccountBalanceAudit");
    list.applyEdit();
    QCOMPARE(fx.rows("GLAccountBalance"), 3);
    QCOMPARE(fx.activities(), (QStringList{"INSERT", "UPDATE", "INSERT", "INSERT"}));
    QCOMPARE(Db::scalar(fx.db, "SELECT CreateDate FROM GLAccountBalanceAudit WHERE Activity = 'UPDATE'").toString(),
             created);
}

void tst_GLAccountBalance::listLookupIgnoresCase()
{
    Fixture fx;
    fx.account("ab-1");
    GLAccountBalanceList list;
    list.Load("1/31/24");
    QCOMPARE(list.getGLAccountBalanceAt(1).getDate(), QStringLiteral("01/31/2024"));
    QVERIFY(list.exists("AB-1"));
    QVERIFY(!list.exists("ab-2"));
    GLAccountBalance added;
    added.setGLAccount(fx.account("ab-2"));
    added.setDate("01/31/2024");
    list.add(added);
    QVERIFY(list.exists("AB-2"));
    QCOMPARE(list.getGLAccountBalance("Ab-2").getGLAccount()->getNumber(), QStringLiteral("ab-2"));
    list.cancelEdit();
    QCOMPARE(list.count(), 0);
    QVERIFY(!list.exists("ab-1"));
    QCOMPARE(fx.rows("GLAccountBalance"), 0);
}

void tst_GLAccountBalance::listMembersOfOneRowStoreInTurn()
{
    // Two members of one account and date: the second sees the row the first one added.
    Fixture fx;
    auto a = fx.account("1000");
    GLAccountBalanceList list;
    list.Load("01/31/2024");
    GLAccountBalance again;
    again.setGLAccount(a);
    again.setDate("01/31/2024");
    again.setAmount("10");
    list.add(again);
    list.getGLAccountBalanceAt(1).setAmount("10");
    list.applyAmountEdit();
    QCOMPARE(fx.value("SELECT count(*) || '/' || sum(amount) FROM GLAccountBalance").toString(), "1/100000");
    QCOMPARE(fx.activities(), QStringList{"INSERT"});
    QVERIFY(!list.getGLAccountBalanceAt(1).isNew());
    QVERIFY(list.getGLAccountBalanceAt(2).isNew());
}

QTEST_GUILESS_MAIN(tst_GLAccountBalance)
#include "tst_glaccountbalance.moc"
