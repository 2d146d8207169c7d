#include <gtest/gtest.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/testsupport.h"
#include "ticker/blockedits.h"
#include "ticker/blocktextreader.h"
#include "ticker/tickerblock.h"

namespace velumo {
namespace {

// "Now" for the dated layout: 13.10.2010 12:00.
const QDateTime kNow(QDate(2010, 10, 13), QTime(12, 0));

struct Block {
    QStringList text, tariff, index;
};

// Lines of a file and the three lists they are read into.
struct LayoutCase {
    const char* title;
    QStringList lines;
    Block expected;
};

void expectBlock(const Block& got, const LayoutCase& c)
{
    EXPECT_EQ(got.text, c.expected.text) << c.title;
    EXPECT_EQ(got.tariff, c.expected.tariff) << c.title;
    EXPECT_EQ(got.index, c.expected.index) << c.title;
}

class DatedLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DatedLayout, Parsed)
{
    const LayoutCase& c = GetParam();
    Block got;
    TickerBlock::parseTxt(c.lines, kNow, got.text, got.tariff, got.index);
    expectBlock(got, c);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DatedLayout,
    ::testing::Values(
        LayoutCase{"dated tomorrow is taken",
                   {"^1", "~2", "!14.10.10", "3Завтра"},
                   {{QStringLiteral("3Завтра")}, {"2"}, {"1"}}},
        LayoutCase{"dated today is not taken", {"^1", "~2", "!13.10.10", "3Сегодня"}, {}},
        LayoutCase{"dated yesterday is not taken", {"^1", "~2", "!12.10.10", "3x"}, {}},
        LayoutCase{"a text that is no date is taken",
                   {"^5", "~0", "!не дата", "1Всегда"},
                   {{QStringLiteral("1Всегда")}, {"0"}, {"5"}}},
        LayoutCase{"an empty date is taken", {"^5", "~0", "!", "1x"}, {{"1x"}, {"0"}, {"5"}}},
        LayoutCase{"an expired one leaves its neighbour alone",
                   {"^1", "~1", "!01.01.10", "1old", "^2", "~2", "!01.01.11", "2new"},
                   {{"2new"}, {"2"}, {"2"}}},
        LayoutCase{"first line '!': neighbours before the file read as empty",
                   {"!01.01.11", "1first", "^2", "~3", "!01.01.11", "2second"},
                   {{"1first", "2second"}, {"3"}, {"2"}}},
        LayoutCase{"last line '!' adds an empty text line",
                   {"^1", "~1", "!01.01.11"},
                   {{""}, {"1"}, {"1"}}},
        LayoutCase{"index and tariff taken by their marks only",
                   {"x1", "y1", "!01.01.11", "1t"},
                   {{"1t"}, {}, {}}},
        LayoutCase{
            "rest after the first mark", {"^^7", "~~", "!01.01.11", "1t"}, {{"1t"}, {"~"}, {"^7"}}},
        LayoutCase{"lines before the first '!' and strays ignored",
                   {"garbage", "1text without date", "^9", "~9"},
                   {}},
        LayoutCase{"date read from eight characters",
                   {"^1", "~1", "!14.10.10 и хвост", "1t"},
                   {{"1t"}, {"1"}, {"1"}}},
        LayoutCase{"four-digit year beyond eight characters is cut",
                   {"^1", "~1", "!14.10.2010", "1t"},
                   {{"1t"}, {"1"}, {"1"}}},  // "14.10.20" reads as 2020
        LayoutCase{"text line starting with '!' is also a date line",
                   {"^1", "~1", "!01.01.11", "!01.01.11", "1t"},
                   {{"!01.01.11", "1t"}, {"1"}, {"1"}}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(DatedLayoutClock, AnnouncementRunsUpToTheEndOfTheDayBeforeItsDate)
{
    const QStringList lines{"^1", "~1", "!14.10.10", "1t"};
    struct {
        QDateTime now;
        bool taken;
    } const cases[] = {
        {QDateTime(QDate(2010, 10, 13), QTime(23, 59, 59, 999)), true},
        {QDateTime(QDate(2010, 10, 14), QTime(0, 0)), true},  // not earlier than now
        {QDateTime(QDate(2010, 10, 14), QTime(0, 0, 0, 1)), false},
        {QDateTime(QDate(2010, 12, 31), QTime(12, 0)), false},
        // Around a new year the two-digit year still reads right.
        {QDateTime(QDate(2009, 12, 31), QTime(23, 0)), true},
    };
    for (const auto& c : cases) {
        QStringList text, tariff, index;
        TickerBlock::parseTxt(lines, c.now, text, tariff, index);
        EXPECT_EQ(text.size(), c.taken ? 1 : 0) << c.now.toString().toStdString();
    }
}

class BlockLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(BlockLayout, Parsed)
{
    const LayoutCase& c = GetParam();
    Block got;
    TickerBlock::parseStr(c.lines, got.text, got.tariff, got.index);
    expectBlock(got, c);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BlockLayout,
    ::testing::Values(
        LayoutCase{"three-line announcements",
                   {"^1", "~0", "1a", "^2", "~3", "2b"},
                   {{"1a", "2b"}, {"0", "3"}, {"1", "2"}}},
        LayoutCase{"text lines only", {"1a", "2b"}, {{"1a", "2b"}, {}, {}}},
        LayoutCase{"empty lines are text lines", {"", "^1", "", "~"}, {{"", ""}, {""}, {"1"}}},
        LayoutCase{"marks only at the start", {" ^1", "a~1"}, {{" ^1", "a~1"}, {}, {}}},
        LayoutCase{"'!' lines are text here", {"!14.10.10"}, {{"!14.10.10"}, {}, {}}}),
    [](const auto& info) { return std::to_string(info.index); });

class BlockFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QString& text)
    {
        const QString path = dir.filePath(name);
        test::writeAll(path, test::cp1251(text));
        return path;
    }
    QTemporaryDir dir;
    Settings settings;
    TickerBlock block{settings};
};

TEST_F(BlockFiles, ExtensionDecidesTheLayoutCaseSensitively)
{
    const QString content = QStringLiteral("^1\r\n~2\r\n!14.10.10\r\n3Текст\r\n");
    block.LoadTickerFile(write("a.txt", content), kNow);
    EXPECT_EQ(block.text(), QStringList{QStringLiteral("3Текст")});
    block.LoadTickerFile(write("a.str", content), kNow);
    EXPECT_EQ(block.text(), (QStringList{"!14.10.10", QStringLiteral("3Текст")}));
    EXPECT_EQ(block.index(), QStringList{"1"});
    const QStringList before = block.text();
    for (const char* name : {"a.TXT", "a.Str", "a.csv", "noextension", "a.txt.bak"}) {
        block.LoadTickerFile(write(QString::fromLatin1(name), content), kNow);
        EXPECT_EQ(block.text(), before) << name;
        EXPECT_EQ(block.index(), QStringList{"1"}) << name;
    }
    // A dot in a folder name is no extension.
    ASSERT_TRUE(QDir(dir.path()).mkdir("d.txt"));
    test::writeAll(dir.filePath("d.txt/plain"), "x");
    block.LoadTickerFile(dir.filePath("d.txt/plain"), kNow);
    EXPECT_EQ(block.text(), before);
}

TEST_F(BlockFiles, CountersFollowEveryLoad)
{
    block.LoadTickerFile(write("a.str", "^1\r\n~0\r\n1a\r\n2b\r\n"), kNow);
    EXPECT_EQ(settings.text(key::SCEdit12), "2");
    EXPECT_EQ(settings.text(key::SCEdit14), "1");
    EXPECT_EQ(settings.text(key::SCEdit15), "1");
}

TEST_F(BlockFiles, UnreadableFileFailsAndLeavesTheListsCleared)
{
    block.LoadTickerFile(write("a.str", "1a\r\n"), kNow);
    QSignalSpy loading(&block, &TickerBlock::loading);
    EXPECT_THROW(block.LoadTickerFile(dir.filePath("missing.str"), kNow), Failure);
    EXPECT_TRUE(block.text().isEmpty());
    EXPECT_EQ(settings.text(key::SCEdit12), "0");
    // The lists stay hidden until the next successful load.
    ASSERT_EQ(loading.size(), 1);
    EXPECT_EQ(loading[0][0].toBool(), true);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.str"));
    EXPECT_THROW(block.LoadTickerFile(dir.filePath("folder.str"), kNow), Failure);
}

TEST_F(BlockFiles, TheStartupBlockIsTheLastFileReadOrWrittenWhole)
{
    const QString first = write("first.str", "1a\r\n");
    QList<qsizetype> progress;
    block.openStartupBlock(first, kNow, [&](qsizetype position, qsizetype) {
        progress.append(position);
        // The file is named while it is read.
        EXPECT_EQ(settings.text(key::SCEdit5), first);
    });
    EXPECT_FALSE(progress.isEmpty());
    EXPECT_EQ(settings.text(key::SCEdit5), first);
    // A file that cannot be read leaves the previous name for the next start.
    EXPECT_THROW(block.openStartupBlock(dir.filePath("missing.str"), kNow), Failure);
    EXPECT_EQ(settings.text(key::SCEdit5), first);
    // Only a block really written becomes the start-up block.
    EXPECT_THROW(block.saveStartupBlock(dir.filePath("no/such/folder/x.str")), Failure);
    EXPECT_EQ(settings.text(key::SCEdit5), first);
    block.saveStartupBlock(dir.filePath("second.str"));
    EXPECT_EQ(settings.text(key::SCEdit5), dir.filePath("second.str"));

    // The open as a later load: named at once, the previous name back when it cannot be read.
    bool answered = false;
    block.openStartupBlockLater(dir.filePath("missing.str"), kNow,
                                [&](const QString& error) { answered = !error.isEmpty(); });
    EXPECT_EQ(settings.text(key::SCEdit5), dir.filePath("missing.str"));
    ASSERT_TRUE(test::waitFor([&] { return answered; }));
    EXPECT_EQ(settings.text(key::SCEdit5), dir.filePath("second.str"));
}

// Read on a worker: the lists change only when the file has been read, in the order the loads
// were asked for, each caller hearing after its own block is in place.
TEST_F(BlockFiles, LaterLoadsApplyInOrderAndAnswerAfterTheListsAreInPlace)
{
    block.setLists({"0Старое"}, {"0"}, {"1"});
    const QString first = write("first.str", "^1\r\n~0\r\n1Первое\r\n^2\r\n~0\r\n1Второе\r\n");
    const QString second = write("second.txt", "^7\r\n~0\r\n!14.10.10\r\n3Завтра\r\n");
    QStringList heard;
    QList<QStringList> seen;
    QList<qsizetype> progressMax;
    block.loadTickerFileLater(
        first, kNow,
        [&](const QString& error) {
            heard.append("first:" + error);
            seen.append(block.text());
        },
        [&](qsizetype, qsizetype maximum) { progressMax.append(maximum); });
    block.loadTickerFileLater(second, kNow, [&](const QString& error) {
        heard.append("second:" + error);
        seen.append(block.text());
    });
    // Nothing has changed yet: the user-interface thread did not wait for the files.
    EXPECT_EQ(block.text(), QStringList{"0Старое"});
    EXPECT_EQ(block.loadsPending(), 2);
    ASSERT_TRUE(test::waitFor([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, (QStringList{"first:", "second:"}));
    EXPECT_EQ(seen[0], (QStringList{"1Первое", "1Второе"}));
    EXPECT_EQ(seen[1], QStringList{"3Завтра"});
    EXPECT_EQ(block.index(), QStringList{"7"});
    EXPECT_EQ(settings.text(key::SCEdit12), "1");
    EXPECT_EQ(block.loadsPending(), 0);
    ASSERT_FALSE(progressMax.isEmpty());
    EXPECT_EQ(progressMax.last(), 6);

    // An extension of no block layout loads nothing, and still answers in its turn.
    bool answered = false;
    block.loadTickerFileLater(write("notes.csv", "x\r\n"), kNow,
                              [&](const QString& error) { answered = error.isEmpty(); });
    ASSERT_TRUE(test::waitFor([&] { return answered; }));
    EXPECT_EQ(block.text(), QStringList{"3Завтра"});
}

// As LoadTickerFile: a file that cannot be read leaves the lists cleared and hidden, and the
// caller hears why.
TEST_F(BlockFiles, LaterLoadOfAnUnreadableFileClearsTheListsAndSaysWhy)
{
    block.setLists({"1a", "2b"}, {"0", "0"}, {"1", "2"});
    QSignalSpy loading(&block, &TickerBlock::loading);
    QSignalSpy changed(&block, &TickerBlock::changed);
    QString error;
    block.loadTickerFileLater(dir.filePath("missing.str"), kNow,
                              [&](const QString& e) { error = e.isEmpty() ? "none" : e; });
    ASSERT_TRUE(test::waitFor([&] { return !error.isEmpty(); }));
    EXPECT_NE(error, "none");
    EXPECT_TRUE(error.contains("missing.str")) << error.toStdString();
    EXPECT_TRUE(block.text().isEmpty());
    EXPECT_TRUE(block.index().isEmpty());
    EXPECT_EQ(settings.text(key::SCEdit12), "0");
    ASSERT_EQ(loading.size(), 1);
    EXPECT_EQ(loading[0][0].toBool(), true);
    EXPECT_EQ(changed.size(), 1);
}

TEST_F(BlockFiles, Utf8AndCp1251FilesReadAlike)
{
    const QString text = QStringLiteral("^1\r\n~0\r\n1Объявление я\r\n");
    test::writeAll(dir.filePath("u.str"), text.toUtf8());
    block.LoadTickerFile(dir.filePath("u.str"), kNow);
    const QStringList utf8 = block.text();
    block.LoadTickerFile(write("c.str", text), kNow);
    EXPECT_EQ(block.text(), utf8);
    EXPECT_EQ(utf8, QStringList{QStringLiteral("1Объявление я")});
}

TEST_F(BlockFiles, SaveWritesThreeLinesOrTextAlone)
{
    block.setLists({"1a", "2b"}, {"5"}, {"1", "2"});
    block.save(dir.filePath("out.str"));
    // A missing tariff is written as "~" alone.
    EXPECT_EQ(test::readAll(dir.filePath("out.str")), "^1\r\n~5\r\n1a\r\n^2\r\n~\r\n2b\r\n");

    block.setLists({"1a", QStringLiteral("2я")}, {"0", "0"}, {"1"});
    block.save(dir.filePath("out.str"));
    EXPECT_EQ(test::readAll(dir.filePath("out.str")), "1a\r\n2\xFF\r\n");

    block.setLists({}, {}, {});
    block.save(dir.filePath("out.str"));
    EXPECT_EQ(test::readAll(dir.filePath("out.str")), "");
}

TEST_F(BlockFiles, SaveAndLoadRoundTrip)
{
    const QStringList text{QStringLiteral("1Первое"), "", QStringLiteral("!Стоп ] тариф"), "_rss"};
    const QStringList tariff{"0", "9", "1", ""};
    const QStringList index{"10", "11", "12", "13"};
    block.setLists(text, tariff, index);
    block.save(dir.filePath("round.str"));
    block.setLists({}, {}, {});
    block.LoadTickerFile(dir.filePath("round.str"), kNow);
    EXPECT_EQ(block.text(), text);
    EXPECT_EQ(block.tariff(), tariff);
    EXPECT_EQ(block.index(), index);
}

TEST_F(BlockFiles, TextOnlyBlockSavedWithTheDefaultExtensionReadsAsDated)
{
    // Saved in the block layout under a ".txt" name; reloaded by the dated rules only
    // announcements introduced by "!" lines come back.
    block.setLists({"1a", "!01.01.11", "2b"}, {}, {});
    block.save(dir.filePath("saved.txt"));
    block.LoadTickerFile(dir.filePath("saved.txt"), kNow);
    EXPECT_EQ(block.text(), QStringList{"2b"});
    EXPECT_TRUE(block.index().isEmpty());
}

TEST_F(BlockFiles, RemoveRssLinesKeepsTheListsParallel)
{
    block.setLists({"1a", "1_rss", "2b", "_", "3_"}, {"0", "1", "2", "3", "4"},
                   {"i0", "i1", "i2", "i3", "i4"});
    block.RemoveRssLines();
    EXPECT_EQ(block.text(), (QStringList{"1a", "2b", "_"}));
    EXPECT_EQ(block.tariff(), (QStringList{"0", "2", "3"}));
    EXPECT_EQ(block.index(), (QStringList{"i0", "i2", "i3"}));
    for (const char* counter : {key::SCEdit12, key::SCEdit14, key::SCEdit15})
        EXPECT_EQ(settings.text(counter), "3");

    // Shorter companion lists do not make it fail.
    block.setLists({"1_x", "1a", "1b"}, {"0"}, {});
    block.RemoveRssLines();
    EXPECT_EQ(block.text(), (QStringList{"1a", "1b"}));
    EXPECT_TRUE(block.tariff().isEmpty());
    EXPECT_TRUE(block.index().isEmpty());
}

TEST_F(BlockFiles, BinaryFileLoadsWithoutHarm)
{
    QByteArray bytes;
    for (int i = 0; i < 5000; ++i)
        bytes.append(char((i * 131 + 7) % 256));
    test::writeAll(dir.filePath("bin.str"), bytes);
    test::writeAll(dir.filePath("bin.txt"), bytes);
    EXPECT_NO_THROW(block.LoadTickerFile(dir.filePath("bin.str"), kNow));
    EXPECT_NO_THROW(block.LoadTickerFile(dir.filePath("bin.txt"), kNow));
    EXPECT_EQ(settings.text(key::SCEdit12), QString::number(block.text().size()));
}

TEST_F(BlockFiles, StatusStaysSmallForAnyBlock)
{
    QStringList text;
    for (int i = 0; i < 5000; ++i)
        text.append(QStringLiteral("1line %1").arg(i));
    text[3] = QString(100'000, u'x');
    block.setLists(text, {"5"}, {"1", "2"});
    const QJsonObject status = block.statusJson("a.str");
    EXPECT_EQ(status.value("file").toString(), "a.str");
    EXPECT_EQ(status.value("text").toArray().size(), TickerBlock::kStatusLines);
    EXPECT_EQ(status.value("text").toArray().at(999).toString(), "1line 999");
    EXPECT_EQ(status.value("text").toArray().at(3).toString().size(),
              TickerBlock::kStatusLineChars);
    EXPECT_EQ(status.value("text_count").toInt(), 5000);
    EXPECT_EQ(status.value("tariff_count").toInt(), 1);
    EXPECT_EQ(status.value("index").toArray(), (QJsonArray{"1", "2"}));
    EXPECT_TRUE(status.value("cut").toBool());
    EXPECT_LT(QJsonDocument(status).toJson(QJsonDocument::Compact).size(), 40'000);

    block.setLists({"1a"}, {"5"}, {"1"});
    const QJsonObject small = block.statusJson("b.str");
    EXPECT_FALSE(small.value("cut").toBool());
    EXPECT_EQ(small.value("text"), (QJsonArray{"1a"}));
}

TEST_F(BlockFiles, ABlockFileOverItsLimitIsRefusedWithoutReadingIt)
{
    const QString path = dir.filePath("huge.str");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(200'000'000));  // sparse: zero bytes, as a damaged copy leaves
    }
    try {
        block.LoadTickerFile(path, kNow);
        FAIL() << "a 200 MB block was loaded";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.text().contains(QString::number(kMaxBlockFileBytes)));
    }
    EXPECT_TRUE(block.text().isEmpty());
}

// A reader outside the ticker (the upload's web page) gets the text with the operator's edits
// that the text page still holds.
TEST(BlockTextReader, TakesThePendingEditsInFirst)
{
    Settings settings;
    TickerBlock block(settings);
    struct PageEdits final : BlockEdits {
        explicit PageEdits(TickerBlock& b) : block(b) {}
        void flushEdits() override { block.setText({QStringLiteral("0typed")}); }
        TickerBlock& block;
    } edits(block);
    BlockTextReader reader(block, edits);
    EXPECT_EQ(reader.wholeText(), QStringList{QStringLiteral("0typed")});
}

}  // namespace
}  // namespace velumo
