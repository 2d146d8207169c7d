#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "ticker/playbacklog.h"

namespace velumo::test {
namespace {

class PlaybackLogTest : public ::testing::Test {
protected:
    PlaybackLogTest()
    {
        settings.setText(key::SCEdit103, dir.path());
        settings.setChecked(key::SCCheckbox22, true);
        log.applyTimer();
    }
    QString fileAt(const char* minute) { return dir.filePath(QString::fromLatin1(minute)); }

    QTemporaryDir dir;
    Settings settings;
    FakeClock clock{QDateTime(QDate(2009, 12, 31), QTime(17, 5, 9))};
    FakeTimerFactory timers{clock};
    RecordingNotifier notifier;
    PlaybackLog log{settings, clock, timers, notifier};
};

TEST_F(PlaybackLogTest, WriterRunsEveryPeriodIntoAFileNamedByItsMinute)
{
    settings.setSpin(key::SpinEdit43, 5);
    log.AppendLogRecord(0, "1", "0", "Первое ");
    log.AppendLogRecord(0, "2", "5", "Второе ");
    timers.advance(5 * 60000 - 1);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    timers.advance(1);
    const QString first = fileAt("200912311710.csv");
    ASSERT_TRUE(QFile::exists(first));
    EXPECT_EQ(readAll(first), cp1251("0 повтор ;20091231_17_05_09;1;0;Первое \r\n"
                                     "0 повтор ;20091231_17_05_09;2;5;Второе \r\n"));
    EXPECT_EQ(settings.text(key::SCEdit88), first);
    EXPECT_TRUE(log.records().isEmpty());
    // The next file holds exactly the records since the previous one.
    log.AppendLogRecord(1, "1", "0", "Третье ");
    timers.advance(5 * 60000);
    EXPECT_EQ(readAll(fileAt("200912311715.csv")),
              cp1251("1 повтор ;20091231_17_10_09;1;0;Третье \r\n"));
}

TEST_F(PlaybackLogTest, PeriodFollowsTheSettingAndTheBoxStopsTheWriter)
{
    settings.setSpin(key::SpinEdit43, 7);
    EXPECT_EQ(log.timer7().interval(), 7 * 60000);
    EXPECT_TRUE(log.timer7().isActive());
    settings.setChecked(key::SCCheckbox22, false);
    EXPECT_FALSE(log.timer7().isActive());
    log.AppendLogRecord(0, "1", "0", "А ");
    timers.advance(60 * 60000);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(log.records().size(), 1);
}

TEST_F(PlaybackLogTest, SecondTickInTheSameMinuteKeepsTheRecords)
{
    log.AppendLogRecord(0, "1", "0", "А ");
    log.Timer7Timer();
    log.AppendLogRecord(0, "2", "0", "Б ");
    log.Timer7Timer();
    EXPECT_EQ(log.records().size(), 1);
}

TEST_F(PlaybackLogTest, PendingRecordsAreAppendedToThisMinutesFileAtExit)
{
    log.AppendLogRecord(0, "1", "0", "А ");
    log.Timer7Timer();
    log.AppendLogRecord(0, "2", "0", "Б ");
    log.writePending();
    EXPECT_TRUE(log.records().isEmpty());
    EXPECT_EQ(
        readAll(fileAt("200912311705.csv")),
        cp1251("0 повтор ;20091231_17_05_09;1;0;А \r\n0 повтор ;20091231_17_05_09;2;0;Б \r\n"));
    // Nothing pending: no file is touched.
    clock.advanceMs(60000);
    log.writePending();
    EXPECT_FALSE(QFile::exists(fileAt("200912311706.csv")));
}

TEST_F(PlaybackLogTest, FailedWriteKeepsTheRecords)
{
    settings.setText(key::SCEdit103, dir.filePath("missing/folder"));
    log.AppendLogRecord(0, "1", "0", "А ");
    EXPECT_THROW(log.Timer7Timer(), Failure);
    EXPECT_EQ(log.records().size(), 1);
    // Through the timer the failure is reported and the records wait for a later tick.
    timers.advance(5 * 60000);
    EXPECT_EQ(notifier.errors.size(), 1);
    settings.setText(key::SCEdit103, dir.path());
    timers.advance(5 * 60000);
    EXPECT_TRUE(log.records().isEmpty());
}

TEST_F(PlaybackLogTest, UnwrittenListKeepsOnlyTheNewestRecords)
{
    settings.setChecked(key::SCCheckbox22, false);
    for (int i = 0; i < PlaybackLog::kMaxUnwrittenRecords + 5; ++i)
        log.AppendLogRecord(0, QString::number(i), "0", "x");
    EXPECT_EQ(log.records().size(), PlaybackLog::kMaxUnwrittenRecords);
    EXPECT_TRUE(log.records().first().contains(";5;0;x"));
    EXPECT_TRUE(log.records().last().contains(
        QStringLiteral(";%1;0;x").arg(PlaybackLog::kMaxUnwrittenRecords + 4)));
}

}  // namespace
}  // namespace velumo::test
