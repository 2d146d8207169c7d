// The metrics endpoint over a real loopback connection: the program's events counted into the
// figures, the text as Prometheus parses it, and a client that misbehaves cut off.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <map>

#include "base/eventlog.h"
#include "dispatcher/rig.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "fleet/alarmmonitor.h"
#include "fleet/fleetconfig.h"
#include "fleet/fleetlink.h"
#include "fleet/linkreport.h"
#include "fleet/metricsserver.h"
#include "fleet/repaintwatch.h"
#include "fleet/stationmetrics.h"
#include "onair/onairmodel.h"

namespace velumo {
namespace {

struct Got {
    int status = 0;
    QByteArray type;
    QByteArray body;
};

Got get(quint16 port, const QString& path)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path)));
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);  // plain: test
    loop.exec();
    Got got{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(), reply->readAll()};
    reply->deleteLater();
    return got;
}

// "name{labels} value" → value, keyed by "name{labels}"; every other line is a comment of the
// format's two kinds. A line of neither kind fails the test.
std::map<QString, double> parse(const QByteArray& text)
{
    static const QRegularExpression sample(QStringLiteral(
        R"(^([a-zA-Z_:][a-zA-Z0-9_:]*(\{([a-zA-Z_][a-zA-Z0-9_]*="([^"\\]|\\.)*",?)*\})?) )"
        R"(([-+]?(\d+(\.\d+)?([eE][-+]?\d+)?|Inf|NaN))$)"));
    static const QRegularExpression comment(
        QStringLiteral(R"(^# (HELP [a-zA-Z_:][a-zA-Z0-9_:]* .*|TYPE [a-zA-Z_:][a-zA-Z0-9_:]* )"
                       R"((counter|gauge|histogram|summary|untyped))$)"));
    std::map<QString, double> values;
    EXPECT_TRUE(text.endsWith('\n'));
    for (const QString& line : QString::fromUtf8(text).split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = sample.match(line);
        if (match.hasMatch())
            values[match.captured(1)] = match.captured(5).toDouble();
        else
            EXPECT_TRUE(comment.match(line).hasMatch()) << line.toStdString();
    }
    return values;
}

class Metrics : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        server = std::make_unique<MetricsServer>(QHostAddress::LocalHost, 0,
                                                 [this] { return metrics.text(); });
        ASSERT_TRUE(server->listen()) << server->errorString().toStdString();
    }

    QTemporaryDir dir;
    EventLog log{dir.path() + "/velumo.log"};
    test::FakeTimerFactory timers;
    RepaintWatch watch;
    AlarmMonitor alarms{dir.path(),     log,
                        timers.clock(), timers,
                        nullptr,        AlarmMonitor::Sources{[] { return true; }, &watch, {}, {}}};
    OnAirModel onAir{log};
    StationMetrics metrics{log, onAir, &watch, &alarms};
    std::unique_ptr<MetricsServer> server;
};

TEST_F(Metrics, EventsGapsAndInputsBecomeFiguresPrometheusReads)
{
    // Column 19 of a schedule line is its content letter.
    log.post(StartEvent{"13.10.10 12:00:00|k1|00|13.10.10 12:00:10"}, "x");
    log.post(StartEvent{"13.10.10 12:00:10|s1|00|13.10.10 12:00:20", 900}, "x");
    log.post(StartEvent{"13.10.10 12:00:20|k1|00|13.10.10 12:00:30"}, "x");
    // The registry's events of a clip and a page on screen (the page then stopped), and two
    // failures of a movie.
    using What = PlayerEvent::What;
    for (const char letter : {'k', 'w'}) {
        log.post(PlayerEvent{.what = What::Start, .letter = QChar(letter), .aboutContent = true});
        log.post(PlayerEvent{
            .what = What::Started, .letter = QChar(letter), .aboutContent = true, .first = true});
    }
    log.post(PlayerEvent{.what = What::Stopped, .letter = u'w', .aboutContent = true});
    log.post(PlayerEvent{.what = What::Failed, .letter = u'f', .reason = "no \"movie\" here"});
    log.post(PlayerEvent{.what = What::Failed, .letter = u'f', .reason = "no \"movie\" here"});
    for (int gap : {5, 16, 16, 40, 300, 7000})
        watch.painted(gap, gap * 2);  // gaps 22, none (same place), 48, 520 and 13400 ms
    metrics.setSpoolDepth(42);
    metrics.setLinkState("connected");
    alarms.setSpoolFill(0.9);

    const Got got = get(server->port(), "/metrics");
    ASSERT_EQ(got.status, 200) << got.body.toStdString();
    EXPECT_EQ(got.type, "text/plain; version=0.0.4; charset=utf-8");
    const std::map<QString, double> v = parse(got.body);
    EXPECT_EQ(v.at("velumo_up"), 1);
    EXPECT_EQ(v.at(R"(velumo_on_air{kind="k"})"), 1);
    EXPECT_EQ(v.count(R"(velumo_on_air{kind="w"})"), 0u);
    EXPECT_EQ(v.at(R"(velumo_starts_total{kind="k"})"), 2);
    EXPECT_EQ(v.at(R"(velumo_starts_total{kind="s"})"), 1);
    EXPECT_EQ(v.at(R"(velumo_late_starts_total{kind="s"})"), 1);
    EXPECT_EQ(v.count(R"(velumo_late_starts_total{kind="k"})"), 0u);
    EXPECT_EQ(v.at(R"(velumo_player_failures_total{kind="f",reason="no \"movie\" here"})"), 2);
    // Cumulative buckets.
    EXPECT_EQ(v.at(R"(velumo_strip_repaint_gap_seconds_bucket{le="0.02"})"), 0);
    EXPECT_EQ(v.at(R"(velumo_strip_repaint_gap_seconds_bucket{le="0.033"})"), 1);
    EXPECT_EQ(v.at(R"(velumo_strip_repaint_gap_seconds_bucket{le="0.05"})"), 2);
    EXPECT_EQ(v.at(R"(velumo_strip_repaint_gap_seconds_bucket{le="+Inf"})"), 4);
    EXPECT_EQ(v.at("velumo_strip_repaint_gap_seconds_count"), 4);
    EXPECT_EQ(v.at(R"(velumo_strip_repaint_gap_seconds_bucket{le="1"})"), 3);
    EXPECT_EQ(v.at("velumo_fleet_spool_events"), 42);
    EXPECT_EQ(v.at(R"(velumo_fleet_link_state{state="connected"})"), 1);
    EXPECT_EQ(v.at("velumo_alarms_active"), 1);
    EXPECT_EQ(v.at(R"(velumo_alarm{id="spool_full"})"), 1);
    EXPECT_EQ(v.at(R"(velumo_alarm{id="strip_frozen"})"), 0);

    EXPECT_EQ(get(server->port(), "/").status, 200);
    EXPECT_EQ(get(server->port(), "/other").status, 404);
}

// fleet.ini's [metrics] section starts the endpoint; a wrong section or a port in use starts
// none and says why in velumo.log. The link's own state and spool reach the figures.
TEST_F(Metrics, ConfiguredEndpointAndTheLinksReport)
{
    const QString ini = dir.filePath(QLatin1String(fleet::kFleetIniName));
    const auto start = [&](const QByteArray& text) {
        test::writeAll(ini, text);
        return MetricsServer::startConfigured(
            dir.path(), [] { return QByteArray("up 1\n"); }, log);
    };
    EXPECT_EQ(start("[metrics]\nmetrics_port = 0\n"), nullptr);
    EXPECT_EQ(start("[metrics]\nmetrics_port = 99999\n"), nullptr);
    EXPECT_TRUE(test::readAll(dir.filePath("velumo.log")).contains("Метрики не включены"));
    EXPECT_EQ(start("[metrics]\nmetrics_port = " + QByteArray::number(server->port()) + "\n"),
              nullptr);
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 free = probe.serverPort();
    probe.close();
    const auto configured = start("[metrics]\nmetrics_port = " + QByteArray::number(free) + "\n");
    ASSERT_NE(configured, nullptr);
    EXPECT_EQ(get(free, "/metrics").body, "up 1\n");

    fleet::FleetLink link(fleet::FleetConfig{}, dir.path(), log, onAir, {}, timers);
    fleet::LinkReport report(link, alarms, metrics, timers);
    std::map<QString, double> v = parse(get(server->port(), "/metrics").body);
    EXPECT_EQ(v.at(R"(velumo_fleet_link_state{state="stopped"})"), 1);
    EXPECT_EQ(v.at("velumo_fleet_spool_events"), 0);
}

TEST_F(Metrics, ClientThatSendsNoRequestOrTooMuchIsCutOff)
{
    QTcpSocket flood;
    flood.connectToHost(QHostAddress::LocalHost, server->port());
    ASSERT_TRUE(flood.waitForConnected(3000));
    flood.write(QByteArray(MetricsServer::kMaxHeadBytes * 2, 'a'));
    EXPECT_TRUE(test::waitFor([&] { return flood.state() == QAbstractSocket::UnconnectedState; },
                              5000, 20));

    QTcpSocket post;
    post.connectToHost(QHostAddress::LocalHost, server->port());
    ASSERT_TRUE(post.waitForConnected(3000));
    post.write("POST /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    ASSERT_TRUE(test::waitFor([&] { return post.bytesAvailable() > 0; }, 5000, 20));
    EXPECT_TRUE(post.readAll().startsWith("HTTP/1.1 405 "));

    // More connections that send nothing than it takes, from the scraper's own address: still
    // serving, at once.
    std::vector<std::unique_ptr<QTcpSocket>> idle(MetricsServer::kMaxClients + 4);
    for (auto& socket : idle) {
        socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, server->port());
        ASSERT_TRUE(socket->waitForConnected(3000));
    }
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(get(server->port(), "/metrics").status, 200);
    EXPECT_LT(took.elapsed(), MetricsServer::kIdleMs);
}

// Late starts as the real dispatcher reports them: a stop timer that fires late is no late
// start (the next line starts on time), a start past its moment is one.
TEST(StationMetricsLateStarts, CountedFromTheStartsOwnLateness)
{
    test::DispatcherRig rig;
    OnAirModel onAir{rig.log};
    StationMetrics metrics{rig.log, onAir, nullptr, nullptr};
    const auto at = [&rig](int h, int m, int s) {
        return QDateTime(rig.clock.now().date(), {h, m, s});
    };
    rig.writePlan({test::planLine("12:00:10", "k1", "12:00:20"),
                   test::planLine("13:00:00", "x1", "13:05:00"),
                   test::planLine("13:10:00", "x1", "13:15:00")});
    rig.settings.setChecked(key::SCCheckbox19, true);
    rig.engine.SCButton43Click();
    rig.timers.advance(12'000);
    rig.clock.setNow(at(12, 0, 25));
    rig.timers.advance(rig.clock.now().msecsTo(at(13, 9, 0)));
    rig.clock.setNow(at(13, 10, 3));
    rig.timers.advance(WallTimer::kMaxStepMs);
    ASSERT_EQ(rig.events("start").size(), 3);
    ASSERT_FALSE(rig.events("dispatcher").filter("late by").isEmpty());
    const std::map<QString, double> v = parse(metrics.text());
    EXPECT_EQ(v.count(R"(velumo_late_starts_total{kind="k"})"), 0u);
    EXPECT_EQ(v.at(R"(velumo_late_starts_total{kind="x"})"), 1);
}

TEST(MetricsServerPort, PortInUseIsRefusedWithAReason)
{
    MetricsServer first(QHostAddress::LocalHost, 0, [] { return QByteArray(); });
    ASSERT_TRUE(first.listen());
    MetricsServer second(QHostAddress::LocalHost, first.port(), [] { return QByteArray(); });
    EXPECT_FALSE(second.listen());
    EXPECT_TRUE(second.errorString().contains(QString::number(first.port())));
}

}  // namespace
}  // namespace velumo
