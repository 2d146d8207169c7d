#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <cstring>

#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "devices/alsamastermute.h"
#include "devices/broadcastmute.h"
#include "devices/lptpins.h"
#include "devices/parallelport.h"
#include "devices/ppdevparallelport.h"
#include "dispatcher/portspage.h"
#include "fakes/fakedevices.h"
#include "fakes/testsupport.h"
#include "ui/settingswindow.h"

using namespace velumo;

namespace {

class FailingMasterMute final : public MasterMute {
public:
    void SetMasterMuteValue(bool) override { throw Failure(AlsaMasterMute::failureText(-2)); }
};

// The settings window with the ports page over recording devices.
class PortsPageTest : public ::testing::Test {
protected:
    explicit PortsPageTest(ParallelPort* port = nullptr, MasterMute* mixer = nullptr)
        : pins(settings, port ? *port : memoryPort), broadcast(mixer ? *mixer : recordingMixer)
    {
        window = std::make_unique<SettingsWindow>(settings);
        page = new PortsPage(*window, settings, pins, tones, broadcast, notifier);
    }

    template <typename T = QWidget>
    T* widget(const char* name)
    {
        auto* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void clickField(const char* name) { QTest::mouseClick(widget(name), Qt::LeftButton); }
    void clickButton(const char* name) { widget<QPushButton>(name)->click(); }

    Settings settings;
    test::MemoryParallelPort memoryPort;
    test::RecordingMasterMute recordingMixer;
    test::RecordingTonePlayer tones;
    test::RecordingNotifier notifier;
    LptPins pins;
    BroadcastMute broadcast;
    std::unique_ptr<SettingsWindow> window;
    PortsPage* page = nullptr;
};

TEST_F(PortsPageTest, ToneFieldClicksBeepWithTheirToneAndTheLength)
{
    settings.setText(key::SCEdit71, QStringLiteral("310"));
    settings.setText(key::SCEdit72, QStringLiteral("420"));
    settings.setText(key::SCEdit7, QStringLiteral("999"));
    settings.setText(key::SCEdit42, QStringLiteral("888"));
    settings.setText(key::SCEdit73, QStringLiteral("150"));
    const std::pair<const char*, int> cases[] = {
        {key::SCEdit69, 100}, {key::SCEdit70, 200}, {key::SCEdit71, 310},
        {key::SCEdit72, 420}, {key::SCEdit7, 310},  {key::SCEdit42, 420},
    };
    for (const auto& [field, frequencyHz] : cases) {
        tones.tones.clear();
        clickField(field);
        EXPECT_EQ(tones.tones, (std::vector<std::pair<int, int>>{{frequencyHz, 150}})) << field;
    }
    EXPECT_TRUE(notifier.errors.isEmpty());
}

TEST_F(PortsPageTest, AToneFieldThatIsNoIntegerFailsBeforeTheBeep)
{
    const std::pair<const char*, const char*> cases[] = {
        {key::SCEdit69, ""}, {key::SCEdit69, "1 2"}, {key::SCEdit73, "2x"}};
    for (const auto& [field, text] : cases) {
        settings.resetToDefaults();
        settings.setText(QString::fromLatin1(field), QString::fromUtf8(text));
        notifier.errors.clear();
        clickField(key::SCEdit69);
        EXPECT_TRUE(tones.tones.empty()) << field << " = '" << text << "'";
        EXPECT_EQ(notifier.errors,
                  QStringList{QStringLiteral("'%1' is not a valid integer value").arg(text)});
    }
}

TEST_F(PortsPageTest, PinTestsFollowTheirSpinnersBehindThePermission)
{
    settings.setSpin(key::SpinEdit9, 3);
    settings.setSpin(key::SpinEdit10, 9);
    for (const char* button : {"SCButton46", "SCButton47", "SCButton48", "SCButton49"})
        clickButton(button);
    EXPECT_EQ(memoryPort.reads + memoryPort.writes, 0) << "unchecked: the port is left alone";

    settings.setChecked(key::SCCheckBox26, true);
    const std::pair<const char*, quint8> steps[] = {
        {"SCButton46", 0x02}, {"SCButton48", 0x82}, {"SCButton47", 0x80}, {"SCButton49", 0x00}};
    for (const auto& [button, value] : steps) {
        clickButton(button);
        EXPECT_EQ(memoryPort.value(), value) << button;
    }
    EXPECT_TRUE(notifier.errors.isEmpty());
}

TEST_F(PortsPageTest, CheckingThePermissionClaimsThePortAndDropsThePins)
{
    memoryPort.setValue(0xFF);
    // Loading the settings file checks the box without a click: nothing happens to the port.
    settings.setChecked(key::SCCheckBox26, true);
    settings.setChecked(key::SCCheckBox26, false);
    EXPECT_EQ(memoryPort.claims, 0);

    auto* box = widget<QCheckBox>(key::SCCheckBox26);
    box->click();
    EXPECT_TRUE(settings.checked(key::SCCheckBox26));
    EXPECT_EQ(memoryPort.claims, 1);
    EXPECT_EQ(memoryPort.value(), 0x00);

    const int writes = memoryPort.writes;
    box->click();  // unchecking gives nothing back and writes nothing
    EXPECT_FALSE(settings.checked(key::SCCheckBox26));
    EXPECT_EQ(memoryPort.writes, writes);
}

TEST_F(PortsPageTest, SoundTestsSwitchTheOutputAndTheFlag)
{
    clickButton("SCButton84");
    EXPECT_TRUE(broadcast.BroadcastMuted());
    clickButton("SCButton51");
    EXPECT_FALSE(broadcast.BroadcastMuted());
    EXPECT_EQ(recordingMixer.calls, (std::vector<bool>{true, false}));
}

TEST_F(PortsPageTest, ButtonsCarryTheirHints)
{
    const std::pair<const char*, const char*> hints[] = {
        {"SCButton46", "Пин LPT \"ON\""},
        {"SCButton47", "Пин LPT \"OFF\""},
        {"SCButton48", "Пин LPT \"ON\""},
        {"SCButton49", "Пин LPT \"OFF\""},
        {"SCButton51", "Проверка функции вкл/откл звука"},
        {"SCButton84", "Проверка функции вкл/откл звука"},
    };
    for (const auto& [name, hint] : hints)
        EXPECT_EQ(widget<QPushButton>(name)->toolTip(), QString::fromUtf8(hint)) << name;
    EXPECT_EQ(widget<QPushButton>("SCButton51")->text(), QStringLiteral("Вкл"));
    EXPECT_EQ(widget<QPushButton>("SCButton84")->text(), QStringLiteral("Откл"));
    EXPECT_TRUE(widget<QPlainTextEdit>("Memo5")->isReadOnly());
}

TEST_F(PortsPageTest, ToneFieldsTakeOnlyDigitsWhenTyped)
{
    auto* edit = widget<QLineEdit>(key::SCEdit71);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("3a0"));
    EXPECT_EQ(edit->text(), QStringLiteral("30"));
    EXPECT_EQ(settings.text(key::SCEdit71), QStringLiteral("30"));
}

// The same page over the real backends pointed at devices that do not exist.
class PortsPageWithoutDevicesTest : public PortsPageTest {
protected:
    PortsPageWithoutDevicesTest() : PortsPageTest(&missingPort, &failingMixer) {}
    static inline PpdevParallelPort missingPort{QStringLiteral("/nonexistent/parport0")};
    static inline FailingMasterMute failingMixer;
};

TEST_F(PortsPageWithoutDevicesTest, FailuresReachTheErrorReportAndTheStateStays)
{
    widget<QCheckBox>(key::SCCheckBox26)->click();
    clickButton("SCButton46");
    clickButton("SCButton84");
    const QString noPort = QStringLiteral("Нет доступа к порту LPT1 (/nonexistent/parport0): ") +
                           QString::fromLocal8Bit(strerror(ENOENT));
    EXPECT_EQ(
        notifier.errors,
        (QStringList{noPort, noPort,
                     QStringLiteral("SetMasterMuteValue failure, multimedia system error #-2")}));
    EXPECT_TRUE(settings.checked(key::SCCheckBox26)) << "the box stays as the operator set it";
}

}  // namespace
