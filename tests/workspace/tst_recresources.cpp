#include "apperror.h"
#include "glaccount.h"
#include "global.h"
#include "recorders.h"
#include "recresources.h"
#include "testdb.h"

#include <QTest>
#include <memory>

// The fixed wording of the reconciliation workspace: every text of every item type, the headings
// that carry the account, and the description line's date.
class tst_RecResources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void itemTexts_data();
    void itemTexts();
    void headingsCarryTheAccount();
    void descriptionDate_data();
    void descriptionDate();
    void unknownCodeRaisesAndKeepsTheType();

private:
    std::unique_ptr<TestSeams> m_seams;
    GLAccount m_account;
};

void tst_RecResources::initTestCase()
{
    m_seams = std::make_unique<TestSeams>();
    Global::mainDatabasePath = TestDb::emptyMain(m_seams->folder());
    m_account.setNumber("1010-200");
    m_account.setName("Operating Cash");
}

void tst_RecResources::cleanupTestCase()
{
    m_seams.reset();
}

void tst_RecResources::itemTexts_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("labels"); // open date, closed date, description, plural
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("listCaption");

    const QStringList generic{"Open Date", "Close Date", "Description"};
    QTest::newRow("C") << "C"
                       << QStringList{"Check Date", "Clear Date", "Check Number/ Payee/ Comment",
                                      "Outstanding Checks"}
                       << "Outstanding Check"
                       << "Outstanding Checks List";
    QTest::newRow("D") << "D"
                       << QStringList{"Deposit Date", "Clear Date", "Deposit/ Comment", "Deposits in Transit"}
                       << "Deposit in Transit"
                       << "Deposits in Transit List";
    QTest::newRow("B generic labels") << "B" << generic + QStringList{"Bank Fees"} << "Bank Fee"
                                      << "Bank Fees List";
    QTest::newRow("N") << "N"
                       << QStringList{"Check Date", "Clear Date", "Check Number/ Payee/ Comment",
                                      "NSF Checks"}
                       << "NSF Check"
                       << "NSF Checks List";
    QTest::newRow("O own plural, generic caption")
        << "O" << generic + QStringList{"Other Items"} << "Reconciling Item"
        << "Reconciling Item List";
    QTest::newRow("L") << "L" << generic + QStringList{"List Items"} << "List or Reconciling Item"
                       << "Reconciling Item List";
    QTest::newRow("S") << "S" << generic + QStringList{"Subledger Items"} << "Reconciling Item"
                       << "Reconciling Item List";
    QTest::newRow("H falls back") << "H" << generic + QStringList{"Unknown Type"} << "Reconciling Item"
                                  << "Reconciling Item List";
    // The lookup ignores letter case; the texts follow the code the table holds.
    QTest::newRow("typed lower case")
        << "c"
        << QStringList{"Check Date", "Clear Date", "Check Number/ Payee/ Comment", "Outstanding Checks"}
        << "Outstanding Check"
        << "Outstanding Checks List";
}

void tst_RecResources::itemTexts()
{
    QFETCH(QString, code);
    QFETCH(QStringList, labels);
    QFETCH(QString, caption);
    QFETCH(QString, listCaption);

    RecItemResource item;
    item.initialize(code);
    QCOMPARE((QStringList{item.getOpenDateLabel(), item.getClosedDateLabel(), item.getDescriptionLabel(),
                          item.getPluralTypeLabel()}),
             labels);
    QCOMPARE(item.getAmountLabel(), QStringLiteral("Amount"));
    QCOMPARE(item.getDialogCaption(), caption);

    RecItemListResource list;
    list.initialize(code);
    QCOMPARE(list.getDialogCaption(), listCaption);
    QCOMPARE(list.getDescriptionText("01/31/2024"), "All " + labels.last() + " as of January 31, 2024");
}

void tst_RecResources::headingsCarryTheAccount()
{
    QCOMPARE(RecDialogResource().getDialogTitle(m_account), QStringLiteral("Account 1010-200"));

    RecItemResource item;
    item.initialize("C");
    QCOMPARE(item.getMainHeadingText(m_account), QStringLiteral("Outstanding Check for Account 1010-200"));
    item.initialize("L");
    QCOMPARE(item.getMainHeadingText(m_account), QStringLiteral("Item for Account 1010-200"));
    item.initialize("H");
    QCOMPARE(item.getMainHeadingText(m_account), QStringLiteral("Reconciling Item for Account 1010-200"));

    RecItemListResource list;
    list.initialize("B");
    QCOMPARE(list.getMainHeadingText(m_account), QStringLiteral("Account 1010-200 - Operating Cash"));
}

void tst_RecResources::descriptionDate_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no leading zero in the day") << "01/05/2024"
                                                << "All Bank Fees as of January 5, 2024";
    QTest::newRow("end of year") << "12/31/2023"
                                 << "All Bank Fees as of December 31, 2023";
    QTest::newRow("leap day") << "02/29/2024"
                              << "All Bank Fees as of February 29, 2024";
}

void tst_RecResources::descriptionDate()
{
    QFETCH(QString, date);
    QFETCH(QString, expected);
    RecItemListResource list;
    list.initialize("B");
    QCOMPARE(list.getDescriptionText(date), expected);
}

void tst_RecResources::unknownCodeRaisesAndKeepsTheType()
{
    RecItemResource item;
    item.initialize("D");
    QVERIFY_THROWS_EXCEPTION(AppError, item.initialize("Q"));
    QVERIFY_THROWS_EXCEPTION(AppError, item.initialize(QString()));
    QCOMPARE(item.getDialogCaption(), QStringLiteral("Deposit in Transit"));

    RecItemListResource list;
    try {
        list.initialize("Z");
        QFAIL("an unknown code was accepted");
    } catch (const AppError& e) {
        QCOMPARE(e.source(), QStringLiteral("ReconcilingItemTypeList.getReconcilingItemType"));
        QVERIFY(e.description().contains("'Z'"));
    }
}

QTEST_MAIN(tst_RecResources)
#include "tst_recresources.moc"
