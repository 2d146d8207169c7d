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

GlyphPainter::GlyphPainter(GlyphStyle style) : m_style(std::move(style)), m_metrics(m_style.font)
{
}

int GlyphPainter::advance(const QString& character)
{
    auto it = m_advances.constFind(character);
    if (it != m_advances.cend())
        return *it;
    const int width = m_metrics.horizontalAdvance(character);
    m_advances.insert(character, width);
    return width;
}

int GlyphPainter::draw(QPainter& painter, int x, int top, const QString& character)
{
    const int baseline = top + m_metrics.ascent();
    if (m_style.outlineWidthPx >= 1) {
        auto it = m_paths.find(character);
        if (it == m_paths.end()) {
            QPainterPath path;
            path.addText(0, 0, m_style.font, character);
            it = m_paths.insert(character, path);
        }
        painter.save();
        painter.translate(x, baseline);
        painter.strokePath(*it, QPen(m_style.outline, m_style.outlineWidthPx, Qt::SolidLine,
                                     Qt::RoundCap, Qt::RoundJoin));
        painter.restore();
    }
    painter.setFont(m_style.font);
    painter.setPen(m_style.text);
    painter.drawText(QPoint(x, baseline), character);
    return x + advance(character);
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
    for (const QString& character : tickerCharacters(text)) {
        rightEdge = glyphs.draw(painter, x, 0, character);
        x = rightEdge + style.letterStepPx;
    }
    return rightEdge;
}

int measureTickerText(const QString& text, const GlyphStyle& style)
{
    GlyphPainter glyphs(style);
    const QStringList characters = tickerCharacters(text);
    int width = 0;
    for (const QString& character : characters)
        width += glyphs.advance(character);
    if (characters.size() > 1)
        width += style.letterStepPx * int(characters.size() - 1);
    return width;
}

}  // namespace velumo
