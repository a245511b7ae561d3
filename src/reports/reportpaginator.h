#pragma once

#include "reportdocument.h"

#include <QDateTime>

class ReportLayout;
class ReportRecordSet;

// Lays a report out on pages: walks the record set through the layout's levels (a group header
// and footer per row of each level, the detail band per row of the lowest), fills each band's
// controls, grows the text boxes to fit their text, and places the bands one below the other,
// starting a new page where a band does not fit and breaking a band taller than a page between
// its lines. The
// page header and footer go on every page; once the page count is known, the labels' tokens
// "%d" "%T" "%p" "%P" are replaced (print date "mm/dd/yyyy", time "h:mm:ss AM", page, count).
namespace ReportPaginator {

// records may be null (nothing bound): the report prints its fixed sections only. Raises when a
// text box names a field or chapter the record set does not have.
ReportDocument layOut(const ReportLayout& layout, const ReportRecordSet* records, const QDateTime& printedAt);

// The print date and time as the page tokens show them, whatever the machine's locale.
QString printDate(const QDateTime& moment);
QString printTime(const QDateTime& moment);

} // namespace ReportPaginator
