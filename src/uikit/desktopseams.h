#pragma once

// Installs the seams that talk to a person: message boxes, file dialogs, the print dialog, the
// desktop's document opener and the ending of the program. Called once at start-up.
namespace DesktopSeams {
void install();
// Maps the fonts the layouts name to the metric-compatible fonts installed here.
void substituteFonts();
} // namespace DesktopSeams
