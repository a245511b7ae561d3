#include "reportlayout.h"

#include "reporterror.h"

ReportFont ReportFont::tahoma(double points, Style style)
{
    return {QStringLiteral("Tahoma"), points, style == Bold || style == BoldItalic,
            style == Italic || style == BoldItalic};
}

ReportFont ReportFont::arial(double points, Style style)
{
    return {QStringLiteral("Arial"), points, style == Bold || style == BoldItalic,
            style == Italic || style == BoldItalic};
}

ReportControl& ReportSection::add(ReportControl control)
{
    if (findControl(control.name))
        throw reportError(QStringLiteral("ReportSection.add"),
                          QStringLiteral("The section \"%1\" already has a control \"%2\".").arg(m_name, control.name));
    m_controls.push_back(std::move(control));
    return m_controls.back();
}

namespace {

// A control of the kind at its place in the section, in twips.
ReportControl placed(ControlKind kind, const QString& name, int left, int top, int width, int height)
{
    ReportControl c;
    c.kind = kind;
    c.name = name;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    return c;
}

} // namespace

ReportControl& ReportSection::addLabel(const QString& name, int left, int top, int width, int height,
                                       const QString& caption, const ReportFont& font, ReportAlign align)
{
    ReportControl c = placed(ControlKind::Label, name, left, top, width, height);
    c.caption = caption;
    c.font = font;
    c.align = align;
    return add(std::move(c));
}

ReportControl& ReportSection::addTextBox(const QString& name, int left, int top, int width, int height,
                                         const QString& field, const ReportFont& font, ReportAlign align)
{
    ReportControl c = placed(ControlKind::TextBox, name, left, top, width, height);
    c.dataField = field;
    c.font = font;
    c.align = align;
    return add(std::move(c));
}

ReportControl& ReportSection::addLine(const QString& name, int left, int top, int width, int height)
{
    ReportControl c = placed(ControlKind::Line, name, left, top, width, height);
    return add(std::move(c));
}

void ReportSection::addDoubleRule(const QString& firstName, const QString& secondName, int left, int top, int width)
{
    addLine(firstName, left, top, width);
    addLine(secondName, left, top + DoubleRuleGap, width);
}

ReportControl& ReportSection::addFrame(const QString& name, int left, int top, int width, int height)
{
    ReportControl c = placed(ControlKind::Frame, name, left, top, width, height);
    return add(std::move(c));
}

ReportControl& ReportSection::addImage(const QString& name, int left, int top, int width, int height)
{
    ReportControl c = placed(ControlKind::Image, name, left, top, width, height);
    return add(std::move(c));
}

const ReportControl* ReportSection::findControl(const QString& name) const
{
    for (const ReportControl& c : m_controls)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

ReportControl& ReportSection::control(const QString& name)
{
    const ReportControl* found = findControl(name);
    if (!found)
        throw reportError(QStringLiteral("ReportSection.control"),
                          QStringLiteral("The section \"%1\" has no control \"%2\".").arg(m_name, name));
    return const_cast<ReportControl&>(*found);
}

ReportLayout::ReportLayout(QString title) : m_title(std::move(title)) {}

void ReportLayout::setMargins(int left, int top, int right, int bottom)
{
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
}

int ReportLayout::addSection(const QString& name, ReportSection::Role role, int height)
{
    if (findSection(name))
        throw reportError(QStringLiteral("ReportLayout.addSection"),
                          QStringLiteral("The report already has a section \"%1\".").arg(name));
    m_sections.emplace_back(name, role, height);
    return static_cast<int>(m_sections.size()) - 1;
}

ReportSection& ReportLayout::replace(int& slot, const QString& name, ReportSection::Role role, int height)
{
    if (slot >= 0)
        throw reportError(QStringLiteral("ReportLayout.addSection"),
                          QStringLiteral("The report already has its section \"%1\".").arg(m_sections[slot].name()));
    slot = addSection(name, role, height);
    return m_sections[static_cast<size_t>(slot)];
}

ReportSection& ReportLayout::setReportHeader(int height, const QString& name)
{
    return replace(m_reportHeader, name, ReportSection::Role::ReportHeader, height);
}

ReportSection& ReportLayout::setPageHeader(int height, const QString& name)
{
    return replace(m_pageHeader, name, ReportSection::Role::PageHeader, height);
}

ReportSection& ReportLayout::setPageFooter(int height, const QString& name)
{
    return replace(m_pageFooter, name, ReportSection::Role::PageFooter, height);
}

ReportSection& ReportLayout::setReportFooter(int height, const QString& name)
{
    return replace(m_reportFooter, name, ReportSection::Role::ReportFooter, height);
}

ReportSection& ReportLayout::addGroup(const QString& member, const QString& headerName, int headerHeight,
                                      const QString& footerName, int footerHeight)
{
    if (m_detail.header >= 0)
        throw reportError(QStringLiteral("ReportLayout.addGroup"),
                          QStringLiteral("The group \"%1\" comes after the detail section.").arg(headerName));
    Level level;
    level.member = member;
    level.header = addSection(headerName, ReportSection::Role::GroupHeader, headerHeight);
    level.footer = addSection(footerName, ReportSection::Role::GroupFooter, footerHeight);
    m_groups.push_back(level);
    return m_sections[static_cast<size_t>(level.header)];
}

ReportSection& ReportLayout::setDetail(const QString& member, const QString& name, int height)
{
    m_detail.member = member;
    return replace(m_detail.header, name, ReportSection::Role::Detail, height);
}

const ReportSection* ReportLayout::findSection(const QString& name) const
{
    for (const ReportSection& s : m_sections)
        if (s.name().compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

ReportSection& ReportLayout::section(const QString& name)
{
    const ReportSection* found = findSection(name);
    if (!found)
        throw reportError(QStringLiteral("ReportLayout.section"),
                          QStringLiteral("The report \"%1\" has no section \"%2\".").arg(m_title, name));
    return const_cast<ReportSection&>(*found);
}
