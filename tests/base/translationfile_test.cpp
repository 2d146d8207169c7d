#include <gtest/gtest.h>

#include "base/translationfile.h"

namespace velumo {
namespace {

using C = ComponentClass;

struct ApplyCase {
    const char* title;
    ComponentClass cls;
    QString line;
    QString caption;
    QString hint;
};

class TranslationApply : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(TranslationApply, LineByClass)
{
    const ApplyCase& c = GetParam();
    UiComponent component{"X", c.cls, "old caption", "old hint"};
    translationfile::apply(component, c.line);
    EXPECT_EQ(component.caption, c.caption) << c.title;
    EXPECT_EQ(component.hint, c.hint) << c.title;
}

INSTANTIATE_TEST_SUITE_P(
    Classes, TranslationApply,
    ::testing::Values(
        ApplyCase{"edit takes the hint", C::Edit, "new", "old caption", "new"},
        ApplyCase{"combo takes the hint", C::Combo, "new", "old caption", "new"},
        ApplyCase{"label", C::Label, "new", "new", "old hint"},
        ApplyCase{"fixed label keeps its caption", C::FixedLabel, "new", "old caption", "old hint"},
        ApplyCase{"group", C::GroupBox, "new", "new", "old hint"},
        ApplyCase{"page", C::Page, "new", "new", "old hint"},
        ApplyCase{"check box", C::CheckBox, "new", "new", "old hint"},
        ApplyCase{"button", C::Button, "Open|Open file", "Open", "Open file"},
        ApplyCase{"button splits at the first bar", C::Button, "a|b|c", "a", "b|c"},
        ApplyCase{"button without bar: empty caption", C::Button, "Open", "", "Open"},
        ApplyCase{"button empty line", C::Button, "", "", ""},
        ApplyCase{"dialog", C::Dialog, "Files|*.str/Open", "Files|*.str", "Open"},
        ApplyCase{"dialog filter with a slash", C::Dialog, "a/b|*.x/T", "a", "b|*.x/T"},
        ApplyCase{"dialog without slash", C::Dialog, "T", "", "T"},
        ApplyCase{"other ignored", C::Other, "zzz", "old caption", "old hint"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(TranslationFile, WrittenLastToFirstAndReadBackByPosition)
{
    QList<UiComponent> components = {
        {"Label1", C::Label, "Шрифт", ""},
        {"SCEdit5", C::Edit, "", "Имя файла"},
        {"SpinEdit1", C::Other, "", ""},
        {"SCButton1", C::Button, "Открыть", "Открыть файл"},
        {"Label79", C::FixedLabel, "Velumo", ""},
        {"OpenDialog1", C::Dialog, "Строковые (*.str)|*.str", "Открыть"},
    };
    const QStringList lines = translationfile::write(components);
    EXPECT_EQ(lines, (QStringList{"Строковые (*.str)|*.str/Открыть", "", "Открыть|Открыть файл", "",
                                  "Имя файла", "Шрифт"}));
    QList<UiComponent> read = components;
    for (UiComponent& c : read)
        c.caption = c.hint = QStringLiteral("?");
    read[4].caption = "Velumo";
    translationfile::read(lines, read);
    EXPECT_EQ(read[0].caption, "Шрифт");
    EXPECT_EQ(read[1].hint, "Имя файла");
    EXPECT_EQ(read[2].caption, "?");  // spinners take nothing
    EXPECT_EQ(read[3].caption, "Открыть");
    EXPECT_EQ(read[3].hint, "Открыть файл");
    EXPECT_EQ(read[4].caption, "Velumo");
    EXPECT_EQ(read[5].caption, "Строковые (*.str)|*.str");
    EXPECT_EQ(read[5].hint, "Открыть");
}

TEST(TranslationFile, ShortFileEmptiesTheRestAndExtraLinesAreIgnored)
{
    QList<UiComponent> components = {
        {"L1", C::Label, "one", ""}, {"L2", C::Label, "two", ""}, {"L3", C::Label, "three", ""}};
    translationfile::read({"THREE"}, components);
    EXPECT_EQ(components[2].caption, "THREE");
    EXPECT_EQ(components[1].caption, "");
    EXPECT_EQ(components[0].caption, "");
    translationfile::read({"a", "b", "c", "d", "e"}, components);
    EXPECT_EQ(components[0].caption, "c");
}

}  // namespace
}  // namespace velumo
