// Nothing thrown on the worker thread or by a posted result ends the program: the job is
// abandoned and its failure reported on the owner's thread.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <stdexcept>

#include "base/failure.h"
#include "fakes/testsupport.h"
#include "net/backgroundworker.h"

namespace velumo {
namespace {

TEST(BackgroundWorker, FailuresOfJobsAndResultsAreReportedAndTheNextJobRuns)
{
    QObject owner;
    test::RecordingNotifier notifier;
    BackgroundWorker worker(QStringLiteral("test"), &owner, notifier);
    bool resultRan = false;
    worker.submit([] { throw std::runtime_error("disk on fire"); });
    worker.submit([&worker] { worker.post([] { throw Failure(QStringLiteral("bad result")); }); });
    worker.submit([&worker, &resultRan] { worker.post([&resultRan] { resultRan = true; }); });
    test::waitFor([&] { return resultRan; }, 5000);
    EXPECT_TRUE(resultRan);
    EXPECT_EQ(notifier.errors, (QStringList{"disk on fire", "bad result"}));
}

}  // namespace
}  // namespace velumo
