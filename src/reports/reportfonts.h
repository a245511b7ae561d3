#pragma once

#include "reportlayout.h"

#include <QFont>
#include <QStringList>

// Text measured in twips. Fonts are sized in pixels of one twip each (a point is 20 twips), so the
// same metrics hold on the screen, in the preview and on a 1200-dpi printer or PDF once the
// painter is scaled to twips. Hinting is off, so widths do not depend on the device.
namespace ReportFonts {

QFont toQFont(const ReportFont& font);
const QFont& cachedFont(const ReportFont& font); // the same, made once per font
double advance(const ReportFont& font, const QString& text); // trailing blanks included
double lineSpacing(const ReportFont& font);
double ascent(const ReportFont& font);

// The lines a text takes in a box of the given width: broken at blanks where it can, anywhere
// within a word too long for the width, and at the text's own line breaks. Every character of
// the text is on some line. An empty text has no lines.
// When widths is given it gets each line's advance, or -1 where it was not measured.
QStringList wrap(const ReportFont& font, const QString& text, double width, QList<double>* widths = nullptr);

} // namespace ReportFonts
