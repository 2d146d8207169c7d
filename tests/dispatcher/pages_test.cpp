#include <gtest/gtest.h>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "base/operations.h"
#include "base/pageschema.h"
#include "dispatcher/dispatcherpage.h"
#include "dispatcher/planner.h"
#include "dispatcher/plannerpage.h"
#include "rig.h"
#include "ui/settingswindow.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// The pages of the dispatcher and the planner over a rig on a fake clock.
class Pages : public ::testing::Test {
protected:
    DispatcherRig rig;
    SettingsWindow window{rig.settings};
    Operations operations;
    Planner planner{rig.notifier};
    DispatcherPage* dispatcherPage =
        new DispatcherPage(window, rig.engine, rig.settings, rig.notifier, operations, rig.folder);
    PlannerPage* plannerPage =
        new PlannerPage(window, planner, rig.settings, rig.notifier, rig.clock, rig.folder);

    template <typename T>
    T* find(QObject* root, const char* name)
    {
        T* widget = root->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void saveShot(const char* page, const QString& file)
    {
        window.resize(1100, 900);
        window.showPage(page);
        if (!qEnvironmentVariableIsEmpty("VELUMO_SHOTS"))
            window.grab().save(qEnvironmentVariable("VELUMO_SHOTS") + u'/' + file);
    }
};

TEST_F(Pages, EntryLineStartsWithTheSampleAndAddsSixtyOneCharacters)
{
    EXPECT_EQ(plannerPage->entryText(),
              QStringLiteral("13.10.10 17:00:30|k1|00|13.10.10 17:00:30|имя файла          "));
    EXPECT_EQ(plannerPage->entryText().size(), 61);
    QTest::mouseClick(find<QPushButton>(&window, "SCButton54"), Qt::LeftButton);
    EXPECT_EQ(planner.Memo3(), QStringList{plannerPage->entryText()});
    EXPECT_EQ(find<QPlainTextEdit>(&window, "Memo3")->toPlainText(), plannerPage->entryText());

    // The prefill leaves the comment blank; an unfilled date fails with the conversion error.
    plannerPage->DateTimePicker4CloseUp();
    EXPECT_EQ(plannerPage->entryText().left(41), Planner::prefill(QDate(2010, 10, 13)));
    plannerPage->setEntryText(QStringLiteral("13.10.10 17:00:30|k1|00|"));
    QTest::mouseClick(find<QPushButton>(&window, "SCButton54"), Qt::LeftButton);
    EXPECT_EQ(planner.Memo3().size(), 1);
    ASSERT_EQ(rig.notifier.errors.size(), 1);
    EXPECT_TRUE(rig.notifier.errors[0].contains("is not a valid date and time"));
}

TEST_F(Pages, HelpAndCheckOfTheList)
{
    auto* help = find<QPlainTextEdit>(&window, "Memo4");
    window.show();
    window.showPage(pageid::Planner);
    EXPECT_FALSE(help->isVisible());
    QTest::mouseClick(find<QPushButton>(&window, "SCButton81"), Qt::LeftButton);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->toPlainText().contains("13.10.10 12:10:30|s1|00|13.10.10 13:50:30"));
    QTest::mouseClick(find<QPushButton>(&window, "SCButton81"), Qt::LeftButton);
    EXPECT_FALSE(help->isVisible());

    planner.setMemo3(
        {planLine("12:10:00", "k1", "12:20:00"), planLine("12:05:00", "k1", "12:06:00")});
    QTest::mouseClick(find<QPushButton>(&window, "SCButtonPlanCheck"), Qt::LeftButton);
    const QString report = find<QPlainTextEdit>(&window, "MemoPlanCheck")->toPlainText();
    EXPECT_TRUE(report.contains("2: никогда не будет достигнута")) << report.toStdString();
    saveShot(pageid::Planner, "planner.png");
}

TEST_F(Pages, DispatcherButtonsAndSchedule)
{
    // (The panel's mirrors and buttons are the panel's own tests now.)
    rig.writePlan({planLine("12:10:00", "s1", "12:20:00"), planLine("12:30:00", "k1", "12:40:00")});
    rig.settings.setChecked(key::SCCheckbox19, true);
    QTest::mouseClick(find<QPushButton>(&window, "SCButton43"), Qt::LeftButton);
    EXPECT_EQ(find<QPlainTextEdit>(&window, "Memon1")->toPlainText().split(u'\n').size(), 2);
    EXPECT_EQ(rig.settings.text(key::SCEdit10), planLine("12:10:00", "s1", "12:20:00"));
    saveShot(pageid::Dispatcher, "dispatcher.png");
    QTest::mouseClick(find<QPushButton>(&window, "SCButton44"), Qt::LeftButton);
    EXPECT_TRUE(find<QPlainTextEdit>(&window, "Memon1")->toPlainText().isEmpty());

    // "Спрятать главное окно": the panel comes (through its operation), the window goes.
    QStringList ran;
    operations.add(QStringLiteral("panel show"), [&ran](const QString&) {
        ran.append(QStringLiteral("panel show"));
        return QString();
    });
    window.show();
    QTest::mouseClick(find<QPushButton>(&window, "SCButton50"), Qt::LeftButton);
    EXPECT_EQ(ran, QStringList{"panel show"});
    EXPECT_FALSE(window.isVisible());

    QTest::mouseClick(find<QPushButton>(&window, "SCButton33"), Qt::LeftButton);
    EXPECT_EQ(
        rig.notifier.messages.last(),
        "ЦУП= центр управления прокатом, содержит модули для автоматизации вывода информации.");
}

}  // namespace
