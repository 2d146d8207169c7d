#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <cstdlib>

#include "base/pageschema.h"
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

// The tariff page names each single mode with the digit that selects it and lists the five
// combinations; the group captions stay the translatable texts they were.
TEST_F(TickerSettingsUiTest, TariffGroupsStandWithTheirDigitsAndTheCombinationsFollow)
{
    window.resize(1120, 660);
    window.show();
    window.showPage(pageid::Modes);
    QApplication::processEvents();
    const std::pair<const char*, const char*> modes[] = {
        {key::SCEdit3, "1"}, {key::SCEdit81, "2"}, {key::SpinEdit15, "3"}, {key::SCEdit82, "4"}};
    QList<QGroupBox*> boxes;
    for (const auto& [field, digit] : modes) {
        auto* box = qobject_cast<QGroupBox*>(window.control(field)->parentWidget());
        ASSERT_NE(box, nullptr) << field;
        boxes.append(box);
        auto* number = window.findChild<QLabel*>(QStringLiteral("TariffDigit") + digit);
        ASSERT_NE(number, nullptr) << digit;
        EXPECT_EQ(number->text(), QString::fromLatin1(digit));
        EXPECT_TRUE(number->isVisible());
        // The digit leads its group: just left of it, level with its caption.
        const QRect numberRect(number->mapTo(&window, QPoint()), number->size());
        const QRect boxRect(box->mapTo(&window, QPoint()), box->size());
        EXPECT_LE(numberRect.right(), boxRect.left()) << digit;
        EXPECT_GT(numberRect.right(), boxRect.left() - 40) << digit;
        EXPECT_LT(std::abs(numberRect.top() - boxRect.top()), 12) << digit;
    }
    EXPECT_EQ(boxes[0]->title(), "Стоп");
    EXPECT_EQ(boxes[1]->title(), "Изменение цвета");
    EXPECT_EQ(boxes[2]->title(), "Временное замедление ");
    EXPECT_EQ(boxes[3]->title(), "Изменение шрифта");
    // Two by two: 1 beside 2, 3 under 1, 4 beside 3.
    EXPECT_EQ(boxes[0]->mapTo(&window, QPoint()).y(), boxes[1]->mapTo(&window, QPoint()).y());
    EXPECT_LT(boxes[0]->mapTo(&window, QPoint()).x(), boxes[1]->mapTo(&window, QPoint()).x());
    EXPECT_GT(boxes[2]->mapTo(&window, QPoint()).y(), boxes[0]->mapTo(&window, QPoint()).y());
    EXPECT_EQ(boxes[2]->mapTo(&window, QPoint()).y(), boxes[3]->mapTo(&window, QPoint()).y());

    int lastTop = boxes[3]->mapTo(&window, QPoint()).y() + boxes[3]->height();
    const QStringList combinations = {
        "5 Стоп/Цвет- сочетание тарифов", "6 Стоп/Шрифт- сочетание тарифов",
        "7 Цвет/Тормоз- сочетание тарифов", "8 Цвет/Шрифт- сочетание тарифов",
        "9 Тормоз/Шрифт- сочетание тарифов"};
    for (int i = 0; i < combinations.size(); ++i) {
        auto* label = window.findChild<QLabel*>(QStringLiteral("TariffCombination%1").arg(i + 5));
        ASSERT_NE(label, nullptr) << i;
        EXPECT_EQ(label->text(), combinations[i]);
        EXPECT_TRUE(label->isVisible());
        const int top = label->mapTo(&window, QPoint()).y();
        EXPECT_GE(top, lastTop) << i;
        lastTop = top + label->height();
    }
    // None of the new texts is a line of the translation file.
    for (const QString& name : window.componentNames())
        EXPECT_FALSE(name.startsWith(QStringLiteral("Tariff"))) << name.toStdString();
}

}  // namespace
}  // namespace velumo::test
