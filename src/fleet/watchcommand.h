#pragma once

#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <deque>
#include <memory>

#include "fleet/fleetwatch.h"

namespace velumo {

class TimerFactory;

namespace fleet {

struct FleetConfig;

// Runs the watcher's command through /bin/sh for each notice, with the notice in its
// environment and its output going where the watcher's goes. A few run at once, the rest wait
// their turn; one that has not ended after kLimitMs is killed. Each notice's summary and each
// failed run are written to the standard error (the journal under systemd).
class ShellNoticeRunner final : public QObject, public NoticeRunner {
    Q_OBJECT
public:
    static constexpr int kAtOnce = 4;
    static constexpr qint64 kLimitMs = 60000;

    ShellNoticeRunner(QString command, QString broker, TimerFactory& timers,
                      QObject* parent = nullptr);
    ~ShellNoticeRunner() override;

    void run(const WatchNotice& notice) override;
    bool idle() const { return m_running == 0 && m_waiting.empty(); }

signals:
    void becameIdle();

private:
    void startNext();

    QString m_command;
    QString m_broker;
    TimerFactory& m_timers;
    std::deque<QProcessEnvironment> m_waiting;
    int m_running = 0;
};

// "velumo --fleet BROKER ... --watch --exec COMMAND": watches every station of the broker
// without a display and runs COMMAND for every change of a station's state and every alarm
// raised or cleared (FleetWatch). Ends on SIGTERM, SIGINT or SIGHUP after running what it was
// gathering and waiting a little for the commands still running.
int runFleetWatch(const FleetConfig& config, const QString& command);

}  // namespace fleet
}  // namespace velumo
