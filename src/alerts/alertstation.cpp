#include "alertstation.h"

#include <QJsonArray>
#include <QJsonObject>

#include "alerts/alertbandwindow.h"
#include "alerts/alertboard.h"
#include "alerts/alertintake.h"
#include "alerts/alertpresenter.h"
#include "alerts/alertsconfig.h"
#include "alerts/alertsonair.h"
#include "alerts/alertsources.h"
#include "alerts/alertspage.h"
#include "alerts/alertwindows.h"
#include "base/clock.h"
#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/worker.h"
#include "onair/onairmodel.h"

namespace velumo::alerts {

AlertStation::AlertStation(const AlertStationParts& parts, OnAirModel& onAir, Outputs outputs)
    : m_parts(parts)
{
    const AlertStationParts& services = m_parts;
    const AlertsConfigRead read = readAlertsConfig(services.folder);
    for (const QString& error : read.errors)
        services.log.write(
            QStringLiteral("error"),
            QStringLiteral("%1 — взято значение по умолчанию, исправьте файл").arg(error));
    if (read.present) {
        const AlertsConfig& config = read.config;
        // Documents are read here one after another, and the drop folder is looked into.
        m_worker = std::make_unique<Worker>(QStringLiteral("alerts"), Worker::Order::Serial, 1,
                                            &services.notifier, &services.log);
        m_board =
            std::make_unique<AlertBoard>(config, services.clock, services.timers, &services.log);
        m_intake = std::make_unique<AlertIntake>(*m_board, *m_worker, config.trust(services.folder),
                                                 services.clock, &services.log);
        m_windows = std::make_unique<AlertWindows>(outputs.strip, outputs.priority, outputs.tones,
                                                   outputs.mute, services.settings, services.timers,
                                                   services.clock, &services.log);
        m_presenter =
            std::make_unique<AlertPresenter>(*m_board, *m_windows, services.timers, services.clock);
        connectGuarded(m_board.get(), &AlertBoard::changed, m_board.get(),
                       Origin::unattended(QStringLiteral("alerts")),
                       [this, &onAir] { onAir.setAlerts(onAirEntries(m_board->onAir())); });
        startSources(config);
        services.control.addStatus(QStringLiteral("alerts"), [this] {
            QJsonObject status = m_board->status();
            status.insert(QStringLiteral("stale_feeds"),
                          QJsonArray::fromStringList(m_sources->staleFeeds()));
            return QJsonValue(status);
        });
    }
    services.control.addCommand(QStringLiteral("alert test"), [this](const QString&) {
        if (!m_board)
            throw Failure(QStringLiteral("оповещения выключены: в папке программы нет alerts.ini"));
        const QDateTime now = m_parts.clock.now();
        return QStringLiteral("test alert: ") +
               m_board->offerTest(stationTestAlert(now, m_board->config().station, kTestSeconds),
                                  QStringLiteral("alert test"));
    });
    m_page = new AlertsPage(services.window, services.folder, m_board.get(), m_intake.get(),
                            [this](const AlertsConfig& config) { apply(config); });
}

AlertStation::~AlertStation()
{
    // The page asks the board; the sources hand documents to the intake.
    delete m_page.data();
    m_sources.reset();
    if (m_worker)
        m_worker->shutDown();
    m_presenter.reset();
    m_windows.reset();
    m_intake.reset();
    m_board.reset();
}

void AlertStation::startSources(const AlertsConfig& config)
{
    m_sources = std::make_unique<AlertSources>(m_parts.folder, config, *m_intake, *m_worker,
                                               m_parts.timers, m_parts.clock, &m_parts.log);
    if (m_staleFeeds) {
        m_staleFeeds({});
        connectGuarded(m_sources.get(), &AlertSources::feedStaleChanged, m_sources.get(),
                       Origin::unattended(QStringLiteral("alerts")),
                       [this] { m_staleFeeds(m_sources->staleFeeds()); });
    }
    m_sources->start();
}

void AlertStation::apply(const AlertsConfig& config)
{
    m_parts.log.write(QStringLiteral("alert"),
                      QStringLiteral("alerts.ini saved on the page: the new values apply"));
    m_board->setConfig(config);
    m_intake->setTrust(config.trust(m_parts.folder));
    m_sources.reset();
    startSources(config);
}

void AlertStation::take(const QByteArray& document, const QString& source)
{
    if (m_intake)
        m_intake->take(document, source);
}

QWidget* AlertStation::band() const
{
    return m_windows ? &m_windows->band() : nullptr;
}

void AlertStation::reportStaleFeeds(std::function<void(const QStringList& urls)> staleFeeds)
{
    if (!m_sources)
        return;
    m_staleFeeds = std::move(staleFeeds);
    connectGuarded(m_sources.get(), &AlertSources::feedStaleChanged, m_sources.get(),
                   Origin::unattended(QStringLiteral("alerts")),
                   [this] { m_staleFeeds(m_sources->staleFeeds()); });
    m_staleFeeds(m_sources->staleFeeds());
}

}  // namespace velumo::alerts
