#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "base/eventlog.h"
#include "fakes/recordingplayers.h"
#include "fakes/testsupport.h"
#include "players/playerregistry.h"

using namespace velumo;
using namespace velumo::test;

namespace {

class Registry : public ::testing::Test {
protected:
    QTemporaryDir dir;
    EventLog log{dir.path() + QStringLiteral("/velumo.log")};
    RecordingPlayers players{log};
    PlayerRegistry& registry = players.registry;

    QStringList events() const { return logEvents(log.path(), QStringLiteral("player")); }
    static PlayerRequest request(char letter, const QString& slot, const QString& target)
    {
        return {QLatin1Char(letter), slot, target, QRect()};
    }
};

TEST_F(Registry, LogsRequestsAndWhatBecameOfThem)
{
    QSignalSpy asked(&registry, &PlayerRegistry::startRequested);
    registry.start(request('k', "3", "/data/three.avi"));
    emit players.clip.onScreen();
    emit players.clip.ended();
    registry.park(u'k');
    registry.start(request('w', "1", "example.org"));
    emit players.web.failed(QStringLiteral("host not found"));
    registry.stop(u'w');
    EXPECT_EQ(events(),
              (QStringList{"start k 3", "started k 3 /data/three.avi", "ended k 3 /data/three.avi",
                           "park k", "parked k 3 /data/three.avi", "start w 1",
                           "failed w 1 example.org: host not found", "stop w",
                           "stopped w 1 example.org"}));
    EXPECT_EQ(players.calls, (QStringList{"start k 3", "park k", "start w 1", "stop w"}));
    ASSERT_EQ(asked.count(), 2);
    EXPECT_EQ(asked[0][0].value<QChar>(), u'k');
    EXPECT_EQ(registry.state(u'k'), PlayerRegistry::State::Parked);
    EXPECT_EQ(registry.state(u'w'), PlayerRegistry::State::Idle);
}

TEST_F(Registry, AFailingStartIsLoggedAndGoesOnToTheHandler)
{
    players.flash.failStart = true;
    EXPECT_THROW(registry.start(request('f', "2", "/data/two.swf")), std::runtime_error);
    EXPECT_EQ(events(), (QStringList{"start f 2", "failed f 2 /data/two.swf: the player failed"}));
}

TEST_F(Registry, OnlyARunningSlideShowEndsItsEntry)
{
    QSignalSpy ended(&registry, &ContentPlayers::entryEnded);
    const std::pair<char, RecordingPlayer*> others[] = {{'k', &players.clip},
                                                        {'b', &players.external},
                                                        {'f', &players.flash},
                                                        {'w', &players.web},
                                                        {'t', &players.capture}};
    for (const auto& [letter, player] : others) {
        registry.start(request(letter, "1", ""));
        emit player->ended();
    }
    EXPECT_TRUE(ended.isEmpty());

    emit players.slideShow.ended();  // not started
    registry.start(request('p', "1", "/data/show.ppt"));
    emit players.slideShow.ended();
    ASSERT_EQ(ended.size(), 1);
    EXPECT_EQ(ended.at(0).at(0).value<QChar>(), u'p');
    registry.stop(u'p');
    emit players.slideShow.ended();
    EXPECT_EQ(ended.size(), 1);
}

TEST_F(Registry, PlaceholdersShowNothingAndLeaveTheEvents)
{
    auto placeholders = PlayerRegistry::withPlaceholders(log);
    placeholders->start(request('b', "5", "/data/five.avi"));
    placeholders->stop(u'b');
    EXPECT_EQ(events(), (QStringList{"start b 5", "stop b", "stopped b 5 /data/five.avi"}));
}

}  // namespace
