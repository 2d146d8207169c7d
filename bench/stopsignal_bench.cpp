// SIGTERM, as systemd's stop and restart send it, to the whole program under Xvfb while a clip
// plays and the strip runs its announcements, again and again (each run started as the service
// starts it, "r", and resuming what the last one kept). Prints how long each stop took (median,
// largest), how many runs failed to end cleanly, and what the as-run journal says afterwards:
// every day verifies (--asrun-verify), every record is sealed, no gap of an unclean end.
//
//   stopsignal_bench [runs]   (default 50; VELUMO_BUILD_DIR and VELUMO_SOURCE_DIR set)
#include <signal.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fakes/virtualscreen.h"
#include "players/testmedia.h"

using namespace velumo;

namespace {

struct Journal {
    int records = 0;
    int exitSeals = 0;
    int unsealed = 0;  // records after the last seal of their file
    int uncleanGaps = 0;
    int days = 0;
    bool verified = false;
    QString verifierText;
};

Journal readJournal(const QString& folder)
{
    Journal out;
    const QDir dir(folder + QLatin1String("/asrun"));
    QStringList files;
    for (const QString& name : dir.entryList({QStringLiteral("*.jsonl")}, QDir::Files)) {
        files.append(dir.filePath(name));
        ++out.days;
        int sinceSeal = 0;
        for (const QByteArray& line : test::readAll(files.last()).split('\n')) {
            if (line.trimmed().isEmpty())
                continue;
            const QJsonObject record = QJsonDocument::fromJson(line).object();
            const QString type = record.value(u"type").toString();
            ++out.records;
            ++sinceSeal;
            if (type == u"seal") {
                sinceSeal = 0;
                out.exitSeals += record.value(u"reason").toString() == u"exit";
            }
            out.uncleanGaps +=
                type == u"gap" && record.value(u"reason").toString() == u"unclean end";
        }
        out.unsealed += sinceSeal;
    }
    QString output;
    out.verified =
        test::runToEnd(
            QStringList{QStringLiteral("--dir"), folder, QStringLiteral("--asrun-verify")} + files,
            &output, 60000) == 0;
    out.verifierText = output.trimmed();
    return out;
}

bool onAir(test::Program& program)
{
    const ControlReply reply = program.send(QStringLiteral("status"), 2000);
    if (reply.code != 0)
        return false;
    const QJsonObject now = QJsonDocument::fromJson(reply.text.toUtf8()).object();
    return now.value(u"players")[u"clip"][u"position_ms"].toInt() > 0 &&
           now.value(u"ticker")[u"running"].toBool();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 50;
    if (qEnvironmentVariableIsEmpty("VELUMO_BUILD_DIR")) {
        std::fprintf(stderr, "set VELUMO_BUILD_DIR\n");
        return 2;
    }
    test::VirtualScreen screen;
    QString why;
    if (!screen.start(221, 240, &why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("clip.mp4"));
    if (!test::TestMedia::make(clip, {QStringLiteral("testsrc=s=SIZE")}, 120)) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }
    QString text;
    for (int i = 1; i <= 6; ++i)
        text += QStringLiteral("^%1\r\n~0\r\n1Объявление номер %1 бежит по строке\r\n").arg(i);
    const QString block = dir.filePath(QStringLiteral("news.str"));
    test::writeAll(block, test::cp1251(text));
    Settings settings;
    settings.setText(key::SCEdit5, block);
    settings.setText(key::SCEdit49, clip);
    test::writeAll(dir.filePath(QStringLiteral("velumo.cfg")), configfile::save(settings));
    const QProcessEnvironment env = screen.environment();

    std::vector<qint64> stopMs;
    int failures = 0;
    int notOnAir = 0;
    for (int run = 0; run < runs; ++run) {
        test::Program program(dir.path());
        if (!program.launch({QStringLiteral("r")}, env) || !program.waitReady(30000)) {
            ++failures;
            std::fprintf(stderr, "run %d: the program did not answer\n", run);
            continue;
        }
        // The first run starts the clip; the others resume it from what the stop kept.
        if (run == 0)
            program.send(QStringLiteral("clip start"));
        if (!test::waitFor([&] { return onAir(program); }, 20000, 100))
            ++notOnAir;
        // Somewhere inside an announcement and the clip.
        QThread::msleep(300 + QRandomGenerator::global()->bounded(2500));
        QElapsedTimer elapsed;
        elapsed.start();
        ::kill(pid_t(program.pid()), SIGTERM);
        const bool ended = program.process().waitForFinished(30000);
        stopMs.push_back(elapsed.elapsed());
        if (!ended || program.process().exitStatus() != QProcess::NormalExit ||
            program.process().exitCode() != 0) {
            ++failures;
            std::fprintf(stderr, "run %d: no clean end (%s, code %d)\n", run,
                         ended ? "ended" : "still running", program.process().exitCode());
            program.cutPower();
        }
    }
    std::sort(stopMs.begin(), stopMs.end());
    const Journal journal = readJournal(dir.path());
    std::printf("stopsignal_bench: %d SIGTERM stops during a clip and announcements\n", runs);
    std::printf("  stop time: median %lld ms, largest %lld ms\n",
                stopMs.empty() ? -1LL : static_cast<long long>(stopMs[stopMs.size() / 2]),
                stopMs.empty() ? -1LL : static_cast<long long>(stopMs.back()));
    std::printf("  runs without a clean end: %d; not on air when stopped: %d\n", failures,
                notOnAir);
    std::printf(
        "  journal: %d days, %d records, %d exit seals, %d records not sealed, %d gaps "
        "of an unclean end; verifier: %s (%s)\n",
        journal.days, journal.records, journal.exitSeals, journal.unsealed, journal.uncleanGaps,
        journal.verified ? "holds" : "FAILS", qPrintable(journal.verifierText.left(300)));
    const bool clean = failures == 0 && journal.verified && journal.unsealed == 0 &&
                       journal.uncleanGaps == 0 && journal.exitSeals >= runs;
    std::printf("  %s\n", clean ? "every stop clean" : "NOT every stop clean");
    return clean ? 0 : 1;
}
