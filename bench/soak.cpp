// Soak run of the program: the ticker, the playback log and a plan with a line every 2 s, for
// MINUTES minutes; prints resident memory and open descriptors every minute and, at the end,
// the growth after the first minute (target: at most 2 MB).
// Usage: soak_bench PROGRAM [MINUTES]   (default 30; bench/soak.sh starts Xvfb)
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"

using namespace velumo;

namespace {

qint64 residentKb(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int openDescriptors(qint64 pid)
{
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                   .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                   .size());
}

int countStarts(const QString& logPath)
{
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count("\tstart\t"));
}

QString stamp(const QDateTime& moment)
{
    return moment.toString(u"dd.MM.yy hh:mm:ss");
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
    const int minutes = argc > 2 ? qMax(1, atoi(argv[2])) : 30;
    QTemporaryDir dir;
    const QString folder = dir.path();
    QDir(folder).mkdir(QStringLiteral("logs"));

    // A line every 2 s for the whole run, each a string start that stops a second later.
    QStringList plan;
    const QDateTime t0 = QDateTime::currentDateTime().addSecs(15);
    const QDateTime first(t0.date(),
                          QTime(t0.time().hour(), t0.time().minute(), t0.time().second()));
    for (int s = 0; s <= minutes * 60 + 30; s += 2)
        plan.append(stamp(first.addSecs(s)) + QLatin1String("|s1|00|") +
                    stamp(first.addSecs(s + 1)));
    writeTextLines(folder + QLatin1String("/plan.pln"), plan);
    writeTextLines(folder + QLatin1String("/news.str"),
                   {"^1", "~0", QStringLiteral("3Объявление для долгого прогона"), "^2", "~5",
                    QStringLiteral("1Второе объявление, оплаченное")});

    Settings settings;
    settings.setChecked(key::SCCheckBox6, true);
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEditn10, folder + QLatin1String("/plan.pln"));
    settings.setChecked(key::SCCheckbox22, true);
    settings.setText(key::SCEdit103, folder + QLatin1String("/logs"));
    settings.setSpin(key::SpinEdit43, 5);
    writeFileAtomic(folder + QLatin1String("/velumo.cfg"), configfile::save(settings));

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, {"--dir", folder});
    if (!process.waitForStarted(5000)) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    QElapsedTimer ready;
    ready.start();
    while (sendControlCommand(folder, QStringLiteral("status"), 2000).code != 0) {
        if (ready.elapsed() > 30000 || process.state() == QProcess::NotRunning) {
            std::fprintf(stderr, "the program never answered\n");
            return 1;
        }
        QThread::msleep(100);
    }
    sendControlCommand(folder, QStringLiteral("block load ") + folder + QLatin1String("/news.str"));
    sendControlCommand(folder, QStringLiteral("ticker start"));

    const qint64 pid = process.processId();
    std::printf("minute  rss_kb  fds  starts\n");
    qint64 rssAfterFirst = -1;
    qint64 rssMax = 0;
    int fdsAfterFirst = -1;
    int fdsMax = 0;
    for (int minute = 0; minute <= minutes; ++minute) {
        if (minute > 0)
            QThread::sleep(60);
        if (process.state() == QProcess::NotRunning) {
            std::printf("the program ended after %d minutes\n", minute);
            return 1;
        }
        sendControlCommand(folder, QStringLiteral("status"), 5000);
        const qint64 rss = residentKb(pid);
        const int fds = openDescriptors(pid);
        std::printf("%6d  %6lld  %3d  %6d\n", minute, rss, fds,
                    countStarts(folder + QLatin1String("/velumo.log")));
        std::fflush(stdout);
        if (minute == 1) {
            rssAfterFirst = rss;
            fdsAfterFirst = fds;
        }
        if (minute >= 1) {
            rssMax = qMax(rssMax, rss);
            fdsMax = qMax(fdsMax, fds);
        }
    }
    if (rssAfterFirst >= 0)
        std::printf("growth after the first minute: %lld kB resident (max %lld), %d descriptors\n",
                    rssMax - rssAfterFirst, rssMax, fdsMax - fdsAfterFirst);
    sendControlCommand(folder, QStringLiteral("close"), 10000);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return 0;
}
