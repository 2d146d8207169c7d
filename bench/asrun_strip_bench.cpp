// The strip's largest repaint gap while the as-run recorder and the real journal record one
// record a second and then fifty a second (announcements, with a clip entry hashed every few
// seconds). Run under Xvfb (or offscreen): asrun_bench [seconds per rate]
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "asrun/journal.h"
#include "asrun/journaloptions.h"
#include "asrun/recorder.h"
#include "base/clock.h"
#include "base/eventlog.h"
#include "base/worker.h"
#include "onair/onairmodel.h"
#include "stripsampler.h"

using namespace velumo;

namespace {

// One announcement as the ticker posts it when it has left the strip.
void postAnnouncement(EventLog& log, int n)
{
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    log.post(TickerEvent{QString::number(n), QStringLiteral("0"), QStringLiteral("Объявление "),
                         nowMs - 5000, nowMs});
}

// A clip entry of the registry's events: start, first picture, stop.
void postClip(EventLog& log, const QString& file)
{
    auto event = [&file](PlayerEvent::What what) {
        return PlayerEvent{
            .what = what, .letter = u'k', .aboutContent = true, .slot = "1", .target = file};
    };
    log.post(event(PlayerEvent::What::Start));
    PlayerEvent started = event(PlayerEvent::What::Started);
    started.first = true;
    log.post(started);
    PlayerEvent stopped = event(PlayerEvent::What::Stopped);
    stopped.seconds = 0.0;
    log.post(stopped);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;
    QTemporaryDir dir;
    // A clip of 64 MiB: hashed on the worker while the strip runs.
    const QString clip = dir.filePath(QStringLiteral("clip.mp4"));
    {
        QFile file(clip);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray block(1 << 20, 'v');
        for (int i = 0; i < 64; ++i)
            file.write(block);
    }
    EventLog log(dir.filePath(QStringLiteral("velumo.log")));
    SystemClock clock;
    asrun::Journal journal(dir.path(), asrun::JournalOptions{}, clock, &log);
    Worker hashing(QStringLiteral("asrun"));
    OnAirModel onAir(log);
    asrun::Recorder recorder(log, onAir, journal, hashing);
    bench::StripSampler strip;
    strip.show();

    // Without records first: the gap the machine gives the strip anyway.
    for (const int perSecond : {0, 1, 50}) {
        int n = 0;
        QTimer source;
        source.setTimerType(Qt::PreciseTimer);
        source.setInterval(perSecond > 0 ? 1000 / perSecond : 1000);
        QObject::connect(&source, &QTimer::timeout, [&] {
            postAnnouncement(log, ++n);
            if (n % (3 * std::max(1, perSecond)) == 0)
                postClip(log, clip);
        });
        QTimer::singleShot(500, [&] {
            strip.resetGap();
            if (perSecond > 0)
                source.start();
        });
        QEventLoop round;
        QTimer::singleShot(500 + seconds * 1000, &round, &QEventLoop::quit);
        round.exec();
        source.stop();
        // The records behind a hash still running are the recorder's until it is done.
        QEventLoop settle;
        QTimer::singleShot(3000, &settle, &QEventLoop::quit);
        settle.exec();
        const bool written = journal.flush(10000);
        std::printf(
            "%2d records/s for %d s: %d announcements, largest strip repaint gap %lld ms, "
            "journal %s (%d waiting for a hash)\n",
            perSecond, seconds, n, qint64(strip.largestGapMs()),
            written ? "on disk" : "NOT flushed", recorder.waiting());
    }
    std::printf("journal status: %s\n",
                QJsonDocument(journal.status()).toJson(QJsonDocument::Compact).constData());
    return 0;
}
