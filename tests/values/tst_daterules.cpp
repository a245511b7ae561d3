#include "ardatefield.h"
#include "daterules.h"
#include "recorders.h"

#include <QLocale>
#include <QTest>

class tst_DateRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void normalize_data();
    void normalize();
    void isAfter();
    void databaseForm();
    void independentOfLocale();
};

void tst_DateRules::normalize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("already normal") << "03/15/2024" << "03/15/2024";
    QTest::newRow("short month and day") << "3/5/2024" << "03/05/2024";
    QTest::newRow("two-digit year, this century") << "1/1/24" << "01/01/2024";
    QTest::newRow("two-digit year, last century") << "1/1/85" << "01/01/1985";
    QTest::newRow("dashes") << "12-31-2023" << "12/31/2023";
    QTest::newRow("iso") << "2024-02-29" << "02/29/2024";
    QTest::newRow("month name") << "March 5, 2024" << "03/05/2024";
    QTest::newRow("day month year") << "5 Mar 2024" << "03/05/2024";
    QTest::newRow("month without year is this year") << "7/4" << "07/04/2024";
    QTest::newRow("MMDDYY") << "031524" << "03/15/2024";
    QTest::newRow("MMDDYYYY") << "03152024" << "03/15/2024";
    QTest::newRow("leap day") << "02/29/2024" << "02/29/2024";
    QTest::newRow("no leap day in 2023") << "02-29-2023" << "";
    QTest::newRow("february 30") << "2/30/2024" << "";
    QTest::newRow("month 13") << "13/01/2024" << "";
    QTest::newRow("month 0 in the shown form") << "00/15/2024" << "";
    QTest::newRow("year before 1000 in the shown form") << "01/01/0999" << "";
    QTest::newRow("run with month 13 day 32") << "133224" << "";
    QTest::newRow("five characters") << "12345" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("blanks") << "  " << "";
    QTest::newRow("word") << "abc" << "";
    QTest::newRow("three-digit year") << "1/1/999" << "";
    QTest::newRow("ISO form before the year 1000, refused as in every form") << "0999-01-01" << "";
}

void tst_DateRules::normalize()
{
    TestSeams seams; // today is 03/15/2024
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(Global::formatDateString(text), expected);
    ARDateField d;
    d.setDate(text);
    QCOMPARE(d.getDate(), expected);
    QCOMPARE(d.isNull(), expected.isEmpty());
}

void tst_DateRules::isAfter()
{
    const ARDateField a(QStringLiteral("03/15/2024")), b(QStringLiteral("03/16/2024")), none;
    QVERIFY(!a.isAfter(a));
    QVERIFY(b.isAfter(a));
    QVERIFY(!a.isAfter(b));
    QVERIFY(!none.isAfter(none));
    QVERIFY(!none.isAfter(a));
    QVERIFY(a.isAfter(none));
    QVERIFY(ARDateField(QStringLiteral("01/01/2025")).isAfter(ARDateField(QStringLiteral("12/31/2024"))));
}

void tst_DateRules::databaseForm()
{
    QCOMPARE(DateRules::toDb(QStringLiteral("03/05/2024")).toString(), QStringLiteral("2024-03-05"));
    QVERIFY(DateRules::toDb(QString()).isNull());
    QCOMPARE(DateRules::fromDb(QStringLiteral("2024-03-05")), QStringLiteral("03/05/2024"));
    QCOMPARE(DateRules::fromDb(QStringLiteral("2024-03-05 13:45:00")), QStringLiteral("03/05/2024"));
    QCOMPARE(DateRules::fromDb(QVariant()), QString());
    QCOMPARE(DateRules::fromDb(QStringLiteral("2024-02-30")), QString());
    QCOMPARE(DateRules::fromDb(QStringLiteral("1000-01-01")), QStringLiteral("01/01/1000"));
    QCOMPARE(DateRules::fromDb(QStringLiteral("0999-07-04")), DateRules::toText(QDate(999, 7, 4)));
    QCOMPARE(DateRules::fromDb(QDate(2024, 3, 5)), QStringLiteral("03/05/2024")); // an engine's date type
    QCOMPARE(DateRules::fromDb(QDate()), QString());
    QCOMPARE(DateRules::toDb(QStringLiteral("02/30/2024")).toString(), QString());
    // Every digit in its place, at the edges of the four-digit years as within them.
    QCOMPARE(DateRules::toText(QDate(1000, 1, 1)), QStringLiteral("01/01/1000"));
    QCOMPARE(DateRules::toText(QDate(9999, 12, 31)), QStringLiteral("12/31/9999"));
    QCOMPARE(DateRules::toText(QDate(2009, 10, 29)), QStringLiteral("10/29/2009"));
    QCOMPARE(DateRules::toText(QDate(999, 7, 4)), QDate(999, 7, 4).toString(QStringLiteral("MM/dd/yyyy")));
    QCOMPARE(DateRules::toText(QDate()), QString());
    QCOMPARE(DateRules::longDate(QDate(2024, 2, 29)), QStringLiteral("February 29, 2024"));
}

void tst_DateRules::independentOfLocale()
{
    TestSeams seams;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(Global::formatDateString(QStringLiteral("1/2/2024")), QStringLiteral("01/02/2024"));
    QCOMPARE(DateRules::longDate(QDate(2024, 3, 1)), QStringLiteral("March 1, 2024"));
    QLocale::setDefault(QLocale::c());
}

QTEST_GUILESS_MAIN(tst_DateRules)
#include "tst_daterules.moc"
