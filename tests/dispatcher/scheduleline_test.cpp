#include <gtest/gtest.h>

#include "base/failure.h"
#include "dispatcher/scheduleline.h"

using namespace velumo;
using namespace velumo::scheduleline;

namespace {

const QString kSample = QStringLiteral("13.10.10 12:10:30|s1|00|13.10.10 13:50:30");

TEST(ScheduleLine, FieldsAtFixedPositions)
{
    for (const QString& line : {kSample, kSample + QStringLiteral("|имя файла")}) {
        EXPECT_EQ(contentCode(line), "s1");
        EXPECT_EQ(contentLetter(line), "s");
        EXPECT_EQ(slotDigit(line), "1");
        EXPECT_EQ(stopCode(line), "s0");
        EXPECT_EQ(startOf(line, 2010).toDateTime(),
                  QDateTime(QDate(2010, 10, 13), QTime(12, 10, 30)));
        EXPECT_EQ(stopAtStart(line, 2010).toDateTime(),
                  QDateTime(QDate(2010, 10, 13), QTime(13, 50, 30)));
        EXPECT_EQ(stopExact(line, 2010).toDateTime(),
                  QDateTime(QDate(2010, 10, 13), QTime(13, 50, 30)));
    }
    EXPECT_EQ(stopCode(QStringLiteral("13.10.10 12:10:30|k3|z0|13.10.10 13:50:30")), "kz");
    // Short lines give empty fields, never a crash.
    EXPECT_EQ(contentLetter(QStringLiteral("13.10.10")), "");
    EXPECT_EQ(stopCode(QString()), "");
}

TEST(ScheduleLine, DateAndTimeConversion)
{
    struct Case {
        const char* text;
        int currentYear;
        QDateTime expected;  // invalid = conversion error
    };
    const Case cases[] = {
        {"13.10.10 12:10:30", 2026, {QDate(2010, 10, 13), QTime(12, 10, 30)}},
        {"01.01.80 00:00:00", 2026, {QDate(1980, 1, 1), QTime(0, 0)}},
        {"01.01.75 00:00:00", 2026, {QDate(2075, 1, 1), QTime(0, 0)}},
        {"01.01.76 00:00:00", 2026, {QDate(1976, 1, 1), QTime(0, 0)}},
        {"01.01.77 00:00:00", 2026, {QDate(1977, 1, 1), QTime(0, 0)}},
        {"13.10.10 23:59:59|", 2010, {QDate(2010, 10, 13), QTime(23, 59, 59)}},
        {"13.10.2010 12:10:30", 2026, {QDate(2010, 10, 13), QTime(12, 10, 30)}},
        {"1.2.10 9:05:00", 2010, {QDate(2010, 2, 1), QTime(9, 5)}},
        {"13.10.10 24:00:00", 2010, {}},
        {"32.10.10 12:00:00", 2010, {}},
        {"29.02.11 12:00:00", 2011, {}},
        {"13.10.10", 2010, {}},
        {"  .  .   12:10:30", 2010, {}},
        {"13-10-10 12:10:30", 2010, {}},
        {"13.10.10 12:6x", 2010, {}},
        {"", 2010, {}},
        {"\x01\x02binary\xff", 2010, {}},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        const auto stamp = tryParseStamp(text, c.currentYear);
        if (c.expected.isValid()) {
            ASSERT_TRUE(stamp.has_value()) << c.text;
            EXPECT_EQ(stamp->toDateTime(), c.expected) << c.text;
        } else {
            EXPECT_FALSE(stamp.has_value()) << c.text;
        }
    }
}

TEST(ScheduleLine, ConversionErrorCarriesTheText)
{
    try {
        parseStamp(u"13.1x.10 12:00:00", 2010);
        FAIL() << "no error";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.text(), "'13.1x.10 12:00:00' is not a valid date and time");
    }
}

TEST(ScheduleLine, SelectionRule)
{
    const QDateTime noon(QDate(2010, 10, 13), QTime(12, 0));
    auto line = [](const char* time) {
        return QStringLiteral("13.10.10 %1|s1|00|13.10.10 23:00:00").arg(QLatin1String(time));
    };
    struct Case {
        QStringList lines;
        std::optional<qsizetype> expected;
    };
    const Case cases[] = {
        {{line("11:00:00"), line("12:30:00"), line("13:00:00")}, 1},
        {{QStringLiteral("   \t"), line("12:30:00")}, 1},
        {{line("10:00:00"), line("11:00:00")}, std::nullopt},
        {{}, std::nullopt},
        {{line("12:00:00")}, 0},  // start equal to now is not earlier
        // Out of order: the first future line is taken, the earlier-starting one after it never.
        {{line("13:00:00"), line("12:30:00")}, 0},
        // A bad line after the chosen one is never examined.
        {{line("12:30:00"), QStringLiteral("garbage")}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(selectNext(c.lines, noon), c.expected) << c.lines.join(u'/').toStdString();

    EXPECT_THROW(selectNext({line("11:00:00"), QStringLiteral("garbage"), line("13:00:00")}, noon),
                 Failure);
}

TEST(ScheduleLine, LinesWithoutLeadingZerosDoNotRunAsMeant)
{
    const QString line = QStringLiteral("1.2.10 9:05:00|s1|00|1.2.10 9:30:00");
    EXPECT_NE(contentLetter(line), "s");
    EXPECT_FALSE(tryParseStamp(field(line, kStopPos, kStopReadLength), 2010).has_value());
}

}  // namespace
