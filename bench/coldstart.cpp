// Cold start of the program to its first "status" reply. Target: <= 1.5 s.
// Usage: coldstart_bench PROGRAM [RUNS]; run it on a display (bench/coldstart.sh starts Xvfb).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/controlchannel.h"

using namespace velumo;

namespace {

// Milliseconds from starting the program to its first status reply; -1 when it never answers.
qint64 oneStart(const QString& program)
{
    QTemporaryDir dir;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer elapsed;
    elapsed.start();
    process.start(program, {"--dir", dir.path()});
    qint64 result = -1;
    while (elapsed.elapsed() < 20000 && process.state() != QProcess::NotRunning) {
        if (sendControlCommand(dir.path(), "status", 2000).code == 0) {
            result = elapsed.elapsed();
            break;
        }
        QThread::msleep(2);
    }
    sendControlCommand(dir.path(), "close", 5000);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return result;
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
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    oneStart(program);  // warms the file cache: "cold" means a new process, not an empty cache
    std::vector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        const qint64 ms = oneStart(program);
        if (ms < 0) {
            std::fprintf(stderr, "run %d: no status reply\n", i + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "cold start to first status reply over %d runs: min %lld ms, median %lld ms, "
        "max %lld ms (target <= 1500 ms)\n",
        runs, static_cast<long long>(times.front()),
        static_cast<long long>(times[times.size() / 2]), static_cast<long long>(times.back()));
    return times[times.size() / 2] <= 1500 ? 0 : 1;
}
