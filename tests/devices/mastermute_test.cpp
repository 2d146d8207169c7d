#include <gtest/gtest.h>
#include <QRegularExpression>

#include "base/failure.h"
#include "devices/alsamastermute.h"
#include "devices/broadcastmute.h"
#include "fakes/fakedevices.h"

using namespace velumo;

namespace {

TEST(AlsaMasterMuteTest, FailureTextCarriesTheAlsaCode)
{
    EXPECT_EQ(AlsaMasterMute::failureText(-2),
              QStringLiteral("SetMasterMuteValue failure, multimedia system error #-2"));
}

TEST(AlsaMasterMuteTest, MissingCardFailsWithTheMultimediaError)
{
    // A card name no machine has: the real mixer path fails, and no machine is ever muted.
    for (bool muted : {true, false}) {
        AlsaMasterMute mute("velumo_no_such_card");
        try {
            mute.SetMasterMuteValue(muted);
            FAIL() << "a missing card was muted";
        } catch (const Failure& failure) {
            static const QRegularExpression pattern(
                QStringLiteral("^SetMasterMuteValue failure, multimedia system error #-\\d+$"));
            EXPECT_TRUE(pattern.match(failure.text()).hasMatch()) << failure.text().toStdString();
        }
    }
}

class FailingMasterMute final : public MasterMute {
public:
    void SetMasterMuteValue(bool) override { throw Failure(AlsaMasterMute::failureText(-2)); }
};

TEST(BroadcastMuteTest, SoundTestsSetTheFlagAndSwitchTheOutput)
{
    test::RecordingMasterMute mixer;
    BroadcastMute broadcast(mixer);
    EXPECT_FALSE(broadcast.BroadcastMuted());
    broadcast.SCButton84Click();
    EXPECT_TRUE(broadcast.BroadcastMuted());
    broadcast.SCButton84Click();
    broadcast.SCButton51Click();
    EXPECT_FALSE(broadcast.BroadcastMuted());
    EXPECT_EQ(mixer.calls, (std::vector<bool>{true, true, false}));
}

TEST(BroadcastMuteTest, FlagChangesBeforeTheMixerFails)
{
    FailingMasterMute mixer;
    BroadcastMute broadcast(mixer);
    EXPECT_THROW(broadcast.SCButton84Click(), Failure);
    EXPECT_TRUE(broadcast.BroadcastMuted());
    EXPECT_THROW(broadcast.SCButton51Click(), Failure);
    EXPECT_FALSE(broadcast.BroadcastMuted());
}

}  // namespace
