// The control panel window offscreen: its buttons and keys, the clock text, the operations it
// runs, the players' buttons, the notification area with and without a tray, the exit question
// and its texts.
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "base/operations.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/fakedevices.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "panel/clockticker.h"
#include "panel/controlpanel.h"
#include "panel/panelcomponents.h"
#include "panel/panelphrases.h"
#include "panel/systemtrayicon.h"
#include "panel/trayicon.h"
#include "ui/settingswindow.h"

namespace velumo {
namespace {

// A notification area that records what it was asked to do.
class FakeTrayIcon final : public TrayIcon {
public:
    bool isAvailable() const override { return available; }
    void show() override
    {
        shown = true;
        calls.append(QStringLiteral("show"));
    }
    void hide() override
    {
        shown = false;
        calls.append(QStringLiteral("hide"));
    }
    bool isShown() const override { return shown; }
    void notify(const QString&, const QString& text) override
    {
        calls.append(QStringLiteral("notify ") + text);
    }

    bool available = true;
    bool shown = false;
    QStringList calls;
};

class Panel : public ::testing::Test {
protected:
    Panel()
    {
        for (const char* name : {"phrase", "ticker stop", "ticker continue", "ticker restart",
                                 "dispatcher stop", "panel dispatcher-start", "show", "exit"}) {
            const QString op = QString::fromLatin1(name);
            operations.add(op, [this, op](const QString& argument) {
                ran.append(argument.isEmpty() ? op : op + u':' + argument);
                return QString();
            });
        }
        phrases.load(QString());  // the first start's list
        panel = std::make_unique<ControlPanel>(settings, notifier, operations, phrases, clock, tray,
                                               ControlPanel::Windows{main, strip, clockWindow});
    }

    template <typename T = QWidget>
    T* find(const char* name)
    {
        T* widget = panel->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    QStringList listed()
    {
        QStringList texts;
        auto* list = find<QListView>("ListBox1");
        for (int i = 0; i < list->model()->rowCount(); ++i)
            texts.append(list->model()->index(i, 0).data().toString());
        return texts;
    }

    Settings settings;
    test::RecordingNotifier notifier;
    test::FakeClock time{QDateTime(QDate(2010, 10, 13), QTime(12, 34, 56))};
    test::FakeTimerFactory timers{time};
    test::RecordingPowerControl power;
    ClockTicker clock{settings, time, timers, power, notifier};
    Operations operations;
    QStringList ran;
    PanelPhrases phrases;
    FakeTrayIcon tray;
    SettingsWindow main{settings};
    QWidget strip;
    QWidget clockWindow;
    std::unique_ptr<ControlPanel> panel;
};

TEST_F(Panel, DesignTextsAndCaption)
{
    EXPECT_EQ(panel->objectName(), "TForm7");
    EXPECT_EQ(panel->windowTitle(),
              QString(41, u' ') + QStringLiteral("Панель ручного управления Velumo7"));
    EXPECT_EQ(panel->size(), QSize(591, 341));
    EXPECT_EQ(find<QLineEdit>("scEdit1")->text(), "Строка для добавления в перечень");
    EXPECT_EQ(find<QPushButton>("SCButton5")->toolTip(), "Свернуть программу в значек на Systray");
    EXPECT_TRUE(find<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_TRUE(find<QLabel>("Label1")->isHidden());
    EXPECT_EQ(listed(), QStringList{"Вышла новая версия Velumo7!!"});
    EXPECT_EQ(translationfile::write(panel->components()),
              translationfile::write(panelcomponents::design()));
}

TEST_F(Panel, TranslatedTextsReachTheWidgetsAndComeBack)
{
    QList<UiComponent> components = panel->components();
    QStringList lines = translationfile::write(components);
    lines[26] = QStringLiteral("Стоп!|Строка стоит");  // SCButton2
    lines[24] = QStringLiteral("Без черты");           // SCButton5
    lines[32] = QStringLiteral("Часы");                // GroupBox1
    lines[38] = QStringLiteral("ЦУП работает");        // Label1
    translationfile::read(lines, components);
    panel->applyComponents(components);
    EXPECT_EQ(find<QPushButton>("SCButton2")->text(), "Стоп!");
    EXPECT_EQ(find<QPushButton>("SCButton2")->toolTip(), "Строка стоит");
    EXPECT_EQ(find<QPushButton>("SCButton5")->text(), "");
    EXPECT_EQ(find<QPushButton>("SCButton5")->toolTip(), "Без черты");
    EXPECT_EQ(find<QLabel>("Label1")->text(), "ЦУП работает");
    // Written back, the button line has its bar again.
    lines[24] = QStringLiteral("|Без черты");
    EXPECT_EQ(translationfile::write(panel->components()), lines);
}

TEST_F(Panel, PhrasesGoInWithInsertAndTheButtonAndOutWithDelete)
{
    panel->show();
    auto* input = find<QLineEdit>("scEdit1");
    auto* list = find<QListView>("ListBox1");
    input->setFocus();
    QTest::keyClick(input, Qt::Key_Insert);
    QTest::keyClick(input, Qt::Key_Insert);
    input->setText(QString(10'000, u'я'));
    click("SCButton4");
    input->setText(QStringLiteral("из поля диспетчера"));
    QTest::keyClick(find("SCEdit3"), Qt::Key_Insert);
    ASSERT_EQ(listed().size(), 5);
    EXPECT_EQ(listed()[1], "Строка для добавления в перечень");
    EXPECT_EQ(listed()[2], "Строка для добавления в перечень");
    EXPECT_EQ(listed()[3].size(), 10'000);
    EXPECT_EQ(phrases.phrases(), listed());

    // Nothing selected: Delete and the button do nothing, and say nothing.
    QTest::keyClick(list, Qt::Key_Delete);
    click("SCButton6");
    EXPECT_EQ(listed().size(), 5);
    panel->selectPhrase(1);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(listed().size(), 4);
    QTest::keyClick(list, Qt::Key_Delete);  // the selection went with the phrase
    EXPECT_EQ(listed().size(), 4);
    panel->selectPhrase(0);
    click("SCButton6");
    EXPECT_EQ(listed(), phrases.phrases());
    EXPECT_EQ(listed().constFirst(), "Строка для добавления в перечень");
    EXPECT_TRUE(notifier.messages.isEmpty());
    EXPECT_TRUE(notifier.errors.isEmpty());
}

TEST_F(Panel, PhraseIntoTheTickerAndBesideTheClock)
{
    panel->addPhrase(QString());
    panel->addPhrase(QStringLiteral("Скидки"));
    // Nothing selected: nothing happens, nothing is reported.
    click("SCButton1");
    click("SCButton9");
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(clock.ClockText(), "  ");
    EXPECT_TRUE(notifier.errors.isEmpty());

    panel->selectPhrase(2);
    click("SCButton1");
    EXPECT_EQ(ran, QStringList{"phrase:Скидки"});
    click("SCButton9");
    EXPECT_EQ(clock.ClockText(), "Скидки");
    EXPECT_EQ(find<QLabel>("Label3")->text(), "Скидки");
    // Redrawn at once: the tick ran with the counter at 59.
    EXPECT_EQ(clock.clockString(), "Скидки 12:34");
    EXPECT_EQ(clock.ClockRedrawCounter(), 0);
    EXPECT_EQ(find<QLineEdit>("SCEditn7")->text(), "12:34:56");

    panel->selectPhrase(1);  // an empty phrase: a blank and the time
    click("SCButton9");
    EXPECT_EQ(clock.clockString(), " 12:34");

    settings.setText(key::SCEdit41, QStringLiteral("Время"));
    time.advanceMs(60'000);
    click("SCButton12");
    EXPECT_EQ(clock.ClockText(), "Время");
    EXPECT_EQ(find<QLabel>("Label3")->text(), "");
    EXPECT_EQ(clock.clockString(), "Время 12:35");
}

TEST_F(Panel, TickerAndDispatcherButtonsRunTheProgramsOperations)
{
    for (const char* name :
         {"SCButton2", "SCButton8", "SCButton10", "SCButton43", "SCButton44", "SCButton3"})
        click(name);
    EXPECT_EQ(ran, (QStringList{"ticker stop", "ticker continue", "ticker restart",
                                "panel dispatcher-start", "dispatcher stop", "show"}));
    // A failing operation is the general error report; the panel goes on.
    operations.add(QStringLiteral("clip start"),
                   [](const QString&) -> QString { throw std::runtime_error("нет клипа"); });
    panel->updatePlayerButtons();
    click("SCButton16");
    EXPECT_EQ(notifier.errors, QStringList{"нет клипа"});
}

TEST_F(Panel, PlayersButtonsWaitForTheirOperations)
{
    panel->show();
    for (const char* name :
         {"SCButton16", "SCButton15", "SCButton14", "SCButton13", "SCButton63", "SCButton26"})
        EXPECT_FALSE(find<QPushButton>(name)->isEnabled()) << name;
    operations.add(QStringLiteral("flash start"), [this](const QString&) {
        ran.append(QStringLiteral("flash start"));
        return QString();
    });
    panel->hide();
    panel->show();  // checked again on every show
    EXPECT_TRUE(find<QPushButton>("SCButton14")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("SCButton13")->isEnabled());
    click("SCButton14");
    EXPECT_EQ(ran, QStringList{"flash start"});

    // The broadcast's buttons run the panel's own start and stop, not the page's: the page's
    // being there enables nothing.
    for (const char* name : {"capture start", "capture stop"})
        operations.add(QString::fromLatin1(name), [](const QString&) { return QString(); });
    panel->updatePlayerButtons();
    EXPECT_FALSE(find<QPushButton>("SCButton63")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("SCButton26")->isEnabled());
    for (const char* name : {"panel capture-start", "panel capture-stop"}) {
        const QString op = QString::fromLatin1(name);
        operations.add(op, [this, op](const QString&) {
            ran.append(op);
            return QString();
        });
    }
    panel->updatePlayerButtons();
    click("SCButton63");
    click("SCButton63");
    click("SCButton26");
    EXPECT_EQ(ran, (QStringList{"flash start", "panel capture-start", "panel capture-start",
                                "panel capture-stop"}));
}

TEST_F(Panel, ClockBoxIsMirroredWithTheSettingsBox)
{
    auto* box = find<QCheckBox>("CheckBox1");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(settings.checked(key::SCCheckbox7));
    settings.setChecked(key::SCCheckbox7, true);
    EXPECT_TRUE(box->isChecked());
}

TEST_F(Panel, WindowsToTheFront)
{
    click("SCButton11");
    EXPECT_TRUE(strip.isVisible());
    EXPECT_TRUE(clockWindow.isVisible());
    strip.hide();
    clockWindow.hide();
    settings.setChecked(key::SCCheckbox7, false);
    panel->findChild<QAction*>("N1")->trigger();
    EXPECT_TRUE(strip.isVisible());
    EXPECT_FALSE(clockWindow.isVisible());

    settings.setText(key::SCEdit94, QStringLiteral("40"));
    settings.setText(key::SCEdit96, QStringLiteral("30"));
    click("SCButton7");
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.pos(), QPoint(30, 40));

    panel->findChild<QAction*>("N2")->trigger();
    EXPECT_EQ(ran, QStringList{"show"});
    panel->hide();
    panel->findChild<QAction*>("N3")->trigger();
    EXPECT_TRUE(panel->isVisible());

    // The dispatcher's label tells what it shows.
    auto* label = find<QLabel>("Label1");
    label->show();
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(notifier.messages, QStringList{"Диспетчер включен!"});
    // The mirrors of the dispatcher's fields.
    settings.setText(key::SCEditn6, QStringLiteral("13:50:30"));
    EXPECT_EQ(find<QLineEdit>("SCEdit3")->text(), "13:50:30");
}

TEST_F(Panel, MinimiseToTheNotificationAreaAndBack)
{
    main.show();
    panel->show();
    click("SCButton5");
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(tray.shown);
    panel->trayLeftClick();
    EXPECT_FALSE(tray.shown);
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(tray.calls, (QStringList{"show", "hide"}));
    EXPECT_TRUE(notifier.messages.isEmpty());
}

TEST_F(Panel, WithoutANotificationAreaThePanelStaysAndSaysSoOnce)
{
    tray.available = false;
    main.show();
    panel->show();
    click("SCButton5");
    click("SCButton5");
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(tray.calls.isEmpty());
    EXPECT_EQ(notifier.messages, QStringList{ControlPanel::kNoTrayMessage});
    // The desktop closing it now would strand the operator: it stays. The program's own close
    // (its end) goes through.
    QCloseEvent fromDesktop;
    QSpontaneKeyEvent::setSpontaneous(&fromDesktop);
    // Delivered as the event loop delivers it (sendEvent would clear the desktop's mark).
    static_cast<QObject*>(panel.get())->event(&fromDesktop);
    EXPECT_FALSE(fromDesktop.isAccepted());
    EXPECT_TRUE(panel->isVisible());
    panel->close();
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(Panel, TheDesktopsOwnTrayOffscreenHasNoNotificationArea)
{
    SystemTrayIcon real;
    EXPECT_FALSE(real.isAvailable());
    ControlPanel other(settings, notifier, operations, phrases, clock, real,
                       ControlPanel::Windows{main, strip, clockWindow});
    main.show();
    other.show();
    other.SCButton5Click();
    EXPECT_TRUE(other.isVisible());
    EXPECT_FALSE(real.isShown());
}

TEST_F(Panel, ExitAsksFirst)
{
    notifier.answer = false;
    click("SCButton17");
    EXPECT_EQ(notifier.questions, QStringList{"Вы уверенны,что программа должна быть закрыта?"});
    EXPECT_TRUE(ran.isEmpty());
    notifier.answer = true;
    click("SCButton17");
    EXPECT_EQ(ran, QStringList{"exit"});
    EXPECT_EQ(notifier.questionTitles.value(0), "Выход из программы");
}

}  // namespace
}  // namespace velumo
