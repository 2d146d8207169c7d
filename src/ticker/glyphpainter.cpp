#include "glyphpainter.h"

#include <QPainter>
#include <QPen>

namespace velumo {

QStringList tickerCharacters(const QString& text)
{
    QStringList characters;
    characters.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            characters.append(text.mid(i, 2));
            ++i;
        } else {
            characters.append(QString(text[i]));
        }
    }
    return characters;
}

char32_t characterAt(const QString& text, qsizetype i, int* length)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(text[i], text[i + 1]);
    }
    *length = 1;
    return text[i].unicode();
}

GlyphPainter::GlyphPainter(GlyphStyle style) : m_style(std::move(style)), m_metrics(m_style.font) {}

GlyphPainter::Glyph& GlyphPainter::glyph(char32_t character)
{
    auto it = m_glyphs.find(character);
    if (it == m_glyphs.end()) {
        Glyph g;
        g.text = QString::fromUcs4(&character, 1);
        g.advance = m_metrics.horizontalAdvance(g.text);
        it = m_glyphs.insert(character, g);
    }
    return *it;
}

int GlyphPainter::advance(char32_t character)
{
    return glyph(character).advance;
}

int GlyphPainter::draw(QPainter& painter, int x, int top, char32_t character)
{
    Glyph& g = glyph(character);
    const int baseline = top + m_metrics.ascent();
    if (m_style.outlineWidthPx >= 1) {
        if (!g.hasPath) {
            g.path.addText(0, 0, m_style.font, g.text);
            g.hasPath = true;
        }
        painter.save();
        painter.translate(x, baseline);
        painter.strokePath(g.path, QPen(m_style.outline, m_style.outlineWidthPx, Qt::SolidLine,
                                        Qt::RoundCap, Qt::RoundJoin));
        painter.restore();
    }
    painter.setFont(m_style.font);
    painter.setPen(m_style.text);
    painter.drawText(QPoint(x, baseline), g.text);
    return x + g.advance;
}

int drawTickerText(QPainter& painter, int x, const QString& text, const GlyphStyle& style,
                   int height, bool fillBackground)
{
    if (fillBackground && painter.device())
        painter.fillRect(QRect(0, 0, painter.device()->width(), height), style.background);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    GlyphPainter glyphs(style);
    int rightEdge = 0;
    int length = 1;
    for (qsizetype i = 0; i < text.size(); i += length) {
        rightEdge = glyphs.draw(painter, x, 0, characterAt(text, i, &length));
        x = rightEdge + style.letterStepPx;
    }
    return rightEdge;
}

int measureTickerText(const QString& text, const GlyphStyle& style)
{
    GlyphPainter glyphs(style);
    int width = 0;
    int count = 0;
    int length = 1;
    for (qsizetype i = 0; i < text.size(); i += length, ++count)
        width += glyphs.advance(characterAt(text, i, &length));
    if (count > 1)
        width += style.letterStepPx * (count - 1);
    return width;
}

}  // namespace velumo
