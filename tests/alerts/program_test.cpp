// The real program under a virtual X server with a real Mosquitto (the site's TLS, passwords and
// ACL): a CAP document the operator publishes to the station's alert topic is in the band over
// the strip, in its severity's colour, and its description holds the strip; it leaves the screen
// within a second of its expires and of a Cancel to the whole fleet, and the journal has both
// ends. A station cannot publish an alert, not even to itself. "alert test" is in the band,
// marked, and goes off with the exit.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QThread>
#include <QTimeZone>
#include <cstdio>

#include "alerts/capfixtures.h"
#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/virtualscreen.h"
#include "fleet/fleetrig.h"

namespace velumo {
namespace {

using alerts::test::Doc;
using alerts::test::xml;
using fleettest::Broker;
using fleettest::Subscriber;

QString capTime(const QDateTime& at)
{
    return at.toTimeZone(QTimeZone(3 * 3600)).toString(Qt::ISODate);
}

Doc alertDoc(const QString& id, const QString& severity, const QDateTime& sent,
             const QDateTime& expires)
{
    Doc d;
    d.id = id;
    d.sent = capTime(sent);
    d.infos = {QStringLiteral(
                   "<info><language>ru-RU</language><category>Met</category><event>Ураган</event>"
                   "<urgency>Immediate</urgency><severity>%1</severity><certainty>Observed"
                   "</certainty><expires>%2</expires><senderName>МЧС</senderName><headline>"
                   "Ураган</headline><description>Порывы ветра до 40 м/с</description>"
                   "<instruction>Оставайтесь дома</instruction></info>")
                   .arg(severity, capTime(expires))};
    return d;
}

// How many points of the band's top rows (above any text) are of the colour.
int bandPoints(const QImage& screen, const QColor& colour)
{
    int found = 0;
    for (int x = 4; x < screen.width(); x += 40) {
        const QColor c = screen.pixelColor(x, 3);
        found += std::abs(c.red() - colour.red()) < 40 &&
                 std::abs(c.green() - colour.green()) < 40 &&
                 std::abs(c.blue() - colour.blue()) < 40;
    }
    return found;
}

class AlertsOnAir : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(broker.start()) << broker.output().toStdString();
        QString why;
        ASSERT_TRUE(screen.start(241, 260, &why)) << why.toStdString();
        // The strip: opaque green, along the lower part of the 1280 by 720 screen.
        Settings settings;
        settings.setChecked(key::SCCheckBox9, false);
        settings.setText(key::SCEdit13, QString::number(0x00ff00));
        settings.setText(key::SCEdit45, "20");
        settings.setText(key::SCEdit43, "600");
        settings.setText(key::SCEdit77, "1000");
        test::writeAll(path("velumo.cfg"), configfile::save(settings));
        fleettest::writeFleetIni(dir.path(), broker, {});
        test::writeAll(path("alerts.ini"), "[alerts]\nlatitude = 55.75\nlongitude = 37.62\n");
        test::writeAll(path("news.str"),
                       test::cp1251(QStringLiteral("^7\r\n~0\r\n0Эфир идёт\r\n0Погода\r\n")));
        program.start({}, screen.environment());
        ASSERT_TRUE(program.waitReady());
        ASSERT_EQ(program.send("block load " + path("news.str")).code, 0);
        ASSERT_EQ(program.send("ticker start").code, 0);
        ASSERT_TRUE(op.waitConnected());
        ASSERT_TRUE(test::waitFor([&] { return member("fleet", "state") == "online"; }, 15000));
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QImage grab()
    {
        QProcess import;
        import.start("import", {"-display", screen.display(), "-window", "root", "png:-"});
        import.waitForFinished(10000);
        return QImage::fromData(import.readAllStandardOutput(), "PNG");
    }
    QJsonValue member(const char* object, const char* name)
    {
        return program.status().value(QLatin1String(object)).toObject().value(QLatin1String(name));
    }
    QJsonArray onAir() { return member("alerts", "on_air").toArray(); }
    // Reads the screen until the band's colour is there (shown) or gone; the moment the read
    // that saw it so ended, or an invalid one when it never did within the time.
    QDateTime screenUntil(const QColor& colour, bool shown, int timeoutMs = 5000)
    {
        QElapsedTimer t;
        t.start();
        lastSeenBegan = {};
        while (t.elapsed() < timeoutMs) {
            const QDateTime began = QDateTime::currentDateTimeUtc();
            const bool there = bandPoints(grab(), colour) > 20;
            if (there == shown)
                return QDateTime::currentDateTimeUtc();
            if (!shown && there)
                lastSeenBegan = began;
        }
        return {};
    }

    Broker broker{{"st1"}};
    test::VirtualScreen screen;
    QTemporaryDir dir;
    test::Program program{dir.path()};
    Subscriber op{broker, {"velumo/st1/events"}};
    QDateTime lastSeenBegan;
};

TEST_F(AlertsOnAir, BandOverTheStripLeavesOnItsExpiryAndOnACancelToTheFleet)
{
    const QColor red(200, 0, 0), orange(255, 140, 0);
    QDateTime now = QDateTime::currentDateTimeUtc();

    // The station's own account may not publish an alert: the broker drops it.
    Subscriber station(broker.port(), broker.file("ca.crt"), "st1", {});
    ASSERT_TRUE(station.waitConnected());
    station.client->publish({"velumo/st1/alert",
                             xml(alertDoc("own", "Extreme", now, now.addSecs(60))),
                             1,
                             false,
                             {},
                             {},
                             {}});

    // Extreme, until six seconds from now: red over the top of the screen, the strip held.
    // CAP's times are whole seconds.
    const QDateTime expires =
        QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + 6, QTimeZone::utc());
    const QDateTime published = QDateTime::currentDateTimeUtc();
    op.client->publish(
        {"velumo/st1/alert", xml(alertDoc("a1", "Extreme", now, expires)), 1, false, {}, {}, {}});
    const QDateTime seen = screenUntil(red, true);
    ASSERT_TRUE(seen.isValid())
        << test::logEvents(path("velumo.log"), "alert").join(u'\n').toStdString();
    // The strip beneath, in its place: green where no letter is.
    const QImage picture = grab();
    int green = 0;
    for (int x = 30; x < 1000; x += 10)
        green += picture.pixelColor(x, 601) == QColor(0, 255, 0);
    EXPECT_GT(green, 60);
    ASSERT_EQ(onAir().size(), 1);
    EXPECT_EQ(onAir()[0].toObject().value("id").toString(), "mchs@example.ru/a1");
    EXPECT_EQ(member("ticker", "priority").toString(), "alert hold mchs@example.ru/a1");
    EXPECT_TRUE(test::waitFor(
        [&] {
            for (const fleet::MqttMessage& m : op.on("velumo/st1/events"))
                if (const QJsonObject e = fleettest::json(m.payload);
                    e.value("kind").toString() == u"alert" &&
                    e.value("fields").toObject().value("event").toString() == u"on")
                    return true;
            return false;
        },
        5000));

    // Off the screen within a second of its expires, with nothing of it left on the strip.
    QThread::msleep(std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(expires) - 300));
    const QDateTime gone = screenUntil(red, false);
    ASSERT_TRUE(gone.isValid());
    ASSERT_TRUE(lastSeenBegan.isValid());  // not gone before its time either
    const qint64 expiryMs = expires.msecsTo(lastSeenBegan);
    EXPECT_LT(expiryMs, 1000);
    EXPECT_TRUE(onAir().isEmpty());
    EXPECT_EQ(member("ticker", "priority").toString(), "");

    // Severe to the whole fleet, then its Cancel: orange, then gone within a second.
    now = QDateTime::currentDateTimeUtc();
    op.client->publish({"velumo/all/alert",
                        xml(alertDoc("a2", "Severe", now, now.addSecs(600))),
                        1,
                        false,
                        {},
                        {},
                        {}});
    ASSERT_TRUE(screenUntil(orange, true).isValid());
    Doc cancel{.id = "c2", .msgType = "Cancel", .infos = {}, .sent = capTime(now.addSecs(1))};
    cancel.extra = "<references>mchs@example.ru,a2," + capTime(now) + "</references>";
    const QDateTime cancelled = QDateTime::currentDateTimeUtc();
    op.client->publish({"velumo/all/alert", xml(cancel), 1, false, {}, {}, {}});
    const QDateTime cleared = screenUntil(orange, false);
    ASSERT_TRUE(cleared.isValid());
    EXPECT_LT(cancelled.msecsTo(cleared), 1000);
    std::printf(
        "fleet push to the band on screen: %lld ms; expires to off screen: at most %lld ms (the "
        "last read with it began %lld ms after); Cancel to off screen: %lld ms\n",
        published.msecsTo(seen), expires.msecsTo(gone), expiryMs, cancelled.msecsTo(cleared));
    EXPECT_LT(published.msecsTo(seen), 1000);
    EXPECT_TRUE(onAir().isEmpty());

    // The station's own test: in the band, marked, still on air at the exit.
    ASSERT_EQ(program.send("alert test").code, 0);
    ASSERT_TRUE(screenUntil(orange, true).isValid());
    EXPECT_EQ(onAir()[0].toObject().value("mark").toString(), "ТЕСТ");
    ASSERT_TRUE(program.close());

    // The journal: each on and off, and why it went off; the station's own never came.
    QStringList ends;
    for (const QString& name : QDir(path("asrun")).entryList({"*.jsonl"}, QDir::Files, QDir::Name))
        for (const QByteArray& line : test::readAll(path("asrun/" + name)).split('\n')) {
            const QJsonObject r = QJsonDocument::fromJson(line).object();
            if (r.value("type").toString() == u"alert")
                ends << r.value("identifier").toString().section(u'-', 0, 0) + ' ' +
                            r.value("event").toString() + ' ' + r.value("why").toString();
        }
    EXPECT_EQ(ends, QStringList({"a1 on ", "a1 off expired", "a2 on ", "a2 off cancelled",
                                 "test on ", "test off exit"}));
}

}  // namespace
}  // namespace velumo
