#include <gtest/gtest.h>

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
        {"bad start blocks the rest",
         {line("11:00:00", "k1", "11:10:00"), "garbage", line("12:10:00", "k1", "12:20:00")},
         {V::Passed, V::UnreadableDate, V::Blocked}},
        {"bad stop halts at its start",
         {QStringLiteral("13.10.10 12:10:00|k1|00|13.1x.10 12:20:00"),
          line("12:30:00", "k1", "12:40:00")},
         {V::UnreadableDate, V::Blocked}},
        {"a bad line after the future ones still halts",
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

TEST(PlanCheck, ReportNamesLineAndStart)
{
    const QStringList lines = {line("12:10:00", "s1", "12:20:00")};
    const QStringList report = PlanCheck::report(lines, PlanCheck::check(lines, kNow, nullptr));
    ASSERT_EQ(report.size(), 1);
    EXPECT_TRUE(report[0].startsWith("1: будет выполнена (старт 13.10.2010 12:10:00)"));
}

}  // namespace
