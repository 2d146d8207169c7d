// The page "Интернет > Центр": fleet.ini edited and checked there, the link's state shown, and
// the settings files untouched by it.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/translationfile.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "fleet/fleetconfig.h"
#include "fleet/gui/centrepage.h"
#include "ui/settingswindow.h"

namespace velumo {
namespace {

struct Centre : ::testing::Test {
    CentrePage& addPage()
    {
        page = new CentrePage(
            window, dir.path(), timers, [this] { return status; }, nullptr);
        return *page;
    }
    void type(const char* name, const QString& text)
    {
        window.findChild<QLineEdit*>(QLatin1String(name))->setText(text);
    }
    void clickSave() { window.findChild<QPushButton*>("SCButtonCentreSave")->click(); }
    QString iniPath() const { return dir.filePath(QLatin1String(fleet::kFleetIniName)); }

    QTemporaryDir dir;
    Settings settings;
    SettingsWindow window{settings};
    test::FakeTimerFactory timers;
    QJsonObject status;
    CentrePage* page = nullptr;
};

TEST_F(Centre, SavesACheckedFleetIniForTheOwnerAloneAndRefusesABadAddress)
{
    test::writeAll(iniPath(), "broker = mqtt://old.example\nstatus_interval = 20\n");
    CentrePage& centre = addPage();
    EXPECT_EQ(window.findChild<QLineEdit*>("EditCentreBroker")->text(), "mqtt://old.example");
    EXPECT_EQ(window.findChild<QLineEdit*>("EditCentrePassword")->echoMode(), QLineEdit::Password);

    type("EditCentreBroker", "mqtt://127.0.0.1:1884");
    type("EditCentreStation", "Hall_7");
    type("EditCentrePassword", "secret");
    type("EditCentreAllow", "status, show");
    clickSave();
    EXPECT_TRUE(centre.savedText().contains("следующем запуске"))
        << centre.savedText().toStdString();
    EXPECT_EQ(QFile::permissions(iniPath()) & 0x0FFF,
              QFile::ReadUser | QFile::WriteUser);  // mode 0600
    const fleet::FleetConfigRead read = fleet::readFleetConfig(dir.path());
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.config.port, 1884);
    EXPECT_EQ(read.config.station, "Hall_7");
    EXPECT_EQ(read.config.password, "secret");
    EXPECT_EQ(read.config.statusIntervalS, 20);  // not on the page, kept
    EXPECT_EQ(read.config.allow, QStringList({"status", "show"}));

    const QByteArray written = test::readAll(iniPath());
    type("EditCentreBroker", "tcp://127.0.0.1");
    EXPECT_FALSE(centre.save());
    const QString expected =
        fleet::parseFleetConfig("broker = tcp://127.0.0.1\n", dir.path()).error;
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_TRUE(centre.savedText().contains(expected)) << centre.savedText().toStdString();
    EXPECT_EQ(test::readAll(iniPath()), written);
}

TEST_F(Centre, ShowsTheLinkStateAsItChanges)
{
    CentrePage& centre = addPage();
    EXPECT_TRUE(centre.stateText().contains("fleet.ini"));
    status = QJsonObject{{"state", "offline"},
                         {"broker", "mqtt://127.0.0.1:1"},
                         {"station", "Hall_7"},
                         {"spool", 12},
                         {"error", "connection refused"}};
    timers.advance(CentrePage::kRefreshMs);
    const QString text = centre.stateText();
    for (const char* part : {"offline", "mqtt://127.0.0.1:1", "Hall_7", "12", "connection refused"})
        EXPECT_TRUE(text.contains(QLatin1String(part))) << part << " in " << text.toStdString();
}

TEST_F(Centre, SettingsFilesKeepEveryLineAndAnOldTranslationItsComponents)
{
    const QStringList names = window.componentNames();
    const QByteArray config = configfile::save(settings, names);
    QStringList translation = translationfile::write(window.components());
    // An existing translation of the WWW page's caption, a line found by its position.
    const qsizetype www = names.indexOf("TabSheet14");
    ASSERT_GE(www, 0);
    translation[names.size() - 1 - www] = QStringLiteral("Web");

    addPage();
    type("EditCentreBroker", "mqtt://127.0.0.1");
    clickSave();
    EXPECT_EQ(window.componentNames(), names);
    EXPECT_EQ(configfile::save(settings, window.componentNames()), config);

    QList<UiComponent> components = window.components();
    translationfile::read(translation, components);
    window.applyComponents(components);
    EXPECT_EQ(translationfile::write(window.components()), translation);
    for (const UiComponent& c : window.components())
        EXPECT_TRUE(c.name != u"TabSheet14" || c.caption == u"Web") << c.caption.toStdString();
    // The page is on the Интернет tabs, its caption its own.
    auto* internet = window.findChild<QTabWidget*>("PageControl7");
    ASSERT_NE(internet, nullptr);
    bool found = false;
    for (int i = 0; i < internet->count(); ++i)
        found |= internet->tabText(i) == u"Центр";
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace velumo
