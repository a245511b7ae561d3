#pragma once

#include "reportlayout.h"

#include <QDate>
#include <QVariant>
#include <memory>

class ReportDocument;
class ReportRecordSet;

// A report: its layout, whose sections and controls are reached by name (so captions can be set
// before display), and the record set bound to it. A report builder fills a record set, sets the
// page labels, binds, and then previews or prints (ReportOutput); each of those lays the report
// out afresh at the clock's moment.
class Report
{
public:
    explicit Report(ReportLayout layout);
    virtual ~Report();

    const QString& title() const { return m_layout.title(); }
    ReportLayout& layout() { return m_layout; }
    const ReportLayout& layout() const { return m_layout; }

    // Raise when there is no such section or control (names without regard to case).
    ReportSection& section(const QString& name) { return m_layout.section(name); }
    ReportControl& control(const QString& section, const QString& control);
    void setCaption(const QString& section, const QString& label, const QString& caption);

    void setDataSource(std::shared_ptr<const ReportRecordSet> records) { m_records = std::move(records); }
    const std::shared_ptr<const ReportRecordSet>& dataSource() const { return m_records; }

    std::shared_ptr<const ReportDocument> layOut() const;

private:
    ReportLayout m_layout;
    std::shared_ptr<const ReportRecordSet> m_records;
};

// The values report builders write into record sets.
namespace ReportValues {
// Null, or a text that is empty once trimmed.
bool isBlank(const QVariant& value);
// The value's text untrimmed, or the fallback in its place when the value is blank.
QString textOr(const QVariant& value, const QString& fallback);
// "As of " and the date as "mmmm d, yyyy" in English, as the page headers print it.
QString asOf(const QDate& date);
} // namespace ReportValues
