#include <gtest/gtest.h>

#include <QImage>

#include "base/settingskeys.h"
#include "base/wincolor.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerrig.h"
#include "ticker/tickerwindows.h"

namespace velumo::test {
namespace {

// The leftmost column holding a pixel of the colour, or -1.
int leftmostColumn(const QImage& image, const QColor& colour)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - colour.red()) < 8 && std::abs(qGreen(p) - colour.green()) < 8 &&
                std::abs(qBlue(p) - colour.blue()) < 8)
                return x;
        }
    return -1;
}

class StripWindowTest : public ::testing::Test, protected TickerRig {};

TEST_F(StripWindowTest, ShowsTheAnnouncementInItsColoursMovingLeft)
{
    settings.setText(key::SCEdit6, QStringLiteral("DejaVu Sans"));
    settings.setText(key::SCEdit18, QStringLiteral("20"));
    settings.setText(key::SCEdit45, QStringLiteral("50"));
    settings.setText(key::SCEdit43, QStringLiteral("70"));
    settings.setText(key::SCEdit77, QStringLiteral("600"));
    settings.setText(key::SCEdit13, QString::number(numberFromColor(QColor(0, 0, 128))));
    settings.setText(key::SCEdit21, QString::number(numberFromColor(QColor(255, 255, 0))));
    settings.setText(key::SCEdit19, QString::number(numberFromColor(QColor(255, 0, 0))));
    settings.setSpin(key::SpinEdit13, 2);
    settings.setChecked(key::SCCheckBox9, false);
    block.setLists({"0Бегущая строка"}, {"0"}, {"1"});
    StripWindow strip;
    QWidget mainWindow;
    TickerWindows windows(strip, nullptr, nullptr, nullptr, &mainWindow);
    engine.setView(&windows);

    engine.BitBtn2Click();
    EXPECT_EQ(strip.geometry().topLeft(), QPoint(50, 70));
    EXPECT_EQ(strip.width(), 600);
    EXPECT_TRUE(strip.isVisible());
    timers.advance(400);  // 200 px in
    const QImage first = strip.grab().toImage();
    timers.advance(112);  // 56 px further
    const QImage second = strip.grab().toImage();

    // Background in the strip colour at the far left, text and outline colours present.
    EXPECT_EQ(first.pixelColor(5, first.height() / 2), QColor(0, 0, 128));
    const int text1 = leftmostColumn(first, QColor(255, 255, 0));
    const int outline1 = leftmostColumn(first, QColor(255, 0, 0));
    const int text2 = leftmostColumn(second, QColor(255, 255, 0));
    ASSERT_GE(text1, 0);
    ASSERT_GE(outline1, 0);
    // The line entered from the right edge and has moved 200 px in.
    EXPECT_NEAR(text1, 600 - 200, 8);
    EXPECT_LE(outline1, text1);
    EXPECT_EQ(text1 - text2, 56);
}

}  // namespace
}  // namespace velumo::test
