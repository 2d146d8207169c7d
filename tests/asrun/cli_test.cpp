#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "asrun/journalrig.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// The program's journal modes with no display at all: neither DISPLAY nor a platform plugin.
int runWithoutDisplay(const QStringList& arguments, QByteArray* out, QByteArray* err = nullptr)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(programPath(), arguments);
    if (!process.waitForFinished(15000))
        return -1;
    *out = process.readAllStandardOutput();
    const QByteArray errors = process.readAllStandardError();
    if (err)
        *err = errors;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

}  // namespace

// "--asrun-verify" answers 0, 1 (naming the record) and 2; "--asrun-report" prints the period's
// sums as text and as Windows-1251 CSV, reading the journal of the folder given by --dir.
TEST(AsrunCommandLine, VerifyAndReportRunWithoutADisplay)
{
    QTemporaryDir dir;
    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    {
        asrun::Journal journal(dir.path(), {}, clock, nullptr);
        journal.append(announcement(3, QStringLiteral("Скидки на всё")));
        journal.append(announcement(3, QStringLiteral("Скидки на всё")));
        ASSERT_TRUE(journal.flush(5000));
    }
    const QString day = dir.path() + QLatin1String("/asrun/2026-12-09.jsonl");
    QByteArray out;
    QByteArray err;
    EXPECT_EQ(runWithoutDisplay({"--dir", dir.path(), "--asrun-verify", day}, &out, &err), 0)
        << err.toStdString();
    EXPECT_TRUE(out.startsWith("all holds: 1 files, 3 records")) << out.toStdString();

    const QByteArray pristine = readAll(day);
    QByteArray edited = pristine;
    edited.replace("\"index\":3", "\"index\":4");
    writeAll(day, edited);
    EXPECT_EQ(
        runWithoutDisplay({"--asrun-verify", "--pub", dir.path() + "/asrun.pub", day}, &out, &err),
        1);
    EXPECT_TRUE(err.contains("2026-12-09.jsonl:2 (seq 2)")) << err.toStdString();
    writeAll(day, pristine);
    EXPECT_EQ(runWithoutDisplay({"--dir", dir.path(), "--asrun-verify", day + ".missing"}, &out),
              2);

    // The records' "entered" and "left" are those of the rig: 12.5 s each.
    EXPECT_EQ(runWithoutDisplay({"--dir", dir.path(), "--asrun-report", "2026-12-09", "2026-12-09"},
                                &out, &err),
              0)
        << err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(out).contains(QStringLiteral("2       25.0  Скидки на всё")))
        << out.toStdString();
    EXPECT_EQ(
        runWithoutDisplay(
            {"--dir", dir.path(), "--asrun-report", "2026-12-09", "2026-12-09", "--csv"}, &out),
        0);
    EXPECT_TRUE(out.contains(cp1251(QStringLiteral("объявление;3;1;Скидки на всё;2;25,0\r\n"))))
        << out.toStdString();
    EXPECT_EQ(runWithoutDisplay({"--dir", dir.path(), "--asrun-report", "2026-12-09"}, &out), 1);
}

// The verifier on the journal's own days: it names the key it checked with, counts and names the
// open day's records after its last seal ("not sealed yet": they hold, no seal vouches for them
// yet), and refuses a closed day whose signature was removed, its end cut off or not.
TEST(AsrunCommandLine, VerifyNamesItsKeyWhatIsNotSealedYetAndAClosedDayWithoutSignature)
{
    QTemporaryDir dir;
    const QString day = dir.path() + QLatin1String("/asrun/2026-12-09.jsonl");
    const QString today = dir.path() + QLatin1String("/asrun/2026-12-10.jsonl");
    QByteArray out;
    QByteArray err;
    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(23, 0)));
    QByteArray keyLine;
    {
        asrun::Journal journal(dir.path(), {}, clock, nullptr);
        journal.append(announcement(1));
        journal.append(announcement(2));
        ASSERT_TRUE(journal.flush(5000));
        clock.set(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        for (int i = 3; i <= 5; ++i)
            journal.append(announcement(i));
        ASSERT_TRUE(journal.flush(5000));
        keyLine = "key: " + stationPublicKey(dir.path()).keyIdText().toLatin1() + " (" +
                  QFile::encodeName(dir.path()) + "/asrun.pub)\n";
        // While the program runs.
        EXPECT_EQ(
            runWithoutDisplay({"--dir", dir.path(), "--asrun-verify", today, day}, &out, &err), 0)
            << err.toStdString();
        EXPECT_EQ(out, "all holds: 2 files, 6 records, last seq 6\n" + keyLine +
                           "not sealed yet: 3 records after the last seal, " +
                           QFile::encodeName(today) + ":1-3 (seq 4-6)\n");
    }

    // The day before, alone: today's file beside it says it was closed.
    QFile::remove(day + QLatin1String(".minisig"));
    EXPECT_EQ(runWithoutDisplay({"--dir", dir.path(), "--asrun-verify", day}, &out, &err), 1);
    EXPECT_TRUE(
        err.contains("2026-12-09.jsonl:3 (seq 3): the day is closed, but its signature "
                     "2026-12-09.jsonl.minisig is missing"))
        << err.toStdString();
    EXPECT_TRUE(err.endsWith(keyLine)) << err.toStdString();
    writeAll(day, readAll(day).split('\n').first() + '\n');
    EXPECT_EQ(runWithoutDisplay({"--dir", dir.path(), "--asrun-verify", day}, &out, &err), 1);
    EXPECT_TRUE(err.contains("2026-12-09.jsonl:1 (seq 1): the day does not end with a seal"))
        << err.toStdString();
}
