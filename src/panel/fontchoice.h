#pragma once

#include <QColor>
#include <QFont>

namespace velumo {

class Settings;

// The ticker font chosen in the font dialog goes into its fields: SCEdit48 the style number,
// SCEdit87 the style name, SCEdit6 the face, SCEdit18 the size, SCEdit21 the colour number.
void storeTickerFontChoice(Settings& settings, const QFont& font, const QColor& colour);

// A colour field (SCEdit13 background, SCEdit19 outline) takes the colour number.
void storeColourChoice(Settings& settings, const char* field, const QColor& colour);

// The temporary font of the special modes: SCEdit82 the face, SCEdit85 the size.
void storeTemporaryFont(Settings& settings, const QFont& font);

// Clock font size = ticker font size (SCEdit18) minus the reduction (SCEdit40), written to
// SCEdit80 and returned. Throws Failure when either field is not a number.
int recomputeClockFontSize(Settings& settings);

// A font's size in points as the fields hold it (pixel-sized fonts are converted).
int fontPointSize(const QFont& font);

}  // namespace velumo
