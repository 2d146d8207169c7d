// How long the station takes to read a CAP document of nearly 1 MiB (target: 50 ms; it runs on
// a worker, off the user-interface thread): parsed, checked against CAP 1.2 and judged for the
// station's place, unsigned and signed (the signature made by the xmlsec1 command with a
// certificate made by openssl). Then from a file's last byte written into the drop folder to
// its alert on the board (target: 2 s), at moments spread over the folder's looks.
//   alerts_bench [RUNS]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "alerts/alertboard.h"
#include "alerts/alertintake.h"
#include "alerts/alertselection.h"
#include "alerts/capfixtures.h"
#include "alerts/capreader.h"
#include "alerts/dropfolder.h"
#include "base/clock.h"
#include "base/timer.h"
#include "base/worker.h"

using namespace velumo::alerts;

namespace {

// Areas of 1 200-point polygons (a coastline's detail) up to nearly 1 MiB.
QByteArray largeDocument(bool withTemplate)
{
    QString areas;
    for (int a = 0; areas.size() < 1000 * 1000; ++a) {
        QString points;
        for (int i = 0; i < 1200; ++i)
            points += QStringLiteral("%1,%2 ")
                          .arg(50 + a * 0.01 + i * 1e-6, 0, 'f', 6)
                          .arg(30 + i * 1e-5, 0, 'f', 6);
        points += QStringLiteral("%1,%2").arg(50 + a * 0.01, 0, 'f', 6).arg(30.0, 0, 'f', 6);
        areas += QStringLiteral("<area><areaDesc>Район %1</areaDesc><polygon>%2</polygon></area>")
                     .arg(a)
                     .arg(points);
    }
    return test::xml({.infos = {test::info("Severe", "Immediate", areas)},
                      .tail = withTemplate ? test::signatureTemplate() : QString()});
}

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

void measure(const char* what, const QByteArray& document, const CapTrust& trust, int runs)
{
    std::vector<double> ms;
    double firstMs = 0;
    for (int i = 0; i <= runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const CapReading reading = readCap(document, trust);
        if (reading.kind == CapReading::Kind::Alert)
            select(reading.alert, test::station(), test::noon());
        // The first run of a thread also sets the libraries up: shown apart.
        (i == 0 ? firstMs : ms.emplace_back()) = double(timer.nsecsElapsed()) / 1e6;
        if (reading.kind != CapReading::Kind::Alert) {
            std::printf("%s: refused: %s\n", what, qPrintable(reading.fault));
            return;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "%-34s %8lld bytes  first %6.1f ms, then min %6.1f ms  median %6.1f ms  max "
        "%6.1f ms  (%d runs)\n",
        what, qint64(document.size()), firstMs, ms.front(), ms[ms.size() / 2], ms.back(), runs);
}

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void dropFolderLatency(int runs)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("alerts");
    velumo::SystemClock clock;
    velumo::QtTimerFactory timers;
    AlertBoard board(test::station(), clock, timers);
    velumo::Worker worker("alerts bench");
    AlertIntake intake(board, worker, {}, clock);
    DropFolder drop(folder, intake, worker, timers);
    drop.start();
    while (!QDir(folder).exists())
        waitMs(10);
    const QString sent =
        QDateTime::currentDateTime().addSecs(-60).toOffsetFromUtc(3 * 3600).toString(Qt::ISODate);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        waitMs(i * 97 % 500);
        QFile file(QStringLiteral("%1/a%2.xml").arg(folder).arg(i));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(test::xml({.id = QStringLiteral("a%1").arg(i), .sent = sent})) < 0)
            return;
        file.close();
        QElapsedTimer timer;
        timer.start();
        QEventLoop loop;
        QObject::connect(&board, &AlertBoard::changed, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s min %6.0f ms  median %6.0f ms  max %6.0f ms  (%d files)\n",
                "drop folder to the board", ms.front(), ms[ms.size() / 2], ms.back(), runs);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    measure("read and judge, unsigned", largeDocument(false), {}, runs);
    QTemporaryDir dir;
    const QString key = dir.filePath("key.pem");
    const QString cert = dir.filePath("cert.pem");
    QFile in(dir.filePath("in.xml"));
    if (!in.open(QIODevice::WriteOnly) || in.write(largeDocument(true)) < 0)
        return 1;
    in.close();
    if (!run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                         cert, "-days", "2", "-subj", "/CN=Bench"}) ||
        !run("xmlsec1", {"--sign", "--privkey-pem", key + u',' + cert, "--output",
                         dir.filePath("out.xml"), in.fileName()})) {
        std::printf("signed: openssl or xmlsec1 is missing (tools/install-deps.sh)\n");
        return 1;
    }
    QFile out(dir.filePath("out.xml"));
    out.open(QIODevice::ReadOnly);
    measure("read and judge, signature checked", out.readAll(), {{cert}, true}, runs);
    dropFolderLatency(runs);
    return 0;
}
