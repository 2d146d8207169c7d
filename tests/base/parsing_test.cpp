#include <gtest/gtest.h>

#include "base/commandline.h"
#include "base/controlcommands.h"
#include "base/datetext.h"
#include "base/failure.h"

namespace velumo {
namespace {

struct IntCase {
    const char* text;
    bool valid;
    int value;
};

class StrToInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(StrToInt, LikeTheToolkit)
{
    const IntCase& c = GetParam();
    if (c.valid) {
        EXPECT_EQ(strToInt(QString::fromUtf8(c.text)), c.value) << c.text;
    } else {
        EXPECT_THROW(strToInt(QString::fromUtf8(c.text)), Failure) << c.text;
        EXPECT_EQ(strToIntDef(QString::fromUtf8(c.text), -7), -7) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrToInt,
    ::testing::Values(IntCase{"0", true, 0}, IntCase{"400", true, 400}, IntCase{"   12", true, 12},
                      IntCase{"-5", true, -5}, IntCase{"+7", true, 7}, IntCase{"$FF", true, 255},
                      IntCase{"$ff", true, 255}, IntCase{"0x10", true, 16},
                      IntCase{"-$10", true, -16}, IntCase{"2147483647", true, 2147483647},
                      IntCase{"-2147483648", true, -2147483647 - 1}, IntCase{"007", true, 7},
                      IntCase{"", false, 0}, IntCase{" ", false, 0}, IntCase{"12 ", false, 0},
                      IntCase{"1 2", false, 0}, IntCase{"12a", false, 0}, IntCase{"a12", false, 0},
                      IntCase{"-", false, 0}, IntCase{"$", false, 0}, IntCase{"0x", false, 0},
                      IntCase{"1.5", false, 0}, IntCase{"2147483648", false, 0},
                      IntCase{"-2147483649", false, 0}, IntCase{"99999999999999999999", false, 0},
                      IntCase{"１２", false, 0}, IntCase{"--1", false, 0},
                      IntCase{"\t1", false, 0}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(StrToIntMessage, NamesTheText)
{
    try {
        strToInt(QStringLiteral("abc"));
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.text(), QStringLiteral("'abc' is not a valid integer value"));
    }
}

TEST(TrimControl, BlanksAndControlCharactersAtBothEnds)
{
    EXPECT_EQ(trimControl(QStringLiteral(" \t\x01 a b \r\n")), "a b");
    EXPECT_EQ(trimControl(QStringLiteral("\x1f")), "");
    EXPECT_EQ(trimControl(QStringLiteral("я")), QStringLiteral("я"));
}

struct ArgsCase {
    QStringList arguments;
    CommandLine::Switch powerSwitch;
    bool autostart;
    QString folder;
};

class Switches : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(Switches, OnlyTheFirstPositionalArgument)
{
    const ArgsCase& c = GetParam();
    const CommandLine line = CommandLine::parse(c.arguments);
    EXPECT_EQ(line.powerSwitch, c.powerSwitch) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(line.autostart, c.autostart) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(line.programFolder, c.folder);
    EXPECT_FALSE(line.send);
}

using S = CommandLine::Switch;
INSTANTIATE_TEST_SUITE_P(
    Arguments, Switches,
    ::testing::Values(
        ArgsCase{{}, S::None, false, {}}, ArgsCase{{"down"}, S::Down, false, {}},
        ArgsCase{{"Down"}, S::Down, false, {}}, ArgsCase{{"DOWN"}, S::Down, false, {}},
        ArgsCase{{"dOWN"}, S::None, false, {}}, ArgsCase{{"sleep"}, S::Sleep, false, {}},
        ArgsCase{{"Sleep"}, S::Sleep, false, {}}, ArgsCase{{"SLEEP"}, S::Sleep, false, {}},
        ArgsCase{{"kill"}, S::Kill, false, {}}, ArgsCase{{"Kill"}, S::Kill, false, {}},
        ArgsCase{{"KILL"}, S::Kill, false, {}}, ArgsCase{{"kIll"}, S::None, false, {}},
        ArgsCase{{"r"}, S::None, true, {}}, ArgsCase{{"R"}, S::None, true, {}},
        ArgsCase{{"r", "x"}, S::None, false, {}}, ArgsCase{{"x", "r"}, S::None, false, {}},
        ArgsCase{{"x", "kill"}, S::None, false, {}},
        ArgsCase{{"--dir", "/tmp/a", "r"}, S::None, true, "/tmp/a"},
        ArgsCase{{"--dir", "/tmp/a", "kill", "r"}, S::Kill, false, "/tmp/a"},
        ArgsCase{{"--dir", "/tmp/a", "down", "x"}, S::Down, false, "/tmp/a"},
        ArgsCase{{"rr"}, S::None, false, {}}, ArgsCase{{" r"}, S::None, false, {}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(SendOption, CarriesTheCommand)
{
    const CommandLine line = CommandLine::parse({"--dir", "/x", "--send", "block load /a b.str"});
    EXPECT_TRUE(line.send);
    EXPECT_EQ(line.sendCommand, "block load /a b.str");
    EXPECT_EQ(line.programFolder, "/x");
    // Without a command it still only sends (an empty command, which fails), never starts.
    const CommandLine bare = CommandLine::parse({"--send"});
    EXPECT_TRUE(bare.send);
    EXPECT_TRUE(bare.sendCommand.isEmpty());
}

struct DateCase {
    const char* text;
    QDate date;
};

class DayMonthYear : public ::testing::TestWithParam<DateCase> {};

TEST_P(DayMonthYear, Parsed)
{
    EXPECT_EQ(parseDayMonthYear(QString::fromUtf8(GetParam().text), 2026), GetParam().date)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DayMonthYear,
    ::testing::Values(DateCase{"13.10.10", QDate(2010, 10, 13)},
                      DateCase{"01.01.75", QDate(2075, 1, 1)},
                      DateCase{"01.01.77", QDate(1977, 1, 1)},
                      DateCase{"1.2.2010", QDate(2010, 2, 1)}, DateCase{"05.06", QDate(2026, 6, 5)},
                      DateCase{"29.02.23", QDate()}, DateCase{"29.02.24", QDate(2024, 2, 29)},
                      DateCase{"32.01.10", QDate()}, DateCase{"ab.cd.ef", QDate()},
                      DateCase{"", QDate()}, DateCase{"13-10-10", QDate()},
                      DateCase{"13.10.10.1", QDate()}, DateCase{"-1.10.10", QDate()}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(HelpAndVersion, AreOptionsAnywhereAndTheUsageNamesEverything)
{
    EXPECT_TRUE(CommandLine::parse({"--help"}).help);
    EXPECT_TRUE(CommandLine::parse({"--dir", "/x", "-h"}).help);
    EXPECT_TRUE(CommandLine::parse({"--version"}).version);
    EXPECT_FALSE(CommandLine::parse({"help"}).help);
    EXPECT_EQ(CommandLine::parse({"--help"}).powerSwitch, CommandLine::Switch::None);
    const QString usage = CommandLine::usage();
    for (const char* word :
         {"--dir", "--send", "--check-plan", "--check-alert", "down", "sleep", "kill", " r ",
          "status", "block load", "ticker start", "dispatcher start", "ftp add-upload",
          "dialup down", "rss read", "vibor", "phrase", "log write", "get NAME"})
        EXPECT_TRUE(usage.contains(QLatin1String(word))) << word;
    for (const char* word : {"clip start", "capture devices", "flash start", "web preview",
                             "panel show", "panel dispatcher-start", "asrun seal", "exit"})
        EXPECT_TRUE(usage.contains(QLatin1String(word))) << word;
    // Every command of the table on a line of its own.
    for (const ControlCommand& command : controlcommands::all())
        EXPECT_TRUE(usage.contains(QStringLiteral("\n  %1 ").arg(QLatin1String(command.verb))))
            << command.verb;
    EXPECT_EQ(CommandLine::versionText(), QStringLiteral("velumo 7.9.10"));
}

}  // namespace
}  // namespace velumo
