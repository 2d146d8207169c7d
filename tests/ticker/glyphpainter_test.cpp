#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "ticker/glyphpainter.h"

namespace velumo::test {
namespace {

GlyphStyle style(int outlinePx)
{
    GlyphStyle s;
    s.font = QFont(QStringLiteral("DejaVu Sans"));
    s.font.setPixelSize(40);
    s.font.setBold(true);
    s.text = QColor(255, 255, 0);
    s.outline = QColor(0, 0, 255);
    s.background = QColor(0, 128, 0);
    s.outlineWidthPx = outlinePx;
    s.letterStepPx = 2;
    return s;
}

QImage draw(const GlyphStyle& s, const QString& text, int* rightEdge = nullptr)
{
    QImage image(300, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    const int edge = drawTickerText(painter, 10, text, s, 55, true);
    if (rightEdge)
        *rightEdge = edge;
    return image;
}

bool near(QRgb pixel, const QColor& colour, int tolerance = 40)
{
    return std::abs(qRed(pixel) - colour.red()) <= tolerance &&
           std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
           std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

TEST(GlyphPainter, OutlineSurroundsTheFill)
{
    const GlyphStyle s = style(6);
    const QImage image = draw(s, QStringLiteral("I"));
    // Across the middle of the stem: background, outline, fill, outline, background.
    const int y = QFontMetrics(s.font).ascent() / 2 + 5;
    QList<int> runs;  // 0 background, 1 outline, 2 fill
    for (int x = 0; x < 120; ++x) {
        const QRgb p = image.pixel(x, y);
        const int kind = near(p, s.text)         ? 2
                         : near(p, s.outline)    ? 1
                         : near(p, s.background) ? 0
                                                 : -1;
        if (kind >= 0 && (runs.isEmpty() || runs.last() != kind))
            runs << kind;
    }
    EXPECT_EQ(runs, QList<int>({0, 1, 2, 1, 0}));
    // The fill area covers the whole picture's background beyond the text.
    EXPECT_TRUE(near(image.pixel(250, 50), s.background, 0));
}

TEST(GlyphPainter, WithoutOutlineNoOutlinePixels)
{
    const GlyphStyle s = style(0);
    const QImage image = draw(s, QStringLiteral("ЖI"));
    int outline = 0, fill = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            outline += near(image.pixel(x, y), s.outline, 60) ? 1 : 0;
            fill += near(image.pixel(x, y), s.text, 10) ? 1 : 0;
        }
    EXPECT_EQ(outline, 0);
    EXPECT_GT(fill, 100);
}

TEST(GlyphPainter, CharactersArePlacedOneByOneWithTheLetterStep)
{
    const GlyphStyle s = style(3);
    const QFontMetrics metrics(s.font);
    int edge = 0;
    draw(s, QStringLiteral("AVA"), &edge);
    const int expected = 10 + metrics.horizontalAdvance(u'A') * 2 +
                         metrics.horizontalAdvance(u'V') + 2 * s.letterStepPx;
    EXPECT_EQ(edge, expected);
    EXPECT_EQ(measureTickerText(QStringLiteral("AVA"), s), expected - 10);
    EXPECT_EQ(measureTickerText(QString(), s), 0);
    int emptyEdge = -1;
    draw(s, QString(), &emptyEdge);
    EXPECT_EQ(emptyEdge, 0);
    // A character outside the basic plane is one character.
    EXPECT_EQ(tickerCharacters(QStringLiteral("a😀b")).size(), 3);
}

}  // namespace
}  // namespace velumo::test
