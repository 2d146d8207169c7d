#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "toneplayer.h"
#include "tonesink.h"

namespace velumo {

class EventLog;
class Notifier;

// Tones on the sound output (ALSA "default" unless another sink is given).
//
// One worker thread sounds the tones one after another, so tones never overlap. MyBEEP hands
// its tone to the worker and waits in a local event loop that leaves out user input: the strip,
// the clock and every timer go on while a tone sounds. The price is reentrancy: a timer or a
// control command can run during a beep and sound a tone of its own; that tone queues behind
// the one sounding and its MyBEEP returns after it. The outer MyBEEP returns only after the
// inner one (nested event loops unwind in order). The dispatcher keeps its own handlers from
// running inside each other; other callers must expect the reentrancy.
//
// When the output cannot be had, "Доступ к динамику РС заблокирован операционной системой!" is
// shown (the reason goes to velumo.log) and the beep still lasts its length before MyBEEP
// returns, so that a schedule keeps its timing. MyBEEP must be called on the thread that made
// the player (the user-interface thread).
class AlsaTonePlayer final : public TonePlayer {
public:
    static constexpr char kBlockedMessage[] =
        "Доступ к динамику РС заблокирован операционной системой!";

    // No sink: the ALSA "default" output.
    explicit AlsaTonePlayer(Notifier& notifier, std::unique_ptr<ToneSink> sink = nullptr,
                            EventLog* log = nullptr);
    ~AlsaTonePlayer() override;
    AlsaTonePlayer(const AlsaTonePlayer&) = delete;
    AlsaTonePlayer& operator=(const AlsaTonePlayer&) = delete;

    // Sounds frequencyHz for durationMs and returns when the tone has ended. A length of 0 or
    // less sounds nothing.
    void MyBEEP(int frequencyHz, int durationMs) override;

private:
    struct Waiter;
    struct Job {
        int frequencyHz = 0;
        int durationMs = 0;
        std::shared_ptr<Waiter> waiter;
    };

    void work();
    // The tone has ended: its MyBEEP may return.
    void finish(Job& job);
    void reportBlocked(const QString& reason);

    Notifier& m_notifier;
    EventLog* m_log;
    std::unique_ptr<ToneSink> m_sink;
    // Lives on the user-interface thread: the worker's reports are delivered through it.
    QObject m_context;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::thread m_worker;
};

}  // namespace velumo
