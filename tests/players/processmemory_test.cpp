#include <gtest/gtest.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <memory>

#include "players/web/processmemory.h"

namespace velumo {
namespace {

// The lines as Linux 6 writes them, neighbours with the same beginning included.
const QByteArray kStatus =
    "Name:\tQtWebEngineProc\n"
    "VmPeak:\t 1052424 kB\n"
    "VmHWM:\t  201640 kB\n"
    "VmRSS:\t  187216 kB\n"
    "RssAnon:\t   90112 kB\n"
    "RssFile:\t   97104 kB\n"
    "Threads:\t18\n";
const QByteArray kRollup =
    "55d0c2a4e000-7ffd4a1f9000 ---p 00000000 00:00 0  [rollup]\n"
    "Rss:              187216 kB\n"
    "Pss:               98765 kB\n"
    "Pss_Anon:          86000 kB\n"
    "Pss_File:          12765 kB\n";

TEST(ProcessMemory, FieldsAreFoundByTheirWholeName)
{
    EXPECT_EQ(procFieldKb(kStatus, "VmRSS"), 187216);
    EXPECT_EQ(procFieldKb(kStatus, "RssAnon"), 90112);
    EXPECT_EQ(procFieldKb(kRollup, "Rss"), 187216);
    EXPECT_EQ(procFieldKb(kRollup, "Pss"), 98765);
    EXPECT_EQ(procFieldKb(kRollup, "Pss_File"), 12765);
    // A name that is only the beginning of others, a count without a unit, no such line, a
    // last line without its end, a text cut short.
    EXPECT_EQ(procFieldKb(kStatus, "Vm"), -1);
    EXPECT_EQ(procFieldKb(kStatus, "Threads"), -1);
    EXPECT_EQ(procFieldKb(kStatus, "VmSwap"), -1);
    EXPECT_EQ(procFieldKb("VmRSS:\t  42 kB", "VmRSS"), 42);
    EXPECT_EQ(procFieldKb("VmRSS:\t  4", "VmRSS"), -1);
    EXPECT_EQ(procFieldKb("VmRSS:\t  -4 kB\n", "VmRSS"), -1);
    EXPECT_EQ(procFieldKb(QByteArray(), "VmRSS"), -1);
}

TEST(ProcessMemory, ALiveProcessShowsWhatItTouchesAndAGoneOneNothing)
{
    const qint64 self = QCoreApplication::applicationPid();
    const qint64 before = processResidentKb(self);
    ASSERT_GT(before, 0);
    EXPECT_GT(processProportionalKb(self), 0);
    constexpr size_t kBytes = 64u << 20;
    auto block = std::make_unique<char[]>(kBytes);
    for (size_t i = 0; i < kBytes; i += 4096)
        block[i] = char(i >> 12);
    const qint64 touched = processResidentKb(self);
    EXPECT_GE(touched - before, 60 * 1024) << before << " " << touched;
    EXPECT_EQ(block[8192], char(2));
    block.reset();

    // No process has a number above the kernel's largest.
    QFile maximum(QStringLiteral("/proc/sys/kernel/pid_max"));
    ASSERT_TRUE(maximum.open(QIODevice::ReadOnly));
    const qint64 beyond = maximum.readAll().trimmed().toLongLong() + 1;
    EXPECT_EQ(processResidentKb(beyond), -1);
    EXPECT_EQ(processProportionalKb(beyond), -1);
    EXPECT_EQ(processResidentKb(0), -1);
}

}  // namespace
}  // namespace velumo
