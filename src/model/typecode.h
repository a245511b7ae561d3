#pragma once

#include <QStringView>

// Item type codes and timing codes compare as the database compares them: without regard to letter
// case, so an item list and the totals of the same reconciliation never disagree on "c" or "r".
namespace TypeCode {
inline bool is(QStringView code, QStringView expected)
{
    return code.compare(expected, Qt::CaseInsensitive) == 0;
}
} // namespace TypeCode
