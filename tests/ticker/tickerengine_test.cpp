#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTemporaryDir>

#include "base/settingskeys.h"
#include "base/wincolor.h"
#include "ticker/accessorygeometry.h"
#include "ticker/announcementpicture.h"
#include "ticker/recordingview.h"
#include "ticker/tickerfont.h"
#include "ticker/tickerrig.h"

namespace velumo::test {
namespace {

class TickerEngineTest : public ::testing::Test, protected TickerRig {
protected:
    TickerEngineTest()
    {
        settings.setText(key::SCEdit6, QStringLiteral("DejaVu Sans"));
        settings.setText(key::SCEdit18, QStringLiteral("12"));
        settings.setText(key::SCEdit77, QStringLiteral("400"));
        settings.setSpin(key::SpinEdit1, 2);
        settings.setSpin(key::SpinEdit2, 1);
        settings.setSpin(key::SpinEdit13, 0);
        settings.setChecked(key::SCCheckBox9, false);
        engine.setView(&view);
    }

    void setBlock(const QStringList& text, const QStringList& tariff, const QStringList& index)
    {
        block.setLists(text, tariff, index);
    }
    // Runs frame by frame until n pictures have been prepared (or the time limit passes).
    void runUntilTexts(qsizetype n, qint64 limitMs = 600000)
    {
        const qint64 end = clock.monotonicMs() + limitMs;
        while (view.texts.size() < n && clock.monotonicMs() < end) {
            // A block being read on its worker is waited for, as the real frames would.
            if (block.loadsPending() > 0)
                test::waitFor([&] { return block.loadsPending() == 0; });
            timers.advance(TickerEngine::kFrameMs);
        }
    }
    int drawnWidth() { return view.picture->drawnWidth(); }

    RecordingView view;
    std::vector<int>& icons = companions.icons;
    int& clockRedraws = companions.clockRedraws;
    int& dispatcherStarts = companions.dispatcherStarts;
};

TEST_F(TickerEngineTest, ShowsTheLinesInOrderWithTheirIconsAndCountsPasses)
{
    setBlock({"3Привет", "Aмир", ""}, {"0", "0", "0"}, {"1", "2", "3"});
    engine.BitBtn2Click();
    EXPECT_TRUE(engine.TickerRunning());
    EXPECT_EQ(clockRedraws, 1);
    EXPECT_EQ(dispatcherStarts, 0);
    runUntilTexts(4);
    ASSERT_GE(view.texts.size(), 4);
    EXPECT_EQ(view.texts.mid(0, 4), QStringList({"Привет ", "мир ", " ", "Привет "}));
    EXPECT_EQ(std::vector<int>(icons.begin(), icons.begin() + 4), std::vector<int>({3, 10, 10, 3}));
    EXPECT_EQ(engine.BlockRunCount(), 1);
    EXPECT_EQ(engine.CurrentLine(), 1);
    EXPECT_EQ(engine.ResumeLine(), 1);
}

TEST_F(TickerEngineTest, NextAnnouncementStartsWhenThePreviousHasLeftTheStrip)
{
    setBlock({"0Первое объявление", "0Второе"}, {"0", "0"}, {"1", "2"});
    engine.BitBtn2Click();
    ASSERT_EQ(view.texts.size(), 1);
    EXPECT_EQ(view.left, 400);
    const int width = drawnWidth();
    // 1 px every 2 ms: the picture must travel the strip, its own width and the gap of 20.
    const qint64 expectedMs = qint64(400 + width + TickerEngine::kGapPx) * 2;
    timers.advance(expectedMs - TickerEngine::kFrameMs);
    EXPECT_EQ(view.texts.size(), 1);
    timers.advance(2 * TickerEngine::kFrameMs);
    EXPECT_EQ(view.texts.size(), 2);
}

TEST_F(TickerEngineTest, PositionFollowsTheClockWithoutDrift)
{
    settings.setSpin(key::SpinEdit1, 3);
    settings.setSpin(key::SpinEdit2, 2);
    setBlock({QStringLiteral("0") + QString(3000, u'ж')}, {"0"}, {"1"});
    engine.BitBtn2Click();
    const int startLeft = view.left;
    timers.advance(30000);  // 30 s at 2 px per 3 ms
    EXPECT_EQ(view.left, startLeft - 20000);
    // Repaints at most once a frame.
    EXPECT_LE(view.lefts.size(), size_t(30000 / TickerEngine::kFrameMs + 2));
}

TEST_F(TickerEngineTest, StepZeroStandsStillAndDelayZeroRunsAtOnePixelAMillisecond)
{
    setBlock({"0Текст"}, {"0"}, {"1"});
    settings.setSpin(key::SpinEdit2, 0);
    engine.BitBtn2Click();
    timers.advance(5000);
    EXPECT_EQ(view.left, 400);
    EXPECT_EQ(view.texts.size(), 1);

    settings.setSpin(key::SpinEdit2, 1);
    settings.setSpin(key::SpinEdit1, 0);
    engine.RunTicker();
    EXPECT_EQ(engine.effectiveDelayMs(), 1);
    timers.advance(160);
    engine.frame();
    EXPECT_EQ(view.left, 400 - 160);
}

TEST_F(TickerEngineTest, PanelPhraseComesNextAndTheInterruptedLineFollows)
{
    setBlock({"1Один", "2Два", "3Три"}, {"0", "0", "0"}, {"1", "2", "3"});
    engine.BitBtn2Click();
    engine.setPanelPhrase(QStringLiteral("Фраза"));
    runUntilTexts(3);
    EXPECT_EQ(view.texts, QStringList({"Один ", "Фраза", "Два "}));
    EXPECT_FALSE(engine.PanelPhrasePending());
    // The phrase is logged as put on the strip.
    ASSERT_EQ(log.records().size(), 3);
    EXPECT_TRUE(log.records()[1].endsWith(";Фраза"));
}

// The line on air is the one whose picture is on the strip: none for a phrase, none stopped.
TEST_F(TickerEngineTest, OnAirLineIsTheBlockLineOnTheStrip)
{
    setBlock({"1Один", "2Два", "3Три"}, {"0", "0", "0"}, {"1", "2", "3"});
    std::vector<int> marks;
    QObject::connect(&engine, &TickerEngine::onAirLineChanged,
                     [&marks](int line) { marks.push_back(line); });
    EXPECT_EQ(engine.onAirLine(), -1);
    engine.BitBtn2Click();
    runUntilTexts(2);
    engine.setPanelPhrase(QStringLiteral("Фраза"));
    runUntilTexts(5);
    EXPECT_EQ(view.texts, QStringList({"Один ", "Два ", "Фраза", "Три ", "Один "}));
    EXPECT_EQ(marks, (std::vector<int>{0, 1, -1, 2, 0}));
    engine.StopTicker();
    EXPECT_EQ(engine.onAirLine(), -1);
    // An empty block puts no line on air.
    setBlock({}, {}, {});
    engine.ContinueTicker();
    runUntilTexts(6);
    EXPECT_EQ(engine.onAirLine(), -1);
}

TEST_F(TickerEngineTest, PanelPhraseBeforeTheFirstLineReadsNoLineBeforeTheBlock)
{
    setBlock({"5Один", "Два"}, {"7", "0"}, {"1", "2"});
    engine.setPanelPhrase(QStringLiteral("Фраза"));
    engine.BitBtn2Click();
    runUntilTexts(2);
    EXPECT_EQ(view.texts, QStringList({"Фраза", "Один "}));
    EXPECT_EQ(icons[0], TickerEngine::kDefaultIconCode);
    EXPECT_EQ(icons[1], 5);
    EXPECT_EQ(engine.BlockRunCount(), 0);
    ASSERT_EQ(log.records().size(), 2);
    EXPECT_TRUE(log.records()[0].contains(";;;Фраза"));
    EXPECT_TRUE(log.records()[1].endsWith(";1;7;Один "));
}

TEST_F(TickerEngineTest, ReloadsTheBlockFileAfterTheLastLine)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("block.str"));
    writeAll(file, cp1251(QStringLiteral("^1\r\n~0\r\n0Старое1\r\n^2\r\n~0\r\n0Старое2\r\n")));
    block.LoadTickerFile(file, clock.now());
    settings.setText(key::SCEdit5, file);
    settings.setChecked(key::SCCheckbox29, true);
    engine.BitBtn2Click();
    // Edited while the first line runs: the new block follows the last line.
    writeAll(file, cp1251(QStringLiteral("^7\r\n~0\r\n0Новое\r\n^8\r\n~0\r\n0Ещё\r\n")));
    runUntilTexts(4);
    EXPECT_EQ(view.texts, QStringList({"Старое1 ", "Старое2 ", "Новое ", "Ещё "}));
    EXPECT_EQ(engine.BlockRunCount(), 2);
    // Each record carries the pass in which its announcement was prepared, and its own index
    // from the block as it was then.
    ASSERT_EQ(log.records().size(), 4);
    EXPECT_TRUE(log.records()[1].startsWith("0 повтор ;"));
    EXPECT_TRUE(log.records()[1].endsWith(";2;0;Старое2 "));
    EXPECT_TRUE(log.records()[2].startsWith("1 повтор ;"));
    EXPECT_TRUE(log.records()[2].endsWith(";7;0;Новое "));
}

// The block read again after the last line comes off a worker: the strip runs on empty while
// it is read, and the next announcement is the new block's first, entering at the right end.
TEST_F(TickerEngineTest, NextAnnouncementWaitsForTheBlockReadAgain)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("block.str"));
    writeAll(file, cp1251(QStringLiteral("^1\r\n~0\r\n0Старое\r\n")));
    block.LoadTickerFile(file, clock.now());
    settings.setText(key::SCEdit5, file);
    settings.setChecked(key::SCCheckbox29, true);
    writeAll(file, cp1251(QStringLiteral("^7\r\n~0\r\n0Новое\r\n")));
    std::vector<int> onAir;
    QObject::connect(&engine, &TickerEngine::onAirLineChanged,
                     [&](int line) { onAir.push_back(line); });
    engine.BitBtn2Click();
    // The one line was the last: its preparation asked for the block again.
    ASSERT_EQ(view.texts, QStringList{"Старое "});
    EXPECT_EQ(block.loadsPending(), 1);
    // Frames without the worker's answer: the picture leaves, no other comes.
    for (int i = 0; i < 4000; ++i)
        timers.advance(TickerEngine::kFrameMs);
    EXPECT_EQ(view.texts, QStringList{"Старое "});
    EXPECT_EQ(block.text(), QStringList{"0Старое"});
    ASSERT_TRUE(test::waitFor([&] { return block.loadsPending() == 0; }));
    EXPECT_EQ(block.text(), QStringList{"0Новое"});
    // The on-air line is told again on the new block.
    EXPECT_EQ(onAir, (std::vector<int>{0, 0}));
    runUntilTexts(2);
    EXPECT_EQ(view.texts, QStringList({"Старое ", "Новое "}));
    EXPECT_EQ(view.lefts.back(), 400);
    // The new block's one line is its last too: another pass, another reading.
    EXPECT_EQ(engine.BlockRunCount(), 2);
    EXPECT_EQ(block.loadsPending(), 1);
}

TEST_F(TickerEngineTest, UnreadableBlockFileIsReportedOnceAndTheStripGoesOn)
{
    setBlock({"0А"}, {"0"}, {"1"});
    settings.setText(key::SCEdit5, QStringLiteral("/nonexistent/folder/block.str"));
    settings.setChecked(key::SCCheckbox29, true);
    engine.BitBtn2Click();
    ASSERT_TRUE(test::waitFor([&] { return block.loadsPending() == 0; }));
    EXPECT_EQ(notifier.errors.size(), 1);
    runUntilTexts(3);
    EXPECT_EQ(view.texts.size(), 3);
    EXPECT_TRUE(engine.TickerRunning());
    EXPECT_EQ(engine.BlockRunCount(), 3);
}

TEST_F(TickerEngineTest, EmptyBlockGivesEmptyAnnouncementsEachAPass)
{
    engine.BitBtn2Click();
    runUntilTexts(3);
    EXPECT_EQ(view.texts, QStringList({" ", " ", " "}));
    EXPECT_EQ(icons, std::vector<int>({10, 10, 10}));
    EXPECT_EQ(engine.BlockRunCount(), 3);
    EXPECT_TRUE(log.records().isEmpty());
}

TEST_F(TickerEngineTest, ListsOfDifferentLengthsLogNothing)
{
    setBlock({"0А", "0Б"}, {"0"}, {});
    engine.BitBtn2Click();
    runUntilTexts(3);
    EXPECT_EQ(view.texts, QStringList({"А ", "Б ", "А "}));
    EXPECT_TRUE(log.records().isEmpty());
}

TEST_F(TickerEngineTest, TariffsAreNormalisedAndApplied)
{
    settings.setText(key::SCEdit81, QStringLiteral("255"));
    settings.setSpin(key::SpinEdit15, 7);
    setBlock({"0А", "0Б", "0В", "0Г"}, {"x7", "12", "", "3"}, {"1", "2", "3", "4"});
    engine.BitBtn2Click();
    // "x7" becomes "07": temporary colour and delay.
    EXPECT_EQ(block.tariff()[0], "07");
    EXPECT_EQ(engine.style().text, colorFromNumber(255));
    EXPECT_EQ(engine.effectiveDelayMs(), 7);
    runUntilTexts(2);
    EXPECT_EQ(block.tariff()[1], "12");
    EXPECT_EQ(engine.style().text, colorFromNumber(65535));
    EXPECT_EQ(engine.effectiveDelayMs(), 2);
    runUntilTexts(4);
    EXPECT_EQ(engine.effectiveDelayMs(), 7);
    EXPECT_EQ(block.tariff(), QStringList({"07", "12", "", "3"}));
}

TEST_F(TickerEngineTest, HaltingLineStandsStillOnceAtTheStopPlace)
{
    settings.setText(key::SCEdit3, QStringLiteral("500"));
    settings.setSpin(key::SpinEdit16, 100);
    setBlock({"0Скидки ] сегодня", "0Дальше"}, {"1", "0"}, {"1", "2"});
    engine.BitBtn2Click();
    ASSERT_TRUE(engine.haltPending());
    const auto picture = view.picture;
    const int prefix = picture->xOf(7);  // the flag is the 8th character
    ASSERT_GT(prefix, 0);
    const int haltLeft = 100 - prefix - 1;
    // Run until the halt happens.
    int frames = 0;
    while (engine.haltPending() && frames++ < 10000)
        timers.advance(TickerEngine::kFrameMs);
    ASSERT_FALSE(engine.haltPending());
    EXPECT_EQ(view.left, haltLeft);
    // The strip stands still for SCEdit3 ms while the frames keep running (nothing blocks).
    const int firesBefore = timers.find(QStringLiteral("TickerFrame"))->fireCount();
    timers.advance(480);
    EXPECT_EQ(view.left, haltLeft);
    EXPECT_GE(timers.find(QStringLiteral("TickerFrame"))->fireCount(), firesBefore + 29);
    timers.advance(60);
    EXPECT_LT(view.left, haltLeft);
    // Once only.
    engine.frame();
    const int leftAfter = view.left;
    timers.advance(200);
    engine.frame();
    EXPECT_EQ(view.left, leftAfter - 100);
    EXPECT_FALSE(engine.haltPending());
}

TEST_F(TickerEngineTest, HaltWithoutFlagTextHaltsWhenTheStartPassesTheStopPlace)
{
    settings.setSpin(key::SpinEdit16, 50);
    setBlock({"0Без флага"}, {"6"}, {"1"});
    engine.BitBtn2Click();
    int frames = 0;
    while (engine.haltPending() && frames++ < 10000)
        timers.advance(TickerEngine::kFrameMs);
    EXPECT_EQ(view.left, 50 - 1);
}

TEST_F(TickerEngineTest, VeryLongAnnouncementIsDrawnOnlyNearTheStrip)
{
    settings.setSpin(key::SpinEdit13, 3);
    settings.setSpin(key::SpinEdit2, 40);
    settings.setSpin(key::SpinEdit1, 1);
    setBlock({QStringLiteral("0") + QString(100000, u'Ш')}, {"0"}, {"1"});
    engine.BitBtn2Click();
    const auto picture = view.picture;
    EXPECT_LT(picture->placedWidth(), 400 + 3 * AnnouncementPicture::kTileWidthPx);
    int mostTiles = 0;
    for (int i = 0; i < 2000; ++i) {
        timers.advance(TickerEngine::kFrameMs);
        mostTiles = std::max(mostTiles, picture->tileCount());
    }
    // 2000 frames at 40 px/ms have moved the text about 1.3 million pixels.
    EXPECT_GT(picture->placedWidth(), 1000000);
    EXPECT_LE(mostTiles, 400 / AnnouncementPicture::kTileWidthPx + 3);
}

// A hold cuts the block's announcement at once and comes over and over; an announcement goes
// before the hold's next turn; taken off, the hold leaves the strip at once and the block goes on
// with the announcement it cut, logged once for each time it was put on the strip.
TEST_F(TickerEngineTest, HoldCutsTheBlockAndTheBlockResumesWhereItStood)
{
    setBlock({"1Один", "2Два", "3Три"}, {"0", "0", "0"}, {"1", "2", "3"});
    engine.BitBtn2Click();
    runUntilTexts(2);
    timers.advance(100);
    engine.hold("h", "Описание");
    timers.advance(TickerEngine::kFrameMs);
    ASSERT_EQ(view.texts.size(), 3);
    EXPECT_EQ(view.texts.last(), "Описание ");
    EXPECT_EQ(view.left, 400);
    EXPECT_EQ(engine.priorityOnStrip(), "h");
    EXPECT_EQ(engine.onAirLine(), -1);
    engine.announce("a", "Объявление");
    engine.announce("gone", "Снятое");
    engine.takeOff("gone");
    runUntilTexts(5);
    EXPECT_EQ(view.texts.mid(3), QStringList({"Объявление ", "Описание "}));
    timers.advance(100);
    engine.takeOff("h");
    timers.advance(TickerEngine::kFrameMs);
    runUntilTexts(7);
    EXPECT_EQ(view.texts.mid(5), QStringList({"Два ", "Три "}));
    EXPECT_TRUE(engine.priorityOnStrip().isEmpty());
    // No record for the priority texts: the block's own lines only.
    ASSERT_EQ(log.records().size(), 4);
    EXPECT_TRUE(log.records()[2].endsWith(";Два "));
}

TEST_F(TickerEngineTest, StopParksAndContinueResumesAfterTheLastPrepared)
{
    setBlock({"0А", "0Б", "0В"}, {"0", "0", "0"}, {"1", "2", "3"});
    engine.BitBtn2Click();
    runUntilTexts(2);
    engine.StopTicker();
    EXPECT_FALSE(engine.TickerRunning());
    EXPECT_TRUE(view.parked);
    EXPECT_EQ(view.left, TickerEngine::kParkedLeftPx);
    EXPECT_EQ(view.workLabel, " ");
    EXPECT_FALSE(timers.find(QStringLiteral("TickerFrame"))->isActive());
    timers.advance(10000);
    EXPECT_EQ(view.texts.size(), 2);
    engine.ContinueTicker();
    EXPECT_EQ(view.workLabel, "Работаем");
    EXPECT_TRUE(engine.TickerRunning());
    runUntilTexts(3);
    EXPECT_EQ(view.texts.last(), "В ");
}

TEST_F(TickerEngineTest, StartButtonLaysOutTheWindowsFromTheSettings)
{
    settings.setChecked(key::SCCheckBox6, true);
    settings.setText(key::SCEdit45, QStringLiteral("100"));
    settings.setText(key::SCEdit43, QStringLiteral("300"));
    settings.setText(key::SCEdit17, QStringLiteral("10"));
    settings.setText(key::SCEdit28, QStringLiteral("-20"));
    engine.SCButton3Click();
    EXPECT_TRUE(engine.TickerRunning());
    EXPECT_EQ(dispatcherStarts, 1);
    EXPECT_EQ(view.layout.strip.topLeft(), QPoint(100, 300));
    EXPECT_EQ(view.layout.strip.width(), 400);
    EXPECT_EQ(view.layout.clock.x(), 110);
    EXPECT_EQ(view.layout.icon.x(), 80);
    EXPECT_TRUE(view.calls.contains("panel+hide"));
    EXPECT_EQ(view.texts.size(), 1);
}

// The strip's rectangle is stripRect's, as tall as the font's line; a place or width emptied by
// hand is its design value, the start goes on (the strip's left, top and width at 600, 400, 400).
TEST_F(TickerEngineTest, TheStripIsLaidOutByStripRectEvenWithAnEmptiedField)
{
    settings.setText(key::SCEdit18, QStringLiteral("40"));
    engine.SCButton3Click();
    EXPECT_EQ(view.layout.strip, stripRect(settings));
    EXPECT_EQ(view.layout.strip.height(),
              QFontMetrics(tickerFont(settings)).height() + AnnouncementPicture::kExtraHeightPx);
    for (const char* field : {key::SCEdit43, key::SCEdit45, key::SCEdit77})
        settings.setText(QString::fromLatin1(field), QString());
    engine.SCButton3Click();
    EXPECT_EQ(view.layout.strip.topLeft(), QPoint(600, 400));
    EXPECT_EQ(view.layout.strip.width(), 400);
    engine.ContinueTicker();
    EXPECT_TRUE(view.calls.contains("strip 400"));
    EXPECT_TRUE(notifier.errors.isEmpty());
}

TEST_F(TickerEngineTest, BadSettingsNeitherStopNorFreezeTheStrip)
{
    struct Case {
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {key::SpinEdit14, "-40"},   {key::SpinEdit14, "500"},
        {key::SpinEdit2, "100000"}, {key::SCEdit3, ""},
        {key::SCEdit79, ""},        {key::SCEdit85, "x"},
        {key::SCEdit81, "zz"},      {key::SCEdit82, "No Such Font"},
        {key::SCEdit18, "300"},     {key::SpinEdit16, "4000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        settings.resetToDefaults();
        settings.setText(key::SCEdit6, QStringLiteral("DejaVu Sans"));
        settings.setText(QString::fromLatin1(c.name), QString::fromUtf8(c.value));
        setBlock({"0Первое ] объявление", "5", "Ж"}, {"6", "ab", "5"}, {"1", "2", "3"});
        const qsizetype before = view.texts.size();
        engine.BitBtn2Click();
        for (int i = 0; i < 3000 && view.texts.size() < before + 4; ++i)
            timers.advance(TickerEngine::kFrameMs);
        EXPECT_GE(view.texts.size(), before + 4);
        EXPECT_TRUE(notifier.errors.isEmpty());
        engine.StopTicker();
    }
}

TEST_F(TickerEngineTest, AcceleratorSelectsThePreciseTimer)
{
    engine.BitBtn2Click();
    EXPECT_FALSE(timers.find(QStringLiteral("TickerFrame"))->precise());
    settings.setChecked(key::SCCheckbox18, true);
    engine.BitBtn2Click();
    EXPECT_TRUE(timers.find(QStringLiteral("TickerFrame"))->precise());
}

}  // namespace
}  // namespace velumo::test
