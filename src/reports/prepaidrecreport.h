#pragma once

#include "report.h"

#include <memory>

class AmortizableItemList;
class GLAccountBalance;
class ReconcilingItemList;
class ReportRecordSet;

// The report of a prepaid reconciliation: the balance and its account at the top level, then two
// groups (chapter "ItemTypes"): the amortizable items ("A") with their full amounts and what each
// still has to amortize after the date, and the reconciling items ("R"); each group with its own
// column headings and total (chapter "Items" below it), then the difference and the sign-offs.
class PrepaidRecReport
{
public:
    PrepaidRecReport();

    // Builds the record set from the balance as it stands (edits not yet stored included) and the
    // two lists in their order, sets the page labels and binds the record set. Raises on failure.
    void initialize(const GLAccountBalance& balance, const AmortizableItemList& prepaidItems,
                    const ReconcilingItemList& items);

    Report& report() { return m_report; }

    static ReportLayout layout();
    static std::shared_ptr<ReportRecordSet> buildRecords(const GLAccountBalance& balance,
                                                         const AmortizableItemList& prepaidItems,
                                                         const ReconcilingItemList& items);
    static QStringList getItemTypeFieldNames();
    static QStringList getItemFieldNames();

private:
    Report m_report;
};
