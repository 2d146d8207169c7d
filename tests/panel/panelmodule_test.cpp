// The control panel's wiring over a dispatcher on a fake clock: the panel's dispatcher section,
// its control commands and status member, its two files at close and at start-up, its position
// and the main window's ways to it.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/panelmodule.h"
#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/operations.h"
#include "dispatcher/rig.h"
#include "fakes/fakedevices.h"
#include "panel/clockticker.h"
#include "panel/controlpanel.h"
#include "panel/paneldock.h"
#include "panel/paneldockplace.h"
#include "ui/settingswindow.h"

namespace velumo {
namespace {

using test::planLine;

class Module : public ::testing::Test {
protected:
    Module() { addProgramOperations(operations); }

    // What the rest of the program registers: the ticker's phrase and the exit recorded, the
    // dispatcher's stop for real.
    void addProgramOperations(Operations& ops)
    {
        for (const char* name : {"phrase", "exit"}) {
            const QString op = QString::fromLatin1(name);
            ops.add(op, [this, op](const QString& argument) {
                ran.append(argument.isEmpty() ? op : op + u':' + argument);
                return QString();
            });
        }
        ops.add(QStringLiteral("dispatcher stop"), [this](const QString&) {
            rig.engine.SCButton44Click();
            return QString();
        });
    }

    // The first module on the fixture's registry; a later one (the next start) on its own.
    std::unique_ptr<PanelModule> create()
    {
        Operations* ops = &operations;
        ControlServer* server = &control;
        if (ops->contains(QStringLiteral("panel show"))) {
            ops = laterOperations.emplace_back(std::make_unique<Operations>()).get();
            addProgramOperations(*ops);
            server = laterServers
                         .emplace_back(std::make_unique<ControlServer>(rig.folder, rig.notifier,
                                                                       &rig.log, *ops))
                         .get();
        }
        const Services& services = *servicesOfModules.emplace_back(
            new Services{rig.folder, rig.log, rig.notifier, rig.settings, rig.clock, rig.timers,
                         *ops, *server, power, main, serializer});
        return std::make_unique<PanelModule>(services, clock, rig.engine, strip, clockWindow);
    }

    template <typename T = QWidget>
    T* find(QWidget* root, const char* name)
    {
        T* widget = root->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(QWidget* root, const char* name)
    {
        QTest::mouseClick(find<QPushButton>(root, name), Qt::LeftButton);
    }
    std::pair<int, QString> send(const QString& line) { return control.execute(line); }
    QJsonObject status() { return control.status().value("panel").toObject(); }

    test::DispatcherRig rig;
    test::RecordingPowerControl power;
    ClockTicker clock{rig.settings, rig.clock, rig.timers, power, rig.notifier};
    Operations operations;
    QStringList ran;
    ControlServer control{rig.folder, rig.notifier, &rig.log, operations};
    std::vector<std::unique_ptr<Operations>> laterOperations;
    std::vector<std::unique_ptr<ControlServer>> laterServers;
    SettingsWindow main{rig.settings};
    QWidget strip;
    QWidget clockWindow;
    HandlerSerializer serializer{rig.notifier, &rig.log};
    std::vector<std::unique_ptr<Services>> servicesOfModules;
};

TEST_F(Module, DispatcherSectionFollowsTheEngine)
{
    auto module = create();
    ControlPanel* panel = &module->panel();
    rig.writePlan({planLine("12:10:00", "s1", "12:20:00"), planLine("12:30:00", "k1", "12:40:00")});
    rig.settings.setChecked(key::SCCheckbox19, true);
    panel->show();
    auto* label = find<QLabel>(panel, "Label1");
    EXPECT_FALSE(label->isVisible());
    rig.engine.SCButton43Click();  // the main window's start
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(find<QLineEdit>(panel, "SCEdit2")->text(), planLine("12:10:00", "s1", "12:20:00"));
    // The panel's own start refuses while running.
    click(panel, "SCButton43");
    EXPECT_EQ(rig.notifier.messages.value(0), "ЦУП уже запущен!");
    rig.timers.advance(10 * 60'000);
    EXPECT_EQ(find<QLineEdit>(panel, "SCEdit3")->text(), "12:20:00");
    rig.timers.advance(20 * 60'000);
    EXPECT_EQ(find<QLineEdit>(panel, "SCEdit4")->text(), "12:40:00");
    if (!qEnvironmentVariableIsEmpty("VELUMO_SHOTS"))
        panel->grab().save(qEnvironmentVariable("VELUMO_SHOTS") + "/panel.png");
    // The panel's stop stops.
    click(panel, "SCButton44");
    EXPECT_FALSE(label->isVisible());
    EXPECT_TRUE(rig.engine.Memon1().isEmpty());

    // The dispatcher's start-up start shows the panel.
    panel->hide();
    rig.settings.setChecked(key::SCCheckBox6, true);
    rig.engine.startAtStartup();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(label->isVisible());
}

TEST_F(Module, ControlCommandsCountPhrasesFromOne)
{
    auto module = create();
    ControlPanel& panel = module->panel();
    EXPECT_EQ(send("panel phrase-add Скидки до пятницы"), std::make_pair(0, QString("2")));
    EXPECT_EQ(send("panel phrase-add Третья"), std::make_pair(0, QString("3")));
    EXPECT_EQ(send("panel phrase-show 2").first, 0);
    EXPECT_EQ(ran, QStringList{"phrase:Скидки до пятницы"});
    EXPECT_EQ(send("panel clock-phrase 3").first, 0);
    EXPECT_EQ(clock.ClockText(), "Третья");
    EXPECT_EQ(clock.ClockRedrawCounter(), 0);  // redrawn at once

    QJsonObject s = status();
    EXPECT_EQ(s.value("phrases").toArray().size(), 3);
    EXPECT_EQ(s.value("selected").toInt(), 3);
    EXPECT_EQ(s.value("clock_text").toString(), "Третья");
    EXPECT_FALSE(s.value("tray").toBool());
    EXPECT_FALSE(s.value("tray_available").toBool());  // offscreen: no notification area

    // Numbers outside the list, or no number: the command fails, nothing changed.
    for (const char* bad :
         {"panel phrase-delete 0", "panel phrase-delete 4", "panel phrase-delete two",
          "panel phrase-show", "panel clock-phrase -1"})
        EXPECT_EQ(send(bad).first, 2) << bad;
    EXPECT_EQ(status().value("phrases").toArray().size(), 3);
    EXPECT_EQ(send("panel phrase-delete 1"), std::make_pair(0, QString("2")));
    EXPECT_EQ(status().value("phrases").toArray().first().toString(), "Скидки до пятницы");
    EXPECT_TRUE(status().value("selected").isNull());

    rig.settings.setText(key::SCEdit41, QStringLiteral("Часы"));
    EXPECT_EQ(send("panel clock-settings").first, 0);
    EXPECT_EQ(clock.ClockText(), "Часы");

    main.show();
    panel.hide();
    EXPECT_EQ(send("panel minimise"), std::make_pair(2, QString("no notification area")));
    EXPECT_TRUE(status().value("visible").toBool());
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(send("panel restore").first, 0);
    EXPECT_TRUE(main.isVisible());
    panel.hide();
    EXPECT_EQ(send("panel show").first, 0);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(send("panel exit").first, 0);  // no question for scripts
    EXPECT_TRUE(rig.notifier.questions.isEmpty());
    EXPECT_EQ(ran.constLast(), "exit");
}

TEST_F(Module, FilesAreWrittenAtCloseAndReadAtTheNextStart)
{
    {
        auto module = create();
        module->panel().addPhrase(QStringLiteral("Фраза"));
        main.show();
        module->panel().close();  // writes both files
        module->writeFiles();     // once
    }
    EXPECT_EQ(test::readAll(rig.path("panel.txt")),
              test::cp1251(QStringLiteral("Вышла новая версия Velumo7!!\r\nФраза\r\n")));
    const QString golden =
        qEnvironmentVariable("VELUMO_SOURCE_DIR") + "/tests/panel/golden/panel_lang.cfg";
    EXPECT_EQ(test::readAll(rig.path("panel_lang.cfg")), test::readAll(golden));

    // An edited translation, loaded only with "Загружать перевод".
    QStringList lines = readTextLines(rig.path("panel_lang.cfg"));
    lines[24] = QStringLiteral("Свернуть всё");  // SCButton5, no "|"
    lines[26] = QStringLiteral("Стоп|Стоп строки");
    writeTextLines(rig.path("panel_lang.cfg"), lines);
    {
        auto module = create();
        module->readTranslation();
        EXPECT_EQ(find<QPushButton>(&module->panel(), "SCButton2")->text(), "Остановить");
        rig.settings.setChecked(key::SCCheckbox28, true);
        module->readTranslation();
        EXPECT_EQ(find<QPushButton>(&module->panel(), "SCButton2")->text(), "Стоп");
        EXPECT_EQ(find<QPushButton>(&module->panel(), "SCButton5")->text(), "");
        EXPECT_EQ(find<QPushButton>(&module->panel(), "SCButton5")->toolTip(), "Свернуть всё");
        EXPECT_EQ(module->panel().findChild<QListView*>("ListBox1")->model()->rowCount(), 2);
    }
    EXPECT_EQ(readTextLines(rig.path("panel_lang.cfg")), lines);

    // Short and binary translation files read without harm: missing lines give empty texts.
    for (const QByteArray& bytes : {QByteArray("\r\n\r\n"), QByteArray("\x00\xff|\x01\r\x80", 6)}) {
        test::writeAll(rig.path("panel_lang.cfg"), bytes);
        auto module = create();
        module->readTranslation();
        EXPECT_EQ(find<QLabel>(&module->panel(), "Label1")->text(), "");
        EXPECT_EQ(find<QPushButton>(&module->panel(), "SCButton17")->toolTip(), "");
    }
}

TEST_F(Module, AnUnreadablePhraseFileIsReportedAndKept)
{
    ASSERT_TRUE(QDir(rig.folder).mkdir("panel.txt"));
    auto module = create();
    EXPECT_EQ(rig.notifier.errors.size(), 1);
    EXPECT_EQ(module->panel().findChild<QListView*>("ListBox1")->model()->rowCount(), 0);
    module->panel().addPhrase(QStringLiteral("новая"));
    module->writeFiles();
    EXPECT_TRUE(QFileInfo(rig.path("panel.txt")).isDir());
    EXPECT_TRUE(QFileInfo::exists(rig.path("panel_lang.cfg")));
}

TEST_F(Module, PositionFromTheSettingsOrClearOfTheStripOnAFirstStart)
{
    auto module = create();
    ControlPanel& panel = module->panel();
    rig.settings.setText(key::SCEdit97, QStringLiteral("120"));
    rig.settings.setText(key::SCEdit98, QStringLiteral("70"));
    module->applyPosition();
    EXPECT_EQ(panel.pos(), QPoint(70, 120));
    panel.move(33, 44);
    module->storePosition();
    EXPECT_EQ(rig.settings.text(key::SCEdit97), "44");
    EXPECT_EQ(rig.settings.text(key::SCEdit98), "33");
    rig.settings.setText(key::SCEdit97, QStringLiteral("x"));
    EXPECT_THROW(module->applyPosition(), Failure);

    rig.settings.setText(key::SCEdit97, QStringLiteral("0"));
    rig.settings.setText(key::SCEdit98, QStringLiteral("0"));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // The strip on air along the bottom of the screen (where its settings put it).
    const QRect onAir(screen.left(), screen.bottom() - 60, screen.width(), 50);
    rig.settings.setText(key::SCEdit45, QString::number(onAir.left()));
    rig.settings.setText(key::SCEdit43, QString::number(onAir.top()));
    rig.settings.setText(key::SCEdit77, QString::number(onAir.width()));
    module->applyPosition();
    EXPECT_FALSE(panel.frameGeometry().intersects(onAir));
    EXPECT_TRUE(screen.contains(panel.pos()));
}

// The panel docks into a side of the main window and floats again; its floating position stays
// what SCEdit97 and SCEdit98 keep, and the side it is docked to comes back at the next start from
// panel.ini (velumo.cfg gains nothing).
TEST_F(Module, ThePanelDocksIntoTheMainWindowAndFloatsAgain)
{
    const QString ini = QDir(rig.folder).filePath("panel.ini");
    {
        auto module = create();
        ControlPanel& panel = module->panel();
        PanelDock& dock = module->dock();
        rig.settings.setText(key::SCEdit97, QStringLiteral("120"));
        rig.settings.setText(key::SCEdit98, QStringLiteral("70"));
        module->applyPosition();
        main.show();
        panel.show();
        ASSERT_TRUE(panel.isWindow());
        EXPECT_EQ(dock.side(), PanelDockPlace::Side::Floating);

        // From the panel's own menu: docked to the right, inside the main window.
        QAction* toggle = dock.toggleAction();
        ASSERT_TRUE(panel.popupMenu()->actions().contains(toggle));
        EXPECT_EQ(toggle->text(), QString::fromUtf8(PanelDock::kDockCaption));
        toggle->trigger();
        EXPECT_FALSE(panel.isWindow());
        EXPECT_EQ(panel.window(), &main);
        EXPECT_TRUE(panel.isVisible());
        EXPECT_EQ(main.dockWidgetArea(&dock), Qt::RightDockWidgetArea);
        EXPECT_EQ(toggle->text(), QString::fromUtf8(PanelDock::kFloatCaption));
        // Its buttons still work where it stands.
        EXPECT_EQ(send("panel phrase-add Закреплена"), std::make_pair(0, QString("2")));
        // Docked twice, or to the other side: one dock, moved.
        dock.place(PanelDockPlace::Side::Left);
        dock.place(PanelDockPlace::Side::Left);
        EXPECT_EQ(main.dockWidgetArea(&dock), Qt::LeftDockWidgetArea);
        EXPECT_EQ(main.findChildren<PanelDock*>().size(), 1);
        // Saved while docked: the floating position, not the place inside the main window.
        module->storePosition();
        EXPECT_EQ(rig.settings.text(key::SCEdit97), "120");
        EXPECT_EQ(rig.settings.text(key::SCEdit98), "70");
        // A position read while docked is where it floats to next.
        rig.settings.setText(key::SCEdit97, QStringLiteral("130"));
        module->applyPosition();
        EXPECT_FALSE(panel.isWindow());
        module->writeFiles();
        EXPECT_EQ(PanelDockPlace::load(ini), PanelDockPlace::Side::Left);

        // Floated again: its own tool window at its position, with its design size.
        toggle->trigger();
        EXPECT_TRUE(panel.isWindow());
        EXPECT_TRUE(panel.isVisible());
        EXPECT_FALSE(dock.isVisible());
        EXPECT_EQ(panel.pos(), QPoint(70, 130));
        EXPECT_EQ(panel.size(), ControlPanel::kSize);
        EXPECT_TRUE(panel.windowFlags().testFlag(Qt::Tool));
        dock.place(PanelDockPlace::Side::Floating);  // a second float changes nothing
        EXPECT_EQ(panel.pos(), QPoint(70, 130));
        dock.place(PanelDockPlace::Side::Right);
        main.hide();
    }
    // The next start docks it where it was; the settings file names no dock.
    EXPECT_EQ(PanelDockPlace::load(ini), PanelDockPlace::Side::Left);
    {
        auto module = create();
        EXPECT_EQ(module->dock().side(), PanelDockPlace::Side::Left);
        EXPECT_EQ(module->panel().window(), &main);
    }
    // Nonsense in the file: floating, and nothing reported.
    test::writeAll(ini, "[panel]\ndock=sideways\n\x01\xff");
    {
        auto module = create();
        EXPECT_EQ(module->dock().side(), PanelDockPlace::Side::Floating);
        EXPECT_TRUE(module->panel().isWindow());
    }
    EXPECT_TRUE(rig.notifier.errors.isEmpty());
    EXPECT_TRUE(rig.notifier.messages.isEmpty());
}

TEST_F(Module, MainWindowButtonsShowThePanelAndMinimise)
{
    auto module = create();
    ControlPanel& panel = module->panel();
    for (const char* name : {"SCButton22", "SCButton55"}) {
        panel.hide();
        click(&main, name);
        EXPECT_TRUE(panel.isVisible()) << name;
    }
    EXPECT_EQ(find<QPushButton>(&main, "SCButton55")->toolTip(), "Показать панель управления ");
    main.show();
    click(&main, "SCButton85");
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(panel.isVisible());  // no notification area here
    EXPECT_EQ(rig.notifier.messages, QStringList{ControlPanel::kNoTrayMessage});
}

}  // namespace
}  // namespace velumo
