#include <gtest/gtest.h>

#include "onair/onairnow.h"
#include "onair/onairsummary.h"

using namespace velumo;

namespace {

OnAirNow::Player entry(QChar letter, const QString& target, bool failed = false)
{
    OnAirNow::Player player;
    player.request.letter = letter;
    player.request.target = target;
    player.failed = failed;
    return player;
}

OnAirNow::Dispatcher dispatcher(bool on, const QString& current = {})
{
    OnAirNow::Dispatcher d;
    d.on = on;
    d.current = current;
    return d;
}

}  // namespace

TEST(OnAirSummary, NamesTheStripTheDispatcherLineAndWhatPlays)
{
    OnAirNow idle;
    idle.strip = OnAirNow::Strip{};
    idle.dispatcher = dispatcher(false);

    // The line started last, not the one armed next.
    OnAirNow clip;
    clip.strip = OnAirNow::Strip{true, {}, 0};
    clip.dispatcher = dispatcher(true, "09.12.26 16:31:00|s1|00|09.12.26 16:32:00");
    clip.planLine = "09.12.26 16:30:30|k1|00|09.12.26 16:30:30";
    clip.players = {entry(u'k', "/srv/clips/news.mp4")};
    OnAirNow armed;
    armed.dispatcher = dispatcher(true, "09.12.26 16:31:00|s1|00|09.12.26 16:32:00");

    OnAirNow several;
    several.strip = OnAirNow::Strip{true, {}, 0};
    several.dispatcher = dispatcher(true, "Жду обновления расписания");
    several.players = {entry(u'k', "/a/k.mp4", true), entry(u'b', "/a/b.avi"),
                       entry(u'w', "http://127.0.0.1/x"), entry(u't', "", true)};

    // A part the model does not know (no strip or dispatcher watched) is left out.
    OnAirNow unknown;
    unknown.players = {entry(u't', "Cam")};

    const struct {
        OnAirNow now;
        const char* summary;
    } cases[] = {
        {idle, "Строка: стоит; ЦУП: выкл"},
        {clip, "Строка: идёт; ЦУП: k1 с 16:30:30; клип news.mp4"},
        {armed, "ЦУП: вкл"},
        {several,
         "Строка: идёт; ЦУП: Жду обновления расписания; плеер b.avi; веб http://127.0.0.1/x; "
         "сбой kt"},
        {unknown, "захват Cam"},
        {OnAirNow{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(onAirSummary(c.now), QString::fromUtf8(c.summary)) << c.summary;
    // A long file name is cut, so the line stays one line of systemctl.
    OnAirNow longName;
    longName.players = {entry(u'k', "/x/" + QString(200, u'a') + ".mp4")};
    const QString summary = onAirSummary(longName);
    EXPECT_LT(summary.size(), 60);
    EXPECT_TRUE(summary.endsWith(u'…'));
}
