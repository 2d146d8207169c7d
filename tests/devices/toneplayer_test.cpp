#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "app/eventlog.h"
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
    player.MyBEEP(300, 300);
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

    // A dispatcher stop firing while a start beep sounds.
    bool innerReturned = false;
    QTimer::singleShot(30, [&] {
        player.MyBEEP(400, 100);
        innerReturned = true;
    });
    QElapsedTimer elapsed;
    elapsed.start();
    player.MyBEEP(300, 150);

    EXPECT_TRUE(innerReturned) << "the outer beep returns after the nested one";
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
    player.MyBEEP(300, 120);
    player.MyBEEP(300, 120);
    EXPECT_GE(elapsed.elapsed(), 235);
    EXPECT_EQ(notifier.messages, (QStringList{kBlocked, kBlocked}));
}

TEST(AlsaTonePlayerTest, NoLengthSoundsNothing)
{
    auto record = std::make_shared<SinkRecord>();
    RecordingNotifier notifier;
    {
        AlsaTonePlayer player(notifier, std::make_unique<FakeToneSink>(record));
        player.MyBEEP(300, 0);
        player.MyBEEP(300, -5);
    }
    EXPECT_TRUE(record->played.empty());
}

// Runs last in this file: it ends the event loops the way quitting the program does.
TEST(AlsaTonePlayerTest, QuittingDuringABeepStillWaitsForItsEnd)
{
    auto record = std::make_shared<SinkRecord>();
    RecordingNotifier notifier;
    AlsaTonePlayer player(notifier, std::make_unique<FakeToneSink>(record));
    QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
    QElapsedTimer elapsed;
    elapsed.start();
    player.MyBEEP(300, 200);
    EXPECT_GE(elapsed.elapsed(), 195);
    EXPECT_LT(elapsed.elapsed(), 5000);
    // Let event loops run again for the tests that follow.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

}  // namespace
