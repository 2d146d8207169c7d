// The README's examples as printed, taken from README.md itself: a station's fleet.ini run by
// the real program against a real broker, the broker's set-up run on Debian's own
// mosquitto.conf, the block files read by the ticker's reader.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QRegularExpression>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fleet/fleetrig.h"
#include "ticker/tickerblock.h"

namespace velumo::fleettest {
namespace {

using test::waitFor;

// The indented example whose first line is first, without its four blanks, to the next prose.
QString readmeExample(const QString& first, const QString& lineEnd = QStringLiteral("\n"))
{
    const QStringList lines =
        QString::fromUtf8(test::readAll(Broker::source("README.md"))).split(u'\n');
    QStringList example;
    for (qsizetype i = lines.indexOf("    " + first); i >= 0 && i < lines.size(); ++i) {
        if (!lines[i].startsWith(QLatin1String("    ")) &&
            !(lines[i].isEmpty() && lines.value(i + 1).startsWith(QLatin1String("    "))))
            break;
        example << lines[i].mid(4);
    }
    EXPECT_FALSE(example.isEmpty()) << "no example starts " << first.toStdString();
    return example.join(lineEnd) + lineEnd;
}

// One place of the example changed to the reader's own: it must be there exactly once.
void putOwn(QString& text, const QString& printed, const QString& own)
{
    EXPECT_EQ(text.count(printed), 1) << printed.toStdString();
    text.replace(printed, own);
}

// The fleet.ini as printed, comments after values and [metrics] included, with the reader's own
// broker, CA and port: the link goes online, the metrics are served, the status names the line
// that put the README's block on the strip, and "log write" says what it did.
TEST(Readme, StationFleetIniAsPrinted)
{
    Broker broker({"hall-2"});
    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    QTemporaryDir folder;
    const int port = freePort();
    QString ini = readmeExample(QStringLiteral("[fleet]"));
    putOwn(ini, QStringLiteral("mqtts://broker.example:8883"), broker.address());
    putOwn(ini, QStringLiteral("/etc/velumo/fleet-ca.crt"), broker.file("ca.crt"));
    putOwn(ini, QStringLiteral("metrics_port = 9100"),
           QStringLiteral("metrics_port = %1").arg(port));
    test::writeAll(folder.filePath("fleet.ini"), ini.toUtf8());
    test::writeAll(folder.filePath("fleet.password"), "pw-hall-2\n");
    test::writeAll(folder.filePath("news.str"), test::cp1251(readmeExample("^7", "\r\n")));
    const QDateTime first = QDateTime::currentDateTime().addSecs(3);
    const QString line = QStringLiteral("%1|s1|00|%2")
                             .arg(first.toString(u"dd.MM.yy hh:mm:ss"),
                                  first.addSecs(99).toString(u"dd.MM.yy hh:mm:ss"));
    writeTextLines(folder.filePath("plan.pln"), {line});
    Settings settings;
    settings.setText(key::SCEditn10, folder.filePath("plan.pln"));
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEdit59, folder.filePath("news.str"));
    test::writeAll(folder.filePath("velumo.cfg"), configfile::save(settings));

    Subscriber watch(broker, {"velumo/hall-2/#"});
    test::Program program(folder.path());
    program.start();
    ASSERT_TRUE(program.waitReady());
    ASSERT_TRUE(waitFor([&] { return watch.last("velumo/hall-2/online") == "1"; }, 15000))
        << test::readAll(folder.filePath("velumo.log")).toStdString();
    QProcess curl;
    curl.start("curl", {"-sf", QStringLiteral("http://127.0.0.1:%1/metrics").arg(port)});
    ASSERT_TRUE(curl.waitForFinished(10000));
    EXPECT_TRUE(curl.readAll().contains("\nvelumo_up 1\n"));
    ASSERT_EQ(program.send("dispatcher start").code, 0);
    EXPECT_TRUE(waitFor(
        [&] {
            const QJsonObject status = json(watch.last("velumo/hall-2/status"));
            return status.value(u"on_air").toObject().value(u"plan_line").toString() == line;
        },
        20000, 50))
        << watch.last("velumo/hall-2/status").toStdString();
    const auto written = program.send("log write");
    EXPECT_EQ(written.code, 0);
    EXPECT_TRUE(written.text.contains("nothing written")) << written.text.toStdString();
    EXPECT_TRUE(program.close());
}

// The broker's set-up as printed, by root (without root the owners are left out), on Debian's
// mosquitto.conf as installed with its paths in a folder of this test, the certificates and the
// key as openssl writes them: the broker starts with velumo.conf included from conf.d, keeps its
// state where Debian's file says, takes TLS clients with their passwords and holds the ACL.
TEST(Readme, BrokerSetUpAsPrinted)
{
    Broker certificates({});  // only its certificates: the key stays as openssl wrote it
    QFile::setPermissions(certificates.file("server.key"), QFile::ReadOwner | QFile::WriteOwner);
    const QString etc = certificates.file("etc/mosquitto");
    const QString state = certificates.file("var");
    ASSERT_TRUE(QDir().mkpath(etc + "/conf.d") && QDir().mkpath(state));
    QFile::setPermissions(state, QFile::Permissions(0x7777));  // the broker's own user writes here
    test::writeAll(etc + "/mosquitto.conf",
                   debianStockConf(state, "log_dest file " + (state + "/log").toUtf8(),
                                   "include_dir " + (etc + "/conf.d").toUtf8()));
    ASSERT_TRUE(QFile::link(Broker::source("data"), certificates.file("data")));
    const QStringList commands =
        readmeExample("sudo install -d -m 0750 -o root -g mosquitto /etc/mosquitto/velumo")
            .trimmed()
            .split(u'\n');
    for (QString command : commands) {
        command =
            command.section(QStringLiteral(" #"), 0, 0).trimmed().replace("/etc/mosquitto", etc);
        if (!command.startsWith(QLatin1String("sudo ")) || command.endsWith(" restart mosquitto"))
            continue;
        if (::geteuid() != 0 && command.remove(QRegularExpression(" -[og] \\S+")).contains("chown"))
            continue;
        QProcess shell;
        shell.setWorkingDirectory(certificates.file({}));
        shell.setProcessChannelMode(QProcess::MergedChannels);
        shell.start("bash", {"-c", command.mid(5)});
        const QByteArray password = "pw-" + command.section(u' ', -1).toUtf8() + "\n";
        shell.write(password + password);  // mosquitto_passwd asks twice
        shell.closeWriteChannel();
        ASSERT_TRUE(shell.waitForFinished(30000) && shell.exitCode() == 0)
            << command.toStdString() << ": " << shell.readAll().toStdString();
    }
    ASSERT_TRUE(commands.last().contains("systemctl restart mosquitto"));
    // velumo.conf as shipped sets none of Debian's keys; only its paths and port are the test's.
    QByteArray conf = test::readAll(etc + "/conf.d/velumo.conf");
    ASSERT_EQ(conf, test::readAll(Broker::source("data/mosquitto/velumo.conf")));
    for (const char* key : {"pid_file", "persistence", "persistence_location", "log_dest"})
        EXPECT_FALSE(conf.contains("\n" + QByteArray(key) + ' ')) << key;
    const QString pointed = QString::fromUtf8(conf).simplified().remove("# ");
    EXPECT_TRUE(test::readAll(Broker::source("README.md"))
                    .contains("\n### " +
                              pointed.section("see README, \"", 1).section('"', 0, 0).toUtf8() +
                              "\n"));
    const int port = freePort();
    conf.replace("/etc/mosquitto/", (etc + '/').toUtf8());
    conf.replace("listener 8883", "listener " + QByteArray::number(port) + " 127.0.0.1");
    test::writeAll(etc + "/conf.d/velumo.conf", conf);

    QProcess mosquitto;
    mosquitto.start("mosquitto", {"-c", etc + "/mosquitto.conf"});
    Subscriber operatorSide(port, certificates.file("ca.crt"), "operator", {"velumo/#"});
    Subscriber station(port, certificates.file("ca.crt"), "hall-2", {"velumo/+/cmd"});
    ASSERT_TRUE(operatorSide.waitConnected(15000) && station.waitConnected())
        << test::readAll(state + "/log").toStdString();
    // Each round sends what the ACL refuses first on its connection: once the second arrives,
    // the first would have come before it.
    EXPECT_TRUE(waitFor(
        [&] {
            station.client->publish({"velumo/other/status", "not mine", 1});
            station.client->publish({"velumo/hall-2/status", "mine", 1});
            operatorSide.client->publish({"velumo/other/cmd", "status", 1});
            operatorSide.client->publish({"velumo/hall-2/cmd", "status", 1});
            return waitFor(
                [&] {
                    return !operatorSide.on("velumo/hall-2/status").isEmpty() &&
                           !station.on("velumo/hall-2/cmd").isEmpty();
                },
                300, 10);
        },
        15000, 10));
    EXPECT_TRUE(operatorSide.on("velumo/other/status").isEmpty());
    EXPECT_TRUE(station.on("velumo/other/cmd").isEmpty());
    mosquitto.terminate();
    ASSERT_TRUE(mosquitto.waitForFinished(10000));
    EXPECT_TRUE(QFile::exists(state + "/mosquitto.db")) << test::readAll(state + "/log").data();
}

TEST(Readme, BlockFilesAsPrinted)
{
    QTemporaryDir dir;
    const QDateTime now(QDate(2026, 12, 30), QTime(23, 59));
    test::writeAll(dir.filePath("a.str"), test::cp1251(readmeExample("^7", "\r\n")));
    test::writeAll(dir.filePath("a.txt"), test::cp1251(readmeExample("^9", "\r\n")));
    const BlockLists str = TickerBlock::readBlockFile(dir.filePath("a.str"), now).value();
    EXPECT_EQ(str.index, QStringList({"7", "8"}));
    EXPECT_EQ(str.tariff, QStringList({"0", "1"}));
    EXPECT_TRUE(str.text.value(1).startsWith(QStringLiteral("-Внимание! ]")));
    const BlockLists txt = TickerBlock::readBlockFile(dir.filePath("a.txt"), now).value();
    EXPECT_TRUE(txt.text.value(0).startsWith(QStringLiteral("5Новогодний")));
    EXPECT_TRUE(TickerBlock::readBlockFile(dir.filePath("a.txt"), now.addDays(1))->text.isEmpty());
}

}  // namespace
}  // namespace velumo::fleettest
