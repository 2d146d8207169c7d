#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

#include "onair/onairnow.h"

namespace velumo {

class DispatcherEngine;
class EventLog;
class Settings;
class TickerEngine;
struct Event;
struct PlayerEvent;

// How a player's entry left the air.
struct OnAirEnd {
    enum class How {
        Stopped,  // its stop, or the next start of its letter
        Ended,    // its stop, after the content had ended by itself
        Failed,   // the content failed (reason)
        Parked,
    };
    How how = How::Stopped;
    QDateTime at;
    // Seconds on screen as its player counted them; none: from the first picture to at.
    std::optional<double> seconds;
    QString reason;
};

// The one answer to "what is on air now": the players' entries with their requests and first
// pictures, the strip with its block and next announcement, the dispatcher with its plan line,
// and the alerts. The fleet link's status, the metrics, the service's status line, velumo.state
// and the as-run journal all read it; none of them works it out again.
//
// The players' part is the fold of the registry's typed events (PlayerEvent) of the program's
// one stream, so it is known from the first event on, and it is exactly what the registry says
// happened: an entry opens at its start (a start over a running entry closes that one first),
// gets its first picture, may end by itself (its last picture stays), and closes at its stop,
// park or failure. Failed content that loads again while its entry runs (a web page whose server
// answers again) opens a new entry at its return, with the same request. The strip and the
// dispatcher are read from their engines and the settings once they are watched.
//
// changed() says which part moved; entryOpened() and entryClosed() tell each entry's life once,
// in the order of the events.
class OnAirModel final : public QObject {
    Q_OBJECT
public:
    enum class Part {
        Players,
        // The strip's start or stop, its block file.
        Strip,
        // The next announcement only, while the strip runs.
        Announcement,
        Dispatcher,
        PlanLine,
        Alerts,
    };
    Q_ENUM(Part)

    explicit OnAirModel(EventLog& events, QObject* parent = nullptr);
    ~OnAirModel() override;

    // The strip and the dispatcher, once they exist (they are made after the stream's first
    // readers); their parts are unknown again once one of them is gone.
    void watch(Settings& settings, TickerEngine& ticker, DispatcherEngine& dispatcher);

    OnAirNow now() const;
    // The entry of a letter, null when it has none.
    const OnAirNow::Player* player(QChar letter) const;

    // The alerts on air now, as the alerts' board has them.
    void setAlerts(QList<OnAirNow::Alert> alerts);

signals:
    void changed(velumo::OnAirModel::Part part);
    void entryOpened(const velumo::OnAirNow::Player& entry);
    void entryClosed(const velumo::OnAirNow::Player& entry, const velumo::OnAirEnd& end);

private:
    void take(const Event& event);
    void takePlayer(const PlayerEvent& event, const QDateTime& at);
    // Closes and removes the entry of its letter.
    void close(qsizetype index, OnAirEnd end);
    qsizetype indexOf(QChar letter) const;

    QPointer<Settings> m_settings;
    QPointer<TickerEngine> m_ticker;
    QPointer<DispatcherEngine> m_dispatcher;
    QList<OnAirNow::Player> m_players;
    // Letters whose stop or park is asked and not done yet.
    QString m_ending;
    QString m_planLine;
    QDateTime m_planLineSince;
    QList<OnAirNow::Alert> m_alerts;
};

}  // namespace velumo
