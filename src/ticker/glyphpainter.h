#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;

namespace velumo {

// How the ticker letters look: the font, the fill colour, the outline (pen width 0 = none)
// and the letter step (extra pixels after every character).
struct GlyphStyle {
    QFont font;
    QColor text;
    QColor outline;
    QColor background;
    int outlineWidthPx = 0;
    int letterStepPx = 0;
};

// Draws text character by character from x on a picture of the given height: each character
// is placed at x; with an outline it is stroked first with the outline pen, then filled; then
// x = right edge of the character + letter step. When fillBackground is set the rectangle
// (0, 0, painter device width, height) is first filled with the background colour.
// Returns the right edge of the last character drawn (0 for empty text).
int drawTickerText(QPainter& painter, int x, const QString& text, const GlyphStyle& style,
                   int height, bool fillBackground);

// Width in pixels that drawTickerText would cover for the text (without the trailing step).
int measureTickerText(const QString& text, const GlyphStyle& style);

}  // namespace velumo
