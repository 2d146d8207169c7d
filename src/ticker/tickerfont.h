#pragma once

#include <QFont>
#include <QString>

namespace velumo {

class Settings;

// Font style numbers: the sum of 1 bold, 2 italic, 4 underline, 8 strike-out (0 to 15).
int styleNumber(const QFont& font);
// Applies a style number below 16 to the font; larger numbers leave it unchanged.
void applyStyleNumber(QFont& font, int number);
// "Normal", "Bold", ... "BoldItalic,Underline,StrikeOut"; empty for numbers outside 0..15.
QString styleName(int number);

// The ticker font held in the settings: face SCEdit6, size SCEdit18 (points), style SCEdit48.
// A face that is not installed falls back to a visible font. Throws Failure when the size or
// style field is not a number.
QFont tickerFont(const Settings& settings);

}  // namespace velumo
