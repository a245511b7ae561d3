#pragma once

#include "recreportcommon.h"
#include "report.h"

#include <memory>

class GLAccountBalance;
class ReconcilingItemList;
class ReportRecordSet;

// The reports of the reconciliations whose balance is explained by one list of reconciling items:
// one top-level record for the balance and its account, one child row per item (chapter
// "ReconcilingItems"). The subledger, calculated-balance and list reports are built by the same
// code and differ in their layouts, the calculated balance's basis, and whether the target
// amount prints.
class TwoLevelRecReport
{
public:
    enum class Kind { Subledger, CalcBalance, List };

    explicit TwoLevelRecReport(Kind kind);
    virtual ~TwoLevelRecReport();

    // Builds the record set from the balance as it stands (edits not yet stored included) and
    // the items in their order, sets the page labels and binds the record set. Raises on failure.
    void initialize(const GLAccountBalance& balance, const ReconcilingItemList& items);

    Kind kind() const { return m_kind; }
    Report& report() { return m_report; }
    const Report& report() const { return m_report; }

    // The layout with an amount column that holds `widest` (by default the widest amount the money
    // type holds); initialize sizes it to the reconciliation's own amounts.
    static ReportLayout layout(Kind kind, const QString& widest = RecReportCommon::widestAmount());
    static QString title(Kind kind);
    static std::shared_ptr<ReportRecordSet> buildRecords(Kind kind, const GLAccountBalance& balance,
                                                         const ReconcilingItemList& items);
    // The field names of a child row.
    static QStringList getItemFieldNames();

private:
    Kind m_kind;
    Report m_report;
};

class SubledgerRecReport : public TwoLevelRecReport
{
public:
    SubledgerRecReport() : TwoLevelRecReport(Kind::Subledger) {}
};

class CalcBalanceReport : public TwoLevelRecReport
{
public:
    CalcBalanceReport() : TwoLevelRecReport(Kind::CalcBalance) {}
};

class ListRecReport : public TwoLevelRecReport
{
public:
    ListRecReport() : TwoLevelRecReport(Kind::List) {}
};
