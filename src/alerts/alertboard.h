#pragma once

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "alerts/alertsconfig.h"
#include "alerts/alertselection.h"
#include "alerts/capalert.h"
#include "base/event.h"

namespace velumo {
class Clock;
class ClockStepWatch;
class EventLog;
class Timer;
class TimerFactory;
}  // namespace velumo

namespace velumo::alerts {

// An alert as it stands on air: what the band or the strip shows, and what the journal and the
// fleet record of it.
struct OnAirAlert {
    AlertKey key;
    QDateTime sent;
    Status status = Status::Actual;
    MsgType msgType = MsgType::Alert;
    QString source;  // where it came from first ("feed URL", "folder NAME", "fleet")
    Display display = Display::None;
    CapInfo info;     // the block chosen for the station: language, event, texts, area
    QString mark;     // «УЧЕБНОЕ», «ТЕСТ» or empty
    QDateTime since;  // when it came on air
    QDateTime until;  // its expires; invalid: until it is cancelled or taken off
    QString signer;   // the signer's certificate subject; empty when not signed
};

// One change of what is on air, in the order it happened.
struct AlertChange {
    enum class Kind { On, Off };
    enum class Reason {
        None,       // On
        Expired,    // its expires came (or its chosen block's)
        Cancelled,  // a Cancel of its sender named it
        Replaced,   // an Update of its sender named it
        Operator,   // taken off by the operator («Снять»), `note` is the reason given
        Settings,   // alerts.ini changed and it no longer qualifies
    };
    Kind kind = Kind::On;
    Reason reason = Reason::None;
    OnAirAlert alert;
    QDateTime at;
    // Cancelled, Replaced: the key text of the message that did it; Operator: the reason.
    QString note;
};

QString reasonName(AlertChange::Reason reason);  // "expired", "cancelled"...
// The change as the program's event "alert" (on, off) that velumo.log, the journal and the fleet
// read.
AlertEvent alertEvent(const AlertChange& change);

// The alerts the station holds: on air now, or accepted and waiting for their moment. It takes
// valid documents (readCap) from any source, answers what is on air, and announces every
// change. A message is known by its sender and identifier: the same one from a second source
// (or again from the first) changes nothing. An Update takes what its references name off the
// air (replaced) and stands in its place; a Cancel takes them off (cancelled). References
// follow a chain: what replaced a named message is what goes. A message named by an Update or a
// Cancel before it arrived never comes on. Only a message's own sender updates or cancels it.
//
// Alerts leave at their expires by the wall clock (Clock::now()), checked at least every
// kMaxWaitMs and at once when the system clock is set, so a step of the clock past the moment
// takes an alert off within that time and a step back keeps it. Everything runs on the
// user-interface thread, and nothing here reads a file or the network.
class AlertBoard final : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxWaitMs = 1000;
    // A message stays known (for deduplication and late Cancels) this long after it ended.
    static constexpr qint64 kRememberS = 7 * 24 * 3600;

    AlertBoard(AlertsConfig config, const Clock& clock, TimerFactory& timers,
               EventLog* log = nullptr, QObject* parent = nullptr);
    ~AlertBoard() override;

    // Takes a valid alert from a source ("feed URL", "folder NAME", "fleet"; signer as the
    // reading's signature gave it). Returns what became of it, one line (Russian) for the log
    // and the operator.
    QString offer(const CapAlert& alert, const QString& source, const QString& signer = {});
    // The station's own test ("alert test"): shown whatever show_tests says, marked as a test by
    // its status.
    QString offerTest(const CapAlert& alert, const QString& source);
    // The operator's «Снять»: takes the alert off the air with the reason given. False when it
    // is not held.
    bool takeOff(const AlertKey& key, const QString& reason);
    // What is on air now, the most pressing first.
    QList<OnAirAlert> onAir() const;
    // Alerts accepted that wait for their effective moment.
    int waiting() const;
    // The status member "alerts": on_air ([{id, severity, urgency, display, headline, mark,
    // source, since, until}]) and waiting.
    QJsonObject status() const;

    const AlertsConfig& config() const { return m_config; }
    // New settings: every alert held is judged again at once.
    void setConfig(AlertsConfig config);
    // Judges every alert held against the clock now (the timer does it by itself).
    void reconsider();

signals:
    void changed(const velumo::alerts::AlertChange& change);

private:
    struct Held {
        CapAlert alert;
        QString source;
        QString signer;
        bool onAir = false;
        bool ownTest = false;
        int info = -1;   // the block on air
        QDateTime next;  // its next moment: on air, until; waiting, from
        OnAirAlert shown;
    };
    struct Known {
        QDateTime at;  // received, or ended
        QString source;
        bool ended = false;
        AlertChange::Reason reason = AlertChange::Reason::None;
        AlertKey successor;  // Replaced: what stands in its place
        QString by;          // Cancelled, Replaced: the key text of the message that did it
    };

    QString take(const CapAlert& alert, const QString& source, const QString& signer, bool ownTest);
    Selection judge(const CapAlert& alert, bool ownTest, const QDateTime& now) const;
    void reconsider(AlertChange::Reason goneReason);
    // Takes a held alert off (Off when it is on air) and remembers why.
    void end(const AlertKey& key, AlertChange::Reason reason, const QString& note,
             const AlertKey& successor = {});
    void comeOn(Held& held, const Selection& selection);
    void goOff(Held& held, AlertChange::Reason reason, const QString& note = {});
    // Announces the changes queued by the operation that ends here, after the board is
    // consistent again (a listener may call back in).
    void flush();
    std::vector<Held>::iterator find(const AlertKey& key);
    void arm();
    void forgetOld();

    AlertsConfig m_config;
    const Clock& m_clock;
    EventLog* m_log;
    std::unique_ptr<Timer> m_timer;
    std::unique_ptr<ClockStepWatch> m_clockSteps;
    std::vector<Held> m_held;
    QHash<AlertKey, Known> m_known;
    std::vector<AlertChange> m_outbox;
};

}  // namespace velumo::alerts

Q_DECLARE_METATYPE(velumo::alerts::AlertChange)
