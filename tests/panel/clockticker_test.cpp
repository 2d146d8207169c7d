#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QSignalSpy>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/wincolor.h"
#include "fakes/fakedevices.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "panel/clockticker.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// A ticker at the given time of day whose Timer1 ticks once a wall-clock second.
struct ClockFixture {
    explicit ClockFixture(QTime start = QTime(12, 0, 0, 20))
        : clock(QDateTime(QDate(2010, 10, 13), start)),
          ticker(settings, clock, timers, power, notifier),
          drawn(&ticker, &ClockTicker::clockDrawn)
    {
        ticker.start();
    }
    // Advances the clock by the timer's interval and fires it, n times.
    void tick(int n = 1)
    {
        FakeTimer& timer1 = timers.timer(QStringLiteral("Timer1"));
        for (int i = 0; i < n; ++i) {
            const int fired = timer1.fireCount();
            timers.advance(timer1.interval());
            EXPECT_EQ(timer1.fireCount(), fired + 1);
        }
    }
    QString now() const { return clock.now().time().toString(u"hh:mm:ss.zzz"); }

    Settings settings;
    FakeClock clock;
    FakeTimerFactory timers{clock};
    RecordingPowerControl power;
    RecordingNotifier notifier;
    ClockTicker ticker;
    QSignalSpy drawn;
};

}  // namespace

TEST(ClockTicker, TicksFollowTheSecondsOfTheWallClock)
{
    ClockFixture f(QTime(11, 59, 58, 700));
    FakeTimer* timer1 = &f.timers.timer(QStringLiteral("Timer1"));
    EXPECT_TRUE(timer1->isActive());
    EXPECT_TRUE(timer1->precise());
    EXPECT_EQ(timer1->interval(), 320);
    f.tick();
    EXPECT_EQ(f.now(), "11:59:59.020");
    EXPECT_EQ(f.settings.text(key::SCEditn7), "11:59:59");
    // A late tick is pulled back onto the second.
    f.clock.advanceMs(1037);
    timer1->trigger();
    EXPECT_EQ(timer1->interval(), 963);
    f.tick();
    EXPECT_EQ(f.now(), "12:00:01.020");
}

TEST(ClockTicker, WritesTheTimeIntoBothTimeFields)
{
    ClockFixture f(QTime(23, 59, 59, 20));
    QSignalSpy shown(&f.ticker, &ClockTicker::timeShown);
    f.tick();
    EXPECT_EQ(f.settings.text(key::SCEditn7), "00:00:00");
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.at(0).at(0).toString(), "00:00:00");
}

TEST(ClockTicker, ShutsDownOnlyInTheMatchingSecond)
{
    struct Case {
        bool enabled;
        const char* at;
        QTime tickTo;
        int requests;
    };
    const Case cases[] = {
        {true, "02:45:00", QTime(2, 45, 0, 20), 1},
        {true, "2:45:00", QTime(2, 45, 0, 20), 0},  // textual: no leading zero never matches
        {true, "02:45:00", QTime(2, 45, 1, 20), 0},
        {false, "02:45:00", QTime(2, 45, 0, 20), 0},
    };
    for (const Case& c : cases) {
        ClockFixture f(c.tickTo.addMSecs(-1000));
        f.settings.setChecked(key::SCCheckBox14, c.enabled);
        f.settings.setText(key::SCEdit78, QString::fromLatin1(c.at));
        f.tick();
        // The panel's clock buttons run the tick again within the same second.
        f.ticker.ClockTick();
        EXPECT_EQ(f.power.requests.size(), c.requests) << c.at;
        if (c.requests) {
            EXPECT_EQ(f.power.requests.first(), "shutdown");  // ordinary, not forced
        }
    }
}

TEST(ClockTicker, RedrawsAtFiftyNineAndThenEverySixtyTicks)
{
    ClockFixture f(QTime(12, 0, 0, 20));
    f.tick(59);
    EXPECT_EQ(f.drawn.size(), 0);
    EXPECT_EQ(f.ticker.ClockRedrawCounter(), 59);
    f.tick();
    EXPECT_EQ(f.drawn.size(), 1);
    EXPECT_EQ(f.ticker.ClockRedrawCounter(), 0);
    f.tick(59);
    EXPECT_EQ(f.drawn.size(), 1);
    f.tick();
    EXPECT_EQ(f.drawn.size(), 2);
    EXPECT_EQ(f.ticker.clockString(), "   12:02");
}

TEST(ClockTicker, RequestedRedrawComesOnTheNextTickAndTheNextMinuteIsNotMissed)
{
    ClockFixture f(QTime(12, 0, 30, 20));
    f.ticker.requestRedraw();
    f.tick();
    ASSERT_EQ(f.drawn.size(), 1);
    EXPECT_EQ(f.ticker.clockString(), "   12:00");
    // Drawn at 12:00:31: the clock changes at 12:01:00, not a minute after the last redraw.
    f.tick(28);
    EXPECT_EQ(f.drawn.size(), 1);
    f.tick();
    EXPECT_EQ(f.now(), "12:01:00.020");
    EXPECT_EQ(f.drawn.size(), 2);
    EXPECT_EQ(f.ticker.clockString(), "   12:01");
}

TEST(ClockTicker, ClockStringIsTextBlankAndMinute)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", " 12:00"},
        {"  ", "   12:00"},
        {"Реклама: ", "Реклама:  12:00"},
    };
    for (const auto& [text, expected] : cases) {
        ClockFixture f(QTime(12, 0, 5, 20));
        f.ticker.setClockText(QString::fromUtf8(text));
        f.ticker.requestRedraw();
        f.tick();
        EXPECT_EQ(f.ticker.clockString(), QString::fromUtf8(expected));
    }
}

TEST(ClockTicker, WindowWidensByTheLetterStepForEveryCharacter)
{
    for (int step : {0, 2, 7, -1}) {
        ClockFixture f;
        f.settings.setSpin(key::SpinEdit14, step);
        f.ticker.setClockText(QStringLiteral("Часы"));
        f.ticker.requestRedraw();
        f.tick();
        ASSERT_EQ(f.drawn.size(), 1);
        const QString text = QStringLiteral("Часы 12:00");
        const QFontMetrics metrics(f.ticker.clockFont());
        const QSize size = f.drawn.at(0).at(1).toSize();
        EXPECT_EQ(size.width(), step * text.size() + metrics.horizontalAdvance(text) + 20) << step;
        EXPECT_EQ(size.height(), metrics.height() + 5);
        EXPECT_EQ(f.ticker.clockImage().size(), size);
        EXPECT_EQ(f.ticker.labelSize(), QSize(metrics.horizontalAdvance(text), metrics.height()));
    }
}

TEST(ClockTicker, DrawsInTheClockSizeOnTheStripColour)
{
    ClockFixture f;
    f.settings.setText(key::SCEdit80, QStringLiteral("12"));
    f.settings.setText(key::SCEdit13, QStringLiteral("84214"));
    f.ticker.requestRedraw();
    f.tick();
    EXPECT_EQ(f.ticker.clockFont().pointSize(), 12);
    const QImage& image = f.ticker.clockImage();
    // The right margin is background only.
    EXPECT_EQ(QColor(image.pixel(image.width() - 1, 1)), colorFromNumber(84214));
    // Some pixel carries the letter colour (yellow by default).
    bool lettered = false;
    for (int y = 0; y < image.height() && !lettered; ++y)
        for (int x = 0; x < image.width() && !lettered; ++x)
            lettered = QColor(image.pixel(x, y)) == colorFromNumber(65535);
    EXPECT_TRUE(lettered);
}

TEST(ClockTicker, BrokenSizeFieldIsReportedOncePerRedrawNotEverySecond)
{
    ClockFixture f;
    f.settings.setText(key::SCEdit80, QString());
    f.ticker.requestRedraw();
    f.tick(5);
    EXPECT_EQ(f.notifier.errors.size(), 1);
    EXPECT_EQ(f.drawn.size(), 0);
    // The time display goes on.
    EXPECT_EQ(f.settings.text(key::SCEditn7), "12:00:05");
}
