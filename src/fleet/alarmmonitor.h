#pragma once

#include <QDateTime>
#include <QImage>
#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace velumo {

class Clock;
class EventLog;
class RepaintWatch;
class Timer;
class TimerFactory;
class Worker;

// The station's alarms: conditions nobody at the station would notice, each raised once when it
// begins and cleared once when it ends, as "alarm" events of velumo.log and as the status member
// "alarms" ([{id, since, text}]).
//
//   strip_frozen     the ticker runs but the strip has painted no new position for 5 s
//   player_frozen    a player window on air has shown the same picture (or black) for longer than
//                    its content allows
//   spool_full       the fleet link's spool is over 80 % full
//   disk_full        the program folder's disk is over 95 % full
//   clock_unsynced   the system clock is not synchronised
//   alert_feed_stale an alert feed of alerts.ini has not been read for its stale_min minutes
//
// The strip and the players are looked at every second and every few seconds on the
// user-interface thread (a few comparisons, a picture shrunk to 16 by 9); the disk and the clock
// are read on the worker.
class AlarmMonitor final : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kStripFrozenMs = 5000;
    static constexpr qint64 kCheckMs = 1000;
    static constexpr qint64 kPlayerSampleMs = 3000;
    static constexpr qint64 kSystemCheckMs = 30000;
    static constexpr double kSpoolFull = 0.8;
    static constexpr double kDiskFull = 0.95;

    // What a player window shows now: how long its picture may stand still, and how long it may
    // stay black.
    struct PlayerFrame {
        QString window;
        QImage frame;  // null: nothing painted yet (counts as black)
        qint64 allowedStillMs = 0;
        qint64 allowedBlackMs = 0;
    };

    // What the disk and the clock say; read on the worker.
    struct SystemState {
        std::optional<double> diskFill;   // used share of the folder's disk, 0..1
        std::optional<bool> clockSynced;  // unknown when nothing could be read
    };

    struct Sources {
        // Whether the strip should be moving (the ticker runs).
        std::function<bool()> stripShouldMove;
        RepaintWatch* strip = nullptr;
        // The player windows that should show content now.
        std::function<std::vector<PlayerFrame>()> players;
        // Runs on the worker: a free function over values.
        std::function<SystemState(const QString& folder)> readSystem;
    };

    struct Alarm {
        QString id;
        QDateTime since;
        QString text;
    };

    // worker: where the disk and the clock are read (none: they are not read).
    AlarmMonitor(QString folder, EventLog& log, const Clock& clock, TimerFactory& timers,
                 Worker* worker, Sources sources, QObject* parent = nullptr);
    ~AlarmMonitor() override;

    // The fleet link's spool fill, 0..1.
    void setSpoolFill(double fraction);
    // The alert feeds that are stale now (none: the alarm clears).
    void setStaleAlertFeeds(const QStringList& urls);
    // Applies what the disk and the clock say (the worker's result).
    void applySystem(const SystemState& state);

    QJsonArray status() const;
    // Every alarm this monitor may raise.
    static const QStringList& ids();
    const std::map<QString, Alarm>& active() const { return m_active; }
    bool isActive(const QString& id) const { return m_active.count(id) != 0; }

    // The disk and clock as the system tells them: statvfs of the folder, and timedatectl's
    // NTPSynchronized, else the kernel's clock state.
    static SystemState readSystemState(const QString& folder);

signals:
    void changed();

private:
    void checkStrip();
    void samplePlayers();
    void checkSystem();
    void set(const QString& id, bool on, const QString& text, const QDateTime& since = {});

    QString m_folder;
    EventLog& m_log;
    const Clock& m_clock;
    Worker* m_worker;
    Sources m_sources;
    std::unique_ptr<Timer> m_stripTimer;
    std::unique_ptr<Timer> m_playerTimer;
    std::unique_ptr<Timer> m_systemTimer;
    struct Still {
        quint64 hash = 0;
        qint64 sinceMs = 0;
        bool black = false;
    };
    std::map<QString, Still> m_players;
    qint64 m_movingSinceMs = -1;
    std::map<QString, Alarm> m_active;
};

}  // namespace velumo
