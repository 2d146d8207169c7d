#pragma once

#include <QObject>
#include <memory>

#include "base/worker.h"
#include "toneplayer.h"
#include "tonesink.h"

namespace velumo {

class EventLog;
class Notifier;

// Tones on the sound output (ALSA "default" unless another sink is given).
//
// A serial worker sounds the tones one after another, so tones never overlap. MyBEEP hands its
// tone to the worker and returns; when the tone has ended the worker hands its ended back to
// the user-interface thread. No event loop is nested and nobody waits: the strip, the clock
// and every timer go on while a tone sounds, and a tone asked for meanwhile queues behind it.
//
// When the output cannot be had, "Доступ к динамику РС заблокирован операционной системой!" is
// shown (the reason goes to velumo.log) and the beep still lasts its length before ended is
// called, so that a schedule keeps its timing. MyBEEP must be called on the thread that made the
// player (the user-interface thread). Tones still waiting when the player goes are dropped
// without their ended; the one sounding plays out within the worker's grace, or is left to the
// output (an ALSA drain that hangs) without holding up the exit.
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

    // Queues frequencyHz for durationMs; ended runs (through the guard) when it has ended. A
    // length of 0 or less sounds nothing and calls ended at once.
    void MyBEEP(int frequencyHz, int durationMs, Ended ended) override;

private:
    void reportBlocked(const QString& reason);

    Notifier& m_notifier;
    EventLog* m_log;
    // Shared with the job sounding: a tone left behind at exit keeps its output.
    std::shared_ptr<ToneSink> m_sink;
    // Lives on the user-interface thread: the worker's reports are delivered to it.
    QObject m_context;
    Worker m_worker;
};

}  // namespace velumo
