#include "playersmodule.h"

#include <QJsonObject>

#include "base/controlchannel.h"
#include "players/capturewindow.h"
#include "players/clipwindow.h"
#include "players/flashwindow.h"
#include "players/rssfeed.h"
#include "players/rsspage.h"
#include "players/titleswindow.h"
#include "players/webwindow.h"

namespace velumo {

PlayersModule::PlayersModule(const Services& services, TickerBlock& block, BlockEdits& edits)
    : m_services(services)
{
    m_rss = std::make_unique<RssFeed>(services.settings, block, edits, services.notifier,
                                      &services.log, services.timers, services.folder);
    new RssPage(services.window, services.notifier, *m_rss);
    m_web = new WebWindow();
    m_titles = new TitlesWindow();
    m_clip = new ClipWindow();
    m_capture = new CaptureWindow();
    // The Flash window comes last, inside its own guard.
    try {
        m_flash = new FlashWindow();
    } catch (...) {
        services.notifier.message(QStringLiteral(
            "Для работы с flash нужно установить Adobe flashplayer9_ax, с которым ставится ActiveX "
            "и затем поверх последняя версия плеера"));
    }
    registerCommands();
}

PlayersModule::~PlayersModule()
{
    delete m_flash;
    delete m_capture;
    delete m_clip;
    delete m_titles;
    delete m_web;
}

void PlayersModule::armTimers()
{
    m_rss->armAtStartup();
}

void PlayersModule::registerCommands()
{
    ControlServer& c = m_services.control;
    c.addCommand(QStringLiteral("rss read"), [this](const QString&) {
        m_rss->SCButton12Click();
        return QStringLiteral("queued");
    });
    c.addStatus(QStringLiteral("rss"), [this] {
        return QJsonValue(QJsonObject{{QStringLiteral("last_address"), m_rss->shownAddress()},
                                      {QStringLiteral("lines"), qint64(m_rss->feedLines())},
                                      {QStringLiteral("reading"), m_rss->busy()}});
    });
}

}  // namespace velumo
