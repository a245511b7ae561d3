#pragma once

#include <QString>

// A date held as "mm/dd/yyyy"; the empty text means no date. Typed input is normalised by the
// one date rule.
class ARDateField
{
public:
    ARDateField() = default;
    explicit ARDateField(const QString& text) { setDate(text); }

    void setDate(const QString& text);
    const QString& getDate() const { return m_text; }
    bool equals(const ARDateField& other) const { return m_text == other.m_text; }
    bool isNull() const { return m_text.isEmpty(); }
    // True when this date is at least one day later than the other; a null date is never after,
    // and any date is after a null one.
    bool isAfter(const ARDateField& other) const;

    bool operator==(const ARDateField& other) const = default;

private:
    QString m_text;
};
