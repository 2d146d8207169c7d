// fleet.ini: what makes a link, and every mistake said plainly.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "fakes/testsupport.h"
#include "fleet/fleetconfig.h"

namespace velumo::fleet {
namespace {

TEST(FleetConfig, ReadsAFullFileAndKeepsDefaults)
{
    QTemporaryDir dir;
    test::writeAll(dir.filePath("ca.crt"), "x");
    test::writeAll(dir.filePath("pw"), "s3cret\nignored\n");
    const FleetConfigRead read = parseFleetConfig(
        "\xEF\xBB\xBF# site broker\n[fleet]\nbroker = mqtts://broker.example:9883\n"
        "station = Hall_2-east\nuser = Hall_2-east\npassword_file = pw\nca_file = ca.crt\n",
        dir.path());
    ASSERT_TRUE(read.present);
    ASSERT_EQ(read.error, "");
    EXPECT_TRUE(read.config.tls);
    EXPECT_EQ(read.config.host, "broker.example");
    EXPECT_EQ(read.config.port, 9883);
    EXPECT_EQ(read.config.station, "Hall_2-east");
    EXPECT_EQ(read.config.password, "s3cret");
    EXPECT_EQ(read.config.caFile, dir.filePath("ca.crt"));
    EXPECT_EQ(read.config.keepAliveS, 30);
    EXPECT_EQ(read.config.statusIntervalS, 60);
    EXPECT_EQ(read.config.allow, FleetConfig::defaultAllow());

    const FleetConfigRead plain = parseFleetConfig("broker = mqtt://10.0.0.5\n", dir.path());
    EXPECT_EQ(plain.error, "");
    EXPECT_EQ(plain.config.port, 1883);
    EXPECT_TRUE(isStationId(plain.config.station)) << plain.config.station.toStdString();
}

TEST(FleetConfig, EveryMistakeIsNamed)
{
    QTemporaryDir dir;
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"broker = mqtt://h:1\ncolour = red\n", "unknown key \"colour\""},
        {"broker = http://h:1\n", "is not mqtt://host:port"},
        {"broker = mqtt://h:1/path\n", "is not mqtt://host:port"},
        {"broker = mqtts://h:1\n", "mqtts needs a CA file"},
        {"broker = mqtts://h:1\nca_file = missing.crt\n", "ca_file: cannot read"},
        {"broker = mqtt://h:1\nstation = a/b\n", "may hold only letters"},
        {"broker = mqtt://h:1\nstation = a+#\n", "may hold only letters"},
        {"broker = mqtt://h:1\nkeepalive = 1\n", "keepalive"},
        {"broker = mqtt://h:1\npassword_file = none\n", "password_file: cannot read"},
        {"station = x\n", "no broker"},
        {"broker = mqtt://h:1\n[other]\n", "unknown section"},
        {"broker = mqtt://h:1\njust words\n", "no \"key = value\""},
    };
    for (const auto& c : cases) {
        const FleetConfigRead read = parseFleetConfig(c.text, dir.path());
        EXPECT_TRUE(read.error.contains(QLatin1String(c.error)))
            << c.text << " -> " << read.error.toStdString();
    }
    EXPECT_FALSE(readFleetConfig(dir.path()).present);
}

// What the page saves goes into the file as written: every other line, section and comment
// stays, and a value that looks like a comment goes in quotes and reads back whole.
TEST(FleetConfigFields, SavedIntoTheFileKeepingEverythingElse)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kFleetIniName));
    test::writeAll(path,
                   "# site\r\n[fleet]\r\nbroker = mqtt://old:1   # ours\r\nuser = a\r\n"
                   "user = b\r\n\r\n[metrics]\r\nmetrics_port = 9100   # scraped\r\n");
    FleetConfigFields fields = readFleetConfigFields(dir.path());
    ASSERT_EQ(fields.broker, "mqtt://old:1");
    fields.broker = QStringLiteral("mqtt://new:2");
    fields.user.clear();
    fields.password = QStringLiteral("x #1 \"q\"");
    ASSERT_EQ(saveFleetConfigFields(dir.path(), fields), "");
    EXPECT_EQ(test::readAll(path),
              "# site\r\n[fleet]\r\nbroker = mqtt://new:2   # ours\r\npassword = \"x #1 "
              "\\\"q\\\"\"\r\n\r\n[metrics]\r\nmetrics_port = 9100   # scraped\r\n");
    const FleetConfigRead read = readFleetConfig(dir.path());
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.config.password, fields.password);
    EXPECT_EQ(read.metrics.port, 9100);
}

TEST(FleetConfig, AllowListMatchesWholeVerbs)
{
    FleetConfig c;
    c.allow = FleetConfig::defaultAllow();
    EXPECT_TRUE(c.allows("status"));
    EXPECT_TRUE(c.allows("ticker start"));
    EXPECT_TRUE(c.allows("  ticker   stop "));
    EXPECT_TRUE(c.allows("phrase Добрый день"));
    EXPECT_FALSE(c.allows("ticker"));
    EXPECT_FALSE(c.allows("statusx"));
    EXPECT_FALSE(c.allows("exit"));
    EXPECT_FALSE(c.allows("set SCEdit1 x"));
    EXPECT_FALSE(c.allows("dispatcher"));
    const FleetConfigRead read =
        parseFleetConfig("broker = mqtt://h\nallow = status, exit\n", QString());
    EXPECT_EQ(read.config.allow, (QStringList{"status", "exit"}));
}

TEST(FleetConfig, WrittenForTheOwnerOnly)
{
    QTemporaryDir dir;
    ASSERT_EQ(writeFleetConfigText(dir.path(), "broker = mqtt://h\npassword = x\n"), "");
    EXPECT_EQ(QFile::permissions(dir.filePath("fleet.ini")) & 0x0FFF & ~0x0600,
              QFileDevice::Permissions());
    EXPECT_EQ(readFleetConfig(dir.path()).config.password, "x");
}

TEST(FleetConfigFields, SavedFieldsReadBackAndRefusalsLeaveTheFileAlone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QLatin1String(kFleetIniName));
    test::writeAll(path, "# hand-written\nbroker = mqtt://old:1\nstatus_interval = 15\n");
    FleetConfigFields fields = readFleetConfigFields(dir.path());
    EXPECT_EQ(fields.broker, "mqtt://old:1");
    EXPECT_EQ(fields.statusInterval, "15");
    fields.broker = QStringLiteral("mqtt://127.0.0.1:1884");
    fields.station = QStringLiteral("Hall_2");
    fields.user = QStringLiteral("hall");
    fields.password = QStringLiteral("p w=1");
    fields.keepAlive = QStringLiteral("20");
    fields.allow = QStringLiteral("status, ticker start");
    ASSERT_EQ(saveFleetConfigFields(dir.path(), fields), "");
    EXPECT_EQ(QFile::permissions(path) & 0x0FFF, QFile::ReadUser | QFile::WriteUser);  // mode 0600
    const FleetConfigRead read = readFleetConfig(dir.path());
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.config.port, 1884);
    EXPECT_EQ(read.config.station, "Hall_2");
    EXPECT_EQ(read.config.password, "p w=1");
    EXPECT_EQ(read.config.keepAliveS, 20);
    EXPECT_EQ(read.config.statusIntervalS, 15);
    EXPECT_EQ(read.config.allow, QStringList({"status", "ticker start"}));
    const FleetConfigFields back = readFleetConfigFields(dir.path());
    EXPECT_EQ(back.password, "p w=1");
    EXPECT_EQ(back.allow, "status, ticker start");
    EXPECT_EQ(back.passwordFile, "");

    const QByteArray saved = test::readAll(path);
    FleetConfigFields bad = fields;
    bad.broker = QStringLiteral("http://h:1");
    EXPECT_EQ(saveFleetConfigFields(dir.path(), bad),
              parseFleetConfig("broker = http://h:1\n", dir.path()).error);
    bad = fields;
    bad.user = QStringLiteral("x\nallow = shell");  // no key slipped in through a field
    EXPECT_NE(saveFleetConfigFields(dir.path(), bad), "");
    bad = fields;
    bad.keepAlive = QStringLiteral("2");
    EXPECT_TRUE(saveFleetConfigFields(dir.path(), bad).contains("keepalive"));
    EXPECT_EQ(test::readAll(path), saved);

    QTemporaryDir empty;
    EXPECT_EQ(readFleetConfigFields(empty.path()).broker, "");
}

}  // namespace
}  // namespace velumo::fleet
