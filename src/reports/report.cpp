#include "report.h"

#include "clock.h"
#include "daterules.h"
#include "reportdocument.h"
#include "reporterror.h"
#include "reportpaginator.h"
#include "reportrecordset.h"

Report::Report(ReportLayout layout) : m_layout(std::move(layout)) {}

Report::~Report() = default;

ReportControl& Report::control(const QString& section, const QString& control)
{
    return m_layout.section(section).control(control);
}

void Report::setCaption(const QString& section, const QString& label, const QString& caption)
{
    ReportControl& c = control(section, label);
    if (c.kind != ControlKind::Label)
        throw reportError(QStringLiteral("Report.setCaption"),
                          QStringLiteral("The control \"%1\" of the section \"%2\" is not a label.").arg(label, section));
    c.caption = caption;
}

std::shared_ptr<const ReportDocument> Report::layOut() const
{
    return std::make_shared<const ReportDocument>(
        ReportPaginator::layOut(m_layout, m_records.get(), Clock::instance().now()));
}

bool ReportValues::isBlank(const QVariant& value)
{
    return value.isNull() || value.toString().trimmed().isEmpty();
}

QString ReportValues::textOr(const QVariant& value, const QString& fallback)
{
    return isBlank(value) ? fallback : value.toString();
}

QString ReportValues::asOf(const QDate& date)
{
    return QStringLiteral("As of ") + DateRules::longDate(date);
}
