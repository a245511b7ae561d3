#pragma once

#include "arcurrency.h"
#include "report.h"

#include <memory>

// The general-ledger summary: one line per account chosen by the account filter at a
// period-end date (number, name, balance, status, unidentified difference) and the total of the
// balances.
class GLSummaryReport
{
public:
    GLSummaryReport();

    // Builds the report's data for the date over the accounts of Global::accountFilter. A
    // failure is shown through the Prompter; the report is then not complete and is not shown
    // (ReportOutput::show).
    void initialize(const QString& date);
    bool isComplete() const { return m_complete; }

    Report& report() { return m_report; }
    const Report& report() const { return m_report; }

    static ReportLayout layout();
    // The total as the footer prints it: two decimals, grouped, negative in parentheses, no blank.
    static QString totalText(qint64 units);
    // The same, or "Too large to show" for a total past the money type.
    static QString totalText(const ARCurrencySum& total);

private:
    Report m_report;
    bool m_complete = false;
};
