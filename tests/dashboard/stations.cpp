// Stations for the dashboard's tests and benchmark: the real fleet link (FleetLink) and the real
// alarm monitor of each, many in one process, driven by lines on the standard input.
//   fleet_stations PORT CA FOLDER PREFIX FIRST COUNT [STATUS_INTERVAL_S [KEEPALIVE_S]]
// Stations PREFIX<FIRST>.. (three digits); each user's password is "pw-" + its name. A link
// holds six descriptors and libmosquitto waits on its socket with select(), which takes none
// above 1023: a hundred stations a process. Lines:
//   alarm N on|off     the spool_full alarm of station N raised or cleared (N: a number or *)
//   onair N TEXT       station N's dispatcher starts the plan line TEXT
//   stop N             station N's link ends cleanly
//   announce MS        each station's strip shows an announcement every MS milliseconds
// A command is answered "0 <command> done by <station>"; "status" as the program does; the
// screenshot is a PNG of 1280 by 720 in the station's own colour; the status is a real
// program's (status.json beside this file).
#include <unistd.h>
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QPainter>
#include <QSocketNotifier>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/clock.h"
#include "base/event.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/timer.h"
#include "fleet/alarmmonitor.h"
#include "fleet/fleetconfig.h"
#include "fleet/fleetlink.h"
#include "onair/onairmodel.h"

using namespace velumo;

namespace {

QByteArray picture(int number, int shot)
{
    QImage image(1280, 720, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((number * 47) % 360, 160, 200));
    QPainter painter(&image);
    // Some detail, as a real screen has: the PNG is tens of kilobytes, not a few hundred bytes.
    for (int y = 0; y < 720; y += 24)
        for (int x = 0; x < 1280; x += 24)
            painter.fillRect(x, y, 12, 12, QColor::fromHsv((x + y + shot * 13) % 360, 90, 230));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 64));
    painter.drawText(image.rect(), Qt::AlignCenter,
                     QStringLiteral("%1 · %2").arg(number).arg(shot));
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

struct Station {
    std::unique_ptr<EventLog> log;
    std::unique_ptr<OnAirModel> onAir;
    std::unique_ptr<AlarmMonitor> alarms;
    std::unique_ptr<fleet::FleetLink> link;
    int shots = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    // The picture's text needs fonts, which need a platform: no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 7) {
        std::fprintf(
            stderr,
            "usage: fleet_stations PORT CA FOLDER PREFIX FIRST COUNT [STATUS_S [KEEPALIVE_S]]\n");
        return 2;
    }
    const int port = args[1].toInt();
    const int first = args[5].toInt();
    const int count = args[6].toInt();
    SystemClock clock;
    QtTimerFactory timers;
    std::vector<Station> stations(size_t(std::max(0, count)));
    // The status of a real program (the demo block on the strip), as its control channel gives it.
    QFile file(qEnvironmentVariable("VELUMO_SOURCE_DIR") +
               QStringLiteral("/tests/dashboard/status.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "fleet_stations: no %s\n", qPrintable(file.fileName()));
        return 2;
    }
    const QJsonObject recorded = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    for (int i = 0; i < count; ++i) {
        Station& s = stations[size_t(i)];
        const QString id = args[4] + QStringLiteral("%1").arg(first + i, 3, 10, QChar(u'0'));
        const QString dir = args[3] + u'/' + id;
        QDir().mkpath(dir);
        fleet::FleetConfig config;
        config.setBroker(QStringLiteral("mqtts://127.0.0.1:%1").arg(port));
        config.station = id;
        config.user = id;
        config.password = QStringLiteral("pw-") + id;
        config.caFile = args[2];
        config.statusIntervalS = args.size() > 7 ? args[7].toInt() : 60;
        config.keepAliveS = args.size() > 8 ? args[8].toInt() : 30;
        config.allow = fleet::FleetConfig::defaultAllow();
        s.log = std::make_unique<EventLog>(dir + QStringLiteral("/velumo.log"));
        s.onAir = std::make_unique<OnAirModel>(*s.log);
        s.alarms = std::make_unique<AlarmMonitor>(dir, *s.log, clock, timers, nullptr,
                                                  AlarmMonitor::Sources{});
        Station* self = &s;
        fleet::FleetLink::Sources sources{
            [recorded] { return recorded; },
            [id, recorded](const QString& line, std::function<void(int, const QString&)> answer) {
                if (line == u"status")
                    answer(0, QString::fromUtf8(
                                  QJsonDocument(recorded).toJson(QJsonDocument::Compact)));
                else
                    answer(0, QStringLiteral("%1 done by %2").arg(line, id));
            },
            [self, n = first + i](std::function<void(const QByteArray&)> done) {
                done(picture(n, ++self->shots));
            },
            [self] { return self->alarms->status(); }};
        s.link = std::make_unique<fleet::FleetLink>(config, dir, *s.log, *s.onAir,
                                                    std::move(sources), timers);
        s.link->start();
    }

    // A busy fleet: an announcement leaves some station's strip every interval / count.
    std::unique_ptr<Timer> strips = timers.create(QStringLiteral("strips"));
    int next = 0;
    strips->setHandler([&] {
        Station& s = stations[size_t(next++ % count)];
        const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
        s.log->post(TickerEvent{QStringLiteral("2"), QStringLiteral("1"),
                                QStringLiteral("Прогноз погоды: завтра +12…+15, без осадков."),
                                nowMs - 5000, nowMs});
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    const Origin origin = Origin::unattended(QStringLiteral("stations"));
    connectGuarded(&input, &QSocketNotifier::activated, &app, origin, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QGuiApplication::quit();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QStringList words = QString::fromUtf8(pending.left(end)).split(u' ');
            if (words.size() < 2)
                continue;
            const QString& verb = words[0];
            if (verb == u"announce" && count > 0) {
                strips->setInterval(qMax(1, words[1].toInt() / count));
                strips->start();
            }
            for (int i = 0; i < count; ++i) {
                if (words[1] != u"*" && words[1].toInt() != first + i)
                    continue;
                Station& s = stations[size_t(i)];
                if (verb == u"alarm")
                    s.alarms->setSpoolFill(words.value(2) == u"on" ? 0.9 : 0.0);
                else if (verb == u"onair")  // as the dispatcher posts a line it starts
                    s.log->post(StartEvent{words.mid(2).join(u' ')}, words.mid(2).join(u' '));
                else if (verb == u"stop")
                    s.link->stop();
            }
        }
    });
    return QGuiApplication::exec();
}
