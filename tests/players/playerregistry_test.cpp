#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QRegularExpression>
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
    QStringList e = events();
    ASSERT_EQ(e.size(), 8);
    // The end event carries the time on screen; a failed entry ends with its failure.
    EXPECT_TRUE(QRegularExpression("^parked k 3 /data/three.avi \\(on screen \\d+\\.\\d s\\)$")
                    .match(e[4])
                    .hasMatch())
        << e[4].toStdString();
    e[4] = "parked k 3 /data/three.avi";
    EXPECT_EQ(e, (QStringList{"start k 3", "started k 3 /data/three.avi",
                              "ended k 3 /data/three.avi", "park k", "parked k 3 /data/three.avi",
                              "start w 1", "failed w 1 example.org: host not found", "stop w"}));
    EXPECT_EQ(players.calls, (QStringList{"start k 3", "park k", "start w 1", "stop w"}));
    ASSERT_EQ(asked.count(), 2);
    EXPECT_EQ(asked[0][0].value<QChar>(), u'k');
    EXPECT_EQ(registry.state(u'k'), PlayerRegistry::State::Parked);
    EXPECT_EQ(registry.state(u'w'), PlayerRegistry::State::Idle);
}

TEST_F(Registry, FailedContentLeavesTheScreenOnceAndStaysOffForItsEntry)
{
    QSignalSpy reported(&registry, &PlayerRegistry::contentFailed);
    registry.start(request('k', "1", "/data/gone.mpg"));
    emit players.clip.failed(QStringLiteral("the file does not exist"));
    emit players.clip.failed(QStringLiteral("the file does not exist"));  // a retry
    EXPECT_TRUE(registry.failed(u'k'));
    ASSERT_EQ(reported.size(), 1);
    EXPECT_EQ(reported[0][1].toString(), "the file does not exist");
    // Taken off when the event loop is back, not inside the player's report.
    EXPECT_EQ(players.calls, QStringList{"start k 1"});
    QCoreApplication::processEvents();
    EXPECT_EQ(players.calls, (QStringList{"start k 1", "stop k"}));

    // The entry's stop: no "stopped" for content that never played.
    registry.stop(u'k');
    EXPECT_FALSE(registry.failed(u'k'));
    EXPECT_EQ(
        events(),
        (QStringList{"start k 1", "failed k 1 /data/gone.mpg: the file does not exist", "stop k"}));

    // A page refreshed after its line ended fails unheard.
    registry.start(request('w', "2", "127.0.0.1:9"));
    registry.stop(u'w');
    emit players.web.failed(QStringLiteral("net::ERR_CONNECTION_REFUSED"));
    QCoreApplication::processEvents();
    EXPECT_EQ(reported.size(), 1);
    EXPECT_EQ(events().filter("failed w").size(), 0);
    EXPECT_EQ(events().last(), "stopped w 2 127.0.0.1:9");

    // A stale take-off of an earlier entry does not touch the next one.
    registry.start(request('k', "2", "/data/two.mpg"));
    emit players.clip.failed(QStringLiteral("stalled"));
    registry.stop(u'k');
    registry.start(request('k', "3", "/data/three.mpg"));
    players.calls.clear();
    QCoreApplication::processEvents();
    EXPECT_TRUE(players.calls.isEmpty());
    EXPECT_EQ(registry.state(u'k'), PlayerRegistry::State::Running);
}

// A page whose server answers again comes back while its line runs, as content on the screen
// from then on; after its line, or for an entry that never failed, a recovery changes nothing.
TEST_F(Registry, FailedContentThatLoadsAgainComesBackWhileItsEntryRuns)
{
    QSignalSpy onScreen(&registry, &ContentPlayers::contentOnScreen);
    registry.start(request('w', "2", "127.0.0.1:8/news"));
    emit players.web.failed(QStringLiteral("HTTP 500"));
    QCoreApplication::processEvents();
    emit players.web.recovered();
    EXPECT_FALSE(registry.failed(u'w'));
    EXPECT_EQ(registry.runningRequests().size(), 1);
    EXPECT_EQ(players.calls, (QStringList{"start w 2", "stop w", "show again w"}));
    ASSERT_EQ(onScreen.size(), 1);
    // Failing again is news again, and its stop ends it with that failure.
    emit players.web.failed(QStringLiteral("HTTP 502"));
    registry.stop(u'w');
    emit players.web.recovered();
    registry.start(request('w', "3", "127.0.0.1:8/other"));
    emit players.web.recovered();
    EXPECT_EQ(events(),
              (QStringList{"start w 2", "failed w 2 127.0.0.1:8/news: HTTP 500",
                           "recovered w 2 127.0.0.1:8/news", "started w 2 127.0.0.1:8/news",
                           "failed w 2 127.0.0.1:8/news: HTTP 502", "stop w", "start w 3"}));
    EXPECT_EQ(players.calls.count(QStringLiteral("show again w")), 1);
}

TEST_F(Registry, AFailingStartIsLoggedAndGoesOnToTheHandler)
{
    players.flash.failStart = true;
    EXPECT_THROW(registry.start(request('f', "2", "/data/two.swf")), std::runtime_error);
    EXPECT_EQ(events(), (QStringList{"start f 2", "failed f 2 /data/two.swf: the player failed"}));
    // What the failed start may have put up is taken off once the event loop is back.
    QCoreApplication::processEvents();
    EXPECT_EQ(players.calls, (QStringList{"start f 2", "stop f"}));
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

// What a restart would bring back: the requests whose content runs now, whole (rectangle and
// screen too), announced at every start, stop and park; parked, stopped and failed content is
// not running.
TEST_F(Registry, KnowsTheRunningRequestsAndSaysWhenTheyChange)
{
    QSignalSpy changed(&registry, &PlayerRegistry::stateChanged);
    PlayerRequest clip = request('k', "3", "/data/three.avi");
    clip.rect = QRect(1, 2, 300, 200);
    PlayerRequest slides = request('p', "1", "/data/show.pptx");
    slides.screen = 1;
    registry.start(clip);
    registry.start(slides);
    registry.start(request('w', "2", "example.org"));
    QList<PlayerRequest> running = registry.runningRequests();
    ASSERT_EQ(running.size(), 3);
    EXPECT_EQ(running[0].letter, u'k');
    EXPECT_EQ(running[0].rect, QRect(1, 2, 300, 200));
    EXPECT_EQ(running[1].screen, 1);

    registry.park(u'k');
    emit players.web.failed(QStringLiteral("host not found"));
    running = registry.runningRequests();
    ASSERT_EQ(running.size(), 1);
    EXPECT_EQ(running[0].target, "/data/show.pptx");
    registry.stop(u'p');
    EXPECT_TRUE(registry.runningRequests().isEmpty());
    ASSERT_EQ(changed.size(), 5);
    EXPECT_EQ(changed[3][0].value<QChar>(), u'k');
    EXPECT_EQ(changed[4][0].value<QChar>(), u'p');
}
