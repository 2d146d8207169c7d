#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/plancheck.h"

using namespace velumo;

namespace {

using V = PlanCheck::Verdict;

const QDateTime kNow(QDate(2010, 10, 13), QTime(12, 0));

QString line(const char* start, const char* code, const char* stop)
{
    return QStringLiteral("13.10.10 %1|%2|00|13.10.10 %3")
        .arg(QLatin1String(start), QLatin1String(code), QLatin1String(stop));
}

std::vector<V> verdicts(const QStringList& lines, const Settings* settings = nullptr)
{
    std::vector<V> out;
    for (const PlanCheck::Result& result : PlanCheck::check(lines, kNow, settings))
        out.push_back(result.verdict);
    return out;
}

TEST(PlanCheck, Verdicts)
{
    struct Case {
        const char* name;
        QStringList lines;
        std::vector<V> expected;
    };
    const Case cases[] = {
        {"clean",
         {line("12:10:00", "s1", "12:20:00"), "", line("12:20:01", "s1", "12:30:00")},
         {V::WillRun, V::Blank, V::WillRun}},
        {"passed",
         {line("11:00:00", "k1", "11:10:00"), line("12:10:00", "k1", "12:20:00")},
         {V::Passed, V::WillRun}},
        {"out of order",
         {line("12:30:00", "k1", "12:40:00"), line("12:20:00", "k1", "12:25:00"),
          line("12:30:00", "s1", "12:40:00"), line("12:50:00", "k1", "13:00:00")},
         {V::WillRun, V::NeverReached, V::NeverReached, V::WillRun}},
        {"overlap of its kind only",
         {line("12:10:00", "k1", "12:20:00"), line("12:15:00", "s1", "12:30:00"),
          line("12:20:00", "k2", "12:30:00")},
         {V::WillRun, V::WillRun, V::Overlap}},
        {"stop before start", {line("12:10:00", "k1", "12:05:00")}, {V::StopBeforeStart}},
        {"unknown letter", {line("12:10:00", "S1", "12:20:00")}, {V::UnknownLetter}},
        {"a bad start is passed over, the rest runs",
         {line("11:00:00", "k1", "11:10:00"), "garbage", line("12:10:00", "k1", "12:20:00")},
         {V::Passed, V::UnreadableDate, V::WillRun}},
        {"31 February does not exist",
         {QStringLiteral("31.02.10 12:10:00|k1|00|13.10.10 12:20:00"),
          line("12:30:00", "k1", "12:40:00")},
         {V::UnreadableDate, V::WillRun}},
        {"a bad stop fails its own start only",
         {QStringLiteral("13.10.10 12:10:00|k1|00|13.1x.10 12:20:00"),
          line("12:30:00", "k1", "12:40:00")},
         {V::UnreadableDate, V::WillRun}},
        {"a bad line after the future ones",
         {line("12:10:00", "k1", "12:20:00"), "\x01garbage"},
         {V::WillRun, V::UnreadableDate}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(verdicts(c.lines), c.expected) << c.name;
}

TEST(PlanCheck, EmptySlotsComeFromTheSettings)
{
    Settings settings;
    settings.setText(key::SCEdit59, QStringLiteral("/data/one.str"));
    settings.setText(key::SCEdit5, QStringLiteral("/data/start.str"));
    settings.setText(key::SCEdit50, QStringLiteral("/data/two.avi"));
    settings.setText(key::SCEdit1w3, QStringLiteral("example.org"));
    const QStringList lines = {
        line("12:01:00", "s1", "12:02:00"), line("12:03:00", "s2", "12:04:00"),
        line("12:05:00", "s0", "12:06:00"), line("12:07:00", "k2", "12:08:00"),
        line("12:09:00", "b3", "12:10:00"), line("12:11:00", "w3", "12:12:00"),
        line("12:13:00", "t9", "12:14:00"), line("12:15:00", "kx", "12:16:00")};
    EXPECT_EQ(verdicts(lines, &settings),
              (std::vector<V>{V::WillRun, V::EmptySlot, V::WillRun, V::WillRun, V::EmptySlot,
                              V::WillRun, V::WillRun, V::EmptySlot}));
    // Without settings the slots are not judged.
    EXPECT_TRUE(PlanCheck::allFutureRun(PlanCheck::check(lines, kNow, nullptr)));
    EXPECT_FALSE(PlanCheck::allFutureRun(PlanCheck::check(lines, kNow, &settings)));
}

TEST(PlanCheck, WhatTheStationLacksIsNamed)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile present(folder.filePath("present.avi"));
    ASSERT_TRUE(present.open(QIODevice::WriteOnly));
    present.close();
    Settings settings;
    settings.setText(key::SCEdit49, QStringLiteral("present.avi"));  // k1, relative
    settings.setText(key::SCEdit50, folder.filePath("gone.avi"));    // k2
    const QStringList lines = {
        line("12:01:00", "k1", "12:02:00"), line("12:03:00", "k2", "12:04:00"),
        line("12:05:00", "t1", "12:06:00"), line("12:07:00", "w3", "12:08:00")};
    PlanCheck::Environment environment;
    environment.programFolder = folder.path();
    environment.checkFiles = true;
    environment.captureDevice = false;
    settings.setText(key::SCEdit1w3, QStringLiteral("example.org"));
    const QList<PlanCheck::Result> results = PlanCheck::check(lines, kNow, &settings, environment);
    ASSERT_EQ(results.size(), 4);
    EXPECT_EQ(results[0].verdict, V::WillRun);
    EXPECT_EQ(results[1].verdict, V::MissingFile);
    EXPECT_TRUE(results[1].detail.contains("gone.avi"));
    EXPECT_EQ(results[2].verdict, V::NoDevice);
    EXPECT_EQ(results[3].verdict, V::WillRun);  // an address is not a file
    EXPECT_FALSE(PlanCheck::allFutureRun(results));

    // Slide shows without LibreOffice, Flash without Ruffle (slot 1 names a file that exists).
    environment.libreOffice = false;
    environment.ruffle = false;
    const QStringList shows = {line("12:01:00", "p1", "12:02:00"),
                               line("12:03:00", "f1", "12:04:00")};
    for (const PlanCheck::Result& result : PlanCheck::check(shows, kNow, &settings, environment))
        EXPECT_EQ(result.verdict, V::MissingProgram) << result.line;
}

TEST(PlanCheck, ProbeFindsRuffleAndVideoDevices)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QDir(folder.path()).mkpath("ruffle");
    QDir(folder.path()).mkpath("dev");
    const QString ruffle = folder.filePath("ruffle");
    const QString dev = folder.filePath("dev");
    PlanCheck::Environment without = PlanCheck::probe(folder.path(), {ruffle}, dev);
    EXPECT_EQ(without.ruffle, false);
    EXPECT_EQ(without.captureDevice, false);
    QFile(ruffle + "/ruffle.js").open(QIODevice::WriteOnly);
    QFile(dev + "/video0").open(QIODevice::WriteOnly);
    PlanCheck::Environment with = PlanCheck::probe(folder.path(), {QString(), ruffle}, dev);
    EXPECT_EQ(with.ruffle, true);
    EXPECT_EQ(with.captureDevice, true);
}

TEST(PlanCheck, ReportNamesLineAndStart)
{
    const QStringList lines = {line("12:10:00", "s1", "12:20:00")};
    const QStringList report = PlanCheck::report(lines, PlanCheck::check(lines, kNow, nullptr));
    ASSERT_EQ(report.size(), 1);
    EXPECT_TRUE(report[0].startsWith("1: будет выполнена (старт 13.10.2010 12:10:00)"));
}

}  // namespace
