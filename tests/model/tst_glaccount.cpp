#include "apperror.h"
#include "db.h"
#include "company.h"
#include "datavalidationerror.h"
#include "glaccount.h"
#include "glaccountbalance.h"
#include "glaccountbalancelist.h"
#include "global.h"
#include "modelfixture.h"

#include <QTest>

// Accounts through their results and the rows they leave: the row, its audit twin, nothing else.
class tst_GLAccount : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void referenceLists();
    void newAccountDefaults();
    void storeWritesRowAndAudit();
    void updateKeepsCreateAndAudits();
    void failedStoreRestoresObject();
    void removeOnceOnly();
    void validation();
    void uniqueness_data();
    void uniqueness();
    void loadDefaultsAndSelected();
    void unknownErpCodeIsKept();
    void listInNumberOrder();
    void editProtocol();
    void company();
    void equalsReadsEmptyFlagsAsYes();
    void numbersDifferingInCaseStillLoad();
    void failedUpdateOrRemoveLeavesRow();
    void companyReadOncePerConnection();
};

namespace {

struct Fixture : ModelFixture
{
    Fixture() { Global::userName = "maria"; }
    GLAccount account(const QString& number, const QString& name = "Cash")
    {
        GLAccount a;
        a.initialize("", number, name, "", "", "A", "C", "Yes", "No", "", "", "");
        return a;
    }
    QStringList activities() const { return ModelFixture::activities("GLAccountAudit"); }
};

} // namespace

void tst_GLAccount::referenceLists()
{
    Fixture fx;
    GLAccountTypeList types;
    QCOMPARE(types.count(), 6);
    QCOMPARE(types.getGLAccountType("x").getName(), QStringLiteral("Expense"));
    QVERIFY(types.getGLAccountType("x").isDebit());
    QVERIFY(types.getGLAccountType("C").isCredit());
    QVERIFY(types.getGLAccountType("Q").isNull());
    QVERIFY(!types.getGLAccountType("Q").isDebit());
    RecTypeList recTypes;
    QVERIFY(recTypes.count() >= 6);
    QCOMPARE(recTypes.getRecType("").getCode(), QStringLiteral("N"));
    QCOMPARE(recTypes.getRecType("c").getCode(), QStringLiteral("C"));
    QCOMPARE(ERPNumberList::getNull().getERPNumberDesc(), QStringLiteral("Null"));
    // Read once per connection: a new row shows after reload().
    Db::exec(fx.db, "INSERT INTO ReconciliationType (recTypeCode, name) VALUES ('Z', 'Zed')");
    QVERIFY(RecTypeList().getRecType("Z").isNull());
    RecTypeList::reload();
    QCOMPARE(RecTypeList().getRecType("Z").getName(), QStringLiteral("Zed"));
    const RecType none = RecTypeList().getRecType("");
    QCOMPARE(none.getName(), QStringLiteral("Null"));
    QCOMPARE(none.getHelp(), QString());

    QStringList names;
    for (const GLAccountType& t : types)
        names << t.getName();
    QCOMPARE(names, (QStringList{"Asset", "Liability", "Equity", "Income", "Expense", "Contra-Asset"}));
    // A combo box's index plus 1 selects by position.
    QCOMPARE(types.getGLAccountTypeAt(5).getCode(), QStringLiteral("X"));
    QVERIFY_THROWS_EXCEPTION(AppError, types.getGLAccountTypeAt(7));
    QCOMPARE(RecTypeList().getRecTypeAt(1).getCode(), RecTypeList().begin()->getCode());
    QVERIFY_THROWS_EXCEPTION(AppError, RecTypeList().getRecTypeAt(0));

    GLAccountClassification help;
    help.Load("A", "Q");
    QCOMPARE(help.getHelp(), QString()); // no row: nothing
    Db::exec(fx.db, "INSERT INTO GLAccountClassification (AccountTypeCode, RecTypeCode, Help) VALUES ('A', 'Q', ?)",
             {"It's a tip"});
    help.Load("A", "Q");
    QCOMPARE(help.getHelp(), QStringLiteral("It's a tip"));
}

void tst_GLAccount::newAccountDefaults()
{
    Fixture fx;
    GLAccount a;
    QVERIFY(a.isNew());
    QVERIFY(a.getAccountType().isNull());
    QVERIFY(a.getRecType().isNull());
    QCOMPARE(a.getERPNumber().getERPNumber(), QStringLiteral("N"));
    QCOMPARE(a.getKeyControl(), QStringLiteral("Yes"));
    QCOMPARE(a.getActive(), QStringLiteral("Yes"));
}

void tst_GLAccount::storeWritesRowAndAudit()
{
    Fixture fx;
    GLAccount a = fx.account("O'Brien-1", "  ");
    a.store();
    QVERIFY(!a.isNew());
    QCOMPARE(fx.rows("GLAccount"), 1);
    QCOMPARE(fx.activities(), QStringList{"INSERT"});
    QVERIFY(Db::scalar(fx.db, "SELECT name FROM GLAccount").isNull()); // blank stored as NULL
    QCOMPARE(a.getCreateUser(), QStringLiteral("maria"));
    QVERIFY(!a.getCreateDate().isEmpty());
    GLAccount b;
    b.Load(a.getID());
    QCOMPARE(b.getNumber(), QStringLiteral("O'Brien-1"));
    QCOMPARE(b.getName(), QString()); // blank reads back as the empty default
    b.setName("  ");
    QVERIFY(b.equals(a));
}

void tst_GLAccount::updateKeepsCreateAndAudits()
{
    Fixture fx;
    GLAccount a = fx.account("1000");
    a.store();
    const QString created = a.getCreateDate();
    Global::userName = "pat";
    fx.seams.clock.set(QDateTime(QDate(2024, 4, 1), QTime(9, 0)));
    a.setName("Cash at bank");
    a.store();
    a.store(); // a second store still audits and keeps the create columns
    QCOMPARE(fx.activities(), (QStringList{"INSERT", "UPDATE", "UPDATE"}));
    QCOMPARE(Db::scalar(fx.db, "SELECT CreateUser FROM GLAccount").toString(), QStringLiteral("maria"));
    QCOMPARE(Db::scalar(fx.db, "SELECT CreateDate FROM GLAccount").toString(), created);
    QCOMPARE(Db::scalar(fx.db, "SELECT CreateUser FROM GLAccountAudit WHERE Activity = 'UPDATE'").toString(),
             QStringLiteral("pat"));
}

void tst_GLAccount::failedStoreRestoresObject()
{
    Fixture fx;
    TestDb::failInserts(fx.db, "GLAccountAudit");
    GLAccount a = fx.account("1000");
    QVERIFY_THROWS_EXCEPTION(AppError, a.store());
    QVERIFY(a.isNew());
    QVERIFY(a.getCreateUser().isEmpty());
    QCOMPARE(fx.rows("GLAccount"), 0);
    TestDb::mendInserts(fx.db, "GLAccountAudit");
    a.store(); // the retry works
    QCOMPARE(fx.rows("GLAccount"), 1);
    QCOMPARE(fx.activities(), QStringList{"INSERT"});
}

void tst_GLAccount::removeOnceOnly()
{
    Fixture fx;
    GLAccount a = fx.account("1000");
    a.store();
    Db::exec(fx.db, "INSERT INTO GLAccountBalance (glAcctID, Date, amount) VALUES (?, '2024-01-31', 1)", {a.getID()});
    a.remove();
    QCOMPARE(fx.rows("GLAccount"), 0);
    QCOMPARE(fx.rows("GLAccountBalance"), 1); // children stay
    QVERIFY_THROWS_EXCEPTION(AppError, a.remove());
    QCOMPARE(fx.activities(), (QStringList{"INSERT", "DELETE"}));
    GLAccount gone = a;
    gone.setName("x");
    QVERIFY_THROWS_EXCEPTION(AppError, gone.store()); // an update of a deleted row
    QCOMPARE(fx.activities(), (QStringList{"INSERT", "DELETE"}));
}

void tst_GLAccount::validation()
{
    Fixture fx;
    GLAccount a;
    QVERIFY(!a.validate());
    QCOMPARE(fx.seams.prompter.lastText(), QStringLiteral("Please enter the following fields\r\n"
                                                          "   -  Account Number\r\n   -  Account Name\r\n"
                                                          "   -  Account Type\r\n   -  Reconciliation Type\r\n"));
    QCOMPARE(fx.seams.prompter.messages.last().icon, Prompter::Icon::Information);
    GLAccount ok = fx.account("1000");
    QVERIFY(ok.validate());
    for (const QString& number : {QStringLiteral("10\u000100"), QStringLiteral("1000\t")}) {
        GLAccount control = fx.account(number);
        QVERIFY(!control.isValid());
        try {
            control.validate();
            QFAIL("a control character must be refused");
        } catch (const AppError& e) {
            QCOMPARE(DataValidationError(e).getMessage(),
                     QStringLiteral("Please enter an Account Number without control characters."));
        }
    }
}

void tst_GLAccount::uniqueness_data()
{
    // An account numbered `stored` is there; may another take `number`? The lists that find an
    // account by a typed number (the balances import's matching among them) answer alike.
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("unique");
    QTest::newRow("same") << "1000-A" << "1000-A" << false;
    QTest::newRow("other case") << "1000-A" << "1000-a" << false;
    QTest::newRow("accented, other case") << "Ä1" << "ä1" << false;
    QTest::newRow("sharp s") << "STRASSE-9" << "straße-9" << false;
    QTest::newRow("quotes, other case") << "x'9\"1" << "X'9\"1" << false;
    QTest::newRow("accent typed apart, other case") << "JOSÉ-3" << "jose\u0301-3" << false;
    QTest::newRow("capital I with dot") << "İ-7" << "i\u0307-7" << false;
    QTest::newRow("zero-width space") << "1000-A" << "1000\u200B-A" << false;
    QTest::newRow("Hangul and halfwidth fillers, blank braille, grapheme joiner")
        << "1000-A" << "1000\u115F\u034F-\u1160A\u3164\uFFA0\u2800" << false;
    QTest::newRow("language tag outside 16 bits") << "1000-A" << "1000-A\U000E0001" << false;
    QTest::newRow("dotless i is not I") << "ISIK-2" << "ısık-2" << true;
    QTest::newRow("leading blank") << "1000-A" << " 1000-A" << true;
    QTest::newRow("accent differs") << "Ä1" << "A1" << true;
    QTest::newRow("quote") << "1000-A" << "10'00" << true;
}

void tst_GLAccount::uniqueness()
{
    QFETCH(QString, stored);
    QFETCH(QString, number);
    QFETCH(bool, unique);
    Fixture fx;
    GLAccount first = fx.account(stored);
    first.store();
    QVERIFY(first.validate()); // its own number is no conflict
    GLAccount a = fx.account(number);
    QCOMPARE(a.isNumberUnique(), unique);
    QCOMPARE(GLAccountList().exists(number), !unique);
    GLAccountBalanceList balances;
    balances.Load("03/31/2024");
    QCOMPARE(balances.exists(number), !unique);
    if (!unique) {
        try {
            a.validate();
            QFAIL("a duplicate number must raise");
        } catch (const AppError& e) {
            QCOMPARE(e.source(), QStringLiteral("GLAccount:AccountNumberNotUnique"));
            QCOMPARE(e.number(), AppError::ObjectErrorBase);
        }
    }
}

void tst_GLAccount::loadDefaultsAndSelected()
{
    Fixture fx;
    const qint64 id = 40000;
    Db::exec(fx.db, "INSERT INTO GLAccount (glAcctID, recTypeCode) VALUES (?, 'S')", {id});
    GLAccount a;
    a.Load(QString::number(id));
    QCOMPARE(a.getID(), QStringLiteral("40000")); // above 16 bits
    QCOMPARE(a.getNumber(), QStringLiteral("0000"));
    QCOMPARE(a.getAccountType().getCode(), QStringLiteral("A"));
    GLAccount missing;
    missing.Load("99999");
    QVERIFY(missing.isNew());
    Global::selectedGLAcctID = 40000;
    GLAccount selected;
    selected.Load("");
    QCOMPARE(selected.getID(), QStringLiteral("40000"));
}

void tst_GLAccount::unknownErpCodeIsKept()
{
    Fixture fx;
    GLAccount a;
    a.initialize("", "1000", "Cash", "", "", "A", "C", "", "", "ZZ-99", "", "");
    a.store();
    QCOMPARE(Db::scalar(fx.db, "SELECT ERPNumber FROM GLAccount").toString(), QStringLiteral("ZZ-99"));
    QCOMPARE(Db::scalar(fx.db, "SELECT keycontrol FROM GLAccount").toString(), QStringLiteral("Yes"));
}

void tst_GLAccount::listInNumberOrder()
{
    Fixture fx;
    for (const QString n : {"3000", "1000", "2000"})
        fx.account(n).store();
    GLAccountList list;
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.at(0).getNumber(), QStringLiteral("1000"));
    QCOMPARE(list.at(2).getNumber(), QStringLiteral("3000"));
    QVERIFY(list.find("2000"));
}

void tst_GLAccount::editProtocol()
{
    Fixture fx;
    GLAccount a = fx.account("1000");
    a.cancelEdit(); // without an edit: nothing
    QCOMPARE(a.getNumber(), QStringLiteral("1000"));
    a.beginEdit();
    a.setName("Changed");
    a.setRecTypeCode("S");
    a.cancelEdit();
    QCOMPARE(a.getName(), QStringLiteral("Cash"));
    QCOMPARE(a.getRecType().getCode(), QStringLiteral("C"));
    a.beginEdit();
    a.setName("Changed");
    a.applyEdit();
    QVERIFY(!a.isEditing());
    QCOMPARE(Db::scalar(fx.db, "SELECT name FROM GLAccount").toString(), QStringLiteral("Changed"));
}

void tst_GLAccount::company()
{
    Fixture fx;
    Company c;
    QCOMPARE(c.getName(), QString()); // a new database's row has no name yet
    c.setName("   ");
    try {
        c.store();
        QFAIL("a blank name must be refused");
    } catch (const AppError& e) {
        QCOMPARE(e.source(), QStringLiteral("Company:NameMissing"));
    }
    c.beginEdit();
    c.setName("  Harbor Point  ");
    c.setCurr(" ");
    c.applyEdit();
    QCOMPARE(Company().getName(), QStringLiteral("Harbor Point"));
    QCOMPARE(Company().getCurr(), QStringLiteral("USD"));
    Db::exec(fx.db, "DELETE FROM Company");
    QVERIFY_THROWS_EXCEPTION(AppError, c.store()); // no row: an error, not a silent success
}

void tst_GLAccount::equalsReadsEmptyFlagsAsYes()
{
    Fixture fx;
    GLAccount a;
    QVERIFY(a.equals(a)); // a new account's empty flags read as "Yes" on both sides
    GLAccount b = fx.account("1000");
    b.setKeyControl("");
    GLAccount c = b;
    c.setKeyControl("Yes");
    QVERIFY(b.equals(c));
    QVERIFY(c.equals(b));
    c.setActive("Yes"); // b is inactive
    QVERIFY(!b.equals(c));
    c = b;
    c.SetERPNumber("ZZ");
    QVERIFY(!b.equals(c));
}

void tst_GLAccount::numbersDifferingInCaseStillLoad()
{
    Fixture fx;
    // Stored by another program or an older version: the dialogs refuse such a pair.
    Db::exec(fx.db, "INSERT INTO GLAccount (glAcctID, glacctnbr, name, recTypeCode) VALUES "
                    "(40001, 'ab-1', 'First', 'S'), (40002, 'AB-1', 'Second', 'S'), (40003, 'ab-0', 'Zero', 'S')");
    GLAccountList list;
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.at(0).getName(), QStringLiteral("Zero"));
    QCOMPARE(list.find("Ab-1")->getName(), QStringLiteral("First"));
    QVERIFY(!list.exists("ab-2"));
    GLAccount added = fx.account("ab-2", "Added");
    list.add(added);
    QCOMPARE(list.find("AB-2")->getName(), QStringLiteral("Added"));
    list.add(fx.account("AB-1", "Third"));
    QCOMPARE(list.find("ab-1")->getName(), QStringLiteral("First")); // the first one stays found
}

void tst_GLAccount::failedUpdateOrRemoveLeavesRow()
{
    Fixture fx;
    GLAccount a = fx.account("1000");
    a.store();
    const QString id = a.getID();
    const QString created = a.getCreateDate();
    TestDb::failInserts(fx.db, "GLAccountAudit");
    a.setName("Renamed");
    QVERIFY_THROWS_EXCEPTION(AppError, a.store());
    QCOMPARE(Db::scalar(fx.db, "SELECT name FROM GLAccount").toString(), QStringLiteral("Cash"));
    QCOMPARE(a.getID(), id);
    QCOMPARE(a.getCreateDate(), created);
    QCOMPARE(a.getName(), QStringLiteral("Renamed")); // the edit is kept for the retry
    QVERIFY_THROWS_EXCEPTION(AppError, a.remove());
    QCOMPARE(fx.rows("GLAccount"), 1);
    TestDb::mendInserts(fx.db, "GLAccountAudit");
    a.store();
    QCOMPARE(Db::scalar(fx.db, "SELECT name FROM GLAccount").toString(), QStringLiteral("Renamed"));
    QCOMPARE(fx.activities(), (QStringList{"INSERT", "UPDATE"}));
}

void tst_GLAccount::companyReadOncePerConnection()
{
    Fixture fx;
    Db::exec(fx.db, "UPDATE Company SET CompanyName = 'Before', Currency = NULL");
    QCOMPARE(Company().getName(), QStringLiteral("Before"));
    QCOMPARE(Company().getCurr(), QString()); // NULL reads as the empty text
    Db::exec(fx.db, "UPDATE Company SET CompanyName = 'Changed elsewhere'");
    QCOMPARE(Company().getName(), QStringLiteral("Before"));
    Company::reload();
    QCOMPARE(Company().getName(), QStringLiteral("Changed elsewhere"));
    Company c;
    c.setName(" Stored ");
    c.setCurr("EUR");
    c.store();
    QCOMPARE(Company().getName(), QStringLiteral("Stored")); // a store keeps the copy current
    QCOMPARE(Db::scalar(fx.db, "SELECT count(*) FROM Company").toInt(), 1);
}

QTEST_GUILESS_MAIN(tst_GLAccount)
#include "tst_glaccount.moc"
