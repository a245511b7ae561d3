#pragma once

#include <QString>

// A display format of a report text box, applied to the text the record set holds. The layouts
// use the money format "#,##0.00;(#,##0.00)": positive and zero amounts as 1,234.50, negative ones
// as (1,234.50). A format has up to three sections (positive;negative;zero), each a literal
// prefix, the number pattern "#,##0.00" and a literal suffix. A text that is no amount, or is
// blank, prints as it stands.
class DisplayFormat
{
public:
    static QString money() { return QStringLiteral("#,##0.00;(#,##0.00)"); }

    DisplayFormat() = default; // no format: the text prints as it stands
    // Raises for a pattern this engine does not print (so a layout's mistake shows at once).
    explicit DisplayFormat(const QString& pattern);

    bool isNull() const { return m_pattern.isEmpty(); }
    const QString& pattern() const { return m_pattern; }
    QString apply(const QString& text) const;

private:
    struct Section
    {
        QString prefix;
        QString suffix;
        bool present = false;
    };
    static Section readSection(const QString& text, const QString& pattern);

    QString m_pattern;
    Section m_positive;
    Section m_negative;
    Section m_zero;
};
