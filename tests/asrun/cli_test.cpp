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
