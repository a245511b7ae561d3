#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// A money amount: a signed 64-bit fixed-point value with four decimal places (the amount times
// 10,000). Amounts taken from input are truncated toward zero to whole cents; arithmetic is exact
// and refuses to overflow.
class ARCurrency
{
public:
    static constexpr qint64 UnitsPerCent = 100;
    static constexpr qint64 UnitsPerWhole = 10000;

    ARCurrency() = default;
    static ARCurrency fromUnits(qint64 units);

    // Blank or non-numeric input gives 0; anything else is truncated to whole cents. An amount
    // too large for the money type raises an overflow AppError and keeps the previous value.
    void setVal(const QVariant& value);
    qint64 getVal() const { return m_units; }
    qint64 units() const { return m_units; }

    bool isZero() const { return m_units == 0; }
    bool isLessThanZero() const { return m_units < 0; }
    bool equals(const ARCurrency& other) const { return m_units == other.m_units; }

    // Two decimals, thousands grouped with ",", "." as the decimal point, whatever the user's
    // locale: the form of reports and files. With parentheses a negative amount is "(1,234.50)"
    // and any other amount gets one trailing blank.
    QString toString(bool useParens) const;
    // The same form with the separators of the user's locale ("(1.234,50)" in German): how every
    // amount box, grid and label shows an amount.
    QString toLocaleString(bool useParens) const;

    void add(const ARCurrency& other);
    void subtract(const ARCurrency& other);

    bool operator==(const ARCurrency& other) const = default;

    // The number a text stands for, in units (rounded half to even at the fourth decimal), or
    // nothing when the text is no number. Accepts a sign or parentheses, "$", "," grouping in
    // threes, a decimal point and an exponent. Raises overflow for numbers beyond the range.
    static std::optional<qint64> parseUnits(const QString& text);
    // True when setVal would take the text as a number (so a dialog can refuse the rest).
    static bool isNumeric(const QString& text);
    // The amount a typed or imported text stands for, to whole cents as setVal takes it; nothing
    // when the text is blank, no number, or too large for the money type.
    static std::optional<ARCurrency> fromText(const QString& text);

    // What a user typed into an amount box or cell, read with the separators of the user's locale
    // ("7,5" is 7.50 in German): blank is 0 and cents beyond two are cut; nothing when the text is
    // no amount in that locale or too large for the money type.
    static std::optional<ARCurrency> fromTypedText(const QString& text);

    // The largest amount a text may stand for (either sign): its hundredfold must fit the type.
    static ARCurrency largestEntry();
    // Why fromTypedText refused a text, as every amount box and cell says it: a number too large
    // for the money type names the range allowed; any other text asks for the nnnn.nn form.
    static QString refusedEntryMessage(const QString& text);

    // The display form of an amount, as the layouts' "#,##0.00;(#,##0.00)" format shows it.
    static QString format(qint64 units, bool useParens);
    // The grids' and totals' form "#,##0.00;(#,##0.00)": (1,234.50) for a negative amount,
    // 1,234.50 otherwise, with no trailing blank.
    static QString display(qint64 units);
    // The grids' and totals' form with the separators of the user's locale, as a grid shows it.
    static QString localeDisplay(qint64 units);
    // The display forms of the amounts from `least` to `greatest` that are the widest of them: the
    // longest text in parentheses is the least amount's, the longest without is the greatest's, and
    // a digit takes as much room as any other in the fonts amounts are shown in. A long list is
    // measured by these two instead of by formatting every amount in it.
    static QStringList widestDisplays(qint64 least, qint64 greatest);
    // The same in the forms a grid shows (localeDisplay).
    static QStringList widestLocaleDisplays(qint64 least, qint64 greatest);
    // The plain decimal form of an exact amount, as export files carry it: no grouping, no
    // trailing zeros, "." as the decimal point whatever the locale ("1234.5", "-0.25", "0").
    static QString plainText(qint64 units);

private:
    friend class ARCurrencySum;
    explicit ARCurrency(qint64 units) : m_units(units) {}
    qint64 m_units = 0;
};

// The one way a sum of money amounts is made: exact in 128 bits, so a sum on its way to a total
// may leave the money type's range; only a result that does not fit is refused.
class ARCurrencySum
{
public:
    ARCurrencySum() = default;
    explicit ARCurrencySum(const ARCurrency& start) : m_units(start.m_units) {}

    ARCurrencySum& add(const ARCurrency& amount);
    ARCurrencySum& subtract(const ARCurrency& amount);
    ARCurrencySum& add(const ARCurrencySum& other);
    ARCurrencySum& subtract(const ARCurrencySum& other);
    // Adds a sum the database made in two halves that cannot overflow: `high` the sum of each
    // amount's units shifted right by 32 bits (the sign kept), `low` the sum of their lowest 32 bits.
    ARCurrencySum& addHalves(qint64 high, qint64 low);

    bool fits() const;
    auto operator<=>(const ARCurrencySum& other) const = default;
    // The sum as a money value; raises the overflow AppError when it does not fit the type.
    ARCurrency value() const;
    // The grids' and totals' form (ARCurrency::display), or tooLargeText() when it does not fit.
    QString display() const;
    // The same with the separators of the user's locale (ARCurrency::localeDisplay).
    QString localeDisplay() const;
    // What a box shows for a figure too large for the money type.
    static QString tooLargeText();

private:
    __int128 m_units = 0;
};
