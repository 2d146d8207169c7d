#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "base/configfile.h"
#include "base/controlspec.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/testsupport.h"
#include "ui/numberfields.h"

namespace velumo {
namespace {

// One file line as the program stores it: scrambled cp1251, CR LF.
QByteArray line(const QString& text)
{
    return configfile::scramble(encodeCp1251(text)) + "\r\n";
}

QByteArray fileOf(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines)
        out += line(l);
    return out;
}

TEST(ConfigScramble, EveryByteShiftsByOneAndWraps)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QByteArray stored = configfile::scramble(all);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(static_cast<unsigned char>(stored[b]), (b + 1) % 256) << b;
    EXPECT_EQ(configfile::unscramble(stored), all);
    // A blank is stored as "!", "S" as "T", the letter "я" (byte 255) as NUL.
    EXPECT_EQ(configfile::scramble(" S"), QByteArray("!T"));
    EXPECT_EQ(configfile::scramble(encodeCp1251(QStringLiteral("я"))), QByteArray(1, '\0'));
}

TEST(ConfigScramble, RawLinesSplitAtLineEndsOnlyAndKeepNulBytes)
{
    const QByteArray content("a\0b\r\nc\nd\re\r\n\r\n", 14);
    const QList<QByteArray> lines = configfile::splitRawLines(content);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QByteArray("a\0b", 3));
    EXPECT_EQ(lines[1], "c");
    EXPECT_EQ(lines[2], "d");
    EXPECT_EQ(lines[3], "e");
    EXPECT_EQ(lines[4], "");
}

struct LoadCase {
    const char* title;
    QStringList lines;
    const char* name;
    QString expected;
};

class ConfigLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ConfigLoad, ValueAfterLoading)
{
    const LoadCase& c = GetParam();
    Settings settings;
    // One known line besides the case's own, so that no case reads as a damaged file.
    configfile::load(fileOf(QStringList{"SCEdit1 x"} + c.lines), settings);
    EXPECT_EQ(settings.text(QString::fromLatin1(c.name)), c.expected) << c.title;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ConfigLoad,
    ::testing::Values(
        LoadCase{"plain text", {"SCEdit43 960"}, key::SCEdit43, "960"},
        LoadCase{"inner blanks kept, outer lost",
                 {"SCEdit6   Times New Roman  "},
                 key::SCEdit6,
                 "Times New Roman"},
        LoadCase{"control characters trimmed",
                 {QStringLiteral("SCEdit6 \x01\x02"
                                 "Arial\x1f\x0b")},
                 key::SCEdit6,
                 QStringLiteral("Arial")},
        LoadCase{"letter я",
                 {QStringLiteral("SCEdit5 /дом/я/заявка.str")},
                 key::SCEdit5,
                 QStringLiteral("/дом/я/заявка.str")},
        LoadCase{"empty text", {"SCEdit5 "}, key::SCEdit5, ""},
        LoadCase{
            "True checks", {"SCCheckBox9 False", "SCCheckBox6 True"}, key::SCCheckBox6, "True"},
        LoadCase{
            "lower-case true leaves unchecked", {"SCCheckbox7 true"}, key::SCCheckbox7, "False"},
        LoadCase{"True with a trailing blank is not True",
                 {"SCCheckbox7 True "},
                 key::SCCheckbox7,
                 "False"},
        LoadCase{"spinner with leading blanks", {"SpinEdit4    25"}, key::SpinEdit4, "25"},
        LoadCase{"spinner in hex", {"SpinEdit4 $1F"}, key::SpinEdit4, "31"},
        LoadCase{
            "combo trimmed", {QStringLiteral("ComboBox2  BSPlayer ")}, key::ComboBox2, "BSPlayer"},
        LoadCase{"unknown name ignored, default kept",
                 {"SCEdit999 1", "SpinEditX 5"},
                 key::SCEdit43,
                 "400"},
        LoadCase{"name without value ignored", {"SCEdit43"}, key::SCEdit43, "400"},
        LoadCase{"garbage ignored",
                 {"hello world", "", "scedit43 1", " SCEdit43 1"},
                 key::SCEdit43,
                 "400"},
        LoadCase{"a text line for a spinner name is ignored",
                 {"SCEditSpin 3", "SpinEdit4 7"},
                 key::SpinEdit4,
                 "7"},
        LoadCase{"later line wins", {"SCEdit43 1", "SCEdit43 2"}, key::SCEdit43, "2"},
        LoadCase{"names compared case-sensitively", {"SCEDIT43 5"}, key::SCEdit43, "400"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(ConfigLoadFailure, NonNumericSpinnerStopsLoadingKeepingEarlierValues)
{
    Settings settings;
    const QByteArray content = fileOf({"SCEdit43 111", "SpinEdit4 12a", "SCEdit45 222"});
    EXPECT_THROW(configfile::load(content, settings), Failure);
    EXPECT_EQ(settings.text(key::SCEdit43), "111");
    EXPECT_EQ(settings.text(key::SpinEdit4), "10");  // its default
    EXPECT_EQ(settings.text(key::SCEdit45), "600");  // not read
}

TEST(ConfigLoadFailure, EmptySpinnerValueFails)
{
    Settings settings;
    EXPECT_THROW(configfile::load(fileOf({"SpinEdit4 "}), settings), Failure);
    EXPECT_THROW(configfile::load(fileOf({"SpinEdit4 12 "}), settings), Failure);
}

TEST(ConfigRoundTrip, EveryValueSurvivesSaveAndLoad)
{
    Settings saved;
    int n = 0;
    for (const ControlSpec& entry : controlSchema()) {
        const QString name = QString::fromLatin1(entry.name);
        switch (entry.kind) {
            case ControlKind::Text:
                saved.setText(name, QStringLiteral("я %1 Ёжик  в тумане я").arg(n));
                break;
            case ControlKind::Spin:
                saved.setSpin(name, entry.minimum < entry.maximum ? entry.maximum : -n * 1000);
                break;
            case ControlKind::Check:
                saved.setChecked(name, n % 2 == 0);
                break;
            case ControlKind::Combo:
                saved.setText(name, QStringLiteral("Встроенный вариант %1").arg(n));
                break;
        }
        ++n;
    }
    const QByteArray content = configfile::save(saved);
    EXPECT_TRUE(content.contains('\0'));  // "я" stored as NUL
    Settings loaded;
    configfile::load(content, loaded);
    for (const ControlSpec& entry : controlSchema()) {
        const QString name = QString::fromLatin1(entry.name);
        EXPECT_EQ(loaded.text(name), saved.text(name)) << entry.name;
    }
}

TEST(ConfigRoundTrip, OtherComponentsWriteEmptyLinesLastToFirst)
{
    Settings settings;
    settings.setText(key::SCEdit43, QStringLiteral("5"));
    const QByteArray content =
        configfile::save(settings, {"Label1", key::SCEdit43, "GroupBox1", key::SCCheckBox9});
    const QList<QByteArray> raw = configfile::splitRawLines(content);
    ASSERT_EQ(raw.size(), 4);
    EXPECT_EQ(configfile::unscramble(raw[0]), "SCCheckBox9 True");
    EXPECT_EQ(raw[1], "");
    EXPECT_EQ(configfile::unscramble(raw[2]), "SCEdit43 5");
    EXPECT_EQ(raw[3], "");
    EXPECT_TRUE(content.endsWith("\r\n"));
}

TEST(ConfigRoundTrip, TabsInTextDoNotCutTheLine)
{
    Settings saved;
    saved.setText(key::SCEdit6, QStringLiteral("Dejavu\tSans\fMono"));
    saved.setText(key::SCEdit5, QStringLiteral("a\nb"));
    Settings loaded;
    configfile::load(configfile::save(saved), loaded);
    EXPECT_EQ(loaded.text(key::SCEdit6), "Dejavu Sans Mono");
    EXPECT_EQ(loaded.text(key::SCEdit5), "a\nb");  // LF is stored as 0x0B, not as a line end
    EXPECT_EQ(loaded.text(key::SCEdit43), saved.text(key::SCEdit43));
}

TEST(ConfigLoadFailure, FileWithoutAnySettingIsDamaged)
{
    const QByteArray cases[] = {QByteArray(), QByteArray("\r\n\r\n"), fileOf({"hello", "x y"}),
                                fileOf({"SCEdit999 1"}), QByteArray("\x7f\x45\x4c\x46\0\0\xff", 7)};
    for (const QByteArray& content : cases) {
        Settings settings;
        EXPECT_THROW(configfile::load(content, settings), Failure) << content.toHex().constData();
        EXPECT_EQ(settings.text(key::SCEdit43), "400");
    }
}

TEST(ConfigRobustness, RandomBytesNeverCrash)
{
    QRandomGenerator random(1234);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes(int(random.bounded(4000)), '\0');
        for (char& b : bytes)
            b = char(random.bounded(256));
        // Sprinkle valid-looking lines among the noise.
        if (round % 3 == 0)
            bytes += line(QStringLiteral("SCEdit43 77"));
        Settings settings;
        try {
            configfile::load(bytes, settings);
        } catch (const Failure&) {
            // A spinner line with a bad number may turn up; that is the loading failure.
        }
        EXPECT_FALSE(settings.text(key::SCEdit43).isNull());
    }
}

TEST(ConfigRobustness, TruncatedFileKeepsWhatWasRead)
{
    Settings saved;
    saved.setText(key::SCEdit43, QStringLiteral("123"));
    const QByteArray full = configfile::save(saved);
    // Cut anywhere: what was read stays; a cut inside a spinner's value or before the first
    // whole line fails as a damaged file, and never in any other way.
    int failures = 0;
    for (qsizetype cut = 0; cut < full.size(); cut += 7) {
        Settings loaded;
        try {
            configfile::load(full.left(cut), loaded);
        } catch (const Failure&) {
            ++failures;
        }
    }
    EXPECT_GT(failures, 0);
    Settings loaded;
    const qsizetype spin = full.indexOf(line("SpinEdit4 10").left(10));
    ASSERT_GT(spin, 0);
    EXPECT_THROW(configfile::load(full.left(spin + 10), loaded), Failure);
}

TEST(ConfigRobustness, SpinnerOutsideItsRangeIsClampedLikeTheControl)
{
    const ControlSpec* bounded = nullptr;
    for (const ControlSpec& entry : controlSchema())
        if (entry.kind == ControlKind::Spin && entry.minimum < entry.maximum) {
            bounded = &entry;
            break;
        }
    ASSERT_NE(bounded, nullptr);
    Settings settings;
    const QString name = QString::fromLatin1(bounded->name);
    configfile::load(fileOf({name + QStringLiteral(" 2000000000")}), settings);
    EXPECT_EQ(settings.spin(name), bounded->maximum);
}

TEST(ConfigLoad, HugeValuesLoadInLinearTimeAndAreCutAtTheLimit)
{
    QTemporaryDir dir;
    EventLog log(dir.filePath("velumo.log"));
    // An 8 MiB value in one line, then a 16 MiB line without a line end.
    QByteArray content = configfile::scramble("SCEdit41 " + QByteArray(8 << 20, 'x')) + "\r\n" +
                         configfile::scramble("SCEdit42 " + QByteArray(16 << 20, 'y'));
    Settings settings;
    QElapsedTimer elapsed;
    elapsed.start();
    configfile::load(content, settings, &log);
    EXPECT_LT(elapsed.elapsed(), 1000);
    EXPECT_EQ(settings.text(key::SCEdit41).size(), kMaxSettingsValueBytes);
    EXPECT_EQ(settings.text(key::SCEdit42), QString(kMaxSettingsValueBytes, u'y'));
    const QStringList cuts = test::logEvents(dir.filePath("velumo.log"), "error");
    ASSERT_EQ(cuts.size(), 2);
    EXPECT_TRUE(cuts[0].contains("SCEdit41")) << cuts[0].toStdString();
    EXPECT_TRUE(cuts[0].contains(QString::number(kMaxSettingsValueBytes)));
    // A value at the limit is kept whole and says nothing.
    configfile::load(configfile::scramble("SCEdit41 " + QByteArray(kMaxSettingsValueBytes, 'z')),
                     settings, &log);
    EXPECT_EQ(settings.text(key::SCEdit41), QString(kMaxSettingsValueBytes, u'z'));
    EXPECT_EQ(test::logEvents(dir.filePath("velumo.log"), "error").size(), 2);
}

// A number field whose file text cannot be a number is refused when the file is read, at once
// and whatever its length, and the log says which field took its design value.
TEST(ConfigNumberFields, TextThatCannotBeANumberTakesTheDesignValue)
{
    QTemporaryDir dir;
    EventLog log(dir.filePath("velumo.log"));
    const QByteArray content =
        configfile::scramble("SCEdit77 " + QByteArray(8 << 20, 'x')) + "\r\n" +
        fileOf({"SCEdit43 12a", "SCEdit45 ", "SCEdit18 $1F", "SCEdit16 -15", "SCEdit17   7",
                "SCEdit27 " + QString(40, u'0') + "1", "SCEdit3 99999999999",
                "SCEdit5 not a number field", "SCEditn1 x"});
    Settings settings;
    configfile::load(content, settings, &log);
    QElapsedTimer elapsed;
    elapsed.start();
    const QStringList reset = numberfields::resetNonNumbers(settings, &log);
    EXPECT_LT(elapsed.elapsed(), 100);
    EXPECT_EQ(reset, (QStringList{"SCEdit43", "SCEdit45", "SCEdit77", "SCEdit27", "SCEdit3"}));
    EXPECT_EQ(settings.text(key::SCEdit77), "400");
    EXPECT_EQ(settings.text(key::SCEdit43), "400");
    EXPECT_EQ(settings.text(key::SCEdit45), "600");
    EXPECT_EQ(settings.text(key::SCEdit27), "2000");
    EXPECT_EQ(settings.text(key::SCEdit3), "500");
    // What the program reads as a number stays as written.
    EXPECT_EQ(settings.text(key::SCEdit18), "$1F");
    EXPECT_EQ(settings.text(key::SCEdit16), "-15");
    EXPECT_EQ(settings.text(key::SCEdit17), "7");
    // Text fields and fields without a number for design value are no number fields.
    EXPECT_EQ(settings.text(key::SCEdit5), "not a number field");
    EXPECT_EQ(settings.text(QStringLiteral("SCEditn1")), "x");
    const QStringList errors = test::logEvents(dir.filePath("velumo.log"), "error");
    QStringList refusals;
    for (const QString& line : errors)
        if (line.contains("not a number"))
            refusals.append(line);
    ASSERT_EQ(refusals.size(), 5);
    EXPECT_TRUE(refusals[2].contains("SCEdit77")) << refusals[2].toStdString();
    EXPECT_TRUE(refusals[2].contains("400"));
    // The line names the length, never the whole text.
    EXPECT_TRUE(refusals[2].contains(QString::number(kMaxSettingsValueBytes)));
    EXPECT_LT(refusals[2].size(), 300);
    // Values that are numbers are left alone and say nothing.
    EXPECT_TRUE(numberfields::resetNonNumbers(settings, &log).isEmpty());
}

}  // namespace
}  // namespace velumo
