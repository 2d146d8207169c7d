#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "base/eventlog.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "onair/onairstate.h"
#include "onair/onairstatefile.h"

using namespace velumo;

namespace {

OnAirState sample()
{
    OnAirState state;
    state.tickerRunning = true;
    state.blockFile = QStringLiteral("/станция/новости.str");
    state.nextLine = 7;
    state.dispatcherOn = true;
    state.planFile = QStringLiteral("/станция/план.pln");
    PlayerRequest clip;
    clip.letter = u'k';
    clip.slot = QStringLiteral("3");
    clip.target = QStringLiteral("/станция/клип.mp4");
    clip.rect = QRect(10, 20, 640, 360);
    PlayerRequest slides;
    slides.letter = u'p';
    slides.slot = QStringLiteral("1");
    slides.target = QStringLiteral("/станция/show.pptx");
    slides.screen = 1;
    state.players = {clip, slides};
    return state;
}

}  // namespace

// What a restart reads back is what was written, down to the players' rectangles; the external
// player's null rectangle stays null.
TEST(OnAirState, RoundTripsEveryPart)
{
    const OnAirState state = sample();
    const std::optional<OnAirState> back = OnAirState::fromJson(state.toJson());
    ASSERT_TRUE(back);
    EXPECT_TRUE(*back == state);
    EXPECT_EQ(back->players[0].rect, QRect(10, 20, 640, 360));
    EXPECT_EQ(back->players[1].screen, 1);

    OnAirState external;
    PlayerRequest request;
    request.letter = u'b';
    request.target = QStringLiteral("a.avi");
    external.players = {request};
    const std::optional<OnAirState> externalBack = OnAirState::fromJson(external.toJson());
    ASSERT_TRUE(externalBack);
    EXPECT_TRUE(externalBack->players[0].rect.isNull());
    EXPECT_TRUE(externalBack->onAir());
    EXPECT_FALSE(OnAirState().onAir());
}

// A file cut short by the crash it should survive, another program's JSON or a later format is
// no state: the program then starts as it always did.
TEST(OnAirState, RefusesWhatIsNoStateOfOurs)
{
    const QByteArray whole = sample().toJson();
    for (const QByteArray& bytes :
         {whole.left(whole.size() / 2), QByteArray(), QByteArray("[]"), QByteArray("{}"),
          QByteArray(R"({"format": 2, "ticker": {"running": true}})")})
        EXPECT_FALSE(OnAirState::fromJson(bytes)) << bytes.constData();
    // A player of a letter no player has is dropped, the rest stays.
    QByteArray odd = whole;
    odd.replace("\"letter\": \"p\"", "\"letter\": \"z\"");
    const std::optional<OnAirState> back = OnAirState::fromJson(odd);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->players.size(), 1);
    EXPECT_EQ(back->players[0].letter, u'k');
}

class OnAirStateFileTest : public ::testing::Test {
protected:
    QByteArray contents() const { return test::readAll(m_dir.filePath("velumo.state")); }
    // The worker's write has landed.
    bool written(const OnAirState& state)
    {
        return test::waitFor([&] { return contents() == state.toJson(); }, 5000);
    }

    QTemporaryDir m_dir;
    EventLog m_log{m_dir.filePath("velumo.log")};
    test::FakeTimerFactory m_timers;
};

// The strip's start and stop, the players and the dispatcher are written at once; a change of
// announcement alone at most once a second, and then the newest one: the file is never more than
// a second behind the strip, and a strip of short announcements does not write all the time.
TEST_F(OnAirStateFileTest, WritesChangesAtOnceAndAnnouncementsAtMostOnceASecond)
{
    OnAirStateFile file(m_dir.path(), m_timers.clock(), m_timers, m_log);
    OnAirState state = sample();
    file.record(state);
    ASSERT_TRUE(written(state));
    EXPECT_EQ(file.writes(), 1);

    // Three announcements within the second: nothing now, the last one when the second is up.
    for (int line = 8; line <= 10; ++line) {
        state.nextLine = line;
        file.record(state, true);
    }
    EXPECT_EQ(file.writes(), 1);
    test::FakeTimer& delay = m_timers.timer(QStringLiteral("OnAirStateWrite"));
    ASSERT_TRUE(delay.isActive());
    EXPECT_LE(delay.interval(), OnAirStateFile::kAnnouncementGapMs);
    delay.trigger();
    ASSERT_TRUE(written(state));
    EXPECT_EQ(file.writes(), 2);
    EXPECT_FALSE(delay.isActive());

    // The strip stops right after an announcement: written at once, the waiting one with it.
    state.nextLine = 11;
    file.record(state, true);
    state.tickerRunning = false;
    file.record(state);
    ASSERT_TRUE(written(state));
    EXPECT_EQ(file.writes(), 3);
    EXPECT_FALSE(delay.isActive());

    // The same state again is no write.
    file.record(state);
    EXPECT_EQ(file.writes(), 3);
}

// Only an unclean end leaves the file: the normal exit removes it and records nothing after,
// so the next start does what it always did.
TEST_F(OnAirStateFileTest, TheNormalExitLeavesNothingBehind)
{
    {
        OnAirStateFile file(m_dir.path(), m_timers.clock(), m_timers, m_log);
        EXPECT_FALSE(file.leftover());
        file.record(sample());
        ASSERT_TRUE(written(sample()));
    }
    // The run "crashed": the next one finds what it had on air.
    OnAirStateFile next(m_dir.path(), m_timers.clock(), m_timers, m_log);
    const std::optional<OnAirState> leftover = next.leftover();
    ASSERT_TRUE(leftover);
    EXPECT_TRUE(*leftover == sample());

    next.finish();
    EXPECT_FALSE(QFile::exists(next.path()));
    next.record(sample());
    EXPECT_EQ(next.writes(), 0);
    EXPECT_FALSE(QFile::exists(next.path()));
    EXPECT_FALSE(OnAirStateFile(m_dir.path(), m_timers.clock(), m_timers, m_log).leftover());
}

// A folder that cannot be written costs only the resume: said once in velumo.log, not at every
// announcement.
TEST_F(OnAirStateFileTest, AFolderThatCannotBeWrittenIsSaidOnce)
{
    const QString gone = m_dir.filePath("gone");
    OnAirStateFile file(gone, m_timers.clock(), m_timers, m_log);
    OnAirState state = sample();
    for (int line = 0; line < 3; ++line) {
        state.nextLine = line;
        file.record(state);
    }
    ASSERT_TRUE(test::waitFor(
        [&] { return test::logEvents(m_log.path(), QStringLiteral("error")).size() == 1; }, 5000));
    QThread::msleep(200);
    QCoreApplication::processEvents();
    EXPECT_EQ(test::logEvents(m_log.path(), QStringLiteral("error")).size(), 1);
}
