#include "amortizableitemlist.h"
#include "apperror.h"
#include "glaccount.h"
#include "modelfixture.h"
#include "reconcilingitem.h"
#include "reconcilingitemlist.h"
#include "reconcilingitemtype.h"
#include "recordid.h"

#include <QTest>
#include <limits>

// Reconciling items: the rows and audit rows each operation leaves, rollback, and the open-items
// list of an account at a date.
class tst_ReconcilingItem : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void itemTypes();
    void storeInsertThenUpdate();
    void storedValues_data();
    void storedValues();
    void nullColumnsLoadAsDefaults();
    void loadOfMissingIdChangesNothing();
    void removeAuditsOnceAndRaisesWhenGone();
    void updateOfVanishedRowRaisesWithoutAudit();
    void rowsWithoutCreateDateAreNotAudited();
    void failedAuditRollsBackAndRetryWorks();
    void unknownTypeCode();
    void editProtocol();
    void listOpenAtDate_data();
    void listOpenAtDate();
    void listOrderTypeFilterAndGrouping();
    void listOrderAlikeOnBothEngines();
    void listKeepsMembersWhenLoadFails();
    void idsAndAmountsBeyondSmallRanges();
    void tutorialItemsMatchTheirRows();
};

namespace {

std::shared_ptr<ReconcilingItem> newItem(const QString& account, const QString& type, const QString& open,
                                         const QString& close, const QString& comment, const QString& amount,
                                         const QString& timing = QStringLiteral("T"))
{
    if (const auto id = RecordId::parse(account))
        ModelFixture::addAccount(*id);
    auto item = std::make_shared<ReconcilingItem>();
    item->initialize(QString(), account, open, close, comment, amount, type, QString(), QString(), timing);
    return item;
}

QStringList comments(const ReconcilingItemList& list)
{
    QStringList out;
    for (const auto& item : list)
        out << item->getComment();
    return out;
}

} // namespace

void tst_ReconcilingItem::itemTypes()
{
    ModelFixture fx;
    const ReconcilingItemTypeList types;
    QCOMPARE(types.count(), 8);
    QCOMPARE(types.getReconcilingItemTypeAt(1).getCode(), QStringLiteral("C"));
    QCOMPARE(types.getReconcilingItemType(QStringLiteral("d")).getName(), QStringLiteral("Deposit in Transit"));
    QVERIFY(types.getReconcilingItemType(QStringLiteral("d")).equals(types.getReconcilingItemTypeAt(2)));
    QVERIFY_THROWS_EXCEPTION(AppError, types.getReconcilingItemType(QStringLiteral("Q")));
    QVERIFY_THROWS_EXCEPTION(AppError, types.getReconcilingItemType(QString()));
    QVERIFY_THROWS_EXCEPTION(AppError, types.getReconcilingItemTypeAt(9));

    // Read once per connection: a second list costs no statement.
    const qint64 before = Db::statementCount();
    const ReconcilingItemTypeList again;
    QCOMPARE(Db::statementCount(), before);
    QCOMPARE(again.count(), 8);
}

void tst_ReconcilingItem::storeInsertThenUpdate()
{
    ModelFixture fx;
    auto item = newItem("12", "C", "01/10/2024", "", "Check 1001", "-150.00");
    QVERIFY(item->isNew());
    item->store();

    QVERIFY(!item->isNew());
    QCOMPARE(item->getCreateUser(), QStringLiteral("preparer"));
    QCOMPARE(item->getCreateDate(), QStringLiteral("2024-03-15 10:30:00"));
    QCOMPARE(fx.rows("ReconcilingItem"), 1);
    QCOMPARE(fx.activities("ReconcilingItemAudit"), QStringList{"INSERT"});
    QCOMPARE(fx.value("SELECT RecItemId FROM ReconcilingItem").toString(), item->getID());

    // A second store updates the same row, keeps the create stamp and records the update.
    fx.seams.clock.set(QDateTime(QDate(2024, 3, 16), QTime(9, 0)));
    item->setAmount("-175.5");
    item->store();
    QCOMPARE(fx.rows("ReconcilingItem"), 1);
    QCOMPARE(fx.activities("ReconcilingItemAudit"), (QStringList{"INSERT", "UPDATE"}));
    QCOMPARE(fx.value("SELECT amount FROM ReconcilingItem").toLongLong(), units(-175.50));
    QCOMPARE(fx.value("SELECT CreateDate FROM ReconcilingItem").toString(), QStringLiteral("2024-03-15 10:30:00"));
    QCOMPARE(fx.value("SELECT CreateDate FROM ReconcilingItemAudit WHERE Activity = 'UPDATE'").toString(),
             QStringLiteral("2024-03-15 10:30:00"));
    QCOMPARE(fx.value("SELECT ActivityDate FROM ReconcilingItemAudit WHERE Activity = 'UPDATE'").toString(),
             QStringLiteral("2024-03-16 09:00:00"));

    ReconcilingItem loaded;
    loaded.Load(item->getID());
    QCOMPARE(loaded.getAmount().units(), units(-175.50));
    QCOMPARE(loaded.getOpenDate(), QStringLiteral("01/10/2024"));
    QCOMPARE(loaded.getType().getCode(), QStringLiteral("C"));
    QCOMPARE(loaded.getCreateUser(), QStringLiteral("preparer"));
}

void tst_ReconcilingItem::storedValues_data()
{
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("timing");
    QTest::addColumn<QVariant>("storedComment");
    QTest::addColumn<QVariant>("storedTiming");
    QTest::addColumn<QString>("loadedComment");

    const QVariant null(QMetaType::fromType<QString>());
    QTest::newRow("blank comment is NULL") << "   " << "R" << null << QVariant("R") << "";
    QTest::newRow("surrounding blanks kept") << " Check 7 " << "T" << QVariant(" Check 7 ") << QVariant("T")
                                             << " Check 7 ";
    QTest::newRow("quote in comment") << "O'Brien's check" << "U" << QVariant("O'Brien's check") << QVariant("U")
                                      << "O'Brien's check";
    QTest::newRow("empty timing is the empty text") << "x" << "" << QVariant("x") << QVariant("") << "x";
    QTest::newRow("lower-case timing kept as held") << "x" << "r" << QVariant("x") << QVariant("r") << "x";
}

void tst_ReconcilingItem::storedValues()
{
    QFETCH(QString, comment);
    QFETCH(QString, timing);
    QFETCH(QVariant, storedComment);
    QFETCH(QVariant, storedTiming);
    QFETCH(QString, loadedComment);
    ModelFixture fx;
    auto item = newItem("3", "o", "2/1/2024", "", comment, "10", timing);
    item->store();

    QSqlQuery q = Db::exec(fx.db, "SELECT comment, ReqTiming, typeCode, openDate, closeDate FROM ReconcilingItem");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).isNull(), storedComment.isNull());
    if (!storedComment.isNull())
        QCOMPARE(q.value(0).toString(), storedComment.toString());
    QVERIFY(!q.value(1).isNull());
    QCOMPARE(q.value(1).toString(), storedTiming.toString());
    QCOMPARE(q.value(2).toString(), QStringLiteral("O")); // the type's own code
    QCOMPARE(q.value(3).toString(), QStringLiteral("2024-02-01"));
    QVERIFY(q.value(4).isNull());

    ReconcilingItem loaded;
    loaded.Load(item->getID());
    QCOMPARE(loaded.getComment(), loadedComment);
    QCOMPARE(loaded.getReqTiming(), timing);
}

void tst_ReconcilingItem::nullColumnsLoadAsDefaults()
{
    ModelFixture fx;
    const QString id = Db::exec(fx.db, "INSERT INTO ReconcilingItem (glAcctID, typeCode) VALUES (5, 'L')")
                           .lastInsertId()
                           .toString();
    ReconcilingItem item;
    item.Load(id);
    QCOMPARE(item.getID(), id);
    QCOMPARE(item.getGLAccountID(), QStringLiteral("5"));
    QVERIFY(item.getAmount().isZero());
    QCOMPARE(item.getOpenDate(), QString());
    QCOMPARE(item.getComment(), QString());
    QCOMPARE(item.getReqTiming(), QString());
    QCOMPARE(item.getCreateDate(), QString());
    QCOMPARE(item.getCreateUser(), QString());
}

void tst_ReconcilingItem::loadOfMissingIdChangesNothing()
{
    ModelFixture fx;
    auto item = newItem("1", "C", "01/01/2024", "", "keep", "1");
    item->Load("999");
    item->Load("");
    item->Load("x'1");
    QVERIFY(item->isNew());
    QCOMPARE(item->getComment(), QStringLiteral("keep"));
}

void tst_ReconcilingItem::removeAuditsOnceAndRaisesWhenGone()
{
    ModelFixture fx;
    auto item = newItem("1", "D", "01/05/2024", "", "Deposit", "50");
    item->store();
    item->setComment("changed, not stored");
    item->remove();
    QCOMPARE(fx.rows("ReconcilingItem"), 0);
    QCOMPARE(fx.activities("ReconcilingItemAudit"), (QStringList{"INSERT", "DELETE"}));
    // The delete row carries the stored values, not the unsaved change.
    QCOMPARE(fx.value("SELECT comment FROM ReconcilingItemAudit WHERE Activity = 'DELETE'").toString(),
             QStringLiteral("Deposit"));
    QVERIFY(!item->getID().isEmpty());

    QVERIFY_THROWS_EXCEPTION(AppError, item->remove());
    QCOMPARE(fx.activities("ReconcilingItemAudit"), (QStringList{"INSERT", "DELETE"}));
}

void tst_ReconcilingItem::updateOfVanishedRowRaisesWithoutAudit()
{
    ModelFixture fx;
    auto item = newItem("1", "C", "01/05/2024", "", "Check", "-5");
    item->store();
    Db::exec(fx.db, "DELETE FROM ReconcilingItem");
    item->setAmount("-6");
    QVERIFY_THROWS_EXCEPTION(AppError, item->store());
    QCOMPARE(fx.activities("ReconcilingItemAudit"), QStringList{"INSERT"});
    QCOMPARE(fx.rows("ReconcilingItem"), 0);
}

void tst_ReconcilingItem::rowsWithoutCreateDateAreNotAudited()
{
    ModelFixture fx;
    ModelFixture::addAccount(1);
    const QString id =
        Db::exec(fx.db, "INSERT INTO ReconcilingItem (glAcctID, openDate, amount, typeCode, ReqTiming) "
                        "VALUES (1, '2024-01-02', 10000, 'C', 'T')")
            .lastInsertId()
            .toString();
    ReconcilingItem item;
    item.Load(id);
    item.setComment("updated");
    item.store();
    QCOMPARE(fx.value("SELECT comment FROM ReconcilingItem").toString(), QStringLiteral("updated"));
    QVERIFY(fx.value("SELECT CreateDate FROM ReconcilingItem").isNull());
    item.remove();
    QCOMPARE(fx.rows("ReconcilingItem"), 0);
    QCOMPARE(fx.rows("ReconcilingItemAudit"), 0);
}

void tst_ReconcilingItem::failedAuditRollsBackAndRetryWorks()
{
    ModelFixture fx;
    fx.breakAudit("ReconcilingItemAudit");
    auto item = newItem("1", "C", "01/05/2024", "", "Check", "-5");
    item->beginEdit();
    QVERIFY_THROWS_EXCEPTION(AppError, item->applyEdit());
    QCOMPARE(fx.rows("ReconcilingItem"), 0);
    QVERIFY(item->isNew());
    QCOMPARE(item->getCreateDate(), QString());
    QVERIFY(item->isEditing());

    fx.mendAudit();
    item->applyEdit();
    QCOMPARE(fx.rows("ReconcilingItem"), 1);
    QCOMPARE(fx.activities("ReconcilingItemAudit"), QStringList{"INSERT"});

    // An update and a remove that fail leave the row and the object as they were.
    fx.breakAudit("ReconcilingItemAudit");
    item->setAmount("-7");
    QVERIFY_THROWS_EXCEPTION(AppError, item->store());
    QCOMPARE(fx.value("SELECT amount FROM ReconcilingItem").toLongLong(), units(-5));
    QVERIFY_THROWS_EXCEPTION(AppError, item->remove());
    QCOMPARE(fx.rows("ReconcilingItem"), 1);
    QCOMPARE(item->getAmount().units(), units(-7));
    fx.mendAudit();
    QCOMPARE(fx.activities("ReconcilingItemAudit"), QStringList{"INSERT"});
}

void tst_ReconcilingItem::unknownTypeCode()
{
    ModelFixture fx;
    ReconcilingItem item;
    item.setTypeCode("C");
    try {
        item.setTypeCode("Q");
        QFAIL("an unknown code was taken");
    } catch (const AppError& e) {
        QVERIFY(e.description().contains("'Q'"));
    }
    QCOMPARE(item.getType().getCode(), QStringLiteral("C"));

    // No type at all: nothing is written.
    ReconcilingItem untyped;
    QVERIFY_THROWS_EXCEPTION(AppError, untyped.store());

    // A stored row with a code the type table does not hold names the item and the code.
    const QString id = Db::exec(fx.db, "INSERT INTO ReconcilingItem (glAcctID, openDate, typeCode) "
                                       "VALUES (1, '2024-01-01', 'Z')")
                           .lastInsertId()
                           .toString();
    ReconcilingItem loaded;
    try {
        loaded.Load(id);
        QFAIL("a row with an unknown type loaded");
    } catch (const AppError& e) {
        QVERIFY2(e.description().contains(id) && e.description().contains("'Z'"), qPrintable(e.description()));
    }
    QVERIFY(loaded.isNew());
}

void tst_ReconcilingItem::editProtocol()
{
    ModelFixture fx;
    auto item = newItem("1", "L", "01/05/2024", "", "first", "5", "L");
    item->cancelEdit(); // no open edit: nothing happens
    QCOMPARE(item->getComment(), QStringLiteral("first"));

    item->beginEdit();
    item->setComment("second");
    item->setTypeCode("S");
    item->setCloseDate("02/01/2024");
    item->cancelEdit();
    QCOMPARE(item->getComment(), QStringLiteral("first"));
    QCOMPARE(item->getType().getCode(), QStringLiteral("L"));
    QCOMPARE(item->getCloseDate(), QString());
    QCOMPARE(fx.rows("ReconcilingItem"), 0);

    item->beginEdit();
    item->setComment("third");
    item->applyEdit();
    QVERIFY(!item->isEditing());
    QCOMPARE(fx.value("SELECT comment FROM ReconcilingItem").toString(), QStringLiteral("third"));
}

void tst_ReconcilingItem::listOpenAtDate_data()
{
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("close");
    QTest::addColumn<bool>("listed");
    QTest::newRow("opened on the date") << "01/31/2024" << "" << true;
    QTest::newRow("opened the day after") << "02/01/2024" << "" << false;
    QTest::newRow("closed on the date") << "01/01/2024" << "01/31/2024" << false;
    QTest::newRow("closed the day after") << "01/01/2024" << "02/01/2024" << true;
    QTest::newRow("never closed") << "12/01/2020" << "" << true;
    QTest::newRow("completed the day it opened") << "01/31/2024" << "01/31/2024" << false;
}

void tst_ReconcilingItem::listOpenAtDate()
{
    QFETCH(QString, open);
    QFETCH(QString, close);
    QFETCH(bool, listed);
    ModelFixture fx;
    newItem("8", "C", open, close, "the item", "1")->store();
    newItem("9", "C", "01/01/2024", "", "another account", "1")->store();
    ReconcilingItemList list;
    list.Load("8", "01/31/2024", "");
    QCOMPARE(list.count(), listed ? 1 : 0);
    if (listed)
        QCOMPARE(list.getTotalAmount().units(), units(1));
}

void tst_ReconcilingItem::listOrderTypeFilterAndGrouping()
{
    ModelFixture fx;
    newItem("4", "C", "01/10/2024", "", "b", "-10")->store();
    newItem("4", "C", "01/10/2024", "", "a", "-20")->store();
    newItem("4", "D", "01/05/2024", "", "z", "30")->store();
    newItem("4", "O", "01/20/2024", "", "o", "1.25", "r")->store();

    ReconcilingItemList all;
    const qint64 before = Db::statementCount();
    all.Load("4", "01/31/2024", "");
    QCOMPARE(Db::statementCount() - before, 1); // one query, whatever the number of items
    QCOMPARE(comments(all), (QStringList{"z", "a", "b", "o"}));
    QCOMPARE(all.getTotalAmount().units(), units(1.25));
    QVERIFY(all.exists(all.getItem((*all.begin())->getID())->getID()));
    QVERIFY_THROWS_EXCEPTION(AppError, all.getItem("0"));
    QVERIFY_THROWS_EXCEPTION(AppError, all.add(*all.begin()));

    ReconcilingItemList checks;
    checks.Load("4", "01/31/2024", "c");
    QCOMPARE(comments(checks), (QStringList{"a", "b"}));
    QCOMPARE(checks.getTotalAmount().units(), units(-30));

    const auto byType = ReconcilingItemList::loadByType("4", "01/31/2024");
    QCOMPARE(byType.value("C").count(), 2);
    QCOMPARE(byType.value("D").count(), 1);
    QCOMPARE(byType.value("O").count(), 1);
    QCOMPARE((*byType.value("O").begin())->getReqTiming(), QStringLiteral("r"));
    QCOMPARE(byType.value("B").count(), 0);

    ReconcilingItemList none;
    none.Load("", "01/31/2024", "");
    QCOMPARE(none.count(), 0);
    QVERIFY(none.getTotalAmount().isZero());
    all.clear();
    QCOMPARE(all.count(), 0);
}

// Texts sort character by character and account numbers with A to Z folded, whatever the
// server's own collation: the lists and reports read the same on both engines.
void tst_ReconcilingItem::listOrderAlikeOnBothEngines()
{
    TestSeams seams;
    Global::mainDatabasePath = TestDb::emptyMainInLanguageOrder(seams.folder());
    QSqlDatabase db = Global::getConnection();
    for (const char* number : {"1000-b", "1000_a", "1000-A"})
        Db::exec(db, "INSERT INTO GLAccount (glacctnbr) VALUES (?)", {number});
    QStringList order;
    for (const GLAccount& account : GLAccountList())
        order << account.getNumber();
    const QString id = GLAccountList().at(0).getID();
    for (const char* text : {"apple", "Banana", "banana"}) {
        newItem(id, "O", "01/10/2024", "", text, "1")->store();
        Db::exec(db, "INSERT INTO AmortizableItem (glAcctID, openDate, startDate, endDate, \"desc\") "
                     "VALUES (?, '2024-01-01', '2024-01-01', '2024-12-31', ?)", {id, text});
    }
    // Rows as any program may have written them, the amount telling them apart: no comment and
    // an empty one first, twins by id, characters past U+FFFF after every other.
    for (const auto& [comment, amount] : std::initializer_list<std::pair<QVariant, int>>{
             {"apple", 5}, {QStringLiteral("\U0001F600"), 8}, {QStringLiteral("\uFF21"), 7}, {"", 2}, {{}, 1}, {"zz", 9}})
        Db::exec(db, "INSERT INTO ReconcilingItem (glAcctID, openDate, comment, amount, typeCode) VALUES (?, ?, ?, ?, 'O')",
                 {id, amount == 9 ? "2024-01-09" : "2024-01-10", comment, amount});
    ReconcilingItemList items;
    items.Load(id, "01/31/2024", "");
    AmortizableItemList prepaid;
    prepaid.Load(id, "01/31/2024");
    for (const auto& item : prepaid)
        order << item->getDescription();
    QCOMPARE(order + comments(items), (QStringList{"1000-A", "1000-b", "1000_a", "Banana", "apple", "banana",
                                                   "zz", "", "", "Banana", "apple", "apple", "banana",
                                                   QStringLiteral("\uFF21"), QStringLiteral("\U0001F600")}));
    QStringList amounts;
    for (const auto& item : items)
        amounts << QString::number(item->getAmount().units());
    QCOMPARE(amounts.mid(0, 3), (QStringList{"9", "1", "2"}));
    QCOMPARE(amounts.at(5), "5");
}

void tst_ReconcilingItem::listKeepsMembersWhenLoadFails()
{
    ModelFixture fx;
    newItem("4", "C", "01/10/2024", "", "good", "-10")->store();
    ReconcilingItemList list;
    list.Load("4", "01/31/2024", "");
    QCOMPARE(list.count(), 1);
    Db::exec(fx.db, "INSERT INTO ReconcilingItem (glAcctID, openDate, typeCode) VALUES (4, '2024-01-11', 'Q')");
    QVERIFY_THROWS_EXCEPTION(AppError, list.Load("4", "01/31/2024", ""));
    QCOMPARE(comments(list), QStringList{"good"});
}

void tst_ReconcilingItem::idsAndAmountsBeyondSmallRanges()
{
    ModelFixture fx;
    ModelFixture::addAccount(40000);
    fx.bigIds("ReconcilingItem", 70000);
    const qint64 top = std::numeric_limits<qint64>::max() / 100 * 100; // the largest whole-cent amount
    auto big = std::make_shared<ReconcilingItem>();
    big->initialize("", "40000", "01/02/2024", "", "largest", "", "B", "", "", "R");
    big->getAmount() = ARCurrency::fromUnits(top);
    big->store();
    QCOMPARE(big->getID(), QStringLiteral("70000"));
    auto small = newItem("40000", "N", "01/03/2024", "", "smallest", "");
    small->getAmount() = ARCurrency::fromUnits(-top);
    small->store();
    QCOMPARE(small->getID(), QStringLiteral("70001"));

    ReconcilingItemList list;
    list.Load("40000", "01/31/2024", "");
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.getItem("70000")->getAmount().units(), top);
    QCOMPARE(list.getItem("70000")->getGLAccountID(), QStringLiteral("40000"));
    QCOMPARE(list.getItem("70001")->getAmount().units(), -top);
    QCOMPARE(list.getItem("70001")->getAmount().toString(true), QStringLiteral("(922,337,203,685,477.58)"));
    QVERIFY(list.getTotalAmount().isZero());
    // A loaded list knows its members by id: a second member with a stored id is refused.
    QVERIFY(list.exists("70001") && !list.exists("70002"));
    QVERIFY_THROWS_EXCEPTION(AppError, list.add(std::make_shared<ReconcilingItem>(*list.getItem("70000"))));
    QCOMPARE(list.count(), 2);

    // Two of the largest amounts do not fit the money type: the sum raises, it does not wrap.
    ReconcilingItemList twice;
    twice.add(list.getItem("70000"));
    auto copy = std::make_shared<ReconcilingItem>(*list.getItem("70000"));
    copy->initialize("1", "40000", "01/02/2024", "", "", "", "B", "", "", "");
    copy->getAmount() = ARCurrency::fromUnits(top);
    twice.add(copy);
    QVERIFY_THROWS_EXCEPTION(AppError, twice.getTotalAmount());

    // Every id reads back as the number's own text, however long or negative.
    for (const qint64 id : {std::numeric_limits<qint64>::min(), qint64(-7), qint64(0), std::numeric_limits<qint64>::max()})
        QCOMPARE(RecordId::fromDb(QVariant::fromValue(id)), QString::number(id));
    QVERIFY(RecordId::fromDb(QVariant()).isNull());

    // A non-numeric account id is refused before anything is written.
    auto bad = newItem("12a", "C", "01/01/2024", "", "", "1");
    QVERIFY_THROWS_EXCEPTION(AppError, bad->store());
    QCOMPARE(fx.rows("ReconcilingItem"), 2);
}

void tst_ReconcilingItem::tutorialItemsMatchTheirRows()
{
    ModelFixture fx(true);
    qint64 listed = 0;
    for (const auto& [account, date] : fx.accountDates()) {
        ReconcilingItemList list;
        list.Load(account, date, "");
        const QVariant day = QDate::fromString(date, "MM/dd/yyyy").toString("yyyy-MM-dd");
        const QString open = "FROM ReconcilingItem WHERE glAcctID = ? AND openDate <= ? "
                             "AND (closeDate IS NULL OR closeDate > ?)";
        QCOMPARE(list.count(), fx.value("SELECT count(*) " + open, {account, day, day}).toLongLong());
        QCOMPARE(list.getTotalAmount().units(),
                 fx.value("SELECT COALESCE(SUM(amount), 0) " + open, {account, day, day}).toLongLong());
        listed += list.count();
    }
    QVERIFY(listed > 0);
}

QTEST_GUILESS_MAIN(tst_ReconcilingItem)
#include "tst_reconcilingitem.moc"
