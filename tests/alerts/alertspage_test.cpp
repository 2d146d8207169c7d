// The page "Интернет > Оповещения": alerts.ini checked and written there and applied at once,
// velumo.cfg and velumo_lang.cfg untouched by it, «Снять» only with a reason. The band's mute
// after its tone.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "alerts/alertboard.h"
#include "alerts/alertspage.h"
#include "alerts/alertwindows.h"
#include "alerts/capreader.h"
#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/translationfile.h"
#include "capfixtures.h"
#include "devices/broadcastmute.h"
#include "fakes/delayingtoneplayer.h"
#include "fakes/fakedevices.h"
#include "fakes/faketimers.h"
#include "ticker/strippriority.h"
#include "ui/settingswindow.h"

namespace velumo::alerts {
namespace {

TEST(AlertsPage, SavesAlertsIniAloneAppliesItAndTakesOffOnlyWithAReason)
{
    QTemporaryDir dir;
    Settings settings;
    SettingsWindow window{settings};
    const QStringList names = window.componentNames();
    const QByteArray config = configfile::save(settings, names);
    velumo::test::writeAll(dir.filePath("velumo.cfg"), config);
    const QStringList translation = translationfile::write(window.components());

    velumo::test::FakeClock clock{test::noon()};
    velumo::test::FakeTimerFactory timers{clock};
    AlertBoard board(test::station(), clock, timers);
    board.offer(readCap(test::xml({}), {}).alert, "feed");
    ASSERT_EQ(board.onAir().size(), 1);
    test::station().save(dir.path());
    QList<AlertsConfig> applied;
    auto* page = new AlertsPage(window, dir.path(), &board, nullptr, [&](const AlertsConfig& c) {
        applied << c;
        board.setConfig(c);
    });
    const auto type = [&](const char* name, const QString& text) {
        window.findChild<QLineEdit*>(QLatin1String(name))->setText(text);
    };
    const auto save = [&] { window.findChild<QPushButton*>("SCButtonAlertsSave")->click(); };

    type("EditAlertsLatitude", "59.94");
    type("EditAlertsLongitude", "30.31");
    type("EditAlertsRepeat", "3");
    save();
    ASSERT_EQ(applied.size(), 1) << page->savedText().toStdString();
    const AlertsConfigRead read = readAlertsConfig(dir.path());
    ASSERT_TRUE(read.present && read.errors.isEmpty()) << read.errors.join(';').toStdString();
    ASSERT_TRUE(read.config.place);
    EXPECT_DOUBLE_EQ(read.config.place->lat, 59.94);
    EXPECT_EQ(read.config.repeatMin, 3);
    ASSERT_EQ(read.config.geocodes.size(), 1);  // what was not typed stays
    EXPECT_EQ(read.config.geocodes[0].value, "45000000");
    EXPECT_EQ(board.config().repeatMin, 3);
    // Not a byte of the program's own files: neither written nor with new lines.
    EXPECT_EQ(velumo::test::readAll(dir.filePath("velumo.cfg")), config);
    EXPECT_EQ(window.componentNames(), names);
    EXPECT_EQ(configfile::save(settings, window.componentNames()), config);
    EXPECT_EQ(translationfile::write(window.components()), translation);

    // A value that is not one: nothing written, nothing applied, the reason shown.
    const QByteArray written = velumo::test::readAll(dir.filePath("alerts.ini"));
    type("EditAlertsPoll", "часто");
    save();
    EXPECT_EQ(applied.size(), 1);
    EXPECT_TRUE(page->savedText().startsWith("Не записано")) << page->savedText().toStdString();
    EXPECT_EQ(velumo::test::readAll(dir.filePath("alerts.ini")), written);

    // An alert for everyone: still on air at the new place.
    ASSERT_EQ(page->onAirList()->topLevelItemCount(), 1);
    page->onAirList()->setCurrentItem(page->onAirList()->topLevelItem(0));
    EXPECT_FALSE(page->takeOffChosen("  "));
    EXPECT_EQ(board.onAir().size(), 1);
    QString note;
    QObject::connect(&board, &AlertBoard::changed, [&](const AlertChange& c) { note = c.note; });
    EXPECT_TRUE(page->takeOffChosen("ложная тревога"));
    EXPECT_TRUE(board.onAir().isEmpty());
    EXPECT_EQ(note, "ложная тревога");
}

struct NoPriority final : StripPriority {
    void announce(const QString&, const QString&) override {}
    void hold(const QString&, const QString&) override {}
    void takeOff(const QString&) override {}
};

// With SCCheckbox25 the band mutes the output once its tone has sounded, and lifts the mute as
// it goes unless a broadcast has taken the mute meanwhile.
TEST(AlertWindows, MutesAfterTheToneAndLeavesABroadcastsMuteAlone)
{
    Settings settings;
    settings.setChecked(key::SCCheckbox25, true);
    QWidget strip;
    NoPriority priority;
    velumo::test::DelayingTonePlayer tones;
    velumo::test::RecordingMasterMute master;
    BroadcastMute mute(master);
    velumo::test::FakeClock clock{test::noon()};
    velumo::test::FakeTimerFactory timers{clock};
    AlertWindows windows(strip, priority, tones, mute, settings, timers, clock);
    windows.attention();
    windows.showBand({});
    EXPECT_TRUE(master.calls.empty());  // not over the tone
    ASSERT_TRUE(velumo::test::waitFor([&] { return !tones.sounding(); }, 10000));
    EXPECT_EQ(master.calls, std::vector<bool>{true});
    windows.hideBand();
    EXPECT_EQ(master.calls, (std::vector<bool>{true, false}));

    windows.attention();
    windows.showBand({});
    ASSERT_TRUE(velumo::test::waitFor([&] { return !tones.sounding(); }, 10000));
    mute.broadcastStarting(settings);
    windows.hideBand();
    EXPECT_EQ(master.calls, (std::vector<bool>{true, false, true, true}));
    EXPECT_TRUE(mute.BroadcastMuted());
}

}  // namespace
}  // namespace velumo::alerts
