#include "reportpaginator.h"

#include "daterules.h"
#include "reporterror.h"
#include "reportfonts.h"
#include "reportlayout.h"
#include "reportrecordset.h"

#include <algorithm>
#include <cmath>

namespace {

const QString kSource = QStringLiteral("Report.layOut");

// A section filled for one row: its items with tops counted from the band's top.
struct Band
{
    int height = 0;
    QList<PageItem> items;
};

// Where a text box finds its row: the record set of each level entered, and its current row.
struct Level
{
    const ReportRecordSet* records = nullptr;
    QString member;
    int row = -1;
};

// The size a fitted caption is set in: its own when it fits the room, else smaller, no smaller
// than the least size (where it then wraps).
ReportFont fittedFont(const ReportControl& c, const QString& text)
{
    ReportFont font = c.font;
    const double wide = ReportFonts::advance(font, text);
    if (wide <= c.fitRoom)
        return font;
    // Widths grow with the size; the quarter points below the proportional size are tried down.
    font.points = std::max(ReportControl::MinFitPoints, std::floor(font.points * c.fitRoom / wide * 4) / 4);
    while (font.points > ReportControl::MinFitPoints && ReportFonts::advance(font, text) > c.fitRoom)
        font.points = std::max(ReportControl::MinFitPoints, font.points - 0.25);
    return font;
}

QString withoutLineBreaks(QString text)
{
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    return text;
}

QString expandTokens(const QString& caption, const QString& date, const QString& time, int page, int pages)
{
    if (!caption.contains(QLatin1Char('%')))
        return caption;
    QString out;
    out.reserve(caption.size() + 8);
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        if (c == QLatin1Char('%') && i + 1 < caption.size()) {
            const QChar t = caption[i + 1];
            if (t == QLatin1Char('d')) {
                out += date;
            } else if (t == QLatin1Char('T')) {
                out += time;
            } else if (t == QLatin1Char('p')) {
                out += QString::number(page);
            } else if (t == QLatin1Char('P')) {
                out += QString::number(pages);
            } else {
                out += c;
                continue;
            }
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

void placeText(PageItem& item)
{
    if (item.textWidth < 0 || item.fromLabel) // a label's tokens were just replaced
        item.textWidth = ReportFonts::advance(item.font, item.text);
    switch (item.align) {
    case ReportAlign::Left: item.textLeft = item.left; break;
    case ReportAlign::Center: item.textLeft = item.left + (item.width - item.textWidth) / 2; break;
    case ReportAlign::Right: item.textLeft = item.right() - item.textWidth; break;
    }
}

class Paginator
{
public:
    Paginator(const ReportLayout& layout, const ReportRecordSet* records, const QDateTime& printedAt)
        : m_layout(layout), m_records(records), m_printedAt(printedAt)
    {
    }

    ReportDocument run()
    {
        m_doc.title = m_layout.title();
        m_doc.pageWidth = m_layout.pageWidth();
        m_doc.pageHeight = m_layout.pageHeight();

        // The page sections are filled once, before the body, so the body knows its room; their
        // bound boxes (if any) show the first row of the record set.
        if (m_records && m_records->rowCount() > 0)
            m_levels.append({m_records, QString(), 0});
        const Band header = m_layout.pageHeader() ? build(*m_layout.pageHeader()) : Band();
        const Band footer = m_layout.pageFooter() ? build(*m_layout.pageFooter()) : Band();
        m_levels.clear();
        m_bodyTop = m_layout.topMargin() + header.height;
        m_bodyBottom = m_layout.pageHeight() - m_layout.bottomMargin() - footer.height;
        if (m_bodyBottom - m_bodyTop < 1440)
            throw reportError(kSource, QStringLiteral("The page header and footer of the report \"%1\" leave no room "
                                                      "for its body.")
                                           .arg(m_layout.title()));

        newPage();
        if (m_layout.reportHeader())
            place(build(*m_layout.reportHeader()));
        if (m_records) {
            const auto& groups = m_layout.groups();
            walk(0, m_records, groups.empty() ? m_layout.detail().member : groups.front().member,
                 allRows(*m_records));
        }
        if (m_layout.reportFooter())
            place(build(*m_layout.reportFooter()));

        finish(header, footer);
        return std::move(m_doc);
    }

private:
    static QList<int> allRows(const ReportRecordSet& records)
    {
        QList<int> rows;
        rows.reserve(records.rowCount());
        for (int r = 0; r < records.rowCount(); ++r)
            rows << r;
        return rows;
    }

    // Prints the rows of one level: the group's header, the levels below, the group's footer;
    // the lowest level prints its detail band per row.
    void walk(size_t level, const ReportRecordSet* records, const QString& member, const QList<int>& rows)
    {
        const auto& groups = m_layout.groups();
        if (level >= groups.size()) {
            const ReportSection* detail = m_layout.sectionAt(m_layout.detail().header);
            if (!detail)
                return;
            for (int row : rows) {
                m_levels.append({records, member, row});
                place(build(*detail));
                m_levels.removeLast();
            }
            return;
        }
        const bool lowest = level + 1 >= groups.size();
        const QString below = lowest ? m_layout.detail().member : groups[level + 1].member;
        const bool hasBelow = !lowest || m_layout.detail().header >= 0;
        const ReportSection* footer = m_layout.sectionAt(groups[level].footer);
        const ReportSection* firstBelow =
            lowest ? m_layout.sectionAt(m_layout.detail().header) : m_layout.sectionAt(groups[level + 1].header);
        for (int row : rows) {
            m_levels.append({records, member, row});
            const ReportRecordSet* children = hasBelow ? &records->chapter(below) : nullptr;
            const QList<int> childRows = children ? records->childRows(row, below) : QList<int>();
            if (const ReportSection* h = m_layout.sectionAt(groups[level].header)) {
                // A group's title and headings do not stand alone at the foot of a page: they
                // go with the first band that follows them.
                const ReportSection* next = !childRows.isEmpty() && firstBelow ? firstBelow : footer;
                place(build(*h), next ? next->height() : 0);
            }
            if (children)
                walk(level + 1, children, below, childRows);
            if (footer)
                place(build(*footer));
            m_levels.removeLast();
        }
    }

    QString fieldText(const ReportSection& section, const ReportControl& c) const
    {
        const Level* found = nullptr;
        if (c.dataMember.isEmpty()) {
            if (!m_levels.isEmpty())
                found = &m_levels.first();
        } else {
            for (auto it = m_levels.crbegin(); it != m_levels.crend(); ++it)
                if (it->member.compare(c.dataMember, Qt::CaseInsensitive) == 0) {
                    found = &*it;
                    break;
                }
            if (!found && !m_levels.isEmpty())
                throw reportError(kSource, QStringLiteral("The text box \"%1\" of the section \"%2\" names the chapter "
                                                          "\"%3\", which that section does not print.")
                                               .arg(c.name, section.name(), c.dataMember));
        }
        if (!found)
            return {};
        const int field = found->records->fieldIndex(c.dataField);
        if (field < 0)
            throw reportError(kSource, QStringLiteral("The text box \"%1\" of the section \"%2\" names the field "
                                                      "\"%3\", which the report does not have.")
                                           .arg(c.name, section.name(), c.dataField));
        const QVariant v = found->records->value(found->row, field);
        return v.isNull() ? QString() : v.toString();
    }

    Band build(const ReportSection& section) const
    {
        struct Laid
        {
            const ReportControl* control;
            QStringList lines;
            QList<double> widths; // measured while wrapping, -1 where not
            double spacing = 0;
            int growth = 0;
            int shift = 0;
            ReportFont font;
            bool fitted = false; // a caption kept within its room
        };
        std::vector<Laid> laid;
        laid.reserve(section.controls().size());
        for (const ReportControl& c : section.controls()) {
            Laid l{&c, {}, {}, 0, 0, 0, c.font, false};
            if (c.kind == ControlKind::Label || c.kind == ControlKind::TextBox) {
                const QString text = c.kind == ControlKind::Label ? c.caption : c.format.apply(fieldText(section, c));
                l.spacing = ReportFonts::lineSpacing(c.font);
                if (c.kind == ControlKind::TextBox) {
                    l.lines = ReportFonts::wrap(c.font, text, c.width, &l.widths);
                    l.growth = std::max(0, static_cast<int>(std::ceil(l.lines.size() * l.spacing)) - c.height);
                } else if (c.fitRoom > 0 && !text.isEmpty()) {
                    // Its one line at the layout's size is the room the caption has below it.
                    l.fitted = true;
                    l.font = fittedFont(c, withoutLineBreaks(text));
                    l.lines = ReportFonts::wrap(l.font, withoutLineBreaks(text), c.fitRoom, &l.widths);
                    const double oneLine = l.spacing;
                    l.spacing = ReportFonts::lineSpacing(l.font);
                    l.growth = std::max(0, static_cast<int>(std::ceil(l.lines.size() * l.spacing - oneLine)));
                } else if (!text.isEmpty()) {
                    l.lines << withoutLineBreaks(text);
                }
            }
            laid.push_back(std::move(l));
        }
        // A control moves down by as much as the growing boxes above it pushed (a control is
        // above another when its bottom is at or above the other's top).
        std::stable_sort(laid.begin(), laid.end(), [](const Laid& a, const Laid& b) {
            return a.control->top != b.control->top ? a.control->top < b.control->top
                                                     : a.control->height < b.control->height;
        });
        // A fitted caption's extra lines push down what starts below its first line under its
        // room, though its box reaches further down.
        const auto pushes = [](const Laid& above, const ReportControl& below) {
            const ReportControl& a = *above.control;
            if (a.bottom() <= below.top)
                return true;
            return above.fitted && below.top > a.top && below.left < a.fitLeft() + a.fitRoom &&
                   below.left + below.width > a.fitLeft();
        };
        int grown = 0;
        for (size_t i = 0; i < laid.size(); ++i) {
            for (size_t j = 0; j < i; ++j)
                if (pushes(laid[j], *laid[i].control))
                    laid[i].shift = std::max(laid[i].shift, laid[j].shift + laid[j].growth);
            grown = std::max(grown, laid[i].shift + laid[i].growth);
        }

        Band band;
        band.height = section.height() + grown;
        const int margin = m_layout.leftMargin();
        for (const Laid& l : laid) {
            const ReportControl& c = *l.control;
            PageItem item;
            item.left = margin + c.left;
            item.top = c.top + l.shift;
            item.width = c.width;
            item.height = c.height;
            item.section = section.name();
            item.control = c.name;
            switch (c.kind) {
            case ControlKind::Label:
            case ControlKind::TextBox: {
                item.kind = PageItem::Kind::Text;
                item.font = l.font;
                if (l.fitted) {
                    item.left = margin + c.fitLeft();
                    item.width = c.fitRoom;
                }
                item.align = c.align;
                item.fromLabel = c.kind == ControlKind::Label;
                item.height = static_cast<int>(std::ceil(l.spacing));
                for (qsizetype n = 0; n < l.lines.size(); ++n) {
                    PageItem line = item;
                    line.top = c.top + l.shift + static_cast<int>(std::lround(n * l.spacing));
                    line.text = l.lines[n];
                    line.textWidth = n < l.widths.size() ? l.widths[n] : -1;
                    band.items << line;
                }
                break;
            }
            case ControlKind::Line:
                item.kind = PageItem::Kind::Line;
                band.items << item;
                break;
            case ControlKind::Frame:
                item.kind = PageItem::Kind::Frame;
                band.items << item;
                break;
            case ControlKind::Image:
                break; // no picture: nothing to print
            }
        }
        return band;
    }

    void newPage()
    {
        ReportPage page;
        page.number = m_doc.pageCount() + 1;
        m_doc.pages << page;
        m_y = m_bodyTop;
    }

    void put(PageItem item, int y)
    {
        item.top += y;
        m_doc.pages.last().items << item;
    }

    // Puts a band at the current position: on this page when it fits, else on the next; a band
    // taller than a page is broken between its lines, each part on a page of its own. keepWith
    // is the height of what must follow the band on the same page.
    void place(Band band, int keepWith = 0)
    {
        const int bodyHeight = m_bodyBottom - m_bodyTop;
        if (keepWith > 0 && m_y > m_bodyTop && band.height + keepWith <= bodyHeight
            && m_y + band.height + keepWith > m_bodyBottom)
            newPage();
        for (;;) {
            const int room = m_bodyBottom - m_y;
            if (band.height <= room) {
                for (const PageItem& item : band.items)
                    put(item, m_y);
                m_y += band.height;
                return;
            }
            if (room <= 0 || (band.height <= bodyHeight && m_y > m_bodyTop)) {
                newPage();
                continue;
            }
            // Break where the room ends, or higher up where an item would be cut through.
            int cut = room;
            for (const PageItem& item : band.items)
                if (item.top < room && item.bottom() > room)
                    cut = std::min(cut, item.top);
            if (cut <= 0) {
                if (m_y > m_bodyTop) {
                    newPage();
                    continue;
                }
                cut = room; // an item taller than a page: print it from here
            }
            Band rest;
            rest.height = band.height - cut;
            for (PageItem& item : band.items) {
                if (item.top < cut) {
                    put(item, m_y);
                } else {
                    item.top -= cut;
                    rest.items << item;
                }
            }
            band = std::move(rest);
            newPage();
        }
    }

    void finish(const Band& header, const Band& footer)
    {
        const QString date = ReportPaginator::printDate(m_printedAt);
        const QString time = ReportPaginator::printTime(m_printedAt);
        const int pages = m_doc.pageCount();
        const int footerTop = m_layout.pageHeight() - m_layout.bottomMargin() - footer.height;
        for (ReportPage& page : m_doc.pages) {
            QList<PageItem> items;
            items.reserve(header.items.size() + page.items.size() + footer.items.size());
            for (PageItem item : header.items) {
                item.top += m_layout.topMargin();
                items << item;
            }
            items << page.items;
            for (PageItem item : footer.items) {
                item.top += footerTop;
                items << item;
            }
            for (PageItem& item : items) {
                if (item.kind != PageItem::Kind::Text)
                    continue;
                if (item.fromLabel)
                    item.text = expandTokens(item.text, date, time, page.number, pages);
                placeText(item);
            }
            page.items = std::move(items);
        }
    }

    const ReportLayout& m_layout;
    const ReportRecordSet* m_records;
    QDateTime m_printedAt;
    QList<Level> m_levels;
    ReportDocument m_doc;
    int m_bodyTop = 0;
    int m_bodyBottom = 0;
    int m_y = 0;
};

} // namespace

ReportDocument ReportPaginator::layOut(const ReportLayout& layout, const ReportRecordSet* records,
                                       const QDateTime& printedAt)
{
    return Paginator(layout, records, printedAt).run();
}

QString ReportPaginator::printDate(const QDateTime& moment)
{
    return DateRules::toText(moment.date());
}

QString ReportPaginator::printTime(const QDateTime& moment)
{
    const QTime t = moment.time();
    const int hour = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return QStringLiteral("%1:%2:%3 %4")
        .arg(hour)
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'))
        .arg(t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}
