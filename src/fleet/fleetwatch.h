#pragma once

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>

namespace velumo {

class Clock;
class Timer;
class TimerFactory;

namespace fleet {

struct MqttMessage;

// What one run of the watcher's command tells about one station: every change gathered within
// the window, and the state and alarms as they are at its end. Without a station it tells of the
// broker: "broker_lost" (the watcher hears no station at all) or "broker_back".
struct WatchNotice {
    struct Change {
        QDateTime at;
        QString what;   // "state", "raised", "cleared"
        QString value;  // the state, or the alarm's id
        QString text;   // the alarm's text
    };

    QString station;
    QString state;
    QString previousState;
    QDateTime since;  // when the state now began (for a silent station: its last sign of life)
    QList<Change> changes;
    QStringList alarms;  // raised now

    // VELUMO_STATION, VELUMO_STATE, VELUMO_PREVIOUS_STATE, VELUMO_SINCE, VELUMO_ALARM,
    // VELUMO_ALARM_EVENT, VELUMO_ALARM_TEXT, VELUMO_ALARM_SINCE, VELUMO_ALARMS, VELUMO_CHANGES,
    // VELUMO_SUMMARY
    QProcessEnvironment environment() const;
    // One Russian line for a mail's subject or a chat message.
    QString summary() const;
};

// Runs the command for one notice (the shell in the program, a recorder in tests).
class NoticeRunner {
public:
    virtual ~NoticeRunner() = default;
    virtual void run(const WatchNotice& notice) = 0;
};

// The watcher's view of the fleet, from velumo/+/{online,status,events}: each station's state
// (online; stale: online but nothing heard for longer than twice its status interval; offline:
// its last will or a clean exit; unknown: never seen) and its alarms. Every change of a state and
// every alarm raised or cleared becomes a notice; changes of one station within kGatherMs of its
// first are one notice. What the broker holds when the watcher subscribes (retained messages of
// a topic not heard before) is where it starts from, not a change.
class FleetWatch final : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kGatherMs = 10000;
    static constexpr qint64 kCheckMs = 5000;
    // After the broker is back, what it holds is given this long to arrive before silence
    // counts again.
    static constexpr qint64 kSettleMs = 3000;
    static constexpr qint64 kDefaultStatusIntervalMs = 60000;
    // The broker away this long is told once, so that no news is never taken for good news, and
    // so is its return; a restart of the broker tells nothing.
    static constexpr qint64 kBrokerLostMs = 2 * kDefaultStatusIntervalMs;

    FleetWatch(const Clock& clock, TimerFactory& timers, NoticeRunner& runner,
               QObject* parent = nullptr);
    ~FleetWatch() override;

    void take(const MqttMessage& message);
    // The link to the broker: while it is down nothing heard means nothing.
    void setConnected(bool connected);
    // Runs what is being gathered now (at exit).
    void flush();

    QString state(const QString& station) const;

private:
    struct Alarm {
        QString text;
        QDateTime since;
    };
    struct Station {
        std::optional<bool> online;
        bool heardOnline = false;
        bool heardStatus = false;
        QDateTime lastSeen;
        QDateTime statusTime;
        qint64 statusIntervalMs = kDefaultStatusIntervalMs;
        QString told;  // the state of the last notice, or where the watch started from
        QDateTime since;
        QMap<QString, Alarm> alarms;
        // The notice being gathered.
        std::unique_ptr<Timer> window;
        QString before;
        QList<WatchNotice::Change> changes;
    };

    void takeOnline(const QString& id, Station& s, bool online, bool retained);
    void takeStatus(const QString& id, Station& s, const QByteArray& payload, bool retained);
    void takeEvent(const QString& id, Station& s, const QByteArray& payload);
    QString stateOf(const Station& s, bool judgeSilence) const;
    // Compares the state with the one last told; a start point only sets it.
    void review(const QString& id, Station& s, bool startPoint);
    void alarmChange(const QString& id, Station& s, const QString& what, const QString& alarm,
                     const QString& text, const QDateTime& at, bool startPoint);
    void note(const QString& id, Station& s, WatchNotice::Change change);
    void send(const QString& id, Station& s);
    void check();
    void tellBroker(const QString& state);

    const Clock& m_clock;
    TimerFactory& m_timers;
    NoticeRunner& m_runner;
    std::unique_ptr<Timer> m_check;
    std::map<QString, std::unique_ptr<Station>> m_stations;
    bool m_connected = false;
    qint64 m_settledAtMs = 0;
    std::unique_ptr<Timer> m_lost;
    QDateTime m_lostSince;
    bool m_lostTold = false;
};

}  // namespace fleet
}  // namespace velumo
