#include "apperror.h"
#include "arcurrency.h"

#include <QLocale>
#include <QScopeGuard>
#include <QTest>
#include <limits>

class tst_ARCurrency : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void setVal_data();
    void setVal();
    void setValFromNumbers();
    void overflowKeepsValue();
    void toString_data();
    void toString();
    void plainText_data();
    void plainText();
    void arithmetic();
    void exactSums_data();
    void exactSums();
    void independentOfLocale();
};

// Rows whose name starts with "German:" run under a German locale ("." groups, "," is the decimal
// point): there only what a user types is read with the locale's separators.
namespace {
bool germanRow()
{
    return QByteArray(QTest::currentDataTag()).startsWith("German:");
}
} // namespace

void tst_ARCurrency::setVal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("units");
    QTest::addColumn<bool>("numeric");
    QTest::newRow("German: grouped, decimal comma, cents truncated") << "1.234,567" << qint64(12345600) << true;
    QTest::newRow("German: a decimal comma") << "7,5" << qint64(75000) << true;
    QTest::newRow("German: as shown, in parentheses") << "(1.234,50) " << qint64(-12345000) << true;
    QTest::newRow("German: negative") << "-0,07" << qint64(-700) << true;
    QTest::newRow("German: an English amount is none") << "1,234.56" << qint64(0) << false;
    QTest::newRow("German: a point does not end the whole part") << "12.5" << qint64(0) << false;
    QTest::newRow("German: blank") << " " << qint64(0) << false;
    QTest::newRow("truncates to cents") << "12.349" << qint64(123400) << true;
    QTest::newRow("negative truncates toward zero") << "-12.349" << qint64(-123400) << true;
    QTest::newRow("fourth decimal rounds first") << "12.34999" << qint64(123500) << true;
    QTest::newRow("no binary drift") << "0.29" << qint64(2900) << true;
    QTest::newRow("grouped thousands") << "1,234.567" << qint64(12345600) << true;
    QTest::newRow("parentheses are negative") << "(12.00)" << qint64(-120000) << true;
    QTest::newRow("as printed, grouped") << "(1,234,567.50)" << qint64(-12345675000) << true;
    QTest::newRow("as printed, a blank after") << "1,234.50 " << qint64(12345000) << true;
    QTest::newRow("grouping of two") << "1,23.00" << qint64(0) << false;
    QTest::newRow("minus zero") << "-0" << qint64(0) << true;
    QTest::newRow("exponent") << "1e5" << qint64(1000000000) << true;
    QTest::newRow("currency sign") << "$1,000" << qint64(10000000) << true;
    QTest::newRow("blank") << "   " << qint64(0) << false;
    QTest::newRow("empty") << "" << qint64(0) << false;
    QTest::newRow("word") << "abc" << qint64(0) << false;
    QTest::newRow("misplaced grouping") << "12,3.4" << qint64(0) << false;
    QTest::newRow("two points") << "1.2.3" << qint64(0) << false;
    QTest::newRow("trailing garbage") << "12abc" << qint64(0) << false;
    QTest::newRow("lone sign") << "-" << qint64(0) << false;
    QTest::newRow("zero with a large exponent") << "0e21" << qint64(0) << true;
    QTest::newRow("plus then minus") << "+-5" << qint64(0) << false;
    QTest::newRow("minus, currency sign, minus") << "-$-5" << qint64(0) << false;
    QTest::newRow("parentheses round a minus after the currency sign") << "($-5)" << qint64(0) << false;
    QTest::newRow("leading point") << ".5" << qint64(5000) << true;
    QTest::newRow("largest accepted") << "9223372036854.77" << qint64(92233720368547700) << true;
    // The plain form's short path must agree with the full reading at its edges.
    QTest::newRow("plain, trailing point") << "5." << qint64(50000) << true;
    QTest::newRow("plain, five decimals round") << "-0.00005" << qint64(0) << true;
    QTest::newRow("plain, leading zeros") << "000012.5" << qint64(125000) << true;
    QTest::newRow("plain, lone point") << "." << qint64(0) << false;
}

void tst_ARCurrency::setVal()
{
    QFETCH(QString, text);
    QFETCH(qint64, units);
    QFETCH(bool, numeric);
    const QLocale saved;
    if (germanRow())
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([&saved] { QLocale::setDefault(saved); });
    if (!germanRow()) { // the stored and imported forms, whatever the locale
        ARCurrency c;
        c.setVal(text);
        QCOMPARE(c.getVal(), units);
        QCOMPARE(ARCurrency::isNumeric(text), numeric);
    }
    // A typed text: blank is 0, any other text is an amount or is refused with the nnnn.nn message.
    const auto typed = ARCurrency::fromTypedText(text);
    QCOMPARE(typed.has_value(), numeric || text.trimmed().isEmpty());
    QCOMPARE(typed.value_or(ARCurrency()).units(), units);
    if (!typed)
        QCOMPARE(ARCurrency::refusedEntryMessage(text), QStringLiteral("Please enter an amount in nnnn.nn format."));
}

void tst_ARCurrency::setValFromNumbers()
{
    ARCurrency c;
    c.setVal(0.29);
    QCOMPARE(c.getVal(), qint64(2900));
    c.setVal(-12.349);
    QCOMPARE(c.getVal(), qint64(-123400));
    c.setVal(42);
    QCOMPARE(c.getVal(), qint64(420000));
    c.setVal(QVariant());
    QVERIFY(c.isZero());
}

void tst_ARCurrency::overflowKeepsValue()
{
    ARCurrency c;
    c.setVal("5.00");
    for (const char* big : {"12345678901234567890", "9223372036854.78", "-9223372036854.78", "1e20"}) {
        try {
            c.setVal(QString::fromLatin1(big));
            QFAIL("an amount beyond the range must raise");
        } catch (const AppError& e) {
            QCOMPARE(e.number(), AppError::Overflow);
        }
        QCOMPARE(c.getVal(), qint64(50000));
    }
    QVERIFY(ARCurrency::isNumeric("12345678901234567890")); // a number, only too large

    ARCurrency max = ARCurrency::fromUnits(std::numeric_limits<qint64>::max());
    ARCurrency one;
    one.setVal("1");
    QVERIFY_THROWS_EXCEPTION(AppError, max.add(one));
    QCOMPARE(max.getVal(), std::numeric_limits<qint64>::max());
}

void tst_ARCurrency::toString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("parens");
    QTest::newRow("negative grouped") << "-1234.5" << "-1,234.50" << "(1,234.50)";
    QTest::newRow("positive gets a blank") << "1234.5" << "1,234.50" << "1,234.50 ";
    QTest::newRow("zero gets a blank") << "0" << "0.00" << "0.00 ";
    QTest::newRow("leading zero") << "0.07" << "0.07" << "0.07 ";
    QTest::newRow("millions") << "1234567.89" << "1,234,567.89" << "1,234,567.89 ";
    QTest::newRow("below a thousand") << "-999.99" << "-999.99" << "(999.99)";
    QTest::newRow("German: negative grouped") << "-1234.5" << "-1.234,50" << "(1.234,50)";
    QTest::newRow("German: zero") << "0" << "0,00" << "0,00 ";
    QTest::newRow("German: millions") << "1234567.89" << "1.234.567,89" << "1.234.567,89 ";
}

void tst_ARCurrency::toString()
{
    QFETCH(QString, text);
    QFETCH(QString, plain);
    QFETCH(QString, parens);
    ARCurrency c;
    c.setVal(text);
    const QLocale saved;
    if (germanRow())
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([&saved] { QLocale::setDefault(saved); });
    // On screen in the user's locale, and read back as typed.
    QCOMPARE(c.toLocaleString(false), plain);
    QCOMPARE(c.toLocaleString(true), parens);
    QCOMPARE(ARCurrency::fromTypedText(parens), c);
    QCOMPARE(ARCurrency::localeDisplay(c.units()), QString(parens).remove(u' '));
    if (!germanRow()) {
        QCOMPARE(c.toString(false), plain);
        QCOMPARE(c.toString(true), parens);
    }
}

void tst_ARCurrency::plainText_data()
{
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0";
    QTest::newRow("trailing zeros dropped") << qint64(12345000) << "1234.5";
    QTest::newRow("whole") << qint64(-70000) << "-7";
    QTest::newRow("below one") << qint64(-2500) << "-0.25";
    QTest::newRow("four decimals") << qint64(1) << "0.0001";
    QTest::newRow("no grouping") << qint64(12345678900000) << "1234567890";
    QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << "-922337203685477.5808";
}

void tst_ARCurrency::plainText()
{
    QFETCH(qint64, units);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(ARCurrency::plainText(units), text);
    QLocale::setDefault(QLocale::c());
}

void tst_ARCurrency::arithmetic()
{
    ARCurrency a, b;
    a.setVal("1.10");
    b.setVal("1.1");
    QVERIFY(a.equals(b));
    a.add(b);
    QCOMPARE(a.toString(false), QStringLiteral("2.20"));
    a.subtract(b);
    a.subtract(b);
    QVERIFY(a.isZero());
    a.subtract(b);
    QVERIFY(a.isLessThanZero());
    // A thousand additions of 0.10 are exactly 100.00.
    ARCurrency sum, dime;
    dime.setVal("0.10");
    for (int i = 0; i < 1000; ++i)
        sum.add(dime);
    QCOMPARE(sum.toString(false), QStringLiteral("100.00"));
}

// A sum is exact on its way whatever its size; only a total outside the money type is refused.
void tst_ARCurrency::exactSums_data()
{
    const qint64 max = std::numeric_limits<qint64>::max();
    QTest::addColumn<QList<qint64>>("amounts");
    QTest::addColumn<QString>("total"); // display form, "" for refused
    QTest::newRow("past the range on the way, back in it") << QList<qint64>{max, max, -max} << "922,337,203,685,477.58";
    QTest::newRow("below the range on the way") << QList<qint64>{-max, -100, 100} << "(922,337,203,685,477.58)";
    QTest::newRow("past the range") << QList<qint64>{max, 100} << "";
    QTest::newRow("below the range") << QList<qint64>{-max, -100} << "";
}

void tst_ARCurrency::exactSums()
{
    QFETCH(QList<qint64>, amounts);
    QFETCH(QString, total);
    ARCurrencySum sum, byHalves; // the halves a database sums: the high one signed, the low one not
    for (qint64 units : amounts) {
        sum.add(ARCurrency::fromUnits(units));
        byHalves.addHalves(units >> 32, units & 0xFFFFFFFF);
    }
    QCOMPARE(sum.display(), total.isEmpty() ? ARCurrencySum::tooLargeText() : total);
    QCOMPARE(byHalves.display(), sum.display());
    if (total.isEmpty())
        QVERIFY_THROWS_EXCEPTION(AppError, sum.value());
}

void tst_ARCurrency::independentOfLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ARCurrency c;
    c.setVal("1,234.56");
    QCOMPARE(c.toString(false), QStringLiteral("1,234.56"));
    QCOMPARE(ARCurrency::display(-c.units()), QStringLiteral("(1,234.56)"));
    QCOMPARE(ARCurrency::fromText("1,234.56"), c); // as an import file holds it
    c.setVal(1234.56);
    QCOMPARE(c.getVal(), qint64(12345600));
    // Only the too-large message names its range as the user reads amounts.
    QVERIFY(ARCurrency::refusedEntryMessage("1e20").endsWith("-9.223.372.036.854,77 and 9.223.372.036.854,77."));
    QLocale::setDefault(QLocale::c());
}

QTEST_GUILESS_MAIN(tst_ARCurrency)
#include "tst_arcurrency.moc"
