#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

#include "base/guard.h"
#include "base/origin.h"

namespace velumo {

class EventLog;
class Notifier;

// What a job handed back: its value, or the text of what it threw.
template <class T>
struct JobResult {
    std::optional<T> value;
    QString error;

    bool ok() const { return value.has_value(); }
};

// A worker's cancel flag: set once, when the worker stops; a job's pause ends when it is set.
class CancelFlag final {
public:
    bool isSet() const { return m_set.load(); }
    const std::atomic_bool& flag() const { return m_set; }
    void set();
    // Waits until deadline; false when the flag is set first (or was already).
    bool sleepUntil(std::chrono::steady_clock::time_point deadline) const;

private:
    std::atomic_bool m_set{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
};

// The worker's side of a running job: the worker's cancel flag (set when it shuts down; long
// jobs poll it, libcurl's progress callback reads it), a pause the shut-down cuts short, and a
// way to send the receiver values while the job goes on (progress, a listing). report() is for
// the job's thread only.
template <class Update>
class JobContext {
public:
    JobContext(std::shared_ptr<const CancelFlag> cancel, std::function<void(Update)> report)
        : m_cancel(std::move(cancel)), m_report(std::move(report))
    {
    }

    bool cancelled() const { return m_cancel->isSet(); }
    const std::atomic_bool& cancelFlag() const { return m_cancel->flag(); }
    // Outlives the worker; for what a job keeps beyond its own run (an FTP client).
    std::shared_ptr<const std::atomic_bool> cancelToken() const
    {
        return {m_cancel, &m_cancel->flag()};
    }
    // Waits (a retry later, a tone's length) unless the worker stops first; false when it did.
    bool sleepUntil(std::chrono::steady_clock::time_point deadline) const
    {
        return m_cancel->sleepUntil(deadline);
    }
    bool sleepFor(std::chrono::milliseconds duration) const
    {
        return sleepUntil(std::chrono::steady_clock::now() + duration);
    }
    void report(Update update) const { m_report(std::move(update)); }

private:
    std::shared_ptr<const CancelFlag> m_cancel;
    std::function<void(Update)> m_report;
};

// Runs slow work off the user-interface thread. A job is a callable over values (a free function,
// or a lambda that captures values only: nothing it touches belongs to the object that submitted
// it) that returns a value; the value, or the text of what the job threw, comes back on the
// thread that made the worker (the user-interface thread) to a receiver through the guard, and
// is dropped when the receiver has gone or the worker has shut down. Updates a job reports on
// its way take the same route.
//
// Serial: one thread, jobs in the order of submission (the FTP transfers of one side). Parallel:
// up to maxThreads jobs at once, started in order of submission. Jobs are submitted, and the
// worker is shut down, on the thread that made it; the shut-down never from inside a handler
// that the worker itself called.
//
// Shut-down is bounded: the cancel flag is set, queued jobs are dropped and the running ones get
// a grace time; a job still running then is abandoned (its thread is left to end by itself,
// holding only its own values) and a line in velumo.log (a warning without it) says so. The
// threads are plain threads rather than Qt's pool or QThread because only a plain thread can be
// abandoned: the pool waits for its jobs without limit when it goes, and a QThread destroyed
// while running ends the program.
//
// The program's one way to run work on another thread. A worker that must finish its queue
// before it goes (the journal's records) drains instead of shutting down; one that must notice
// time passing while nothing is queued (the journal's midnight) keeps a beat. Objects that need
// an event loop on their thread (media players) live on a LoopThread (base/loopthread.h), the
// one variant, stopped within the same grace. The MQTT client's network thread
// (fleet/mqttclient.h) is the one exception. Nothing joins a thread without a limit;
// tools/check-threads.sh finds a thread, a condition variable or moveToThread anywhere else.
class Worker final {
public:
    enum class Order { Serial, Parallel };
    static constexpr std::chrono::milliseconds kShutDownGrace{2500};

    using Beat = std::function<void(const JobContext<std::monostate>&)>;

    // notifier hears a receiver's failure (none: a warning); log gets the abandonment lines.
    explicit Worker(QString name, Order order = Order::Serial, int maxThreads = 1,
                    Notifier* notifier = nullptr, EventLog* log = nullptr);
    // A serial worker with a beat: beat runs on the worker's thread, as a job does, whenever no
    // job has come for beatEvery (from the first job on, until the worker stops).
    Worker(QString name, std::chrono::milliseconds beatEvery, Beat beat,
           Notifier* notifier = nullptr, EventLog* log = nullptr);
    ~Worker();  // shutDown()

    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // job(const JobContext<std::monostate>&) returns R (or nothing); done(const JobResult<R>&)
    // runs later on this thread unless receiver has gone by then.
    template <class Job, class Done>
    void run(QObject* receiver, Job job, Done done)
    {
        run<std::monostate>(
            receiver, std::move(job), [](const std::monostate&) {}, std::move(done));
    }

    // As run(), and onUpdate(const Update&) hears every job.report(update) in order, before
    // done.
    template <class Update, class Job, class OnUpdate, class Done>
    void run(QObject* receiver, Job job, OnUpdate onUpdate, Done done);

    // A job whose end nobody waits for: job(const JobContext<std::monostate>&) returns nothing
    // and nothing comes back; it tells what it must itself (what it throws is lost).
    template <class Job>
    void run(Job job)
    {
        submit([job = std::move(job), cancel = m_cancel](const Post&) mutable {
            job(JobContext<std::monostate>(cancel, [](std::monostate) {}));
        });
    }

    // Sets the cancel flag, drops the jobs not yet started and waits at most grace for the
    // running ones; those still running then are abandoned (logged). Nothing is delivered
    // afterwards and nothing more is accepted. True when every job had ended.
    bool shutDown(std::chrono::milliseconds grace = kShutDownGrace);

    // The shut-down of a worker whose queue must be worked off (records on their way to the
    // disk): the cancel flag is set and nothing more is accepted, but the queued jobs still run
    // (they see cancelled() and do only what cannot wait); after grace at most, the worker shuts
    // down as above, dropping what has not started and abandoning what still runs. True when
    // every job had ended.
    bool drain(std::chrono::milliseconds grace);

    // Waits at most timeout for the queued and running jobs to end, without cancelling them
    // (for a job that must run to its end even when its owner goes at once). True when they did.
    bool waitForIdle(std::chrono::milliseconds timeout);

    // Jobs queued or running.
    int pending() const;
    const QString& name() const { return m_name; }
    std::shared_ptr<const std::atomic_bool> cancelToken() const;

private:
    struct State;
    // Queues fn for the worker's own thread; dropped when the worker has shut down (then fn is
    // destroyed on the calling thread).
    using Post = std::function<void(std::function<void()>)>;
    void submit(std::function<void(const Post& post)> task);
    static void loop(const std::shared_ptr<State>& state);
    bool stop(std::chrono::milliseconds grace, bool workOffQueue);
    Notifier& notifier() const { return *m_notifier; }

    QString m_name;
    std::unique_ptr<Notifier> m_ownNotifier;
    Notifier* m_notifier;
    EventLog* m_log;
    std::shared_ptr<CancelFlag> m_cancel = std::make_shared<CancelFlag>();
    std::shared_ptr<State> m_state;
};

template <class Update, class Job, class OnUpdate, class Done>
void Worker::run(QObject* receiver, Job job, OnUpdate onUpdate, Done done)
{
    using Context = JobContext<Update>;
    using Returned = std::invoke_result_t<Job&, const Context&>;
    using Value = std::conditional_t<std::is_void_v<Returned>, std::monostate, Returned>;
    // What runs on this thread; only ever called here, while the receiver lives.
    // A result runs as the worker's own entry point: nobody asked for it at that moment.
    struct Delivery {
        QPointer<QObject> receiver;
        Notifier* notifier;
        Origin origin;
        OnUpdate onUpdate;
        Done done;
    };
    auto delivery = std::make_shared<Delivery>(Delivery{QPointer<QObject>(receiver), m_notifier,
                                                        Origin::unattended(m_name),
                                                        std::move(onUpdate), std::move(done)});
    std::shared_ptr<const CancelFlag> cancel = m_cancel;
    submit([job = std::move(job), delivery = std::move(delivery),
            cancel = std::move(cancel)](const Post& post) mutable {
        JobResult<Value> result;
        {
            const Context context(cancel, [&post, delivery](Update update) {
                post([delivery, update = std::move(update)] {
                    if (!delivery->receiver)
                        return;
                    const Origin::Scope scope(delivery->origin);
                    guarded(*delivery->notifier, [&] { delivery->onUpdate(update); });
                });
            });
            try {
                if constexpr (std::is_void_v<Returned>) {
                    job(context);
                    result.value.emplace();
                } else {
                    result.value.emplace(job(context));
                }
            } catch (...) {
                result.error = currentExceptionText();
            }
        }
        // The delivery moves into the last post, so this thread keeps no part of the receiver's
        // handlers once the result is on its way.
        post([delivery = std::move(delivery), result = std::move(result)] {
            if (!delivery->receiver)
                return;
            const Origin::Scope scope(delivery->origin);
            guarded(*delivery->notifier, [&] { delivery->done(result); });
        });
    });
}

}  // namespace velumo
