#include <gtest/gtest.h>
#include <QFontDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/wincolor.h"
#include "fakes/fakedevices.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "panel/clockticker.h"
#include "panel/fontchoice.h"
#include "panel/fontstylepage.h"
#include "panel/tickerfontdialog.h"
#include "ticker/tickerfont.h"
#include "ui/settingswindow.h"

using namespace velumo;
using namespace velumo::test;

namespace {

struct PageFixture {
    PageFixture()
        : window(settings),
          ticker(settings, clock, timers, power, notifier),
          page(window, settings, notifier, ticker, &textList)
    {
    }
    QLineEdit* edit(const char* name) const
    {
        return qobject_cast<QLineEdit*>(window.control(QString::fromLatin1(name)));
    }

    Settings settings;
    RecordingNotifier notifier;
    FakeClock clock;
    FakeTimerFactory timers{clock};
    RecordingPowerControl power;
    SettingsWindow window;
    ClockTicker ticker;
    QPlainTextEdit textList;
    FontStylePage page;
};

}  // namespace

TEST(FontStyles, NumbersAndNames)
{
    const char* const names[16] = {
        "Normal",
        "Bold",
        "Italic",
        "BoldItalic",
        "Normal,Underline",
        "Bold,Underline",
        "Italic,Underline",
        "BoldItalic,Underline",
        "Normal,StrikeOut",
        "Bold,StrikeOut",
        "Italic,StrikeOut",
        "BoldItalic,StrikeOut",
        "Normal,Underline,StrikeOut",
        "Bold,Underline,StrikeOut",
        "Italic,Underline,StrikeOut",
        "BoldItalic,Underline,StrikeOut",
    };
    for (int number = 0; number < 16; ++number) {
        EXPECT_EQ(styleName(number), QString::fromLatin1(names[number]));
        QFont font;
        applyStyleNumber(font, number);
        EXPECT_EQ(styleNumber(font), number);
    }
    for (int number : {16, 17, 255, -1}) {
        QFont font;
        font.setItalic(true);
        applyStyleNumber(font, number);
        EXPECT_EQ(styleNumber(font), 2) << number;  // unchanged
    }
}

TEST(FontStyles, ChosenFontSurvivesARestart)
{
    Settings settings;
    QFont font(QStringLiteral("DejaVu Serif"), 40);
    font.setBold(true);
    font.setItalic(true);
    font.setUnderline(true);
    storeTickerFontChoice(settings, font, QColor(1, 72, 246));
    EXPECT_EQ(settings.text(key::SCEdit48), "7");
    EXPECT_EQ(settings.text(key::SCEdit87), "BoldItalic,Underline");
    EXPECT_EQ(settings.text(key::SCEdit6), "DejaVu Serif");
    EXPECT_EQ(settings.text(key::SCEdit18), "40");
    EXPECT_EQ(settings.text(key::SCEdit21), QString::number(1 | (72 << 8) | (246 << 16)));
    const QFont again = tickerFont(settings);
    EXPECT_TRUE(again.bold() && again.italic() && again.underline() && !again.strikeOut());
    EXPECT_EQ(again.pointSize(), 40);

    // A stored style of 16 or more leaves the font plain.
    settings.setText(key::SCEdit48, QStringLiteral("16"));
    EXPECT_EQ(styleNumber(tickerFont(settings)), 0);
}

TEST(FontStyles, ClockSizeIsTickerSizeLessTheReduction)
{
    struct Case {
        const char* size;
        const char* reduction;
        const char* expected;  // nullptr: conversion error
    };
    const Case cases[] = {
        {"32", "4", "28"},  {"10", "12", "-2"},  {"32", "0", "32"},
        {"", "4", nullptr}, {"32", "", nullptr},
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.setText(key::SCEdit18, QString::fromLatin1(c.size));
        settings.setText(key::SCEdit40, QString::fromLatin1(c.reduction));
        if (c.expected) {
            recomputeClockFontSize(settings);
            EXPECT_EQ(settings.text(key::SCEdit80), c.expected);
        } else {
            EXPECT_ANY_THROW(recomputeClockFontSize(settings));
            EXPECT_EQ(settings.text(key::SCEdit80), "28");
        }
    }
}

TEST(FontStylePage, TypingTheReductionRecomputesTheClockSize)
{
    PageFixture f;
    QLineEdit* reduction = f.edit(key::SCEdit40);
    ASSERT_TRUE(reduction);
    reduction->selectAll();
    QTest::keyClicks(reduction, QStringLiteral("10"));
    EXPECT_EQ(f.settings.text(key::SCEdit80), "22");
    // Emptied to be retyped: no complaint until the field is left.
    reduction->clear();
    QTest::keyClick(reduction, Qt::Key_Backspace);
    EXPECT_TRUE(f.notifier.errors.isEmpty());
    emit reduction->editingFinished();
    EXPECT_EQ(f.notifier.errors.size(), 1);
    // Leaving the result field puts the computed size back.
    f.settings.setText(key::SCEdit40, QStringLiteral("2"));
    f.settings.setText(key::SCEdit80, QStringLiteral("99"));
    emit f.edit(key::SCEdit80)->editingFinished();
    EXPECT_EQ(f.settings.text(key::SCEdit80), "30");
}

TEST(FontStylePage, FontChoiceFillsTheFieldsTheSampleAndTheEditor)
{
    PageFixture f;
    QFont font(QStringLiteral("DejaVu Sans Mono"), 20);
    font.setBold(true);
    f.page.fontChosen(font, QColor(255, 0, 0));
    EXPECT_EQ(f.settings.text(key::SCEdit48), "1");
    EXPECT_EQ(f.settings.text(key::SCEdit87), "Bold");
    EXPECT_EQ(f.edit(key::SCEdit87)->toolTip(), "Bold");
    EXPECT_EQ(f.settings.text(key::SCEdit21), "255");
    EXPECT_EQ(f.settings.text(key::SCEdit80), "16");  // 20 - 4
    EXPECT_EQ(f.ticker.ClockRedrawCounter(), ClockTicker::kRedrawAt);
    QWidget* sample = f.window.control(key::SCEdit47);
    EXPECT_EQ(sample->font().family(), "DejaVu Sans Mono");
    EXPECT_TRUE(sample->font().bold());
    EXPECT_EQ(sample->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(f.textList.font().family(), "DejaVu Sans Mono");
}

TEST(FontStylePage, ColourChoicesStoreTheirNumbers)
{
    PageFixture f;
    f.page.backgroundChosen(QColor(1, 72, 246));
    EXPECT_EQ(f.settings.text(key::SCEdit13), QString::number(numberFromColor(QColor(1, 72, 246))));
    EXPECT_EQ(f.window.control(key::SCEdit47)->palette().color(QPalette::Base), QColor(1, 72, 246));
    EXPECT_EQ(f.window.control(key::SCEdit13)->palette().color(QPalette::Base), QColor(1, 72, 246));
    f.page.outlineChosen(QColor(0, 0, 255));
    EXPECT_EQ(f.settings.text(key::SCEdit19), "16711680");
}

TEST(FontStylePage, TemporaryFontTakesFaceAndSize)
{
    PageFixture f;
    f.page.temporaryFontChosen(QFont(QStringLiteral("DejaVu Serif"), 18));
    EXPECT_EQ(f.settings.text(key::SCEdit82), "DejaVu Serif");
    EXPECT_EQ(f.settings.text(key::SCEdit85), "18");
    EXPECT_EQ(f.window.control(key::SCEdit82)->font().pointSize(), 18);
}

TEST(FontStylePage, EveryClickOnTheOutlineThicknessWarns)
{
    PageFixture f;
    auto* thickness = qobject_cast<QSpinBox*>(f.window.control(key::SpinEdit13));
    ASSERT_TRUE(thickness);
    QTest::mouseClick(thickness->findChild<QLineEdit*>(), Qt::LeftButton);
    QTest::mouseClick(thickness, Qt::LeftButton, {}, QPoint(thickness->width() - 4, 4));
    ASSERT_EQ(f.notifier.messages.size(), 2);
    EXPECT_EQ(f.notifier.messages.first(), QString::fromUtf8(FontStylePage::kOutlineWarning));
}

TEST(FontStylePage, ButtonsStandInTheFontAndOutlineGroups)
{
    PageFixture f;
    EXPECT_EQ(f.page.fontButton()->toolTip(), "Выбор шрифта");
    EXPECT_EQ(f.page.backgroundButton()->toolTip(), "Цвет фона");
    EXPECT_EQ(f.page.outlineButton()->toolTip(), "Цвет обводки");
    EXPECT_EQ(f.page.fontButton()->parentWidget(), f.window.control(key::SCEdit6)->parentWidget());
    EXPECT_EQ(f.page.outlineButton()->parentWidget(),
              f.window.control(key::SCEdit19)->parentWidget());
}

TEST(TickerFontDialog, OkWithoutAChangeKeepsFaceSizeAndStyle)
{
    // Every base style, on a face this machine has and on one it lacks.
    for (const QString& face : {QStringLiteral("DejaVu Sans"), QStringLiteral("Arial")}) {
        for (int style = 0; style < 16; ++style) {
            Settings settings;
            settings.setText(key::SCEdit6, face);
            settings.setText(key::SCEdit18, QStringLiteral("24"));
            settings.setText(key::SCEdit48, QString::number(style));
            settings.setText(key::SCEdit87, styleName(style));
            const QFont stored = tickerFont(settings);
            TickerFontDialog dialog(stored, Qt::yellow);
            storeTickerFontChoice(settings, dialog.selectedFont(), dialog.selectedColour());
            EXPECT_EQ(settings.text(key::SCEdit48), QString::number(style)) << face.toStdString();
            EXPECT_EQ(settings.text(key::SCEdit87), styleName(style));
            EXPECT_EQ(settings.text(key::SCEdit6), face);
            EXPECT_EQ(settings.text(key::SCEdit18), "24");
        }
    }
}

TEST(TickerFontDialog, OpensOnTheStoredStyleSoAChangedSizeKeepsIt)
{
    // The dialog shows the face's own style of the stored one: changing only the size must
    // not turn a plain font oblique or a bold one plain.
    for (int style : {0, 1, 2, 3}) {
        Settings settings;
        settings.setText(key::SCEdit6, QStringLiteral("DejaVu Sans"));
        settings.setText(key::SCEdit18, QStringLiteral("24"));
        settings.setText(key::SCEdit48, QString::number(style));
        TickerFontDialog dialog(tickerFont(settings), Qt::white);
        auto* fonts = dialog.findChild<QFontDialog*>();
        ASSERT_NE(fonts, nullptr);
        QFont bigger = fonts->currentFont();
        EXPECT_EQ(styleNumber(bigger), style);
        bigger.setPointSize(30);
        fonts->setCurrentFont(bigger);
        const QFont chosen = dialog.selectedFont();
        EXPECT_EQ(styleNumber(chosen), style);
        EXPECT_EQ(fontPointSize(chosen), 30);
    }
}
