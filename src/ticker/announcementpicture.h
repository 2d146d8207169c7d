#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

#include "ticker/glyphpainter.h"

class QPainter;

namespace velumo {

// One announcement drawn for the strip. Characters are placed lazily as the strip reaches them
// and drawn into tiles of kTileWidthPx, so that an announcement of any length costs only what
// is near the strip: the first pixels appear at once and memory stays bounded.
class AnnouncementPicture {
public:
    static constexpr int kTileWidthPx = 1024;
    // Picture height = text height + 5.
    static constexpr int kExtraHeightPx = 5;

    // transparentBackground: the background is painted fully transparent (strip colour key).
    AnnouncementPicture(QString text, const GlyphStyle& style, bool transparentBackground);

    const QString& text() const { return m_text; }
    int height() const { return m_heightPx; }

    // Places characters until the placed ones reach pictureX or the text ends.
    void layoutTo(int pictureX);
    bool laidOut() const { return m_nextPos >= m_text.size(); }
    // Right edge of the last character (pen position after it); places the whole text.
    int drawnWidth();
    // Right edge of the characters placed so far.
    int placedWidth() const { return m_rightEdge; }
    // Left x of character k (the sum of width + letter step of the characters before it);
    // -1 when characters up to k are not yet placed.
    int placedX(qsizetype k) const;
    // Places characters up to k and gives its left x (the text's end for k beyond it).
    int xOf(qsizetype k);

    // The picture is wiped to background (the engine's ClearStrip).
    void clear();
    bool isCleared() const { return m_cleared; }

    // The tile i covering [i * kTileWidthPx, (i + 1) * kTileWidthPx), drawn on first use.
    const QImage& tile(int i);
    bool hasTile(int i) const { return m_tiles.contains(i); }
    int tileCount() const { return int(m_tiles.size()); }
    // Forgets the tiles entirely left of pictureX (they have left the strip).
    void dropTilesBefore(int pictureX);

    // Paints the part of the picture seen through a strip viewWidthPx wide, the picture's left
    // edge being at stripLeft in strip coordinates and its top at top.
    void paint(QPainter& painter, int stripLeft, int top, int viewWidthPx);

    QColor background() const { return m_background; }

private:
    void render(QImage& image, int tileX);
    // One character at x: outline stroke first, then the fill; gives its right edge.
    int DrawTickerChar(QPainter& painter, int x, char32_t character);

    QString m_text;
    GlyphPainter m_glyphs;
    QColor m_background;
    int m_heightPx = 0;
    int m_overhangPx = 0;
    std::vector<int> m_x;          // left x of each placed character
    std::vector<char32_t> m_code;  // and the character itself
    qsizetype m_nextPos = 0;       // QChar position of the first character not yet placed
    int m_rightEdge = 0;
    int m_penX = 0;
    bool m_cleared = false;
    QHash<int, QImage> m_tiles;
};

}  // namespace velumo
