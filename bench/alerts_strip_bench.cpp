// The strip's largest repaint gap with the whole program under Xvfb while alerts come on the air
// and go off it (an Extreme in the band, whose description holds the strip, then a Moderate
// announced in the strip, each until its expiry), against the same run without them. The alerts
// arrive by the drop folder; the gaps are what the screen shows (tests/app/screen_sampler).
//
//   alerts_strip_bench [seconds per run]
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>
#include <QTimeZone>
#include <cstdio>

#include "fakes/stripprogram.h"

using namespace velumo;

namespace {

// A CAP document for everyone, from now until `seconds` from now (whole seconds).
QByteArray alert(const QString& id, const QString& severity, int seconds)
{
    const QDateTime now =
        QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), QTimeZone(3 * 3600));
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<alert xmlns=\"urn:oasis:names:tc:"
               "emergency:cap:1.2\"><identifier>%1</identifier><sender>bench@example.ru</sender>"
               "<sent>%2</sent><status>Actual</status><msgType>Alert</msgType><scope>Public"
               "</scope><info><category>Met</category><event>Ураган</event><urgency>Immediate"
               "</urgency><severity>%3</severity><certainty>Observed</certainty><expires>%4"
               "</expires><headline>Ураган</headline><description>Порывы ветра до 40 м/с, "
               "не выходите из дома без крайней необходимости</description><instruction>"
               "Оставайтесь дома</instruction></info></alert>\n")
        .arg(id, now.toString(Qt::ISODate), severity, now.addSecs(seconds).toString(Qt::ISODate))
        .toUtf8();
}

// The program's own count of the strip's repaint gaps by bucket (its metrics endpoint).
QList<QPair<QString, qint64>> gapBuckets(quint16 port)
{
    QProcess curl;
    curl.start("curl", {"-s", "-f", QStringLiteral("http://127.0.0.1:%1/metrics").arg(port)});
    curl.waitForFinished(10000);
    const QString text = QString::fromUtf8(curl.readAllStandardOutput());
    QList<QPair<QString, qint64>> out;
    const QRegularExpression line(
        QStringLiteral(R"re(\nvelumo_strip_repaint_gap_seconds_bucket\{le="([^"]+)"\} (\d+))re"));
    for (auto it = line.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out.append({m.captured(1), m.captured(2).toLongLong()});
    }
    return out;
}

// Between two readings: the repaints, those over 50 ms, and the bucket the largest gap is in.
QString gapFigures(const QList<QPair<QString, qint64>>& before,
                   const QList<QPair<QString, qint64>>& after)
{
    if (before.size() != after.size() || after.isEmpty())
        return QStringLiteral("no metrics");
    const qint64 all = after.last().second - before.last().second;
    qint64 within50 = 0;
    QString largest;
    for (qsizetype i = 0; i < after.size(); ++i) {
        const qint64 n = after[i].second - before[i].second;
        if (after[i].first == u"0.05")
            within50 = n;
        if (largest.isEmpty() && n == all)
            largest = after[i].first;
    }
    return QStringLiteral("program: %1 repaints, %2 over 50 ms, largest gap <= %3 s")
        .arg(all)
        .arg(all - within50)
        .arg(largest);
}

// One run: the sampler over the strip for `seconds`; with alerts, one in the band and one in
// the strip a few seconds each, over and over.
QString run(const test::StripProgram& strip, int seconds, bool alerts, int* shown)
{
    QProcess sampler;
    strip.startSampler(sampler, seconds);
    QElapsedTimer elapsed;
    elapsed.start();
    for (int n = 0; elapsed.elapsed() < (seconds + 1) * 1000; ++n) {
        // The sampler finds the strip first; then an alert every two seconds, each for about
        // three: the band and the strip change hands while the strip runs.
        QThread::msleep(2000);
        if (!alerts || elapsed.elapsed() > (seconds - 3) * 1000)
            continue;
        const QString id = QStringLiteral("b%1-%2").arg(QDateTime::currentMSecsSinceEpoch()).arg(n);
        test::writeAll(
            strip.folder() + "/alerts/" + id + ".xml",
            alert(id, n % 2 ? QStringLiteral("Moderate") : QStringLiteral("Extreme"), 3));
        ++*shown;
    }
    sampler.waitForFinished(seconds * 1000 + 10000);
    return QStringLiteral("screen: ") + QString::fromUtf8(sampler.readAll()).trimmed();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 30;
    if (!test::buildFoldersSet())
        return 2;
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    test::StripProgram strip;
    const bool started = strip.start(261, 280, [port](const QString& folder) {
        test::writeAll(folder + "/alerts.ini", "[alerts]\nrepeat_min = 1\n");
        QDir().mkpath(folder + "/alerts");
        test::writeAll(folder + "/fleet.ini",
                       QStringLiteral("[metrics]\nmetrics_port=%1\nmetrics_address=127.0.0.1\n")
                           .arg(port)
                           .toUtf8());
    });
    if (!started) {
        std::fprintf(stderr, "%s\n", qPrintable(strip.why()));
        return 1;
    }

    for (const bool alerts : {false, true, false, true}) {
        int shown = 0;
        const QString before = test::loadAverage();
        const auto bucketsBefore = gapBuckets(port);
        QString figures = run(strip, seconds, alerts, &shown);
        QThread::sleep(4);  // the last one expires
        figures += QStringLiteral("; ") + gapFigures(bucketsBefore, gapBuckets(port));
        std::printf("%-26s %s; %d alerts on and off; load average %s before, %s after\n",
                    alerts ? "alerts on and off:" : "no alerts:", qPrintable(figures), shown,
                    qPrintable(before), qPrintable(test::loadAverage()));
        std::fflush(stdout);
    }
    const QStringList lines = test::logEvents(strip.folder() + "/velumo.log", "alert");
    std::printf("alert lines in velumo.log: %lld on, %lld off\n",
                qint64(lines.filter("on air (").size()), qint64(lines.filter("off air (").size()));
    strip.program().close();
    return 0;
}
