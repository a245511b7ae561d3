#pragma once

#include "displayformat.h"

#include <QString>
#include <deque>
#include <vector>

// All positions and sizes of a layout are in twips (1/1440 inch): left from the left margin, top
// from the top of the section.

struct ReportFont
{
    QString family = QStringLiteral("Tahoma");
    double points = 9.75;
    bool bold = false;
    bool italic = false;

    enum Style { Regular, Bold, Italic, BoldItalic };
    static ReportFont tahoma(double points = 9.75, Style style = Regular);
    static ReportFont arial(double points = 8.25, Style style = Regular);

    bool operator==(const ReportFont& other) const = default;
};

enum class ReportAlign { Left, Center, Right };

enum class ControlKind {
    // A caption set in the layout or before display; the page tokens apply. Printed on one
    // line, in full even where it runs past its box.
    Label,
    // The text of a record-set field, printed literally. A text box grows downwards to fit its
    // text: a text wider than the box wraps (at blanks where it can), so nothing is cut off and
    // nothing prints over the next column; the controls below it and its section move down.
    TextBox,
    Line,    // from (left, top) to (left + width, top + height)
    Frame,   // a rectangle
    Image,   // a divider without a picture: takes its place, prints nothing
};

struct ReportControl
{
    ControlKind kind = ControlKind::Label;
    QString name;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    QString caption;    // a label's text; "%d" "%T" "%p" "%P" give print date, time, page and page count
    QString dataField;  // a text box's field, matched without regard to case
    QString dataMember; // the chapter that holds the field; "" for the top level
    ReportAlign align = ReportAlign::Left;
    ReportFont font;
    DisplayFormat format;
    // A label whose caption must stay within `fitRoom` twips, centred on its box (0: printed on
    // one line, in full): too wide a caption is set smaller, down to MinFitPoints, and past that
    // wraps within the room; the controls below it, and under the room, move down by the lines
    // it adds.
    int fitRoom = 0;
    static constexpr double MinFitPoints = 8.25;

    int bottom() const { return top + height; }
    // Where the room of a fitted caption starts.
    int fitLeft() const { return left + (width - fitRoom) / 2; }

    ReportControl& withFormat(const QString& pattern)
    {
        format = DisplayFormat(pattern);
        return *this;
    }
    ReportControl& inMember(const QString& member)
    {
        dataMember = member;
        return *this;
    }
    ReportControl& fitWithin(int room)
    {
        fitRoom = room;
        return *this;
    }
};

class ReportSection
{
public:
    enum class Role { ReportHeader, PageHeader, GroupHeader, Detail, GroupFooter, PageFooter, ReportFooter };

    ReportSection(QString name, Role role, int height) : m_name(std::move(name)), m_role(role), m_height(height) {}

    const QString& name() const { return m_name; }
    Role role() const { return m_role; }
    int height() const { return m_height; }
    void setHeight(int height) { m_height = height; }

    ReportControl& addLabel(const QString& name, int left, int top, int width, int height, const QString& caption,
                            const ReportFont& font = ReportFont(), ReportAlign align = ReportAlign::Left);
    ReportControl& addTextBox(const QString& name, int left, int top, int width, int height, const QString& field,
                              const ReportFont& font = ReportFont(), ReportAlign align = ReportAlign::Left);
    ReportControl& addLine(const QString& name, int left, int top, int width, int height = 0);
    // Two rules 33 twips apart, as the layouts draw them under a total.
    // Two rules DoubleRuleGap twips apart, as under a total.
    static constexpr int DoubleRuleGap = 33;
    void addDoubleRule(const QString& firstName, const QString& secondName, int left, int top, int width);
    ReportControl& addFrame(const QString& name, int left, int top, int width, int height);
    ReportControl& addImage(const QString& name, int left, int top, int width, int height);

    const std::deque<ReportControl>& controls() const { return m_controls; }
    const ReportControl* findControl(const QString& name) const; // without regard to case
    ReportControl& control(const QString& name);                  // raises when missing

private:
    ReportControl& add(ReportControl control);

    QString m_name;
    Role m_role;
    int m_height;
    std::deque<ReportControl> m_controls;
};

// A banded report layout: report header, page header, one group header and footer per level of
// the record set, the detail band of the lowest level, page footer and report footer. A level
// names the chapter whose rows it repeats for (the top level names none: it repeats for the
// rows of the record set itself). An empty chapter still prints its level's header and footer.
class ReportLayout
{
public:
    static constexpr int LetterWidth = 12240;  // 8.5 inches
    static constexpr int LetterHeight = 15840; // 11 inches

    explicit ReportLayout(QString title = {});

    const QString& title() const { return m_title; } // the window caption
    void setTitle(const QString& title) { m_title = title; }

    int reportWidth() const { return m_reportWidth; }
    void setReportWidth(int width) { m_reportWidth = width; }
    void setMargins(int left, int top, int right, int bottom);
    int leftMargin() const { return m_left; }
    int topMargin() const { return m_top; }
    int rightMargin() const { return m_right; }
    int bottomMargin() const { return m_bottom; }
    int pageWidth() const { return LetterWidth; }
    int pageHeight() const { return LetterHeight; }

    ReportSection& setReportHeader(int height, const QString& name = QStringLiteral("ReportHeader"));
    ReportSection& setPageHeader(int height, const QString& name = QStringLiteral("PageHeader"));
    // Adds the next level down; returns its header (the footer is reachable by name).
    ReportSection& addGroup(const QString& member, const QString& headerName, int headerHeight,
                            const QString& footerName, int footerHeight);
    ReportSection& setDetail(const QString& member, const QString& name, int height);
    ReportSection& setPageFooter(int height, const QString& name = QStringLiteral("PageFooter"));
    ReportSection& setReportFooter(int height, const QString& name = QStringLiteral("ReportFooter"));

    struct Level
    {
        QString member;
        int header = -1; // index into sections(), -1 when none
        int footer = -1;
    };
    const std::vector<Level>& groups() const { return m_groups; }
    const Level& detail() const { return m_detail; }

    const ReportSection* reportHeader() const { return sectionAt(m_reportHeader); }
    const ReportSection* pageHeader() const { return sectionAt(m_pageHeader); }
    const ReportSection* pageFooter() const { return sectionAt(m_pageFooter); }
    const ReportSection* reportFooter() const { return sectionAt(m_reportFooter); }
    const ReportSection* sectionAt(int index) const
    {
        return index < 0 ? nullptr : &m_sections[static_cast<size_t>(index)];
    }

    const std::deque<ReportSection>& sections() const { return m_sections; }
    const ReportSection* findSection(const QString& name) const; // without regard to case
    ReportSection& section(const QString& name);                  // raises when missing

private:
    int addSection(const QString& name, ReportSection::Role role, int height);
    ReportSection& replace(int& slot, const QString& name, ReportSection::Role role, int height);

    QString m_title;
    int m_reportWidth = 9360;
    int m_left = 1000;
    int m_top = 1000;
    int m_right = 1000;
    int m_bottom = 1000;
    std::deque<ReportSection> m_sections;
    int m_reportHeader = -1;
    int m_pageHeader = -1;
    int m_pageFooter = -1;
    int m_reportFooter = -1;
    std::vector<Level> m_groups;
    Level m_detail;
};
