#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPainterPath>
#include <QString>
#include <QStringList>

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

// The characters of a text as drawn one by one: a surrogate pair stays one character.
QStringList tickerCharacters(const QString& text);

// Draws single characters of one style; keeps the outline path and advance of every character
// it has met, so that long texts are not traced again for each letter.
class GlyphPainter {
public:
    explicit GlyphPainter(GlyphStyle style);

    const GlyphStyle& style() const { return m_style; }
    // Horizontal advance of the character (pen movement).
    int advance(char32_t character);
    // Draws the character with its cell's top at (x, top): outline first, then the fill.
    // Returns the right edge x + advance.
    int draw(QPainter& painter, int x, int top, char32_t character);
    // Height of a text line in this font.
    int lineHeight() const { return m_metrics.height(); }

private:
    struct Glyph {
        QString text;
        int advance = 0;
        QPainterPath path;
        bool hasPath = false;
    };
    Glyph& glyph(char32_t character);

    GlyphStyle m_style;
    QFontMetrics m_metrics;
    QHash<char32_t, Glyph> m_glyphs;
};

// The character starting at position i of text (a surrogate pair is one character) and the
// number of QChars it takes.
char32_t characterAt(const QString& text, qsizetype i, int* length);

}  // namespace velumo
