// Figures for the network exchange, printed as plain lines:
//   1. download of a 100 MB file over loopback: our FTP client against the curl command line;
//   2. extraction of a 1 MB feed;
//   3. the largest gap of the user-interface event loop (a 16 ms timer) while a throttled
//      10 s download runs on the worker thread, and how many progress reports reached it.
// Needs Debian's /usr/bin/python3 with pyftpdlib and the curl program.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "fakes/stubs.h"
#include "net/curlglobal.h"
#include "net/dialup.h"
#include "net/ftpclient.h"
#include "net/ftpexchange.h"
#include "net/nettestsupport.h"
#include "ticker/blocktextreader.h"
#include "ticker/rssdocument.h"
#include "ticker/tickerblock.h"

using namespace velumo;

namespace {

void writeFile(const QString& path, qint64 size)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < chunk.size(); ++i)
        chunk[i] = char(i * 31 + i / 4093);
    for (qint64 done = 0; done < size; done += chunk.size())
        file.write(chunk.constData(), qMin<qint64>(chunk.size(), size - done));
}

void downloadBenchmark(const QString& base)
{
    const QString root = base + QLatin1String("/root");
    const QString local = base + QLatin1String("/local");
    QDir().mkpath(root + QLatin1String("/in"));
    QDir().mkpath(local);
    constexpr qint64 kSize = 100LL * 1024 * 1024;
    writeFile(root + QLatin1String("/in/big.bin"), kSize);
    test::FtpTestServer server(root);
    if (server.port == 0) {
        std::puts("download: the test server did not start");
        return;
    }
    const QString url = QStringLiteral("ftp://127.0.0.1:%1/in/big.bin").arg(server.port);
    double bestCurl = 1e9;
    double bestCurlSynced = 1e9;  // curl's file flushed to disk, as ours is before it replaces
    double bestOurs = 1e9;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer clock;
        clock.start();
        QProcess::execute(
            QStringLiteral("curl"),
            {QStringLiteral("-s"), QStringLiteral("-u"), QStringLiteral("user:s3cret-pw"),
             QStringLiteral("-o"), local + QLatin1String("/curl.bin"), url});
        bestCurl = std::min(bestCurl, clock.nsecsElapsed() / 1e9);
        QProcess::execute(QStringLiteral("sync"), {local + QLatin1String("/curl.bin")});
        bestCurlSynced = std::min(bestCurlSynced, clock.nsecsElapsed() / 1e9);
        QFile::remove(local + QLatin1String("/curl.bin"));

        QFile::remove(local + QLatin1String("/big.bin"));
        FtpClient client;
        clock.restart();
        client.connectTo({QStringLiteral("127.0.0.1"), server.port, QStringLiteral("user"),
                          QStringLiteral("s3cret-pw")});
        client.retrieve(QStringLiteral("/in"), "big.bin", local);
        bestOurs = std::min(bestOurs, clock.nsecsElapsed() / 1e9);
        if (QFileInfo(local + QLatin1String("/big.bin")).size() != kSize)
            std::puts("download: size mismatch!");
    }
    const double mb = kSize / 1e6;
    std::printf(
        "download 100 MB: ours %.0f MB/s (%.3f s, flushed to disk), curl %.0f MB/s (%.3f s), "
        "ratio %.0f %%; curl + sync %.0f MB/s (%.3f s), ratio %.0f %%\n",
        mb / bestOurs, bestOurs, mb / bestCurl, bestCurl, 100.0 * bestCurl / bestOurs,
        mb / bestCurlSynced, bestCurlSynced, 100.0 * bestCurlSynced / bestOurs);
}

void feedBenchmark()
{
    QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel>"
        "<title>Bench</title><lastBuildDate>Tue, 08 Dec 2026 12:00:00 GMT</lastBuildDate>";
    int items = 0;
    while (xml.size() < 1024 * 1024) {
        ++items;
        xml += "<item><title>Новость номер " + QByteArray::number(items) +
               " &amp; подробности</title><link>http://example.org/n/" + QByteArray::number(items) +
               "</link><description><![CDATA[Описание <b>события</b> в несколько слов, "
               "чтобы элемент был похож на настоящий.]]></description><pubDate>Tue, 08 Dec 2026"
               "</pubDate></item>\n";
    }
    xml += "</channel></rss>";
    std::vector<double> times;
    for (int round = 0; round < 30; ++round) {
        QElapsedTimer clock;
        clock.start();
        const RssDocument doc = readRssDocument(xml);
        times.push_back(clock.nsecsElapsed() / 1e6);
        if (doc.items.size() != items)
            std::puts("feed: wrong item count!");
    }
    std::sort(times.begin(), times.end());
    std::printf("feed extraction %.2f MB, %d items: median %.2f ms, best %.2f ms\n",
                xml.size() / 1e6, items, times[times.size() / 2], times.front());
}

void gapBenchmark(const QString& base)
{
    const QString root = base + QLatin1String("/groot");
    const QString local = base + QLatin1String("/glocal");
    QDir().mkpath(root + QLatin1String("/in"));
    QDir().mkpath(local);
    writeFile(root + QLatin1String("/in/slow.bin"), 10LL * 1024 * 1024);
    // A steady stream, as a real line gives, rather than one burst a second.
    test::FtpTestServer server(root, QStringLiteral("pace=2097152"));
    Settings settings;
    settings.setText(key::SCEdit4, QStringLiteral("127.0.0.1"));
    settings.setText(key::SCEdit8, QString::number(server.port));
    settings.setText(key::SCEdit75, QStringLiteral("user"));
    settings.setText(key::SCEdit76, QStringLiteral("s3cret-pw"));
    settings.setText(key::SCEdit83, QStringLiteral("/in"));
    settings.setText(key::SCEdit84, local);
    settings.setChecked(key::SCCheckbox12, true);
    TickerBlock block(settings);
    CountingBlockEdits edits;
    BlockTextReader blockText(block, edits);
    SilentNotifier notifier;
    QtTimerFactory timers;
    DialUp dialUp(notifier, nullptr);
    FtpExchange ftp(settings, blockText, dialUp, notifier, nullptr, timers, base);

    QElapsedTimer sinceTick;
    qint64 maxGapMs = 0;
    int ticks = 0;
    QTimer frame;
    frame.setTimerType(Qt::PreciseTimer);
    frame.setInterval(16);
    QObject::connect(&frame, &QTimer::timeout, [&] {
        if (sinceTick.isValid())
            maxGapMs = std::max(maxGapMs, sinceTick.elapsed());
        sinceTick.restart();
        ++ticks;
    });
    int reports = 0;
    QObject::connect(&ftp, &FtpExchange::activityChanged, [&](int) { ++reports; });
    bool done = false;
    QElapsedTimer clock;
    clock.start();
    frame.start();
    ftp.SCButton61Click([&](bool) { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    frame.stop();
    std::printf(
        "event loop during a %.1f s throttled download: %d frames, largest gap %lld ms "
        "(frame 16 ms); %d activity reports, one per %.0f ms\n",
        clock.elapsed() / 1000.0, ticks, static_cast<long long>(maxGapMs), reports,
        reports ? double(clock.elapsed()) / reports : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    const CurlGlobal curl;
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    feedBenchmark();
    downloadBenchmark(dir.path());
    gapBenchmark(dir.path());
    return 0;
}
