// The as-run journal's cost: microseconds per append() on the caller's thread (the
// user-interface thread's share), and the writer's throughput with one fdatasync a record.
// Usage: asrun_bench [FOLDER] [RECORDS]  (default: a temporary folder, 5000 records)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "asrun/journal.h"
#include "base/clock.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5000;
    const velumo::SystemClock clock;
    velumo::asrun::JournalOptions options;
    options.queueLimit = count + 1;
    velumo::asrun::Journal journal(folder, options, clock, nullptr);
    journal.flush(10000);  // the key and the recovery are not measured

    const QJsonObject record{
        {QStringLiteral("type"), QStringLiteral("content")},
        {QStringLiteral("kind"), QStringLiteral("k")},
        {QStringLiteral("slot"), 1},
        {QStringLiteral("source"), QStringLiteral("/home/station/ролики/реклама-зима-2026.mp4")},
        {QStringLiteral("sha256"), QString(64, u'a')},
        {QStringLiteral("plan_line"), QStringLiteral("10:00:00 k 1 реклама-зима-2026.mp4")},
        {QStringLiteral("first_picture"), QStringLiteral("2026-12-09T10:00:00.123+03:00")},
        {QStringLiteral("left"), QStringLiteral("2026-12-09T10:00:30.456+03:00")},
        {QStringLiteral("seconds"), 30.333},
        {QStringLiteral("end"), QStringLiteral("ended")}};
    std::vector<qint64> appendNs;
    appendNs.reserve(size_t(count));
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer one;
        one.start();
        journal.append(record);
        appendNs.push_back(one.nsecsElapsed());
    }
    const qint64 appendedNs = total.nsecsElapsed();
    journal.flush(600000);
    const qint64 writtenNs = total.nsecsElapsed();
    std::sort(appendNs.begin(), appendNs.end());
    qint64 bytes = 0;
    const QDir days(journal.folder());
    for (const QFileInfo& day : days.entryInfoList({QStringLiteral("*.jsonl")}, QDir::Files))
        bytes += day.size();
    std::printf("records: %d (%lld bytes a line)\n", count,
                static_cast<long long>(bytes / std::max(1, count)));
    std::printf("append() on the caller: mean %.2f us, median %.2f us, p99 %.2f us, max %.1f us\n",
                double(appendedNs) / count / 1000.0, double(appendNs[size_t(count) / 2]) / 1000.0,
                double(appendNs[size_t(count) * 99 / 100]) / 1000.0,
                double(appendNs.back()) / 1000.0);
    std::printf("writer with fdatasync: %.0f records/s (%.3f ms a record)\n",
                count / (double(writtenNs) / 1e9), double(writtenNs) / count / 1e6);
    return 0;
}
