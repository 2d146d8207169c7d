#include <gtest/gtest.h>

#include <QStringList>

#include "system/screeninhibitor.h"
#include "system/xsetscreenhold.h"

using namespace velumo;

namespace {

// Records what it was asked; answers the probe when the test says so, a hold and a release at
// once.
class RecordingHold final : public ScreenHold {
public:
    RecordingHold(QString kind, QStringList& calls) : m_kind(std::move(kind)), m_calls(calls) {}
    QString kind() const override { return m_kind; }
    void probe(std::function<void(bool)> answer) override
    {
        m_calls.append(m_kind + QStringLiteral(" probe"));
        m_answer = std::move(answer);
    }
    void hold(Answer answer) override
    {
        m_calls.append(m_kind + QStringLiteral(" hold"));
        answer({});
    }
    void release(Answer answer) override
    {
        m_calls.append(m_kind + QStringLiteral(" release"));
        answer({});
    }
    QString releaseNow() override
    {
        m_calls.append(m_kind + QStringLiteral(" releaseNow"));
        return {};
    }
    void answer(bool offered) { m_answer(offered); }

private:
    QString m_kind;
    QStringList& m_calls;
    std::function<void(bool)> m_answer;
};

struct Rig {
    QStringList calls;
    RecordingHold* dbus = nullptr;
    RecordingHold* x11 = nullptr;
    std::unique_ptr<ScreenInhibitor> inhibitor;

    Rig()
    {
        auto first = std::make_unique<RecordingHold>(QStringLiteral("dbus"), calls);
        auto second = std::make_unique<RecordingHold>(QStringLiteral("x11"), calls);
        dbus = first.get();
        x11 = second.get();
        std::vector<std::unique_ptr<ScreenHold>> ways;
        ways.push_back(std::move(first));
        ways.push_back(std::move(second));
        inhibitor = std::make_unique<ScreenInhibitor>(std::move(ways));
    }
};

}  // namespace

// The bus is asked first; without its service the X server's own settings are used. Going on air
// while the ways are still being asked holds the screen as soon as one answers; a hold is
// released off air and at exit, and only once.
TEST(ScreenInhibitor, HoldsWithTheFirstWayOfferedWhileOnAir)
{
    Rig rig;
    EXPECT_EQ(rig.calls, QStringList{"dbus probe"});
    EXPECT_EQ(rig.inhibitor->way(), QString());
    rig.inhibitor->setOnAir(true);
    EXPECT_FALSE(rig.inhibitor->held());
    rig.dbus->answer(false);
    EXPECT_EQ(rig.calls.last(), "x11 probe");
    rig.x11->answer(true);
    EXPECT_EQ(rig.inhibitor->way(), "x11");
    EXPECT_TRUE(rig.inhibitor->held());
    EXPECT_EQ(rig.calls.last(), "x11 hold");

    rig.inhibitor->setOnAir(true);  // still on air: no second hold
    rig.inhibitor->setOnAir(false);
    rig.inhibitor->setOnAir(true);
    rig.inhibitor->releaseAtExit();
    rig.inhibitor->releaseAtExit();
    rig.inhibitor.reset();
    EXPECT_EQ(rig.calls, (QStringList{"dbus probe", "x11 probe", "x11 hold", "x11 release",
                                      "x11 hold", "x11 releaseNow"}));
}

TEST(ScreenInhibitor, WithNoWayOfferedNothingIsHeld)
{
    Rig rig;
    rig.dbus->answer(false);
    rig.x11->answer(false);
    rig.inhibitor->setOnAir(true);
    EXPECT_EQ(rig.inhibitor->way(), "none");
    EXPECT_FALSE(rig.inhibitor->held());
    EXPECT_EQ(rig.inhibitor->status()["inhibit"].toString(), "none");
    EXPECT_FALSE(rig.inhibitor->status()["held"].toBool());
    EXPECT_EQ(rig.calls, (QStringList{"dbus probe", "x11 probe"}));
}

// What "xset q" says, and the commands that put it back exactly: a server without DPMS gets
// no DPMS command, a disabled DPMS stays disabled.
TEST(XsetScreenHold, ReadsAndRestoresTheServersSettings)
{
    const QString withDpms = QStringLiteral(
        "Keyboard Control:\n  auto repeat:  on    key click percent:  0\n"
        "Screen Saver:\n  prefer blanking:  yes    allow exposures:  yes\n"
        "  timeout:  600    cycle:  120\n"
        "Colors:\n  default colormap:  0x20    BlackPixel:  0x0    WhitePixel:  0xffffff\n"
        "DPMS (Energy Star):\n  Standby: 300    Suspend: 400    Off: 500\n"
        "  DPMS is Enabled\n  Monitor is On\n");
    const std::optional<XsetScreenHold::Settings> settings = XsetScreenHold::parse(withDpms);
    ASSERT_TRUE(settings);
    EXPECT_EQ(XsetScreenHold::restoreArguments(*settings),
              (QList<QStringList>{{"s", "600", "120"}, {"dpms", "300", "400", "500"}, {"+dpms"}}));

    QString disabled = withDpms;
    disabled.replace("DPMS is Enabled", "DPMS is Disabled");
    EXPECT_EQ(XsetScreenHold::restoreArguments(*XsetScreenHold::parse(disabled)).last(),
              QStringList{"-dpms"});

    const QString noDpms = QStringLiteral(
        "Screen Saver:\n  prefer blanking:  yes    allow exposures:  yes\n"
        "  timeout:  0    cycle:  600\nDPMS (Energy Star):\n"
        "  Server does not have the DPMS Extension\n");
    EXPECT_EQ(XsetScreenHold::restoreArguments(*XsetScreenHold::parse(noDpms)),
              (QList<QStringList>{{"s", "0", "600"}}));
    EXPECT_FALSE(XsetScreenHold::parse(QStringLiteral("xset:  unable to open display \":9\"")));
}
