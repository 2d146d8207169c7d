#pragma once

#include <QJsonObject>
#include <QObject>
#include <QStringList>

#include "onair/onairstate.h"

namespace velumo {

class Clock;
class DispatcherEngine;
class EventLog;
class Notifier;
class OnAirModel;
class OnAirStateFile;
class PlayerRegistry;
class Settings;
class TickerBlock;
class TickerEngine;

// Keeps velumo.state up to date with what the on-air model says is on air, and brings it back
// after an unclean end:
// the strip at the announcement after the one that was on air, the dispatcher as it was (its own
// start-up resume starts the line that was running again), and the content the players showed,
// each at its slot. Announces whether anything is on air (the screen stays awake meanwhile).
class OnAirRecorder final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Settings& settings;
        TickerBlock& block;
        TickerEngine& ticker;
        DispatcherEngine& dispatcher;
        PlayerRegistry& players;
    };

    OnAirRecorder(const OnAirModel& model, Parts parts, OnAirStateFile& file, const Clock& clock,
                  Notifier& notifier, EventLog& log, QObject* parent = nullptr);
    ~OnAirRecorder() override;

    // Records from now on, starting with the state now. Until then (during the start-up, while
    // the stored settings come in) what a crash left stays in velumo.state.
    void begin();
    // Records no more: what the way out stops is not written.
    void end() { m_recording = false; }

    // The state now, as velumo.state holds it.
    OnAirState current() const;
    bool onAir() const { return m_onAir; }

    // Resume, first step, once the stored settings are read and before the dispatcher's
    // start-up step: the dispatcher's switch, its plan and the strip's block file as they were.
    void prepareResume(const OnAirState& state);
    // Resume, second step, when the start-up has run: the strip and the players back on air.
    // Each part is guarded on its own: a block that cannot be read leaves the players to come
    // back all the same.
    void resume(const OnAirState& state);

    // What came back at start-up ("ticker", "dispatcher", the player letters); empty after a
    // normal start.
    const QStringList& resumed() const { return m_resumed; }
    // The "onair" member of the control channel's status.
    QJsonObject status() const;

signals:
    void onAirChanged(bool onAir);

private:
    void record(bool announcementOnly);
    void logResume(const QString& text);

    const OnAirModel& m_model;
    Parts m_parts;
    OnAirStateFile& m_file;
    const Clock& m_clock;
    Notifier& m_notifier;
    EventLog& m_log;
    bool m_onAir = false;
    bool m_recording = false;
    QStringList m_resumed;
};

}  // namespace velumo
