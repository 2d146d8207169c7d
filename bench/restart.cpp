// Restart after a kill -9: the time from the new process's start to the first moving frame of
// the strip (its picture's position changing, as the control channel's status.onair.strip_left
// reports it; polled every 10 ms) and to the first played frame of the clip that was on air
// (status.players.clip), beside the first status reply and, for comparison, a plain "r" start
// on the same folder. Target: strip moving and clip playing within 2000 ms of the start.
// Usage: restart_bench PROGRAM [RUNS]; run it on a display (bench/restart.sh starts Xvfb).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"

using namespace velumo;

namespace {

struct Times {
    qint64 statusMs = -1;
    qint64 movingMs = -1;
    qint64 clipMs = -1;
};

bool clipPlaying(const QJsonObject& status)
{
    const QJsonObject clip = status["players"].toObject()["clip"].toObject();
    return clip["playing"].toBool() && clip["position_ms"].toInt() > 0;
}

QJsonObject status(const QString& folder)
{
    const ControlReply reply = sendControlCommand(folder, QStringLiteral("status"), 500);
    return reply.code == 0 ? QJsonDocument::fromJson(reply.text.toUtf8()).object() : QJsonObject();
}

// Starts the program with "r" and times its first status reply, its strip's first move and,
// when withClip, the clip's first played frame.
Times startAndTime(const QString& program, const QString& folder, QProcess& process, bool withClip)
{
    Times times;
    QElapsedTimer elapsed;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    elapsed.start();
    process.start(program, {"--dir", folder, "r"});
    int firstLeft = INT_MIN;
    while (elapsed.elapsed() < 20000 && process.state() != QProcess::NotRunning) {
        const QJsonObject object = status(folder);
        if (!object.isEmpty()) {
            if (times.statusMs < 0)
                times.statusMs = elapsed.elapsed();
            const int left = object["onair"].toObject()["strip_left"].toInt();
            if (firstLeft == INT_MIN)
                firstLeft = left;
            else if (times.movingMs < 0 && left != firstLeft)
                times.movingMs = elapsed.elapsed();
            if (withClip && times.clipMs < 0 && clipPlaying(object))
                times.clipMs = elapsed.elapsed();
            if (times.movingMs >= 0 && (!withClip || times.clipMs >= 0))
                break;
        }
        QThread::msleep(10);
    }
    return times;
}

void end(QProcess& process, bool kill)
{
    if (kill)
        ::kill(pid_t(process.processId()), SIGKILL);
    else
        process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void median(const char* what, std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    std::printf("%s: min %lld ms, median %lld ms, max %lld ms\n", what,
                static_cast<long long>(values.front()),
                static_cast<long long>(values[values.size() / 2]),
                static_cast<long long>(values.back()));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [RUNS]\n", argv[0]);
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    // A clip of 30 s on air through every restart.
    QTemporaryDir media;
    const QString clip = media.path() + "/clip.mp4";
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-f", "lavfi", "-i", "testsrc=s=320x240:r=25:d=30", "-pix_fmt",
                  "yuv420p", clip});
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }
    std::vector<qint64> plainMoving, restartStatus, restartMoving, restartClip;
    int wrongLine = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        const QString folder = dir.path();
        QString text;
        for (int i = 0; i < 4; ++i)
            text += QStringLiteral(
                        "^%1\r\n~0\r\n1Announcement %1, long enough to take some seconds "
                        "on the strip\r\n")
                        .arg(i + 1);
        writeFileAtomic(folder + "/news.str", encodeCp1251(text));
        Settings settings;
        settings.setText(key::SCEdit5, folder + "/news.str");
        settings.setSpin(key::SpinEdit1, 10);
        settings.setSpin(key::SpinEdit2, 3);
        settings.setText(key::SCEdit49, clip);
        settings.setText(key::SCEdit10,
                         QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 13:50:30"));
        writeFileAtomic(folder + "/velumo.cfg", configfile::save(settings));

        QProcess first;
        const Times plain = startAndTime(program, folder, first, false);
        sendControlCommand(folder, QStringLiteral("clip start"), 5000);
        // Into the second announcement, and a second more: the state file has caught up.
        QElapsedTimer wait;
        wait.start();
        int next = -1;
        while (wait.elapsed() < 20000 && next < 2) {
            next = status(folder)["ticker"].toObject()["current_line"].toInt(-1);
            QThread::msleep(50);
        }
        QThread::msleep(1200);
        next = status(folder)["ticker"].toObject()["current_line"].toInt(-1);
        end(first, true);

        QProcess second;
        const Times restart = startAndTime(program, folder, second, true);
        QFile log(folder + "/velumo.log");
        log.open(QIODevice::ReadOnly);
        const QByteArray events = log.readAll();
        if (!events.contains(QByteArray("ticker\tstarted at line ") + QByteArray::number(next) +
                             "\n"))
            ++wrongLine;
        sendControlCommand(folder, QStringLiteral("close"), 5000);
        if (!second.waitForFinished(10000))
            end(second, true);
        if (plain.movingMs < 0 || restart.movingMs < 0 || restart.clipMs < 0) {
            std::fprintf(stderr, "run %d: the strip never moved or the clip never came back\n",
                         run + 1);
            return 1;
        }
        plainMoving.push_back(plain.movingMs);
        restartStatus.push_back(restart.statusMs);
        restartMoving.push_back(restart.movingMs);
        restartClip.push_back(restart.clipMs);
        std::printf(
            "run %d: plain start moving %lld ms; after kill -9: status %lld ms, strip "
            "moving %lld ms, clip playing %lld ms (resumed at line %d)\n",
            run + 1, static_cast<long long>(plain.movingMs),
            static_cast<long long>(restart.statusMs), static_cast<long long>(restart.movingMs),
            static_cast<long long>(restart.clipMs), next);
    }
    median("plain \"r\" start to the strip moving", plainMoving);
    median("after kill -9, start to first status reply", restartStatus);
    median("after kill -9, start to the strip moving (target <= 2000 ms)", restartMoving);
    median("after kill -9, start to the clip playing (target <= 2000 ms)", restartClip);
    if (wrongLine)
        std::printf("%d runs did not resume at the announcement after the one on air\n", wrongLine);
    return restartMoving[restartMoving.size() / 2] <= 2000 &&
                   restartClip[restartClip.size() / 2] <= 2000 && wrongLine == 0
               ? 0
               : 1;
}
