#include "alertsources.h"

#include "alerts/dropfolder.h"
#include "alerts/feedpoller.h"
#include "base/guard.h"
#include "base/worker.h"

namespace velumo::alerts {

AlertSources::AlertSources(const QString& programFolder, const AlertsConfig& config,
                           AlertIntake& intake, Worker& folderWorker, TimerFactory& timers,
                           const Clock& clock, EventLog* log, QObject* parent)
    : QObject(parent)
{
    if (!config.feeds.isEmpty())
        m_feedWorker = std::make_unique<Worker>(
            QStringLiteral("alert feeds"), Worker::Order::Parallel, kFeedThreads, nullptr, log);
    for (const QString& url : config.feeds) {
        m_feeds.push_back(std::make_unique<FeedPoller>(url, config.pollS, config.staleMin, intake,
                                                       *m_feedWorker, timers, clock, log));
        connectGuarded(
            m_feeds.back().get(), &FeedPoller::staleChanged, this,
            Origin::unattended(QStringLiteral("alerts")),
            [this](const QString& url, bool stale) { emit feedStaleChanged(url, stale); });
    }
    if (const QString folder = config.dropFolderPath(programFolder); !folder.isEmpty())
        m_folder = std::make_unique<DropFolder>(folder, intake, folderWorker, timers, log);
}

AlertSources::~AlertSources()
{
    if (m_feedWorker)
        m_feedWorker->shutDown();
}

void AlertSources::start()
{
    for (const auto& feed : m_feeds)
        feed->start();
    if (m_folder)
        m_folder->start();
}

QStringList AlertSources::staleFeeds() const
{
    QStringList urls;
    for (const auto& feed : m_feeds)
        if (feed->isStale())
            urls.append(feed->url());
    return urls;
}

}  // namespace velumo::alerts
