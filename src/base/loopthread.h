#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <vector>

#include "base/worker.h"

class QObject;
class QThread;

namespace velumo {

class EventLog;

// A thread with an event loop of its own: the one variant of Worker, for objects that need a
// loop on their thread (a media player whose pipeline reports through it; a converter that
// frames reach from any thread). The thread adopts its objects and deletes them there when it
// stops; they are called through postGuarded() from any thread.
//
// The stop is bounded as the worker's: the thread runs a last call, deletes its objects and
// ends; one still busy after the grace is abandoned with its objects (they end with it, or with
// the program) and velumo.log (a warning without it) says so. Made, fed and stopped on the
// user-interface thread.
class LoopThread final {
public:
    // log gets the abandonment line.
    explicit LoopThread(QString name, EventLog* log = nullptr);
    ~LoopThread();  // stop()

    LoopThread(const LoopThread&) = delete;
    LoopThread& operator=(const LoopThread&) = delete;

    // Moves object (which has no parent and lives on this thread) to the loop's thread, which
    // owns it from now on.
    void adopt(QObject* object);

    // Asks the thread to run last (through the guard), delete its objects and end, and returns at
    // once: several threads stop side by side when each is asked before any is waited for.
    void quit(std::function<void()> last = {});
    // quit() unless asked before; waits at most grace for the thread to end. True when it did.
    bool stop(std::chrono::milliseconds grace = Worker::kShutDownGrace);

private:
    QString m_name;
    EventLog* m_log;
    QThread* m_thread;
    QObject* m_anchor;  // on the thread: what the last call is posted to
    std::vector<QObject*> m_objects;
    bool m_quitting = false;
    bool m_stopped = false;
};

}  // namespace velumo
