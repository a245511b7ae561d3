#pragma once

#include "recreportcommon.h"
#include "report.h"

#include <QStringList>
#include <memory>

class BankReconciliation;
class ReconcilingItemList;
class ReportRecordSet;

// The bank reconciliation report: the balance per bank, the reconciling items grouped by kind
// (outstanding checks always, then deposits in transit, bank fees, NSF checks and other items
// when there are any) each with its total, the unidentified difference, the general-ledger
// balance, the sign-offs, the comment and the account's description and policy. Three levels:
// the reconciliation, its groups (chapter "ReconcilingItemTypes", related by the account id) and
// their items (chapter "ReconcilingItems", related by the item type code).
class BankRecReport
{
public:
    BankRecReport();
    ~BankRecReport();

    // Builds the record set from the reconciliation as it stands (edits not yet stored included),
    // sets the page labels and binds the record set. Raises on failure, among others when the
    // item-type table lacks the code of a printed group.
    void initialize(const BankReconciliation& reconciliation);

    Report& report() { return m_report; }
    const Report& report() const { return m_report; }

    static QString title();
    // The layout with an amount column that holds `widest` (by default the widest amount the money
    // type holds); initialize sizes it to the reconciliation's own amounts.
    static ReportLayout layout(const QString& widest = RecReportCommon::widestAmount());
    static std::shared_ptr<ReportRecordSet> buildRecords(const BankReconciliation& reconciliation);
    static QStringList getItemTypeFieldNames();
    static QStringList getItemFieldNames();

private:
    Report m_report;
};
