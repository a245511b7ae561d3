#pragma once

#include <QStringView>

// Item type codes and timing codes compare as the database compares them: without regard to letter
// case, so an item list and the totals of the same reconciliation never disagree on "c" or "r".
namespace TypeCode {
inline bool is(QStringView code, QStringView expected)
{
    // Codes are mostly one ASCII letter, and a list of thousands of items compares each a few
    // times: those compare directly, anything else through the general comparison.
    if (code.size() == 1 && expected.size() == 1) {
        const char16_t a = code.front().unicode();
        const char16_t b = expected.front().unicode();
        if (a < 0x80 && b < 0x80) {
            const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
            return lower(a) == lower(b);
        }
    }
    return code.compare(expected, Qt::CaseInsensitive) == 0;
}
} // namespace TypeCode
