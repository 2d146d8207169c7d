#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "base/eventlog.h"
#include "base/worker.h"
#include "devices/alsatoneplayer.h"
#include "devices/alsatonesink.h"
#include "fakes/testsupport.h"

using namespace velumo;
using velumo::test::RecordingNotifier;

namespace {

// What the fake output saw, readable after the player is gone.
struct SinkRecord {
    std::mutex mutex;
    std::vector<std::pair<int, int>> played;
    int active = 0;
    int mostActive = 0;
};

// Sleeps for the tone's length and records how many tones sounded at once.
class FakeToneSink final : public ToneSink {
public:
    FakeToneSink(std::shared_ptr<SinkRecord> record, int code = 0)
        : m_record(std::move(record)), m_code(code)
    {
    }
    Result play(int frequencyHz, int durationMs) override
    {
        {
            std::lock_guard lock(m_record->mutex);
            m_record->played.emplace_back(frequencyHz, durationMs);
            m_record->mostActive = std::max(m_record->mostActive, ++m_record->active);
        }
        if (m_code == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(durationMs));
        std::lock_guard lock(m_record->mutex);
        --m_record->active;
        return {m_code, QStringLiteral("fake output")};
    }

private:
    std::shared_ptr<SinkRecord> m_record;
    int m_code;
};

const QString kBlocked = QString::fromUtf8(AlsaTonePlayer::kBlockedMessage);

// Starts a tone and lets the event loop run until it has ended, as a caller going on after it
// would.
void beepAndWait(TonePlayer& player, int frequencyHz, int durationMs)
{
    bool ended = false;
    player.MyBEEP(frequencyHz, durationMs, [&ended] { ended = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000));
    ASSERT_TRUE(ended);
}

TEST(AlsaTonePlayerTest, WithoutSoundDeviceReportsWaitsTheLengthAndKeepsTheLoopRunning)
{
    QTemporaryDir dir;
    EventLog log(dir.filePath(QStringLiteral("velumo.log")));
    RecordingNotifier notifier;
    // A device name no machine has: the real ALSA path fails to open, as on a machine without
    // a sound card, and nothing ever sounds.
    AlsaTonePlayer player(notifier, std::make_unique<AlsaToneSink>("velumo_no_such_pcm"), &log);

    int ticks = 0;
    qsizetype messagesDuringBeep = -1;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    QTimer::singleShot(150, [&] { messagesDuringBeep = notifier.messages.size(); });

    QElapsedTimer elapsed;
    elapsed.start();
    beepAndWait(player, 300, 300);
    const qint64 ms = elapsed.elapsed();

    EXPECT_GE(ms, 295);
    EXPECT_LT(ms, 5000);
    EXPECT_GE(ticks, 3) << "timers run while the beep waits";
    EXPECT_EQ(messagesDuringBeep, 1) << "the message comes while the beep lasts, not after";
    EXPECT_EQ(notifier.messages, QStringList{kBlocked});
    const QByteArray logText = test::readAll(log.path());
    EXPECT_TRUE(logText.contains("\tsound\tsnd_pcm_open: ")) << logText.constData();
}

TEST(AlsaTonePlayerTest, ABeepStartedDuringABeepQueuesBehindIt)
{
    auto record = std::make_shared<SinkRecord>();
    RecordingNotifier notifier;
    AlsaTonePlayer player(notifier, std::make_unique<FakeToneSink>(record));

    // A dispatcher stop firing while a start beep sounds: it follows the one sounding, and
    // each caller goes on when its own tone has ended.
    bool innerReturned = false;
    bool outerEnded = false;
    bool outerEndedFirst = false;
    QTimer::singleShot(30, [&] {
        player.MyBEEP(400, 100, [&] {
            innerReturned = true;
            outerEndedFirst = outerEnded;
        });
    });
    QElapsedTimer elapsed;
    elapsed.start();
    player.MyBEEP(300, 150, [&] { outerEnded = true; });
    EXPECT_FALSE(outerEnded) << "the caller does not wait for its tone";
    EXPECT_TRUE(QTest::qWaitFor([&] { return innerReturned; }, 5000));

    EXPECT_TRUE(innerReturned) << "the queued beep ends after the one sounding";
    EXPECT_TRUE(outerEndedFirst);
    EXPECT_GE(elapsed.elapsed(), 245);
    std::lock_guard lock(record->mutex);
    EXPECT_EQ(record->mostActive, 1);
    EXPECT_EQ(record->played, (std::vector<std::pair<int, int>>{{300, 150}, {400, 100}}));
    EXPECT_TRUE(notifier.messages.isEmpty());
}

TEST(AlsaTonePlayerTest, FailingOutputStillLastsTheLength)
{
    auto record = std::make_shared<SinkRecord>();
    RecordingNotifier notifier;
    AlsaTonePlayer player(notifier, std::make_unique<FakeToneSink>(record, -16));
    QElapsedTimer elapsed;
    elapsed.start();
    beepAndWait(player, 300, 120);
    beepAndWait(player, 300, 120);
    EXPECT_GE(elapsed.elapsed(), 235);
    EXPECT_EQ(notifier.messages, (QStringList{kBlocked, kBlocked}));
}

TEST(AlsaTonePlayerTest, NoLengthSoundsNothing)
{
    auto record = std::make_shared<SinkRecord>();
    RecordingNotifier notifier;
    {
        AlsaTonePlayer player(notifier, std::make_unique<FakeToneSink>(record));
        int ended = 0;
        player.MyBEEP(300, 0, [&] { ++ended; });
        player.MyBEEP(300, -5, [&] { ++ended; });
        EXPECT_EQ(ended, 2) << "nothing to wait for: ended at once";
    }
    EXPECT_TRUE(record->played.empty());
}

// The tone as the output gets it: its frequency is what the external filter keys on.
TEST(AlsaToneSinkTest, ToneHasItsFrequencyAndStartsAndEndsSilent)
{
    struct Case {
        int frequencyHz;
        int durationMs;
    };
    for (const Case c : {Case{1000, 100}, Case{300, 200}, Case{37, 1000}, Case{15000, 50}}) {
        const qint64 frames = qint64(AlsaToneSink::kSampleRateHz) * c.durationMs / 1000;
        std::vector<qint16> tone(static_cast<size_t>(frames));
        // Filled in uneven pieces, as the output is written.
        for (qint64 first = 0; first < frames; first += 1000) {
            const qint64 count = std::min<qint64>(1000, frames - first);
            AlsaToneSink::fillTone(std::span(tone.data() + first, size_t(count)), first, frames,
                                   c.frequencyHz);
        }
        int crossings = 0;
        int peak = 0;
        for (size_t i = 1; i < tone.size(); ++i) {
            if ((tone[i - 1] < 0) != (tone[i] < 0))
                ++crossings;
            peak = std::max(peak, std::abs(int(tone[i])));
        }
        const int expected = 2 * c.frequencyHz * c.durationMs / 1000;
        EXPECT_NEAR(crossings, expected, 2) << c.frequencyHz << " Hz";
        EXPECT_GT(peak, 8000) << c.frequencyHz << " Hz";
        EXPECT_EQ(tone.front(), 0);
        EXPECT_EQ(tone.back(), 0);
    }
}

TEST(AlsaToneSinkTest, FrequenciesTheOutputCannotCarryAreSilent)
{
    for (int frequencyHz : {0, -100, AlsaToneSink::kSampleRateHz / 2, 100000}) {
        std::vector<qint16> tone(4800, 1);
        AlsaToneSink::fillTone(tone, 0, 4800, frequencyHz);
        EXPECT_TRUE(std::all_of(tone.begin(), tone.end(), [](qint16 v) { return v == 0; }))
            << frequencyHz;
    }
}

TEST(AlsaToneSinkTest, PlaysOnAnOutputWithoutHardware)
{
    // ALSA's "null" output takes the samples without a sound card (and without pacing them).
    AlsaToneSink sink("null");
    for (int frequencyHz : {300, 0})
        EXPECT_EQ(sink.play(frequencyHz, 200).code, 0)
            << sink.play(frequencyHz, 200).reason.toStdString();
    RecordingNotifier notifier;
    AlsaTonePlayer player(notifier, std::make_unique<AlsaToneSink>("null"));
    QElapsedTimer elapsed;
    elapsed.start();
    beepAndWait(player, 300, 200);
    EXPECT_GE(elapsed.elapsed(), 195) << "the beep lasts its length even on an unpaced output";
    EXPECT_TRUE(notifier.messages.isEmpty());
}

// Quitting the program during a beep: the beep still lasts its length, and a player that goes
// while tones wait drops them without calling anyone back.
TEST(AlsaTonePlayerTest, QuittingDuringABeepStillWaitsForItsEnd)
{
    auto record = std::make_shared<SinkRecord>();
    RecordingNotifier notifier;
    int droppedEnded = 0;
    {
        AlsaTonePlayer player(notifier, std::make_unique<FakeToneSink>(record));
        QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
        QElapsedTimer elapsed;
        elapsed.start();
        beepAndWait(player, 300, 200);
        EXPECT_GE(elapsed.elapsed(), 195);
        EXPECT_LT(elapsed.elapsed(), 5000);
        player.MyBEEP(300, 100, [&] { ++droppedEnded; });
        player.MyBEEP(300, 100, [&] { ++droppedEnded; });
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(droppedEnded, 0);
    std::lock_guard lock(record->mutex);
    EXPECT_LE(record->played.size(), 2u);
}

// A tone longer than the player's grace (an output that hangs in its drain) does not hold up
// the exit: the player goes within the grace and the tone's ended is never called.
TEST(AlsaTonePlayerTest, QuittingDuringALongToneIsBounded)
{
    auto record = std::make_shared<SinkRecord>();
    RecordingNotifier notifier;
    bool ended = false;
    QElapsedTimer elapsed;
    {
        AlsaTonePlayer player(notifier, std::make_unique<FakeToneSink>(record));
        player.MyBEEP(300, 8000, [&] { ended = true; });
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                std::lock_guard lock(record->mutex);
                return record->active == 1;
            },
            5000));
        elapsed.start();
    }
    EXPECT_LT(elapsed.elapsed(), Worker::kShutDownGrace.count() + 1000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ended);
}

}  // namespace
