// The strip's largest repaint gap with the whole program under Xvfb while the as-run journal
// writes one record a second (a seal asked on the control channel every second, besides the
// announcements the strip records as they leave), against the same run without them. The gaps
// are what the screen shows: a sampler (tests/app/screen_sampler) reads the strip's band of the
// X screen as fast as it can and times the moments it stands still.
//
//   asrun_program_bench [seconds per run]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <cstdio>

#include "fakes/stripprogram.h"

using namespace velumo;

namespace {

// One run: the sampler over the strip for `seconds`, a seal a second when `sealing`.
QString run(test::StripProgram& strip, int seconds, bool sealing, qint64* records)
{
    test::Program& program = strip.program();
    const qint64 seqBefore =
        program.status().value("asrun").toObject().value("last_seq").toInteger();
    QProcess sampler;
    strip.startSampler(sampler, seconds);
    QElapsedTimer elapsed;
    elapsed.start();
    int sent = 0;
    while (elapsed.elapsed() < (seconds + 1) * 1000) {
        if (sealing && elapsed.elapsed() >= sent * 1000) {
            program.send("asrun seal");
            ++sent;
        }
        QThread::msleep(20);
    }
    sampler.waitForFinished(seconds * 1000 + 10000);
    *records = program.status().value("asrun").toObject().value("last_seq").toInteger() - seqBefore;
    return QString::fromUtf8(sampler.readAll()).trimmed();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 30;
    if (!test::buildFoldersSet())
        return 2;
    test::StripProgram strip;
    if (!strip.start(161, 190)) {
        std::fprintf(stderr, "%s\n", qPrintable(strip.why()));
        return 1;
    }

    for (const bool sealing : {false, true, false, true}) {
        qint64 records = 0;
        const QString before = test::loadAverage();
        const QString figures = run(strip, seconds, sealing, &records);
        std::printf("%-28s %s; %lld records (%.1f/s); load average %s before, %s after\n",
                    sealing ? "journal, a seal a second:" : "journal, announcements only:",
                    qPrintable(figures), records, double(records) / seconds, qPrintable(before),
                    qPrintable(test::loadAverage()));
        std::fflush(stdout);
    }
    strip.program().close();
    return 0;
}
