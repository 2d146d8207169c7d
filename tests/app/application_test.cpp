// The program's wiring in this process: start-up from a folder's files, closed access and the
// administrator entry, the exit button, the translation file when switched off.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/application.h"
#include "base/commandline.h"
#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/controlcommands.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/fakedevices.h"
#include "fakes/testsupport.h"
#include "panel/clockticker.h"
#include "players/slideshowfiles.h"
#include "players/testmedia.h"
#include "system/desktopfacts.h"
#include "ticker/tickercontrol.h"
#include "ui/desktopline.h"
#include "ui/mainpagebar.h"
#include "ui/mainwindowcomponents.h"
#include "ui/settingswindow.h"

namespace velumo {
namespace {

class Wiring : public ::testing::Test {
protected:
    void writeConfig(const std::function<void(Settings&)>& change)
    {
        Settings settings;
        change(settings);
        test::writeAll(dir.filePath("velumo.cfg"), configfile::save(settings));
    }

    // Starts the program's objects on the folder; the settings window afterwards.
    SettingsWindow* start(const QStringList& switches = {})
    {
        app = std::make_unique<Application>(dir.path(), CommandLine::parse(switches), power);
        EXPECT_TRUE(app->start());
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<SettingsWindow*>(widget))
                return window;
        ADD_FAILURE() << "no settings window";
        return nullptr;
    }

    QStringList logged(const QString& kind)
    {
        return test::logEvents(dir.filePath("velumo.log"), kind);
    }

    void TearDown() override { app.reset(); }

    QTemporaryDir dir;
    test::RecordingPowerControl power;
    std::unique_ptr<Application> app;
};

// What --help lists is what the program registers: every command of the control channel but
// the test hooks, each on a line of its own; and the save tells what it did.
TEST_F(Wiring, TheUsageNamesEveryRegisteredCommand)
{
    ASSERT_NE(start(), nullptr);
    const QString usage = CommandLine::usage();
    const QStringList verbs = app->control().commands();
    EXPECT_GT(verbs.size(), 50);
    for (const QString& verb : verbs) {
        if (verb.startsWith(QLatin1String("test ")))
            continue;
        EXPECT_NE(controlcommands::find(verb), nullptr) << verb.toStdString();
        EXPECT_TRUE(usage.contains(QStringLiteral("\n  %1 ").arg(verb))) << verb.toStdString();
    }
    // And nothing listed that the program does not know.
    for (const ControlCommand& command : controlcommands::all())
        EXPECT_TRUE(verbs.contains(QLatin1String(command.verb))) << command.verb;
    EXPECT_EQ(app->control().execute("save"), (std::pair<int, QString>{0, "saved"}));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("velumo.cfg")));
    EXPECT_EQ(app->control().execute("ticker stop"),
              (std::pair<int, QString>{0, "ticker stopped"}));
}

TEST_F(Wiring, ClosedAccessHidesThePagesUntilTheAdministratorEnters)
{
    writeConfig([](Settings& s) {
        for (const char* box :
             {key::SCCheckBoxpc1, key::SCCheckBoxpc2, key::SCCheckBoxpc3, key::SCCheckBoxpc5})
            s.setChecked(box, true);
        s.setText(key::SCEdit104, QStringLiteral("ключ я"));
    });
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    for (const char* set : {"PageControl2", "PageControl3", "PageControl4", "PageControl7"})
        EXPECT_FALSE(window->isPageSetVisible(set)) << set;
    EXPECT_TRUE(window->isPageSetVisible("PageControl5"));

    auto* password = qobject_cast<QLineEdit*>(window->control(key::SCEdit102));
    auto* enter = window->findChild<QPushButton*>("SCButton92");
    ASSERT_NE(password, nullptr);
    ASSERT_NE(enter, nullptr);
    password->setText(QStringLiteral("ключ"));
    QTest::mouseClick(enter, Qt::LeftButton);
    EXPECT_FALSE(window->isPageSetVisible("PageControl2"));
    EXPECT_EQ(logged("message").last(), QStringLiteral("Пароль неверен!"));

    password->setText(QStringLiteral("ключ я"));
    QTest::mouseClick(enter, Qt::LeftButton);
    for (const char* set :
         {"PageControl2", "PageControl3", "PageControl4", "PageControl5", "PageControl7"})
        EXPECT_TRUE(window->isPageSetVisible(set)) << set;
    EXPECT_EQ(logged("message").last(), QStringLiteral("Доступ к настройкам открыт"));
}

TEST_F(Wiring, OpenAccessShowsEveryPage)
{
    writeConfig([](Settings&) {});
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    for (const char* set : {"PageControl2", "PageControl3", "PageControl4", "PageControl7"})
        EXPECT_TRUE(window->isPageSetVisible(set)) << set;
    EXPECT_TRUE(logged("message").isEmpty());
}

TEST_F(Wiring, ANonNumericPositionEndsTheGuardedSectionButTheRestRuns)
{
    writeConfig([](Settings& s) {
        s.setText(key::SCEdit94, QStringLiteral("сверху"));
        s.setChecked(key::SCCheckBoxpc1, true);
        s.setText(key::SCEdit5, QStringLiteral("/blocks/start.str"));
        s.setText(key::SCEditn3, QStringLiteral("12:00:00"));
    });
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(logged("message"), QStringList{QString::fromUtf8(configfile::kLoadFailedMessage)});
    // The steps after the guard still ran.
    EXPECT_EQ(app->settings().text(key::SCEdit68), "/blocks/start.str");
    EXPECT_EQ(app->settings().text(key::SCEditn3), "");
    EXPECT_FALSE(window->isPageSetVisible("PageControl2"));
}

TEST_F(Wiring, ExitButtonSavesAndStopsTheTicker)
{
    writeConfig([](Settings& s) { s.setText(key::SCEdit43, QStringLiteral("321")); });
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    app->tickerControl().setTickerRunning(true);
    auto* exit = window->findChild<QPushButton*>("SCButton6");
    ASSERT_NE(exit, nullptr);
    QTest::mouseClick(exit, Qt::LeftButton);
    EXPECT_FALSE(app->tickerControl().TickerRunning());
    Settings saved;
    configfile::load(test::readAll(dir.filePath("velumo.cfg")), saved);
    EXPECT_EQ(saved.text(key::SCEdit43), "321");
    EXPECT_EQ(saved.text(key::SCEdit11), QDate::currentDate().toString(u"dd.MM.yy"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("velumo_lang.cfg")));
    QCoreApplication::processEvents();  // the queued end of the program reaches no loop here
}

TEST_F(Wiring, TheToolBarsExitEndsLikeTheFootersAndAddsNoTranslationLine)
{
    writeConfig([](Settings& s) {
        s.setText(key::SCEdit43, QStringLiteral("321"));
        s.setChecked(key::SCCheckBoxpc1, true);
    });
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    app->tickerControl().setTickerRunning(true);
    auto* exit = window->findChild<QPushButton*>("SCButton77");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), QStringLiteral("Выход"));
    EXPECT_EQ(exit->toolTip(), QStringLiteral("Выход из программы"));
    // Not a component of the translation file: its lines stay those of earlier versions.
    EXPECT_FALSE(window->componentNames().contains("SCButton77"));
    QTest::mouseClick(exit, Qt::LeftButton);
    EXPECT_FALSE(app->tickerControl().TickerRunning());
    Settings saved;
    configfile::load(test::readAll(dir.filePath("velumo.cfg")), saved);
    EXPECT_EQ(saved.text(key::SCEdit43), "321");
    EXPECT_EQ(test::readAll(dir.filePath("velumo_lang.cfg")).count('\n'),
              qsizetype(mainWindowComponents().size()));
    QCoreApplication::processEvents();
}

// The quick buttons stand on the main page's tool bar, which closed access leaves alone; the
// pages they used to share a group with are hidden.
TEST_F(Wiring, ClosedAccessLeavesTheToolBarsQuickButtons)
{
    writeConfig([](Settings& s) {
        for (const char* box :
             {key::SCCheckBoxpc1, key::SCCheckBoxpc2, key::SCCheckBoxpc3, key::SCCheckBoxpc5})
            s.setChecked(box, true);
        s.setText(key::SCEdit104, QStringLiteral("ключ"));
    });
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    window->show();
    ASSERT_FALSE(window->isPageSetVisible("PageControl2"));
    ASSERT_FALSE(window->isPageSetVisible("PageControl7"));
    const std::pair<const char*, const char*> quick[] = {
        {"SCButton88", "Вывод flash"},
        {"SCButton11", "Подключить интернет ресурс"},
        {"SCButton12", "Подключить RSS-канал"},
        {"SCButton77", "Выход"},
    };
    for (const auto& [name, caption] : quick) {
        auto* button = window->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), QString::fromUtf8(caption)) << name;
        EXPECT_EQ(button->parentWidget(), mainpagebar::toolBar(*window)) << name;
        EXPECT_TRUE(button->isVisible()) << name;
    }
    // The quick buttons at the left, the exit apart at the right end.
    QToolBar* bar = mainpagebar::toolBar(*window);
    const int exitX = window->findChild<QPushButton*>("SCButton77")->geometry().left();
    for (const char* name : {"SCButton88", "SCButton11", "SCButton12"})
        EXPECT_LT(window->findChild<QPushButton*>(name)->geometry().right(), exitX) << name;
    EXPECT_GT(exitX, bar->width() / 2);
    // Flash and the site still have their page buttons.
    EXPECT_NE(window->findChild<QPushButton*>("SCButton64"), nullptr);
    EXPECT_NE(window->findChild<QPushButton*>("SCButton86"), nullptr);
    window->hide();
}

// The caption of the counters' row and the counters themselves tell why they must agree.
TEST_F(Wiring, TheCountersRowAnswersAClickOnItsCaptionAndOnEachCounter)
{
    writeConfig([](Settings&) {});
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    window->show();
    window->showPage(pageid::TickerText);
    const QString message =
        QStringLiteral("Для обработки тарифов, количество строк должно быть одинаковым");
    auto* caption = window->findChild<QLabel*>("Label91");
    ASSERT_NE(caption, nullptr);
    EXPECT_TRUE(caption->isVisible());
    QTest::mouseClick(caption, Qt::LeftButton);
    EXPECT_EQ(logged("message"), QStringList{message});
    // A second click says it again.
    QTest::mouseClick(caption, Qt::LeftButton);
    EXPECT_EQ(logged("message"), (QStringList{message, message}));
    for (const char* counter : {key::SCEdit12, key::SCEdit14, key::SCEdit15}) {
        QWidget* field = window->control(QString::fromLatin1(counter));
        ASSERT_NE(field, nullptr) << counter;
        EXPECT_TRUE(field->isVisible()) << counter;
        QTest::mouseClick(field, Qt::LeftButton);
    }
    EXPECT_EQ(logged("message").size(), 5);
    window->hide();
}

// The Office version box stands on the PowerPoint page with its three versions and is kept in
// velumo.cfg; switching direct output off or changing the version says nothing.
TEST_F(Wiring, TheOfficeVersionIsShownKeptAndQuiet)
{
    writeConfig([](Settings& s) { s.setText(key::ComboBox1, QStringLiteral("10.0")); });
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    window->show();
    window->showPage(pageid::Slides);
    auto* combo = qobject_cast<QComboBox*>(window->control(key::ComboBox1));
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->isVisible());
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    EXPECT_EQ(items, (QStringList{"11.0", "12.0", "10.0"}));
    EXPECT_EQ(combo->currentText(), "10.0");
    combo->setCurrentIndex(1);
    EXPECT_EQ(app->settings().text(key::ComboBox1), "12.0");
    QTest::mouseClick(window->findChild<QPushButton*>("SCButton19"), Qt::LeftButton);
    EXPECT_FALSE(app->settings().checked(key::SCCheckbox27));
    EXPECT_TRUE(logged("message").isEmpty());
    app->Exiting();
    Settings saved;
    configfile::load(test::readAll(dir.filePath("velumo.cfg")), saved);
    EXPECT_EQ(saved.text(key::ComboBox1), "12.0");
    window->hide();
}

TEST_F(Wiring, TranslationSwitchedOffIsWrittenButNotRead)
{
    writeConfig([](Settings&) {});
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    app->Exiting();
    const QString langPath = dir.filePath("velumo_lang.cfg");
    QStringList lines = readTextLines(langPath);
    const qsizetype check = lines.indexOf(QStringLiteral("Загружать перевод"));
    ASSERT_GE(check, 0);
    lines[check] = QStringLiteral("Load the translation");
    writeTextLines(langPath, lines);
    app.reset();

    window = start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(qobject_cast<QCheckBox*>(window->control(key::SCCheckbox28))->text(),
              QStringLiteral("Загружать перевод"));
    app.reset();

    Settings settings;
    configfile::load(test::readAll(dir.filePath("velumo.cfg")), settings);
    settings.setChecked(key::SCCheckbox28, true);
    test::writeAll(dir.filePath("velumo.cfg"), configfile::save(settings));
    window = start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(qobject_cast<QCheckBox*>(window->control(key::SCCheckbox28))->text(),
              "Load the translation");
}

TEST_F(Wiring, AutostartEntryAfterConfirmation)
{
    QTemporaryDir config;
    const QByteArray oldConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    writeConfig([](Settings&) {});
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    auto* button = window->findChild<QPushButton*>("SCButton4");
    ASSERT_NE(button, nullptr);
    const QString entryPath = config.filePath("autostart/velumo.desktop");

    // The question is modal: answer it from a timer, once with Cancel, once with OK.
    auto answer = [](QMessageBox::StandardButton choice) {
        QTimer::singleShot(50, [choice] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(choice)->click();
        });
    };
    answer(QMessageBox::Cancel);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(QFileInfo::exists(entryPath));
    answer(QMessageBox::Ok);
    QTest::mouseClick(button, Qt::LeftButton);
    const QString entry = QString::fromUtf8(test::readAll(entryPath));
    EXPECT_TRUE(entry.contains(QStringLiteral("--dir \"%1\" r\n").arg(dir.path())))
        << entry.toStdString();
    EXPECT_TRUE(logged("message").last().startsWith(QStringLiteral("Внесен пункт  меню")));
    qputenv("XDG_CONFIG_HOME", oldConfigHome);
}

// Translation files written by earlier versions must read the same: the line order of
// velumo_lang.cfg and the component order of velumo.cfg are pinned line by line.
// The footer names what the desktop lacks (offscreen: no notification area, no compositor), and
// where a user systemd runs the autostart button is joined by a hint at the user service; the
// button itself, its hint and what it writes stay as they are.
TEST_F(Wiring, TheFooterNamesWhatTheDesktopLacksAndTheAutostartButtonOffersTheService)
{
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const bool hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;  // mode 0700, as a session's runtime folder
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    for (const bool userSystemd : {false, true}) {
        SCOPED_TRACE(userSystemd ? "with a user systemd" : "without");
        if (userSystemd) {
            ASSERT_TRUE(QDir(runtime.path()).mkdir("systemd"));
        }
        SettingsWindow* window = start();
        ASSERT_NE(window, nullptr);
        auto* line = window->findChild<DesktopLine*>("DesktopLine");
        ASSERT_NE(line, nullptr);
        EXPECT_TRUE(line->isVisible());
        EXPECT_EQ(line->text(), QString::fromUtf8(DesktopFacts::kNoTray) + u'\n' +
                                    QString::fromUtf8(DesktopFacts::kNoCompositor));
        const QJsonObject desktop = app->control().status().value("desktop").toObject();
        EXPECT_EQ(desktop.value("tray"), false);
        EXPECT_EQ(desktop.value("compositor"), false);
        EXPECT_EQ(desktop.value("missing").toArray().size(), 2);

        auto* button = window->findChild<QPushButton*>("SCButton4");
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip(), "Запись в папку \"Автозагрузка\"");
        auto* hint = window->findChild<QLabel*>("UserServiceHint");
        EXPECT_EQ(hint != nullptr, userSystemd);
        if (hint) {
            EXPECT_TRUE(hint->toolTip().contains("systemctl --user enable --now velumo"));
        }
        app.reset();
    }
    hadRuntime ? qputenv("XDG_RUNTIME_DIR", savedRuntime) : qunsetenv("XDG_RUNTIME_DIR");
}

TEST_F(Wiring, SavedFilesKeepTheirComponentOrder)
{
    // A first start: no velumo.cfg, every field at its design value.
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    // Every component the pages build is declared, and every declared one is built.
    QStringList declared;
    for (const char* name : mainWindowComponents())
        declared.append(QString::fromLatin1(name));
    EXPECT_EQ(window->componentNames(), declared);
    app->Exiting();
    const QString golden = qEnvironmentVariable("VELUMO_SOURCE_DIR") + "/tests/app/golden/";
    const QList<QByteArray> expected = test::readAll(golden + "velumo_lang.cfg").split('\n');
    const QList<QByteArray> written = test::readAll(dir.filePath("velumo_lang.cfg")).split('\n');
    ASSERT_EQ(written.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(written[i], expected[i]) << "velumo_lang.cfg line " << i + 1;

    QStringList names;
    for (const QByteArray& line : test::readAll(dir.filePath("velumo.cfg")).split('\n')) {
        QByteArray plain = line.chopped(line.endsWith('\r') ? 1 : 0);
        for (char& c : plain)
            c = char(c - 1);
        names.append(QString::fromLatin1(plain.left(plain.indexOf(' '))));
    }
    const QStringList expectedNames =
        QString::fromLatin1(test::readAll(golden + "velumo_cfg_names.txt")).split('\n');
    ASSERT_EQ(names.size(), expectedNames.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], expectedNames[i]) << "velumo.cfg line " << i + 1;
}

// The title and the footer name the version the build was made with, in the words they always had.
TEST_F(Wiring, TheWindowNamesTheProgramVersion)
{
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("   Велумо  v. 7.9.10"));
    EXPECT_EQ(window->findChild<QLabel*>("Label79")->text(),
              QStringLiteral("Velumo 7.9.10 — бегущая строка и диспетчер вещания"));
}

// A translated text reaches its own component, whatever order the pages were built in: the
// group "Пин-тест" is built after "Блок объявлений" today, but declared before it.
TEST_F(Wiring, TranslatedTextsReachTheDeclaredComponents)
{
    QByteArray lang = test::readAll(qEnvironmentVariable("VELUMO_SOURCE_DIR") +
                                    "/tests/app/golden/velumo_lang.cfg");
    const QByteArray pinTest = test::cp1251(QStringLiteral("\r\nПин-тест\r\n"));
    ASSERT_TRUE(lang.contains(pinTest));
    lang.replace(pinTest, test::cp1251(QStringLiteral("\r\nПроверка выводов\r\n")));
    test::writeAll(dir.filePath("velumo_lang.cfg"), lang);
    writeConfig([](Settings& s) { s.setChecked(key::SCCheckbox28, true); });
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    auto* group = window->findChild<QGroupBox*>("GroupBox50");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), QStringLiteral("Проверка выводов"));
    EXPECT_EQ(window->findChild<QGroupBox*>("GroupBox49")->title(),
              QStringLiteral("Блок объявлений"));
}

// The panel in the whole program: its commands, its files at the main window's close, and the
// restart from the start of the block, after which the clock is redrawn on the next second.
TEST_F(Wiring, PanelWritesItsFilesAtCloseAndTheRestartRedrawsTheClock)
{
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(app->control().execute("panel phrase-add Пробная").first, 0);
    EXPECT_EQ(app->control().status().value("panel").toObject().value("phrases").toArray().size(),
              2);
    EXPECT_EQ(app->control().execute("ticker restart").first, 0);
    EXPECT_EQ(app->clockTicker().ClockRedrawCounter(), 59);
    app->clockTicker().ClockTick();
    EXPECT_EQ(app->clockTicker().ClockRedrawCounter(), 0);
    EXPECT_FALSE(app->clockTicker().clockString().isEmpty());

    app->FormClose();
    EXPECT_EQ(test::readAll(dir.filePath("panel.txt")),
              test::cp1251(QStringLiteral("Вышла новая версия Velumo7!!\r\nПробная\r\n")));
    EXPECT_EQ(test::readAll(dir.filePath("panel_lang.cfg")).count("\r\n"), 39);
}

// The slide show in the whole program: the test run through the control channel reaches the
// show window by way of the players, the page's label and the status follow it, and the stop
// of the dispatcher's slide-show entry closes it.
TEST_F(Wiring, SlideShowCommandsAndStatus)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const QString show = dir.filePath("show.fodp");
    test::writeAll(show, test::flatPresentation({{"#ff0000", "PT30S"}, {"#0000ff", "PT30S"}}));
    writeConfig([&](Settings& s) { s.setText(key::SCEdit1, show); });
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    ControlServer& control = app->control();
    auto slides = [&] {
        return control.status().value("players").toObject().value("slides").toObject();
    };
    EXPECT_EQ(control.execute("slides test").first, 0);
    EXPECT_TRUE(slides().value("converting").toBool());
    ASSERT_TRUE(QTest::qWaitFor([&] { return slides().value("open").toBool(); }, 60'000))
        << logged("message").join(u'\n').toStdString();
    EXPECT_EQ(slides().value("file").toString(), show);
    EXPECT_EQ(slides().value("slides").toInt(), 2);
    EXPECT_EQ(slides().value("seconds").toInt(), 60);
    EXPECT_EQ(slides().value("current_slide").toInt(), 1);
    EXPECT_EQ(window->findChild<QLabel*>("Label133")->text(),
              QStringLiteral("60 с или 1мин.0 сек. для 2 слайдов"));
    EXPECT_NE(window->findChild<QPushButton*>("SCButton18"), nullptr);
    // On the screen once the window has painted the first slide.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !logged("player").filter(u"started p ").isEmpty(); }, 10'000))
        << logged("player").join(u'\n').toStdString();

    EXPECT_EQ(control.execute("slides stop").first, 0);
    EXPECT_FALSE(slides().value("open").toBool());
    // The end event, with the time the show was on screen.
    const QStringList stopped = logged("player").filter(QRegularExpression(
        QStringLiteral("^stopped p ") + QRegularExpression::escape(show + u' ' + show) +
        QStringLiteral(" \\(on screen \\d+\\.\\d s\\)$")));
    EXPECT_EQ(stopped.size(), 1) << logged("player").join(u'\n').toStdString();

    // One screen here: the command fails with the message, and the box is ticked all the same.
    EXPECT_EQ(
        control.execute("slides direct on"),
        std::make_pair(
            2, QStringLiteral("Не корректно установлена версия MsOffice в настройках Velumo7")));
    EXPECT_TRUE(app->settings().checked(key::SCCheckbox27));
    EXPECT_EQ(control.execute("slides direct off").first, 0);
    EXPECT_FALSE(app->settings().checked(key::SCCheckbox27));
    EXPECT_EQ(control.execute("slides direct sideways").first, 2);
}

// The clip and capture commands reach the players: an empty slot opens the black clip window
// at its rectangle, a start without a capture device fails with the window shown, and status
// tells the state of each player.
TEST_F(Wiring, ClipAndCaptureCommandsReachThePlayers)
{
    writeConfig([](Settings& s) {
        s.setSpin(key::SpinEdit19, 12);
        s.setSpin(key::SpinEdit21, 34);
        s.setSpin(key::SpinEdit20, 200);
        s.setSpin(key::SpinEdit22, 100);
    });
    ASSERT_NE(start(), nullptr);
    const QJsonObject players = app->control().status().value("players").toObject();
    EXPECT_EQ(players.value("clip").toObject().keys(),
              (QStringList{"choice", "file", "parked", "playing", "position_ms"}));
    EXPECT_EQ(players.value("external").toObject().keys(),
              (QStringList{"file", "paused", "running"}));
    EXPECT_EQ(players.value("capture").toObject().keys(),
              (QStringList{"active", "device", "devices"}));

    app->settings().setText(key::SCEdit10,
                            QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 13:50:30"));
    // The operator's start of an empty slot fails with what the player said.
    const auto [clipCode, clipReply] = app->control().execute("clip start");
    EXPECT_EQ(clipCode, 2);
    EXPECT_TRUE(clipReply.contains("no clip file")) << clipReply.toStdString();
    QWidget* clip = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == u"TFormAVI")
            clip = widget;
    ASSERT_NE(clip, nullptr);
    EXPECT_TRUE(clip->isVisible());
    EXPECT_EQ(clip->geometry(), QRect(12, 34, 200, 100));
    EXPECT_TRUE(logged("player").contains("failed k 1: no clip file"));
    // The failed content leaves the screen once the event loop is back.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !clip->isVisible(); }, 1000));
    EXPECT_EQ(app->control().execute("clip stop").first, 0);
    EXPECT_FALSE(clip->isVisible());

    const auto [code, reply] = app->control().execute("capture start");
    if (app->control()
            .status()
            .value("players")
            .toObject()
            .value("capture")
            .toObject()
            .value("devices")
            .toArray()
            .isEmpty()) {
        EXPECT_EQ(code, 2);
        EXPECT_TRUE(reply.contains("no video capture device")) << reply.toStdString();
    }
    EXPECT_EQ(app->control().execute("capture stop").first, 0);
    EXPECT_EQ(app->control().execute("clip pause").first, 0);
}

// The pages' buttons: the test load of a clip that is not there reaches the general error
// report; the device box hands its text to SCEdit100 when it is left.
TEST_F(Wiring, ClipAndBroadcastPagesForwardTheirButtons)
{
    SettingsWindow* window = start();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(window->findChild<QLabel*>("Label202"), nullptr);
    app->settings().setText(key::SCEdit2, dir.filePath("missing.avi"));
    auto* load = window->findChild<QPushButton*>("SCButton27");
    ASSERT_NE(load, nullptr);
    load->click();
    ASSERT_FALSE(logged("error").isEmpty());
    EXPECT_TRUE(logged("error").last().contains("the file does not exist"));
    for (const char* name : {"SCButton25", "SCButton30", "SCButton31", "SCButton32", "SCButton74",
                             "SCButton75", "SCButton63", "SCButton26"})
        EXPECT_NE(window->findChild<QPushButton*>(name), nullptr) << name;

    auto* devices = qobject_cast<QComboBox*>(window->control(key::ComboBox3));
    ASSERT_NE(devices, nullptr);
    devices->setEditable(true);
    devices->setEditText(QStringLiteral("USB Camera"));
    QFocusEvent left(QEvent::FocusOut);
    QCoreApplication::sendEvent(devices, &left);
    EXPECT_EQ(app->settings().text(key::SCEdit100), QStringLiteral("USB Camera"));
}

// A real clip through the whole program: the start shows its first picture (proof of play in
// velumo.log), status follows the pause, the stop ends it.
TEST_F(Wiring, AClipStartedThroughTheControlChannelIsOnScreen)
{
    if (!test::TestMedia::haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is missing";
    const QString clip = dir.filePath("green.mp4");
    ASSERT_TRUE(test::TestMedia::make(clip, {"color=c=green", "s=SIZE", "r=25"}, 6));
    writeConfig([&](Settings& s) { s.setText(key::SCEdit49, clip); });
    ASSERT_NE(start(), nullptr);
    app->settings().setText(key::SCEdit10,
                            QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 13:50:30"));
    auto clipStatus = [&] {
        return app->control().status().value("players").toObject().value("clip").toObject();
    };
    auto playing = [&] {
        EXPECT_EQ(app->control().execute("clip start").first, 0);
        const bool settled = QTest::qWaitFor(
            [&] {
                return clipStatus().value("playing").toBool() ||
                       !logged("player").filter("no picture within").isEmpty();
            },
            20000);
        return settled && clipStatus().value("playing").toBool();
    };
    // The first start of the media framework in a process may outlast the first-picture limit
    // on a loaded machine; the second is warm.
    ASSERT_TRUE(playing() || playing());
    EXPECT_EQ(clipStatus().value("file").toString(), clip);
    EXPECT_FALSE(logged("player").filter("first frame after ").isEmpty());
    EXPECT_TRUE(logged("player").contains("started k 1 " + clip));
    EXPECT_EQ(app->control().execute("clip pause").first, 0);
    EXPECT_FALSE(clipStatus().value("playing").toBool());
    EXPECT_EQ(app->control().execute("clip stop").first, 0);
    EXPECT_TRUE(clipStatus().value("file").toString().isEmpty());
}

// The Flash and web commands run their buttons' operations; status tells what is on air. None
// of this creates a browser: a Flash stop and a web hide need none.
TEST_F(Wiring, FlashAndWebCommandsAndTheirStatus)
{
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(app->control().execute("flash stop").first, 0);
    EXPECT_EQ(app->control().execute("web hide").first, 0);
    const QJsonObject players = app->control().status().value("players").toObject();
    const QJsonObject flash = players.value("flash").toObject();
    EXPECT_EQ(flash.keys(), QStringList({"movie", "visible"}));
    EXPECT_FALSE(flash.value("visible").toBool());
    const QJsonObject web = players.value("web").toObject();
    EXPECT_EQ(web.keys(), QStringList({"address", "loaded", "parked", "titles", "visible"}));
    EXPECT_FALSE(web.value("visible").toBool());
    // A geometry field that is not a number fails the command with the conversion error.
    app->settings().setText(key::SCEdit44, QStringLiteral("12a"));
    EXPECT_EQ(app->control().execute("web show").first, 2);
}

// The test hook exists only when asked for; armed, its timer's handler fails through the real
// Qt timers, the failure is the general error report, and the program goes on.
TEST_F(Wiring, TheTestHookIsThereOnlyWhenAskedForAndItsFailureIsReported)
{
    start();
    EXPECT_EQ(app->control().execute("test throw").first, 2);
    app.reset();

    qputenv("VELUMO_TEST_HOOKS", "1");
    start();
    qunsetenv("VELUMO_TEST_HOOKS");
    const QStringList before = logged("error");  // start-up's own reports of a fresh folder
    EXPECT_EQ(app->control().execute("test throw"), (std::pair<int, QString>{0, "armed"}));
    QDeadlineTimer deadline(5000);
    while (logged("error").size() == before.size() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    // A timer's failure: in plain Russian, the technical text after a dash.
    const QStringList after = logged("error");
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.mid(0, before.size()), before);
    EXPECT_TRUE(after.last().endsWith(QStringLiteral(" — test hook: the timer handler failed")))
        << after.last().toStdString();
    EXPECT_EQ(app->control().execute("status").first, 0);
}

}  // namespace
}  // namespace velumo
