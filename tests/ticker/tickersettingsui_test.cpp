#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include "base/settingskeys.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerrig.h"
#include "ticker/tickersettingsui.h"
#include "ticker/tickerwindows.h"
#include "ui/settingswindow.h"

namespace velumo::test {
namespace {

class TickerSettingsUiTest : public ::testing::Test, protected TickerRig {
protected:
    TickerSettingsUiTest()
    {
        settings.setText(key::SCEdit6, QStringLiteral("DejaVu Sans"));
        engine.setView(&windows);
    }

    SettingsWindow window{settings};
    TickerSettingsUi ui{window, settings, engine, log, notifier};
    StripWindow strip;
    TickerWindows windows{strip, nullptr, nullptr, nullptr, &window, ui.workLabel()};
};

TEST_F(TickerSettingsUiTest, StartButtonRunsTheStripAndTheIndicatorFollows)
{
    EXPECT_EQ(ui.workLabel()->text(), "Не работаем");
    EXPECT_EQ(ui.startButton()->toolTip(), "Запустить строку");
    block.setLists({"0А"}, {"0"}, {"1"});
    window.show();
    QTest::mouseClick(ui.startButton(), Qt::LeftButton);
    EXPECT_TRUE(engine.TickerRunning());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(strip.isVisible());
    engine.StopTicker();
    EXPECT_EQ(ui.workLabel()->text(), " ");
    engine.ContinueTicker();
    EXPECT_EQ(ui.workLabel()->text(), "Работаем");
}

TEST_F(TickerSettingsUiTest, LogListShowsTheRecordsWhileItsBoxIsChecked)
{
    settings.setChecked(key::SCCheckbox21, true);
    EXPECT_FALSE(ui.memoLog()->isHidden());
    log.AppendLogRecord(0, "1", "0", "А ");
    log.AppendLogRecord(0, "2", "0", "Б ");
    EXPECT_EQ(ui.memoLog()->toPlainText().split(u'\n').size(), 2);
    settings.setChecked(key::SCCheckbox21, false);
    EXPECT_TRUE(ui.memoLog()->isHidden());
}

TEST_F(TickerSettingsUiTest, StopPlaceBeyondTheStripWidthIsWarnedAbout)
{
    settings.setText(key::SCEdit77, QStringLiteral("400"));
    settings.setSpin(key::SpinEdit16, 400);
    ui.SpinEdit16Change();
    EXPECT_TRUE(notifier.messages.isEmpty());
    settings.setSpin(key::SpinEdit16, 401);
    ui.SpinEdit16Change();
    EXPECT_EQ(notifier.messages,
              QStringList{QString::fromUtf8(TickerSettingsUi::kStopPlaceMessage)});
    EXPECT_EQ(settings.spin(key::SpinEdit16), 401);
}

}  // namespace
}  // namespace velumo::test
