#include "reportdocument.h"

#include <QMap>
#include <algorithm>

namespace {

const char* kindName(PageItem::Kind kind)
{
    switch (kind) {
    case PageItem::Kind::Text: return "text";
    case PageItem::Kind::Line: return "line";
    case PageItem::Kind::Frame: return "frame";
    }
    return "";
}

const char* alignName(ReportAlign align)
{
    switch (align) {
    case ReportAlign::Left: return "left";
    case ReportAlign::Center: return "center";
    case ReportAlign::Right: return "right";
    }
    return "";
}

} // namespace

QList<PageItem> ReportPage::itemsOf(const QString& control) const
{
    QList<PageItem> found;
    for (const PageItem& item : items)
        if (item.control.compare(control, Qt::CaseInsensitive) == 0)
            found << item;
    return found;
}

QString ReportPage::textOf(const QString& control) const
{
    QStringList lines;
    for (const PageItem& item : itemsOf(control))
        if (item.kind == PageItem::Kind::Text)
            lines << item.text;
    return lines.join(QLatin1Char('\n'));
}

QStringList ReportPage::lines() const
{
    QMap<int, QList<const PageItem*>> byTop;
    for (const PageItem& item : items)
        if (item.kind == PageItem::Kind::Text)
            byTop[item.top].append(&item);
    QStringList out;
    for (auto it = byTop.begin(); it != byTop.end(); ++it) {
        QList<const PageItem*> row = it.value();
        std::stable_sort(row.begin(), row.end(),
                         [](const PageItem* a, const PageItem* b) { return a->textLeft < b->textLeft; });
        QStringList texts;
        for (const PageItem* item : row)
            texts << item->text;
        out << texts.join(QStringLiteral(" | "));
    }
    return out;
}

QString ReportDocument::dump() const
{
    QString out;
    for (const ReportPage& page : pages) {
        out += QStringLiteral("page %1 of %2\n").arg(page.number).arg(pageCount());
        for (const PageItem& item : page.items) {
            out += QStringLiteral("  %1 %2,%3 %4x%5").arg(QLatin1String(kindName(item.kind))).arg(item.left).arg(item.top)
                       .arg(item.width).arg(item.height);
            if (item.kind == PageItem::Kind::Text)
                out += QStringLiteral(" %1 \"%2\"").arg(QLatin1String(alignName(item.align)), item.text);
            out += QStringLiteral(" [%1.%2]\n").arg(item.section, item.control);
        }
    }
    return out;
}
