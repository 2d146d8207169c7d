#include "onairmodule.h"

#include <QJsonObject>

#include "base/controlchannel.h"
#include "base/guard.h"
#include "dispatcher/dispatcherstation.h"
#include "onair/onairmodel.h"
#include "onair/onairrecorder.h"
#include "onair/onairstatefile.h"
#include "players/playerstation.h"
#include "system/dbusscreenhold.h"
#include "system/screeninhibitor.h"
#include "system/xsetscreenhold.h"
#include "ticker/tickerstation.h"

namespace velumo {

OnAirModule::OnAirModule(const Services& services, OnAirModel& onAir, TickerStation& ticker,
                         DispatcherStation& dispatcher, PlayerStation& players)
    : m_services(services)
{
    onAir.watch(services.settings, ticker.engine(), dispatcher.engine());
    onAir.watch(players.registry(), services.clock);
    m_file = std::make_unique<OnAirStateFile>(services.folder, services.clock, services.timers,
                                              services.log);
    // Read before anything is recorded: the start-up's own changes must not overwrite it.
    m_leftover = m_file->leftover();
    m_recorder = std::make_unique<OnAirRecorder>(
        onAir,
        OnAirRecorder::Parts{services.settings, ticker.block(), ticker.engine(),
                             dispatcher.engine(), players.registry()},
        *m_file, services.clock, services.notifier, services.log);
    std::vector<std::unique_ptr<ScreenHold>> ways;
    ways.push_back(std::make_unique<DBusScreenHold>());
    ways.push_back(
        std::make_unique<XsetScreenHold>(services.filePath(QStringLiteral("velumo.screen"))));
    m_screen = std::make_unique<ScreenInhibitor>(std::move(ways), &services.log);
    connectGuarded(m_recorder.get(), &OnAirRecorder::onAirChanged, m_screen.get(),
                   Origin::unattended(QStringLiteral("onair")),
                   [this](bool onAir) { m_screen->setOnAir(onAir); });

    ControlServer& c = services.control;
    c.addStatus(QStringLiteral("onair"), [this] { return QJsonValue(m_recorder->status()); });
    c.addStatus(QStringLiteral("screen"), [this] { return QJsonValue(m_screen->status()); });
}

OnAirModule::~OnAirModule()
{
    finish();
}

void OnAirModule::prepareResume()
{
    if (m_leftover)
        m_recorder->prepareResume(*m_leftover);
}

void OnAirModule::resume()
{
    if (m_leftover)
        m_recorder->resume(*m_leftover);
}

void OnAirModule::begin()
{
    m_recorder->begin();
}

void OnAirModule::keepForNextStart(const QString& stoppedBy)
{
    OnAirState state = m_recorder->current();
    m_recorder->end();
    state.stoppedBy = stoppedBy;
    m_file->keep(state);
}

void OnAirModule::finish()
{
    m_file->finish();
    m_screen->releaseAtExit();
}

}  // namespace velumo
