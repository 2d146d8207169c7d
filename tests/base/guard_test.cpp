// Whatever an entry point throws, the general error report says it, velumo.log has its `error`
// line, and the event loop and the entry point's timer go on: timers of the real Qt factory,
// guarded connections, control commands, failures on another thread.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <memory>
#include <stdexcept>

#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/operations.h"
#include "base/timer.h"
#include "fakes/testsupport.h"

namespace velumo {
namespace {

bool runLoopUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A sender with the signal shapes the program connects to.
class Source : public QObject {
    Q_OBJECT
signals:
    void changed(const QString& name, int value);
    void pinged();
};

class Receiver : public QObject {
public:
    QStringList seen;
    void onChanged(const QString& name) { seen.append(name); }
    void failOnChanged(const QString& name, int value)
    {
        throw Failure(QStringLiteral("%1 refused %2").arg(name).arg(value));
    }
};

class GuardTest : public ::testing::Test {
protected:
    QStringList errorLines() const { return test::logEvents(log.path(), QStringLiteral("error")); }

    QTemporaryDir dir;
    EventLog log{dir.filePath(QStringLiteral("velumo.log"))};
    test::RecordingNotifier notifier{&log};
    GuardSink sink{notifier};
};

TEST_F(GuardTest, ATimerHandlerThatThrowsIsReportedAndTheTimerAndTheLoopGoOn)
{
    QtTimerFactory factory;
    std::unique_ptr<Timer> timer = factory.create(QStringLiteral("Timer1start"), true);
    int fires = 0;
    timer->setInterval(5);
    timer->setHandler([&] {
        if (++fires == 1)
            throw Failure(QStringLiteral("the plan file is gone"));
        if (fires == 2)
            throw std::runtime_error("disk on fire");
    });
    timer->start();
    bool later = false;
    QTimer::singleShot(40, [&] { later = true; });
    ASSERT_TRUE(runLoopUntil([&] { return fires >= 4 && later; }));
    timer->stop();

    EXPECT_EQ(notifier.errors, (QStringList{QStringLiteral("the plan file is gone"),
                                            QStringLiteral("disk on fire")}));
    EXPECT_EQ(errorLines(), notifier.errors);
    ASSERT_EQ(notifier.errorOrigins.size(), 2u);
    for (const Origin& origin : notifier.errorOrigins) {
        EXPECT_TRUE(origin.isUnattended());
        EXPECT_EQ(origin.source(), QStringLiteral("Timer1start"));
    }
    EXPECT_TRUE(notifier.messages.isEmpty());
}

TEST_F(GuardTest, AGuardedSlotThatThrowsIsAbandonedAndTheNextSignalsStillArrive)
{
    Source source;
    Receiver receiver;
    int pings = 0;
    connectGuarded(&source, &Source::changed, &receiver,
                   Origin::unattended(QStringLiteral("webplayer")), &Receiver::failOnChanged);
    // A member and a lambda that take fewer arguments than the signal gives.
    connectGuarded(&source, &Source::changed, &receiver,
                   Origin::unattended(QStringLiteral("webplayer")), &Receiver::onChanged);
    connectGuarded(&source, &Source::pinged, &receiver,
                   Origin::byOperator(QStringLiteral("SCButton3")), [&] {
                       ++pings;
                       throw Failure(QStringLiteral("no block loaded"));
                   });

    emit source.changed(QStringLiteral("SCEdit9"), 7);
    emit source.pinged();
    emit source.changed(QStringLiteral("SCEdit10"), 8);

    EXPECT_EQ(receiver.seen, (QStringList{QStringLiteral("SCEdit9"), QStringLiteral("SCEdit10")}));
    EXPECT_EQ(pings, 1);
    EXPECT_EQ(notifier.errors,
              (QStringList{QStringLiteral("SCEdit9 refused 7"), QStringLiteral("no block loaded"),
                           QStringLiteral("SCEdit10 refused 8")}));
    EXPECT_EQ(errorLines(), notifier.errors);
    ASSERT_EQ(notifier.errorOrigins.size(), 3u);
    EXPECT_TRUE(notifier.errorOrigins[0].isUnattended());
    EXPECT_EQ(notifier.errorOrigins[0].source(), QStringLiteral("webplayer"));
    EXPECT_FALSE(notifier.errorOrigins[1].isUnattended());
    EXPECT_EQ(notifier.errorOrigins[1].source(), QStringLiteral("SCButton3"));

    // Queued, the failure happens inside the event loop itself, which goes on.
    Source queued;
    connectGuarded(
        &queued, &Source::pinged, &receiver, Origin::unattended(QStringLiteral("feed")),
        [] { throw Failure(QStringLiteral("the feed is malformed")); }, Qt::QueuedConnection);
    emit queued.pinged();
    ASSERT_TRUE(runLoopUntil([&] { return notifier.errors.size() == 4; }));
    EXPECT_EQ(errorLines().last(), QStringLiteral("the feed is malformed"));
}

TEST_F(GuardTest, WhatAnOperatorsEntryPointRunsFailsForTheOperator)
{
    // A button's slot emits a model signal whose handler, labelled as the unattended source it
    // usually is, fails: the operator pressed the button, so the report says so.
    Source button;
    Source model;
    Receiver receiver;
    connectGuarded(&button, &Source::pinged, &receiver,
                   Origin::byOperator(QStringLiteral("SCButton44")), [&] { emit model.pinged(); });
    connectGuarded(&model, &Source::pinged, &receiver,
                   Origin::unattended(QStringLiteral("dispatcher")),
                   [] { throw Failure(QStringLiteral("cannot stop")); });
    emit button.pinged();
    emit model.pinged();
    ASSERT_EQ(notifier.errorOrigins.size(), 2u);
    EXPECT_FALSE(notifier.errorOrigins[0].isUnattended());
    EXPECT_EQ(notifier.errorOrigins[0].source(), QStringLiteral("SCButton44"));
    EXPECT_TRUE(notifier.errorOrigins[1].isUnattended());
    EXPECT_EQ(notifier.errorOrigins[1].source(), QStringLiteral("dispatcher"));
    // Outside any entry point the origin is the operator's again.
    EXPECT_FALSE(Origin::current().isUnattended());
}

TEST_F(GuardTest, AControlCommandThatThrowsAnswersItsCallerAndTheChannelGoesOn)
{
    Operations operations;
    ControlServer server(dir.path(), notifier, &log, operations);
    server.addCommand(QStringLiteral("boom"), [](const QString&) -> QString {
        throw Failure(QStringLiteral("the port is busy"));
    });
    // A step the operation abandons on its own is reported for the operator who sent it.
    server.addCommand(QStringLiteral("step"), [this](const QString&) {
        guarded(notifier, [] { throw std::runtime_error("the step failed"); });
        return QStringLiteral("went on");
    });

    EXPECT_EQ(server.execute(QStringLiteral("boom")),
              (std::pair<int, QString>{2, QStringLiteral("the port is busy")}));
    // The command's own failure answers its caller: no box on the public screen.
    EXPECT_TRUE(notifier.errors.isEmpty());
    EXPECT_EQ(errorLines(), QStringList{QStringLiteral("the port is busy")});

    const auto [code, reply] = server.execute(QStringLiteral("step"));
    EXPECT_EQ(code, 2);  // a command that showed a report did not do what was asked
    EXPECT_EQ(reply, QStringLiteral("the step failed"));
    EXPECT_EQ(notifier.errors, QStringList{QStringLiteral("the step failed")});
    ASSERT_EQ(notifier.errorOrigins.size(), 1u);
    EXPECT_FALSE(notifier.errorOrigins[0].isUnattended());
    EXPECT_EQ(notifier.errorOrigins[0].source(), QStringLiteral("control"));

    EXPECT_EQ(server.execute(QStringLiteral("status")).first, 0);
}

TEST_F(GuardTest, AFailureOnAnotherThreadIsReportedOnTheUserInterfaceThread)
{
    QThread* reportedOn = nullptr;
    class ThreadNotifier final : public Notifier {
    public:
        explicit ThreadNotifier(QThread*& thread) : m_thread(thread) {}

    protected:
        void showMessage(const QString&, const QString&, bool) override
        {
            m_thread = QThread::currentThread();
        }
        bool showQuestion(const QString&, const QString&, bool) override { return true; }

    private:
        QThread*& m_thread;
    } threadNotifier(reportedOn);
    GuardSink own(threadNotifier);

    std::unique_ptr<QThread> worker(QThread::create([] {
        guarded(Origin::unattended(QStringLiteral("capture")),
                [] { throw Failure(QStringLiteral("no frame")); });
    }));
    worker->start();
    ASSERT_TRUE(worker->wait(5000));
    ASSERT_TRUE(runLoopUntil([&] { return reportedOn != nullptr; }));
    EXPECT_EQ(reportedOn, QCoreApplication::instance()->thread());
}

// Calls put off for later (a one-shot timer, a call queued from another thread) fail like any
// other entry point: reported with their origin, the rest of the queue still runs, and nothing
// runs once the context is gone.
TEST_F(GuardTest, PutOffCallsThatThrowAreReportedAndTheLoopGoesOn)
{
    QObject context;
    QStringList ran;
    singleShotGuarded(0, &context, Origin::unattended(QStringLiteral("webplayer")),
                      [] { throw Failure(QStringLiteral("the page is gone")); });
    singleShotGuarded(5, &context, Origin::unattended(QStringLiteral("webplayer")),
                      [&] { ran.append(QStringLiteral("timer")); });
    std::unique_ptr<QThread> worker(QThread::create([&] {
        postGuarded(&context, Origin::unattended(QStringLiteral("tone")),
                    [] { throw std::runtime_error("no sound card"); });
        postGuarded(&context, Origin::unattended(QStringLiteral("tone")),
                    [&] { ran.append(QStringLiteral("queued")); });
    }));
    worker->start();
    ASSERT_TRUE(worker->wait(5000));
    ASSERT_TRUE(runLoopUntil([&] { return ran.size() == 2; }));

    EXPECT_EQ(notifier.errors.size(), 2);
    EXPECT_TRUE(notifier.errors.contains(QStringLiteral("the page is gone")));
    EXPECT_TRUE(notifier.errors.contains(QStringLiteral("no sound card")));
    QStringList sources;
    for (const Origin& origin : notifier.errorOrigins) {
        EXPECT_TRUE(origin.isUnattended());
        sources.append(origin.source());
    }
    sources.sort();
    EXPECT_EQ(sources, (QStringList{QStringLiteral("tone"), QStringLiteral("webplayer")}));

    auto gone = std::make_unique<QObject>();
    bool ranAfter = false;
    singleShotGuarded(0, gone.get(), Origin::unattended(QStringLiteral("players")),
                      [&] { ranAfter = true; });
    postGuarded(gone.get(), Origin::unattended(QStringLiteral("players")),
                [&] { ranAfter = true; });
    gone.reset();
    bool later = false;
    singleShotGuarded(20, &context, Origin::unattended(QStringLiteral("players")),
                      [&] { later = true; });
    ASSERT_TRUE(runLoopUntil([&] { return later; }));
    EXPECT_FALSE(ranAfter);
}

// An event filter's handler is an entry point too: its failure is reported with its origin, the
// event goes on to its receiver, and the next event is filtered again.
TEST_F(GuardTest, AnEventFilterThatThrowsIsReportedAndTheEventGoesOn)
{
    class Watched final : public QObject {
    public:
        int received = 0;
        bool event(QEvent* e) override { return e->type() == QEvent::User ? ++received : false; }
    } watched;
    int filtered = 0;
    filterEventsGuarded(&watched, Origin::byOperator(QStringLiteral("SCEdit69")), [&](QEvent* e) {
        if (e->type() == QEvent::User && ++filtered == 1)
            throw Failure(QStringLiteral("no tone"));
        return false;
    });
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&watched, &event);
    QCoreApplication::sendEvent(&watched, &event);
    EXPECT_EQ(filtered, 2);
    EXPECT_EQ(watched.received, 2);
    EXPECT_EQ(notifier.errors, QStringList{QStringLiteral("no tone")});
    ASSERT_EQ(notifier.errorOrigins.size(), 1u);
    EXPECT_EQ(notifier.errorOrigins[0].source(), QStringLiteral("SCEdit69"));
    EXPECT_EQ(filterEventsGuarded(nullptr, Origin::byOperator({}), [](QEvent*) { return true; }),
              nullptr);
}

}  // namespace
}  // namespace velumo

#include "guard_test.moc"
