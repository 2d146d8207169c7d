// The screenshot drawn from the program's windows: each at its place, the upper ones over the
// lower, a see-through window letting the one below show, a hidden one left out, the whole
// scaled down to the width asked for.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include "fakes/testsupport.h"
#include "ui/windowscreenshot.h"

namespace velumo {
namespace {

// A frameless window painting one colour over a band of its height (all of it when band is 0);
// the rest is see-through.
class Painted final : public QWidget {
public:
    Painted(QColor colour, QRect place, int band = 0) : m_colour(colour), m_band(band)
    {
        setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
        setAttribute(Qt::WA_TranslucentBackground);
        setGeometry(place);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.fillRect(0, 0, width(), m_band ? m_band : height(), m_colour);
    }

private:
    QColor m_colour;
    int m_band;
};

TEST(WindowScreenshotTest, WindowsAtTheirPlacesUpperOverLowerHiddenLeftOutScaledToWidth)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_GE(screen.width(), 640);
    Painted clip(Qt::red, QRect(100, 100, 200, 100));
    Painted strip(Qt::green, QRect(50, 150, 400, 40), 10);  // only its upper 10 px are painted
    Painted hidden(Qt::blue, QRect(0, 0, 80, 80));
    clip.show();
    strip.show();
    ASSERT_TRUE(test::waitFor([&] { return clip.isVisible() && strip.isVisible(); }, 5000));

    WindowScreenshot shot([&] { return std::vector<QWidget*>{&clip, nullptr, &strip, &hidden}; });
    const QImage full = shot.compose(screen.width());
    ASSERT_EQ(full.size(), screen.size());
    EXPECT_EQ(full.pixelColor(200, 120), QColor(Qt::red));
    EXPECT_EQ(full.pixelColor(200, 155), QColor(Qt::green));  // the strip over the clip
    EXPECT_EQ(full.pixelColor(200, 180), QColor(Qt::red));    // through its clear part
    EXPECT_EQ(full.pixelColor(400, 155), QColor(Qt::green));  // beyond the clip
    EXPECT_EQ(full.pixelColor(400, 180), QColor(Qt::black));  // nothing of ours
    EXPECT_EQ(full.pixelColor(40, 40), QColor(Qt::black));    // the hidden window

    const QImage half = shot.compose(screen.width() / 2);
    ASSERT_EQ(half.width(), screen.width() / 2);
    EXPECT_EQ(half.pixelColor(100, 60), QColor(Qt::red));
    EXPECT_EQ(half.pixelColor(200, 77), QColor(Qt::green));
}

}  // namespace
}  // namespace velumo
