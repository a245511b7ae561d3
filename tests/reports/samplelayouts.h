#pragma once

#include "reportlayout.h"
#include "reportrecordset.h"

#include <memory>

// Layouts shaped like the system's reports, for the engine's tests: a one-line-per-account
// listing over many pages, and a three-level reconciliation with groups of items.
namespace SampleLayouts {

// Margins 720/1000, page header 1740, detail 285 (chapter "Accounts"), group footer 375, page
// footer 555, report footer 135.
constexpr int ListingLeft = 720;
constexpr int ListingBodyTop = 1000 + 1740;
constexpr int ListingBodyBottom = 15840 - 1000 - 555;
constexpr int ListingRow = 285;
ReportLayout listing();
// One top row (ID 1, CompanyName) and `rows` accounts numbered 1000, 1001, ...
std::shared_ptr<ReportRecordSet> listingRecords(int rows);

// Margins 1000; page header 1125, "Header" 330, "ItemTypes_Header" 630, "Items_Detail" 288,
// "ItemTypes_Footer" 540, "Footer" 3822, page footer 584.
constexpr int ReconciliationBodyTop = 1000 + 1125;
constexpr int ReconciliationBodyBottom = 15840 - 1000 - 584;
ReportLayout reconciliation();
// One reconciliation (GLAcctID "7"), groups and items added by the test.
std::shared_ptr<ReportRecordSet> reconciliationRecords();

} // namespace SampleLayouts
