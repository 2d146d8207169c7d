// The worker hands results back on the user-interface thread, drops what nobody waits for any
// more, keeps the order of a serial queue and never holds up the shut-down for long; so does its
// variant with an event loop.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <thread>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/loopthread.h"
#include "base/worker.h"
#include "fakes/testsupport.h"

namespace velumo {
namespace {

using namespace std::chrono_literals;

void waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void spin(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A door the test opens for the jobs waiting at it; shared, so a job abandoned by a worker can
// still wait at it after the test's frame has gone.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    int arrived = 0;

    void pass()
    {
        std::unique_lock lock(mutex);
        ++arrived;
        opened.notify_all();
        opened.wait(lock, [&] { return open; });
    }
    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
    bool waitForArrivals(int count)
    {
        std::unique_lock lock(mutex);
        return opened.wait_for(lock, 5s, [&] { return arrived >= count; });
    }
};

TEST(Worker, ResultsAndUpdatesComeBackOnTheUserInterfaceThreadInOrder)
{
    QObject receiver;
    test::RecordingNotifier notifier;
    Worker worker(QStringLiteral("test"), Worker::Order::Serial, 1, &notifier);
    QThread* doneThread = nullptr;
    QThread* updateThread = nullptr;
    QStringList updates;
    std::optional<JobResult<QString>> result;
    worker.run<int>(
        &receiver,
        [](const JobContext<int>& job) {
            for (int i = 1; i <= 3; ++i)
                job.report(i);
            return QStringLiteral("thread %1")
                .arg(QThread::currentThread() == QCoreApplication::instance()->thread()
                         ? QStringLiteral("ui")
                         : QStringLiteral("worker"));
        },
        [&](int step) {
            updateThread = QThread::currentThread();
            updates << QString::number(step);
        },
        [&](const JobResult<QString>& r) {
            doneThread = QThread::currentThread();
            result = r;
        });
    waitUntil([&] { return result.has_value(); });
    ASSERT_TRUE(result.has_value());
    ASSERT_TRUE(result->ok());
    EXPECT_EQ(*result->value, QStringLiteral("thread worker"));
    EXPECT_EQ(updates, (QStringList{"1", "2", "3"}));
    EXPECT_EQ(doneThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(updateThread, QCoreApplication::instance()->thread());
    EXPECT_TRUE(notifier.errors.isEmpty());
}

TEST(Worker, FailuresOfJobsAreResultsAndFailuresOfReceiversAreReported)
{
    QObject receiver;
    test::RecordingNotifier notifier;
    Worker worker(QStringLiteral("test"), Worker::Order::Serial, 1, &notifier);
    QStringList seen;
    worker.run(
        &receiver, [](const auto&) -> int { throw std::runtime_error("disk on fire"); },
        [&](const JobResult<int>& r) { seen << (r.ok() ? QStringLiteral("ok") : r.error); });
    worker.run(
        &receiver, [](const auto&) -> int { throw Failure(QStringLiteral("no server")); },
        [&](const JobResult<int>& r) { seen << (r.ok() ? QStringLiteral("ok") : r.error); });
    // A void job; its receiver fails, which is reported and ends nothing else.
    worker.run(
        &receiver, [](const auto&) {},
        [&](const JobResult<std::monostate>& r) {
            seen << (r.ok() ? QStringLiteral("ok") : r.error);
            throw Failure(QStringLiteral("bad result"));
        });
    worker.run(
        &receiver, [](const auto&) { return 7; },
        [&](const JobResult<int>& r) { seen << QString::number(r.value.value_or(0)); });
    waitUntil([&] { return seen.size() == 4; });
    EXPECT_EQ(seen, (QStringList{"disk on fire", "no server", "ok", "7"}));
    EXPECT_EQ(notifier.errors, QStringList{"bad result"});
}

// Nothing thrown on the worker thread or by a receiver ends the program: the job is abandoned,
// its failure reaches the receiver, and the next job runs.
TEST(Worker, FailuresOfJobsAndResultsAreReportedAndTheNextJobRuns)
{
    QObject owner;
    test::RecordingNotifier notifier;
    Worker worker(QStringLiteral("test"), Worker::Order::Serial, 1, &notifier);
    bool resultRan = false;
    auto reportFailure = [](const auto& result) {
        if (!result.ok())
            throw Failure(result.error);
    };
    worker.run(
        &owner, [](const auto&) { throw std::runtime_error("disk on fire"); }, reportFailure);
    worker.run(
        &owner, [](const auto&) {},
        [](const auto&) { throw Failure(QStringLiteral("bad result")); });
    worker.run(
        &owner, [](const auto&) {}, [&resultRan](const auto&) { resultRan = true; });
    waitUntil([&] { return resultRan; });
    EXPECT_TRUE(resultRan);
    EXPECT_EQ(notifier.errors, (QStringList{"disk on fire", "bad result"}));
    // Reported as the worker's own failures, which nobody asked for at that moment.
    ASSERT_EQ(notifier.errorOrigins.size(), 2u);
    for (const Origin& origin : notifier.errorOrigins) {
        EXPECT_TRUE(origin.isUnattended());
        EXPECT_EQ(origin.source(), QStringLiteral("test"));
    }
}

TEST(Worker, ResultsForAReceiverThatHasGoneAreDropped)
{
    test::RecordingNotifier notifier;
    Worker worker(QStringLiteral("test"), Worker::Order::Parallel, 2, &notifier);
    auto gate = std::make_shared<Gate>();
    auto receiver = std::make_unique<QObject>();
    QObject other;
    int delivered = 0;
    int updates = 0;
    bool otherDone = false;
    worker.run<int>(
        receiver.get(),
        [gate](const JobContext<int>& job) {
            job.report(1);  // before the receiver goes; it may still be queued then
            gate->pass();
            job.report(2);
            return 1;
        },
        [&](int) { ++updates; }, [&](const JobResult<int>&) { ++delivered; });
    ASSERT_TRUE(gate->waitForArrivals(1));
    receiver.reset();
    gate->release();
    worker.run(
        &other, [](const auto&) { return 2; }, [&](const JobResult<int>&) { otherDone = true; });
    waitUntil([&] { return otherDone && worker.pending() == 0; });
    spin(50);
    EXPECT_TRUE(otherDone);
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(updates, 0);
    EXPECT_TRUE(notifier.errors.isEmpty());
}

TEST(Worker, SerialJobsRunOneAtATimeInOrderParallelOnesTogether)
{
    QObject receiver;
    std::mutex mutex;
    std::vector<int> started;
    int running = 0;
    int most = 0;
    auto job = [&](int index) {
        return [&, index](const auto&) {
            {
                std::lock_guard lock(mutex);
                started.push_back(index);
                most = std::max(most, ++running);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(index % 3));
            std::lock_guard lock(mutex);
            --running;
            return index;
        };
    };
    Worker serial(QStringLiteral("serial"));
    std::vector<int> done;
    for (int i = 0; i < 20; ++i)
        serial.run(&receiver, job(i), [&](const JobResult<int>& r) { done.push_back(*r.value); });
    EXPECT_TRUE(serial.waitForIdle(5000ms));
    EXPECT_EQ(started.size(), 20u);
    waitUntil([&] { return done.size() == 20; });
    std::vector<int> order(20);
    std::iota(order.begin(), order.end(), 0);
    EXPECT_EQ(started, order);
    EXPECT_EQ(done, order);
    EXPECT_EQ(most, 1);

    // Two jobs that each wait for the other to have started can only end side by side.
    Worker parallel(QStringLiteral("parallel"), Worker::Order::Parallel, 2);
    auto gate = std::make_shared<Gate>();
    int ended = 0;
    for (int i = 0; i < 2; ++i)
        parallel.run(
            &receiver,
            [gate](const auto&) {
                std::unique_lock lock(gate->mutex);
                ++gate->arrived;
                gate->opened.notify_all();
                return gate->opened.wait_for(lock, 5s, [&] { return gate->arrived >= 2; });
            },
            [&](const JobResult<bool>& r) { ended += r.value.value_or(false) ? 1 : 0; });
    waitUntil([&] { return ended == 2; });
    EXPECT_EQ(ended, 2);
}

TEST(Worker, ShutDownCancelsWaitsBoundedAndAbandonsAJobThatNeverEnds)
{
    QTemporaryDir dir;
    EventLog log(dir.filePath(QStringLiteral("velumo.log")));
    QObject receiver;

    // A job that watches the cancel flag ends within the grace time; nothing is delivered.
    {
        Worker worker(QStringLiteral("polite"), Worker::Order::Serial, 1, nullptr, &log);
        auto gate = std::make_shared<Gate>();
        bool delivered = false;
        worker.run(
            &receiver,
            [gate](const auto& job) {
                gate->pass();
                while (!job.cancelled())
                    std::this_thread::sleep_for(1ms);
            },
            [&](const auto&) { delivered = true; });
        bool queuedRan = false;
        worker.run(
            &receiver, [&queuedRan](const auto&) { queuedRan = true; }, [](const auto&) {});
        gate->release();
        ASSERT_TRUE(gate->waitForArrivals(1));
        EXPECT_TRUE(worker.shutDown(2000ms));
        spin(50);
        EXPECT_FALSE(delivered);
        EXPECT_FALSE(queuedRan);
        EXPECT_EQ(worker.pending(), 0);
    }

    // One that ignores it is left behind after the grace time, and the log says so.
    auto gate = std::make_shared<Gate>();
    bool delivered = false;
    QElapsedTimer clock;
    {
        Worker worker(QStringLiteral("stubborn"), Worker::Order::Serial, 1, nullptr, &log);
        worker.run(
            &receiver, [gate](const auto&) { gate->pass(); },
            [&](const auto&) { delivered = true; });
        ASSERT_TRUE(gate->waitForArrivals(1));
        clock.start();
        EXPECT_FALSE(worker.shutDown(300ms));
        // Shut down already: the destructor does not wait again, and nothing more is taken.
        worker.run(
            &receiver, [](const auto&) {}, [&](const auto&) { delivered = true; });
    }
    const qint64 tookMs = clock.elapsed();
    EXPECT_GE(tookMs, 290);
    EXPECT_LT(tookMs, 2000);
    gate->release();  // the abandoned job ends now; its result has nowhere to go
    spin(100);
    EXPECT_FALSE(delivered);
    QFile file(log.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral(
        "worker\tstubborn: 1 job(s) still running 300 ms after the shut-down, abandoned")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("polite")));
}

// A worker that must work off its queue at exit (the journal's records) drains: the job waiting
// for a retry is woken, the queued ones still run and see the cancel, and the wait is bounded
// all the same. Its beat keeps time while nothing is queued, and stops with it.
TEST(Worker, DrainWorksOffTheQueueWithinItsGraceAndTheBeatRunsOnlyWhileIdle)
{
    auto beats = std::make_shared<std::atomic_int>(0);
    std::optional<Worker> worker;
    worker.emplace(QStringLiteral("drained"), 20ms, [beats](const auto&) { ++*beats; });
    std::atomic_bool retryCutShort = false;
    std::vector<bool> queuedSawCancel;
    worker->run([](const auto&) {});
    waitUntil([&] { return *beats >= 3; });
    EXPECT_GE(*beats, 3);
    worker->run([&](const auto& job) { retryCutShort = !job.sleepFor(10s); });
    for (int i = 0; i < 3; ++i)
        worker->run([&](const auto& job) { queuedSawCancel.push_back(job.cancelled()); });
    const int beatsBefore = *beats;
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(worker->drain(5000ms));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(retryCutShort);
    EXPECT_EQ(queuedSawCancel, (std::vector<bool>{true, true, true}));
    worker->run([&](const auto&) { queuedSawCancel.push_back(false); });  // refused
    EXPECT_LE(*beats, beatsBefore + 1);  // one may have been on its way
    worker.reset();
    EXPECT_EQ(queuedSawCancel.size(), 3u);

    // A job that never ends holds the drain up no longer than its grace; the queue behind it
    // is dropped.
    auto gate = std::make_shared<Gate>();
    bool queuedRan = false;
    {
        Worker stuck(QStringLiteral("stuck"));
        stuck.run([gate](const auto&) { gate->pass(); });
        stuck.run([&queuedRan](const auto&) { queuedRan = true; });
        ASSERT_TRUE(gate->waitForArrivals(1));
        clock.start();
        EXPECT_FALSE(stuck.drain(300ms));
    }
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_LT(clock.elapsed(), 2000);
    gate->release();
    spin(50);
    EXPECT_FALSE(queuedRan);
}

// Objects that need an event loop live on a LoopThread: calls reach them there, the last call
// and their deletion happen there when it stops, and a thread stuck in a call is left behind
// after the grace instead of being waited for (or destroyed while it runs).
TEST(LoopThread, RunsItsObjectsThereDeletesThemThereAndStopsWithinTheGrace)
{
    struct Probe final : QObject {
        explicit Probe(std::atomic<QThread*>& diedOn) : diedOn(diedOn) {}
        ~Probe() override { diedOn = QThread::currentThread(); }
        std::atomic<QThread*>& diedOn;
    };
    std::atomic<QThread*> ranOn{nullptr};
    std::atomic<QThread*> lastOn{nullptr};
    std::atomic<QThread*> diedOn{nullptr};
    {
        LoopThread thread(QStringLiteral("loop"));
        auto* probe = new Probe(diedOn);
        thread.adopt(probe);
        postGuarded(probe, Origin::unattended(QStringLiteral("test")),
                    [&] { ranOn = QThread::currentThread(); });
        thread.quit([&] { lastOn = QThread::currentThread(); });
        EXPECT_TRUE(thread.stop(2000ms));
    }
    EXPECT_NE(ranOn.load(), nullptr);
    EXPECT_NE(ranOn.load(), QCoreApplication::instance()->thread());
    EXPECT_EQ(lastOn.load(), ranOn.load());
    EXPECT_EQ(diedOn.load(), ranOn.load());

    QTemporaryDir dir;
    EventLog log(dir.filePath(QStringLiteral("velumo.log")));
    auto gate = std::make_shared<Gate>();
    QElapsedTimer clock;
    {
        LoopThread thread(QStringLiteral("stuck loop"), &log);
        auto* object = new QObject();
        thread.adopt(object);
        postGuarded(object, Origin::unattended(QStringLiteral("test")), [gate] { gate->pass(); });
        ASSERT_TRUE(gate->waitForArrivals(1));
        clock.start();
        EXPECT_FALSE(thread.stop(300ms));
    }
    EXPECT_LT(clock.elapsed(), 2000);
    gate->release();  // the thread left behind ends by itself
    QFile file(log.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(
        "worker\tstuck loop: still running 300 ms after the shut-down, abandoned"));
}

}  // namespace
}  // namespace velumo
