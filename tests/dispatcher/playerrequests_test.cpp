// The one place that turns a schedule line and the settings into a player's request.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/playerrequests.h"
#include "fakes/testsupport.h"

using namespace velumo;
using namespace velumo::test;

namespace {

QString line(const QString& code, const QString& mode = QStringLiteral("0"))
{
    return QStringLiteral("13.10.10 12:10:30|%1|%20|13.10.10 12:11:30").arg(code, mode);
}

// Every kind's file, rectangle and screen, with the settings as installed and with settings
// of its own: each kind reads its own fields and no other's.
TEST(PlayerRequests, EveryKindGetsItsFileRectangleAndScreen)
{
    struct Case {
        const char* what;
        const char* code;
        bool ownSettings;
        const char* target;
        QRect rect;
        int screen = -1;
    };
    const Case cases[] = {
        // As installed: every window at 0,0 300x400 but the web window.
        {"clip", "k3", false, "/data/three.avi", QRect(0, 0, 300, 400)},
        {"external", "b3", false, "/data/three.avi", QRect()},
        {"slide show, empty slot", "p4", false, "4", QRect(0, 0, 300, 400)},
        {"flash", "f0", false, "/data/zero.swf", QRect(0, 0, 300, 400)},
        {"web", "w6", false, "example.org/six", QRect(600, 0, 800, 600)},
        {"capture", "t1", false, "", QRect(0, 0, 300, 400)},
        {"no digit", "kx", false, "", QRect(0, 0, 300, 400)},
        // Each kind with fields of its own: left, top, width, height in the spinners' order.
        {"clip", "k3", true, "/data/three.avi", QRect(11, 22, 320, 240)},
        {"external", "b3", true, "/data/three.avi", QRect()},
        {"slide show, direct", "p3", true, "/data/three.avi", QRect(31, 32, 330, 340), 1},
        {"flash", "f3", true, "/data/three.avi", QRect(41, 42, 440, 450)},
        {"web", "w6", true, "example.org/six", QRect(51, 52, 550, 560)},
        {"capture", "t1", true, "", QRect(61, 62, 660, 670)},
    };
    for (const Case& c : cases) {
        Settings settings;
        RecordingNotifier notifier;
        settings.setText(key::SCEdit51, QStringLiteral("/data/three.avi"));
        settings.setText(key::SCEdit58, QStringLiteral("/data/zero.swf"));
        settings.setText(key::SCEdit1w6, QStringLiteral("example.org/six"));
        if (c.ownSettings) {
            const std::pair<const char*, int> fields[] = {
                {key::SpinEdit19, 11},  {key::SpinEdit21, 22},  {key::SpinEdit20, 320},
                {key::SpinEdit22, 240}, {key::SpinEdit26, 31},  {key::SpinEdit28, 32},
                {key::SpinEdit27, 330}, {key::SpinEdit29, 340}, {key::SpinEdit45, 41},
                {key::SpinEdit47, 42},  {key::SpinEdit46, 440}, {key::SpinEdit48, 450},
                {key::SpinEdit53, 61},  {key::SpinEdit55, 62},  {key::SpinEdit54, 660},
                {key::SpinEdit56, 670}};
            for (const auto& [field, value] : fields)
                settings.setSpin(field, value);
            settings.setText(key::SCEdit39, QStringLiteral("51"));
            settings.setText(key::SCEdit38, QStringLiteral("52"));
            settings.setText(key::SCEdit44, QStringLiteral("550"));
            settings.setText(key::SCEdit46, QStringLiteral("560"));
            settings.setChecked(key::SCCheckbox27, true);
        }
        const PlayerRequest request = playerrequests::resolve(
            settings, notifier, QLatin1Char(c.code[0]), line(QString::fromLatin1(c.code)));
        const std::string what = std::string(c.what) + " " + c.code;
        EXPECT_EQ(request.letter, QLatin1Char(c.code[0])) << what;
        EXPECT_EQ(request.slot, QString(QLatin1Char(c.code[1]))) << what;
        EXPECT_EQ(request.target, QString::fromUtf8(c.target)) << what;
        EXPECT_EQ(request.rect, c.rect) << what;
        EXPECT_EQ(request.screen, c.screen) << what;
        EXPECT_TRUE(notifier.messages.isEmpty()) << what;
    }
}

TEST(PlayerRequests, SlotsThatNameNothingOrFailTheirWay)
{
    Settings settings;
    RecordingNotifier notifier;
    settings.setText(key::SCEdit58, QStringLiteral("/data/zero.swf"));

    // A Flash slot is trimmed; a blank names nothing.
    const PlayerRequest flash = playerrequests::resolve(settings, notifier, u'f', line("f "));
    EXPECT_EQ(flash.letter, u'f');
    EXPECT_EQ(flash.slot, "");
    EXPECT_EQ(flash.target, "");

    // A slide-show slot that is no number is reported and taken as slot 0.
    const PlayerRequest show = playerrequests::resolve(settings, notifier, u'p', line("px"));
    EXPECT_EQ(show.target, "/data/zero.swf");
    EXPECT_EQ(notifier.messages, QStringList{"Некорректно задан номер файла x"});

    // A web geometry text that is no integer fails the request.
    settings.setText(key::SCEdit38, QStringLiteral("top"));
    EXPECT_THROW(playerrequests::resolve(settings, notifier, u'w', line("w1")), Failure);

    // Direct output is a slide show's only: the other kinds keep their rectangles.
    settings.setChecked(key::SCCheckbox27, true);
    EXPECT_EQ(playerrequests::resolve(settings, notifier, u'k', line("k1")).screen, -1);
    EXPECT_EQ(playerrequests::resolve(settings, notifier, u'p', line("p1")).screen, 1);
}

// StartAvi of the chosen player takes the slot after that letter's first place in the line.
TEST(PlayerRequests, StartAviTakesTheChosenPlayersSlot)
{
    Settings settings;
    RecordingNotifier notifier;
    settings.setText(key::SCEdit51, QStringLiteral("/data/three.avi"));
    settings.setSpin(key::SpinEdit19, 7);
    const PlayerRequest clip =
        playerrequests::resolveAvi(settings, notifier, u'k', line("k3", "z"));
    EXPECT_EQ(clip.slot, "3");
    EXPECT_EQ(clip.target, "/data/three.avi");
    EXPECT_EQ(clip.rect, QRect(7, 0, 300, 400));
    // The external player on a line of another kind: the line's slot digit.
    const PlayerRequest external = playerrequests::resolveAvi(settings, notifier, u'b', line("s3"));
    EXPECT_EQ(external.letter, u'b');
    EXPECT_EQ(external.slot, "3");
    EXPECT_EQ(external.target, "/data/three.avi");
    EXPECT_TRUE(external.rect.isNull());
    // The clip page's choice names the player: the first the internal window, any other mpv.
    EXPECT_EQ(playerrequests::clipPlayerLetter(0), u'k');
    EXPECT_EQ(playerrequests::clipPlayerLetter(1), u'b');
    EXPECT_EQ(playerrequests::clipPlayerLetter(2), u'b');
}

}  // namespace
