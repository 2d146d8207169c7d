// Soak run of every player: the real program on the display (bench/soakplayers.sh starts Xvfb)
// runs a plan that cycles a clip (k), the external player mpv (b), a web page (w), a Flash movie
// (f), a slide show (p), a block of announcements on the strip (s) and the capture (t: there is
// no camera here, so its failure path), one line every 10 s, each for 8 s, for MINUTES minutes
// (default 30). Every 10 s it samples the program's resident memory, its page renderers' (for
// the record: a renderer is recycled by the web window's own rule) and its open descriptors.
//
// At the end it prints the slope of the program's resident memory over the last two thirds of
// the run (least squares; the first third is the warm-up: caches, fonts, the browser engine's
// first pages) and fails (exit 1) when it is above 1 MB a minute, when the descriptors at the
// end are more than 16 above the most of the first third, when the program ended, or when a
// kind never started. Usage: soakplayers_bench PROGRAM [MINUTES]
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <cstdio>
#include <vector>

#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/testsupport.h"
#include "players/slideshowfiles.h"
#include "players/testmedia.h"
#include "players/web/processmemory.h"
#include "players/webrig.h"

using namespace velumo;

namespace {

constexpr int kLineEveryS = 10;
constexpr int kLineLastsS = 8;
constexpr int kSampleEveryS = 10;
constexpr double kMostSlopeMbPerMinute = 1.0;
constexpr int kMostMoreDescriptors = 16;
// The plan's codes in their turn: slot 1 holds the clip, 2 the slide show, 3 the movie.
const char* const kCycle[] = {"k1", "w1", "b1", "f3", "p2", "s1", "t1"};

QString stamp(const QDateTime& moment)
{
    return moment.toString(u"dd.MM.yy hh:mm:ss");
}

int openDescriptors(qint64 pid)
{
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                   .size());
}

// The resident memory of the page renderers and other browser processes under pid, in KiB.
qint64 browserResidentKb(qint64 pid)
{
    qint64 total = 0;
    QList<qint64> parents{pid};
    for (int depth = 0; depth < 2; ++depth) {
        QList<qint64> children;
        for (qint64 parent : parents) {
            QFile file(QStringLiteral("/proc/%1/task/%1/children").arg(parent));
            if (file.open(QIODevice::ReadOnly))
                for (const QByteArray& child : file.readAll().split(' '))
                    if (child.trimmed().toLongLong() > 0)
                        children.append(child.trimmed().toLongLong());
        }
        for (qint64 child : children)
            if (test::readAll(QStringLiteral("/proc/%1/cmdline").arg(child))
                    .contains("QtWebEngineProcess"))
                total += std::max<qint64>(0, processResidentKb(child));
        parents = children;
    }
    return total;
}

// The least-squares slope of y over x.
double slope(const std::vector<std::pair<double, double>>& points)
{
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y] : points) {
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double n = double(points.size());
    const double d = n * sxx - sx * sx;
    return d == 0 ? 0 : (n * sxy - sx * sy) / d;
}

// The files of the players and the settings naming them.
bool prepareFolder(const QString& folder, int minutes, QDateTime* first)
{
    const QString clip = folder + "/clip.mp4";
    if (!test::TestMedia::make(clip, {"testsrc=s=SIZE", "r=25"}, kLineLastsS + 2)) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return false;
    }
    test::writeAll(folder + "/slides.fodp",
                   test::flatPresentation({{"#ff0000", "PT2S"}, {"#0000ff", "PT2S"}}));
    test::writeAll(folder + "/movie.swf", test::flashMovie(640, 360, QColor(0x80, 0x40, 0xff)));
    test::writeAll(folder + "/page.html",
                   "<html><body style=\"background:#204080;color:#fff;font:40px sans-serif\">"
                   "<h1>Страница</h1><p>Строка текста страницы.</p></body></html>");
    writeTextLines(folder + "/news.str",
                   {"^1", "~0", QStringLiteral("3Объявление для долгого прогона"), "^2", "~5",
                    QStringLiteral("1Второе объявление, оплаченное")});

    const QDateTime ahead = QDateTime::currentDateTime().addSecs(20);
    *first = QDateTime(ahead.date(),
                       QTime(ahead.time().hour(), ahead.time().minute(), ahead.time().second()));
    QStringList plan;
    const int lines = minutes * 60 / kLineEveryS;
    for (int i = 0; i < lines; ++i) {
        const QDateTime at = first->addSecs(qint64(i) * kLineEveryS);
        plan.append(stamp(at) + u'|' + QLatin1String(kCycle[i % std::size(kCycle)]) + "|00|" +
                    stamp(at.addSecs(kLineLastsS)));
    }
    writeTextLines(folder + "/plan.pln", plan);

    Settings s;
    s.setChecked(key::SCCheckBox6, true);
    s.setChecked(key::SCCheckbox19, true);
    s.setText(key::SCEditn10, folder + "/plan.pln");
    s.setText(key::SCEdit49, clip);
    s.setText(key::SCEdit50, folder + "/slides.fodp");
    s.setText(key::SCEdit51, folder + "/movie.swf");
    s.setText(key::SCEdit59, folder + "/news.str");
    s.setText(key::SCEdit1w1, QUrl::fromLocalFile(folder + "/page.html").toString());
    s.setText(key::SCEdit9, QStringLiteral("mpv --vo=x11 --ao=null --no-config --really-quiet"));
    // The playback log too, as a station keeps it.
    QDir(folder).mkdir(QStringLiteral("logs"));
    s.setChecked(key::SCCheckbox22, true);
    s.setText(key::SCEdit103, folder + "/logs");
    writeFileAtomic(folder + "/velumo.cfg", configfile::save(s));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [MINUTES]\n", argv[0]);
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const int minutes = argc > 2 ? qMax(3, atoi(argv[2])) : 30;
    QTemporaryDir dir;
    const QString folder = dir.path();
    QDateTime first;
    if (!prepareFolder(folder, minutes, &first))
        return 1;

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, {"--dir", folder});
    if (!process.waitForStarted(5000)) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    const qint64 pid = process.processId();
    std::printf("minute  rss_mb  browsers_mb  fds\n");
    std::vector<std::pair<double, double>> rss;
    std::vector<std::pair<double, int>> fds;
    QElapsedTimer clock;
    while (QDateTime::currentDateTime() < first)
        QThread::msleep(200);
    clock.start();
    bool ended = false;
    for (int sample = 0; sample <= minutes * 60 / kSampleEveryS; ++sample) {
        while (clock.elapsed() < qint64(sample) * kSampleEveryS * 1000)
            QThread::msleep(100);
        if (process.state() == QProcess::NotRunning) {
            ended = true;
            break;
        }
        const double minute = clock.elapsed() / 60000.0;
        const double mb = double(processResidentKb(pid)) / 1024;
        rss.push_back({minute, mb});
        fds.push_back({minute, openDescriptors(pid)});
        if (sample % (60 / kSampleEveryS) == 0) {
            std::printf("%6.1f  %6.1f  %11.1f  %3d\n", minute, mb,
                        double(browserResidentKb(pid)) / 1024, fds.back().second);
            std::fflush(stdout);
        }
    }
    const QStringList starts = test::logEvents(folder + "/velumo.log", "start");
    const QStringList events = test::logEvents(folder + "/velumo.log", "player");
    sendControlCommand(folder, QStringLiteral("close"), 10000);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(5000);
    }

    bool ok = !ended && rss.size() > 6;
    if (ended)
        std::printf("the program ended after %.1f minutes\n", rss.empty() ? 0 : rss.back().first);
    // Every line ran, and how often its content failed.
    for (const char* code : kCycle) {
        const qsizetype ran = starts.filter(u'|' + QLatin1String(code) + u'|').size();
        const qsizetype failed =
            events.filter(QStringLiteral("failed ") + QLatin1Char(code[0]) + u' ').size();
        std::printf("%s: %lld lines ran, %lld failed\n", code, (long long)ran, (long long)failed);
        ok = ok && ran > 0;
    }
    if (rss.size() > 6) {
        const double third = rss.back().first / 3;
        std::vector<std::pair<double, double>> late;
        int descriptorsEarly = 0;
        for (const auto& point : rss)
            if (point.first >= third)
                late.push_back(point);
        for (const auto& [minute, count] : fds)
            if (minute < third)
                descriptorsEarly = std::max(descriptorsEarly, count);
        const double perMinute = slope(late);
        const int moreDescriptors = fds.back().second - descriptorsEarly;
        std::printf(
            "resident memory: %.1f MB at the start, %.1f MB at the end, %.1f MB at a "
            "third; slope over the last two thirds %.2f MB/min (most %.1f)\n",
            rss.front().second, rss.back().second, late.front().second, perMinute,
            kMostSlopeMbPerMinute);
        std::printf(
            "descriptors: %d at the end, %+d against the most of the first third (most "
            "%+d)\n",
            fds.back().second, moreDescriptors, kMostMoreDescriptors);
        ok = ok && perMinute <= kMostSlopeMbPerMinute && moreDescriptors <= kMostMoreDescriptors;
    }
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
