#include <gtest/gtest.h>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/slottable.h"

using namespace velumo;

namespace {

TEST(SlotTable, EachLetterNamesTheFieldsOfItsColumn)
{
    struct Case {
        char letter;
        const char* slot;
        const char* field;  // nullptr: none
    };
    const Case cases[] = {
        {'s', "1", key::SCEdit59},  {'s', "9", key::SCEdit67},  {'s', "0", key::SCEdit68},
        {'k', "1", key::SCEdit49},  {'k', "9", key::SCEdit57},  {'k', "0", key::SCEdit58},
        {'b', "3", key::SCEdit51},  {'p', "0", key::SCEdit58},  {'f', "0", key::SCEdit58},
        {'f', "5", key::SCEdit53},  {'w', "1", key::SCEdit1w1}, {'w', "9", key::SCEdit1w9},
        {'w', "0", key::SCEdit1w0}, {'t', "1", nullptr},        {'x', "1", nullptr},
        {'S', "1", nullptr},        {'k', "x", nullptr},        {'k', " ", nullptr},
        {'k', "", nullptr},         {'k', "10", nullptr},       {'w', "-1", nullptr},
    };
    for (const Case& c : cases) {
        const char* field = SlotTable::field(QLatin1Char(c.letter), QString::fromLatin1(c.slot));
        EXPECT_STREQ(field, c.field) << c.letter << c.slot;
    }
    EXPECT_EQ(SlotTable::field(u'k', 10), nullptr);
    EXPECT_EQ(SlotTable::field(u'k', -1), nullptr);
    EXPECT_STREQ(SlotTable::field(u's', 0), key::SCEdit68);
}

TEST(SlotTable, ColumnsListTheirTenFieldsInThePageOrder)
{
    const SlotTable::Fields& clip = SlotTable::fields(SlotTable::Column::Clip);
    EXPECT_STREQ(clip.front(), key::SCEdit49);
    EXPECT_STREQ(clip.back(), key::SCEdit58);
    const SlotTable::Fields& strings = SlotTable::fields(SlotTable::Column::String);
    EXPECT_STREQ(strings.front(), key::SCEdit59);
    EXPECT_STREQ(strings.back(), key::SCEdit68);
    for (const char* field : SlotTable::fields(SlotTable::Column::None))
        EXPECT_EQ(field, nullptr);

    Settings settings;
    settings.setText(key::SCEdit1w0, QStringLiteral("example.org"));
    EXPECT_EQ(SlotTable::text(settings, u'w', QStringLiteral("0")), "example.org");
    EXPECT_EQ(SlotTable::text(settings, u'w', QStringLiteral("x")), "");
    EXPECT_EQ(SlotTable::text(settings, u't', 0), "");
}

}  // namespace
