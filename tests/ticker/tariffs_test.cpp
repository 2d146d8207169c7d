#include <gtest/gtest.h>

#include "ticker/tariffs.h"

namespace velumo::test {
namespace {

TEST(Tariffs, TableOfModes)
{
    struct Row {
        int tariff;
        bool halt, colour, delay, font;
    };
    const Row rows[] = {
        {0, false, false, false, false},  {1, true, false, false, false},
        {2, false, true, false, false},   {3, false, false, true, false},
        {4, false, false, false, true},   {5, true, true, false, false},
        {6, true, false, false, true},    {7, false, true, true, false},
        {8, false, true, false, true},    {9, false, false, true, true},
        {10, false, false, false, false}, {12, false, false, false, false},
        {-1, false, false, false, false},
    };
    for (const Row& row : rows) {
        const TariffMode mode = tariffMode(row.tariff);
        EXPECT_EQ(mode.halt, row.halt) << row.tariff;
        EXPECT_EQ(mode.colour, row.colour) << row.tariff;
        EXPECT_EQ(mode.delay, row.delay) << row.tariff;
        EXPECT_EQ(mode.font, row.font) << row.tariff;
    }
}

TEST(Tariffs, AnyTextIsNormalisedToDigits)
{
    const std::pair<QString, QString> cases[] = {
        {"5", "5"},     {"x", "0"}, {"", ""},     {" 5", "05"},   {"-3", "03"},
        {"5.0", "500"}, {"٣", "0"}, {"12", "12"}, {"\t\r", "00"},
    };
    for (const auto& [line, normalised] : cases)
        EXPECT_EQ(normaliseTariff(line), normalised) << line.toStdString();
}

TEST(Tariffs, NumberOfANormalisedLine)
{
    EXPECT_EQ(tariffNumber(""), 0);
    EXPECT_EQ(tariffNumber("05"), 5);
    EXPECT_EQ(tariffNumber("12"), 12);
    // Too large for an integer: still the normal mode, never a failure.
    EXPECT_GE(tariffNumber("99999999999999999999999"), 10);
    EXPECT_EQ(tariffNumber("0000000000000000000001"), 1);
}

}  // namespace
}  // namespace velumo::test
