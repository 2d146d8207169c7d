// Nothing thrown on the worker thread or by a posted result ends the program: the job is
// abandoned and its failure reported on the owner's thread.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <stdexcept>

#include "base/eventlog.h"
#include "base/failure.h"
#include "fakes/testsupport.h"
#include "net/backgroundworker.h"

namespace velumo {
namespace {

void waitUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(BackgroundWorker, FailuresOfJobsAndResultsAreReportedAndTheNextJobRuns)
{
    QObject owner;
    test::RecordingNotifier notifier;
    BackgroundWorker worker(QStringLiteral("test"), &owner, notifier);
    bool resultRan = false;
    worker.submit([] { throw std::runtime_error("disk on fire"); });
    worker.submit([&worker] { worker.post([] { throw Failure(QStringLiteral("bad result")); }); });
    worker.submit([&worker, &resultRan] { worker.post([&resultRan] { resultRan = true; }); });
    waitUntil([&] { return resultRan; });
    EXPECT_TRUE(resultRan);
    EXPECT_EQ(notifier.errors, (QStringList{"disk on fire", "bad result"}));
}

TEST(BackgroundWorker, AFailingResultHandlerIsLoggedAsTheWorkersAndTheLoopGoesOn)
{
    QTemporaryDir dir;
    EventLog log(dir.filePath("velumo.log"));
    QObject owner;
    test::RecordingNotifier notifier(&log);
    BackgroundWorker worker(QStringLiteral("ftp-receive"), &owner, notifier);
    int results = 0;
    worker.submit([&worker, &results] {
        worker.post([&results] {
            ++results;
            throw Failure(QStringLiteral("the listing is malformed"));
        });
        worker.post([&results] { ++results; });
    });
    waitUntil([&] { return results == 2; });
    EXPECT_EQ(results, 2);
    EXPECT_EQ(notifier.errors, QStringList{"the listing is malformed"});
    EXPECT_EQ(test::logEvents(log.path(), "error"), QStringList{"the listing is malformed"});
    ASSERT_EQ(notifier.errorOrigins.size(), 1u);
    EXPECT_TRUE(notifier.errorOrigins[0].isUnattended());
    EXPECT_EQ(notifier.errorOrigins[0].source(), QStringLiteral("ftp-receive"));
    // The loop still runs what comes next.
    bool later = false;
    QTimer::singleShot(0, &owner, [&later] { later = true; });
    waitUntil([&] { return later; });
    EXPECT_TRUE(later);
}

}  // namespace
}  // namespace velumo
