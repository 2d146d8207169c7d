// The strip's largest repaint gap with the whole program under Xvfb while the as-run journal
// writes one record a second (a seal asked on the control channel every second, besides the
// announcements the strip records as they leave), against the same run without them. The gaps
// are what the screen shows: a sampler (tests/app/screen_sampler) reads the strip's band of the
// X screen as fast as it can and times the moments it stands still.
//
//   asrun_program_bench [seconds per run]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fakes/virtualscreen.h"

using namespace velumo;

namespace {

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(u' ', 0, 2);
}

// One run: the sampler over the strip for `seconds`, a seal a second when `sealing`.
QString run(test::Program& program, const QProcessEnvironment& env, int seconds, bool sealing,
            qint64* records)
{
    const qint64 seqBefore =
        program.status().value("asrun").toObject().value("last_seq").toInteger();
    QProcess sampler;
    sampler.setProcessEnvironment(env);
    sampler.start(qEnvironmentVariable("VELUMO_BUILD_DIR") + "/tests/app/screen_sampler",
                  {"--gaps", QString::number(seconds)});
    sampler.waitForStarted(5000);
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
    if (qEnvironmentVariableIsEmpty("VELUMO_BUILD_DIR") ||
        qEnvironmentVariableIsEmpty("VELUMO_SOURCE_DIR")) {
        std::fprintf(stderr, "set VELUMO_BUILD_DIR and VELUMO_SOURCE_DIR\n");
        return 2;
    }
    test::VirtualScreen screen;
    QString why;
    if (!screen.start(161, 190, &why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    QTemporaryDir dir;
    const QString block = dir.filePath("news.str");
    // One long announcement: the strip is never empty (a still strip would count as a gap),
    // and it leaves it seldom, so the seals make the records' rate.
    test::writeAll(
        block, test::cp1251(QStringLiteral("^7\r\n~0\r\n0") +
                            QStringLiteral("Эфир: новости, погода и объявления. ").repeated(12) +
                            QStringLiteral("\r\n")));
    Settings settings;
    settings.setText(key::SCEdit5, block);
    settings.setSpin(key::SpinEdit1, 1);
    settings.setSpin(key::SpinEdit2, 4);
    test::writeAll(dir.filePath("velumo.cfg"), configfile::save(settings));

    test::Program program(dir.path());
    program.start({}, screen.environment());
    if (!program.waitReady(60000)) {
        std::fprintf(stderr, "the program did not come up\n");
        return 1;
    }
    program.send("block load " + block);
    program.send("ticker start");
    QThread::sleep(3);

    for (const bool sealing : {false, true, false, true}) {
        qint64 records = 0;
        const QString before = loadAverage();
        const QString figures = run(program, screen.environment(), seconds, sealing, &records);
        std::printf("%-28s %s; %lld records (%.1f/s); load average %s before, %s after\n",
                    sealing ? "journal, a seal a second:" : "journal, announcements only:",
                    qPrintable(figures), records, double(records) / seconds, qPrintable(before),
                    qPrintable(loadAverage()));
        std::fflush(stdout);
    }
    program.close();
    return 0;
}
