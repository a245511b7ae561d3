#pragma once

#include "report.h"

#include <memory>

class QWidget;

// The general-ledger summary: one line per account chosen by the account filter at a
// period-end date (number, name, balance, status, unidentified difference) and the total of the
// balances.
class GLSummaryReport
{
public:
    GLSummaryReport();

    // Builds the report's data for the date over the accounts of Global::accountFilter. A
    // failure is shown through the Prompter; the report is then not complete and is not shown.
    void initialize(const QString& date);
    bool isComplete() const { return m_complete; }

    // The preview window, modeless: the report keeps no reference and several can be open.
    void show(QWidget* parent = nullptr) const;

    Report& report() { return m_report; }
    const Report& report() const { return m_report; }

    static ReportLayout layout();
    // The total as the footer prints it: two decimals, grouped, negative in parentheses, no blank.
    static QString totalText(qint64 units);

private:
    Report m_report;
    bool m_complete = false;
};
