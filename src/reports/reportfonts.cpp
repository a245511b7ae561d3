#include "reportfonts.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <QTextLayout>
#include <memory>
#include <vector>

namespace {

// The few fonts a report uses, with their metrics; looked up by value, the last one first.
struct Measured
{
    ReportFont font;
    QFont qfont;
    std::shared_ptr<QFontMetricsF> metrics;
};

const Measured& measured(const ReportFont& font)
{
    // Never destroyed: fonts must not outlive the application object at exit.
    static auto& known = *new std::vector<Measured>;
    static size_t last = 0;
    if (last < known.size() && known[last].font == font)
        return known[last];
    for (size_t i = 0; i < known.size(); ++i)
        if (known[i].font == font) {
            last = i;
            return known[i];
        }
    const QFont qfont = ReportFonts::toQFont(font);
    known.push_back({font, qfont, std::make_shared<QFontMetricsF>(qfont)});
    last = known.size() - 1;
    return known[last];
}

const QFontMetricsF& metrics(const ReportFont& font)
{
    return *measured(font).metrics;
}

} // namespace

QFont ReportFonts::toQFont(const ReportFont& font)
{
    QFont f(font.family);
    f.setPixelSize(qMax(1, qRound(font.points * 20)));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

const QFont& ReportFonts::cachedFont(const ReportFont& font)
{
    return measured(font).qfont;
}

double ReportFonts::advance(const ReportFont& font, const QString& text)
{
    return metrics(font).horizontalAdvance(text);
}

double ReportFonts::lineSpacing(const ReportFont& font)
{
    return metrics(font).lineSpacing();
}

double ReportFonts::ascent(const ReportFont& font)
{
    return metrics(font).ascent();
}

QStringList ReportFonts::wrap(const ReportFont& font, const QString& text, double width, QList<double>* widths)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines;
    if (text.isEmpty())
        return lines;
    const QFont& qfont = measured(font).qfont;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Most texts are one paragraph: no expression to run for them.
    const bool oneParagraph = !text.contains(u'\n') && !text.contains(u'\r');
    const QStringList paragraphs = oneParagraph ? QStringList{text} : text.split(lineBreak);
    for (const QString& paragraph : paragraphs) {
        if (paragraph.isEmpty()) {
            lines << QString();
            if (widths)
                *widths << 0;
            continue;
        }
        const double whole = advance(font, paragraph);
        if (whole <= width) { // the common case: one line
            lines << paragraph;
            if (widths)
                *widths << whole;
            continue;
        }
        QTextLayout layout(paragraph, qfont);
        layout.setTextOption(option);
        QStringList broken;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(qMax(1.0, width));
            broken << paragraph.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
        // The blank a line was broken at is not printed at its end.
        for (qsizetype i = 0; i + 1 < broken.size(); ++i)
            while (broken[i].endsWith(QLatin1Char(' ')))
                broken[i].chop(1);
        lines << broken;
        if (widths)
            for (qsizetype i = 0; i < broken.size(); ++i)
                *widths << -1;
    }
    while (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast(); // a text ending in a line break adds no empty line
        if (widths)
            widths->removeLast();
    }
    return lines;
}
