#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "alerts/alertsconfig.h"

namespace velumo {
class Clock;
class EventLog;
class TimerFactory;
class Worker;
}  // namespace velumo

namespace velumo::alerts {

class AlertIntake;
class DropFolder;
class FeedPoller;

// The sources alerts.ini names: a poller for each feed (on a worker of their own, so a slow
// server holds back no other source) and the drop folder (on the worker given).
class AlertSources final : public QObject {
    Q_OBJECT
public:
    static constexpr int kFeedThreads = 4;

    // The references must outlive the sources.
    AlertSources(const QString& programFolder, const AlertsConfig& config, AlertIntake& intake,
                 Worker& folderWorker, TimerFactory& timers, const Clock& clock,
                 EventLog* log = nullptr, QObject* parent = nullptr);
    // Stops the feeds' worker first (its transfers are cancelled, bounded by Worker's grace).
    ~AlertSources() override;

    void start();
    QStringList staleFeeds() const;

signals:
    // For the fleet's alarm "alert_feed_stale".
    void feedStaleChanged(const QString& url, bool stale);

private:
    std::vector<std::unique_ptr<FeedPoller>> m_feeds;
    std::unique_ptr<DropFolder> m_folder;
    std::unique_ptr<Worker> m_feedWorker;
};

}  // namespace velumo::alerts
