#include "announcementpicture.h"

#include <QPainter>
#include <algorithm>
#include <climits>

namespace velumo {

AnnouncementPicture::AnnouncementPicture(QString text, const GlyphStyle& style,
                                         bool transparentBackground)
    : m_text(std::move(text)),
      m_glyphs(style),
      m_background(transparentBackground ? QColor(Qt::transparent) : style.background)
{
    m_heightPx = m_glyphs.lineHeight() + kExtraHeightPx;
    // Italic overhang and the outline pen reach beyond a character's advance.
    m_overhangPx = qMax(0, style.outlineWidthPx) + m_glyphs.lineHeight() / 2 + 2;
}

void AnnouncementPicture::layoutTo(int pictureX)
{
    while (m_nextPos < m_text.size() && (m_nextPos == 0 || m_penX <= pictureX)) {
        int length = 1;
        const char32_t code = characterAt(m_text, m_nextPos, &length);
        m_x.push_back(m_penX);
        m_code.push_back(code);
        m_rightEdge = m_penX + m_glyphs.advance(code);
        m_penX = m_rightEdge + m_glyphs.style().letterStepPx;
        m_nextPos += length;
    }
}

int AnnouncementPicture::drawnWidth()
{
    layoutTo(INT_MAX);
    return m_rightEdge;
}

int AnnouncementPicture::placedX(qsizetype k) const
{
    if (k < 0)
        return 0;
    if (k < qsizetype(m_x.size()))
        return m_x[size_t(k)];
    if (laidOut())
        return m_rightEdge;
    return -1;
}

int AnnouncementPicture::xOf(qsizetype k)
{
    while (placedX(k) < 0)
        layoutTo(m_penX + kTileWidthPx);
    return placedX(k);
}

void AnnouncementPicture::clear()
{
    m_cleared = true;
    m_tiles.clear();
}

const QImage& AnnouncementPicture::tile(int i)
{
    auto it = m_tiles.find(i);
    if (it != m_tiles.end())
        return *it;
    QImage image(kTileWidthPx, m_heightPx, QImage::Format_ARGB32_Premultiplied);
    render(image, i * kTileWidthPx);
    return *m_tiles.insert(i, image);
}

void AnnouncementPicture::render(QImage& image, int tileX)
{
    image.fill(m_background);
    if (m_cleared || m_text.isEmpty())
        return;
    layoutTo(tileX + kTileWidthPx + m_overhangPx);
    const int from = tileX - m_overhangPx;
    const int to = tileX + kTileWidthPx + m_overhangPx;
    // First character whose right side may reach into the tile.
    // (With a negative letter step the places are not in order: look at every character.)
    auto first = m_glyphs.style().letterStepPx >= 0
                     ? std::lower_bound(m_x.begin(), m_x.end(), from - m_glyphs.lineHeight() * 4)
                     : m_x.begin();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(-tileX, 0);
    const bool ordered = m_glyphs.style().letterStepPx >= 0;
    for (auto it = first; it != m_x.end() && (!ordered || *it < to); ++it) {
        const size_t k = size_t(it - m_x.begin());
        const int x = *it;
        if (x + m_glyphs.advance(m_code[k]) + m_overhangPx < from || x >= to)
            continue;
        DrawTickerChar(painter, x, m_code[k]);
    }
}

int AnnouncementPicture::DrawTickerChar(QPainter& painter, int x, char32_t character)
{
    return m_glyphs.draw(painter, x, 0, character);
}

void AnnouncementPicture::dropTilesBefore(int pictureX)
{
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        if ((it.key() + 1) * kTileWidthPx <= pictureX)
            it = m_tiles.erase(it);
        else
            ++it;
    }
}

void AnnouncementPicture::paint(QPainter& painter, int stripLeft, int top, int viewWidthPx)
{
    const int firstX = qMax(0, -stripLeft);
    const int lastX = viewWidthPx - stripLeft;  // picture x just past the strip's right edge
    if (lastX <= firstX)
        return;
    for (int i = firstX / kTileWidthPx; i * kTileWidthPx < lastX; ++i) {
        // Past the end of the text the strip's own background shows.
        if (laidOut() && i * kTileWidthPx > m_rightEdge + m_overhangPx)
            break;
        painter.drawImage(QPoint(stripLeft + i * kTileWidthPx, top), tile(i));
    }
}

}  // namespace velumo
