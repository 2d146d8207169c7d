#include "playersmodule.h"

#include <QEventLoop>
#include <QJsonObject>
#include <QTimer>

#include "base/controlchannel.h"
#include "base/failure.h"
#include "players/capturewindow.h"
#include "players/clipwindow.h"
#include "players/flashplayer.h"
#include "players/flashwebpages.h"
#include "players/flashwindow.h"
#include "players/placeholderplayer.h"
#include "players/playerregistry.h"
#include "players/rssfeed.h"
#include "players/rsspage.h"
#include "players/titleswindow.h"
#include "players/webplayer.h"
#include "players/webwindow.h"

namespace velumo {

PlayersModule::PlayersModule(const Services& services, TickerBlock& block, BlockEdits& edits,
                             BroadcastMute& /*broadcast*/)
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
    createFlashAndWeb();
    m_clipPlayer = std::make_unique<PlaceholderPlayer>();
    m_externalPlayer = std::make_unique<PlaceholderPlayer>();
    m_slideShow = std::make_unique<PlaceholderPlayer>();
    m_capturePlayer = std::make_unique<PlaceholderPlayer>();
    m_registry = std::make_unique<PlayerRegistry>(
        services.log, PlayerSet{*m_clipPlayer, *m_externalPlayer, *m_slideShow, *m_flashMovies,
                                *m_webPages, *m_capturePlayer});
    registerCommands();
    registerFlashAndWebCommands();
}

PlayersModule::~PlayersModule()
{
    m_registry.reset();
    m_capturePlayer.reset();
    m_slideShow.reset();
    m_externalPlayer.reset();
    m_clipPlayer.reset();
    m_webPages.reset();
    m_flashMovies.reset();
    delete m_flash;
    delete m_capture;
    delete m_clip;
    delete m_titles;
    delete m_web;
}

ContentPlayers& PlayersModule::players()
{
    return *m_registry;
}

void PlayersModule::armTimers()
{
    m_rss->armAtStartup();
}

void PlayersModule::registerCommands()
{
    ControlServer& c = m_services.control;
    // The caller learns how the read ended: the command waits for it (the strip and the timers
    // go on meanwhile), and a feed that could not be read fails with the message shown.
    c.addCommand(QStringLiteral("rss read"), [this](const QString&) {
        QEventLoop wait;
        bool applied = false;
        const auto finished =
            QObject::connect(m_rss.get(), &RssFeed::readFinished, &wait, [&](bool ok) {
                applied = ok;
                wait.quit();
            });
        QTimer::singleShot(90'000, &wait, &QEventLoop::quit);
        m_rss->SCButton12Click();
        wait.exec(QEventLoop::ExcludeUserInputEvents);
        QObject::disconnect(finished);
        if (!applied)
            throw Failure(QStringLiteral("the feed was not read: %1").arg(m_rss->shownAddress()));
        return QStringLiteral("read %1 lines").arg(m_rss->feedLines());
    });
    c.addStatus(QStringLiteral("rss"), [this] {
        return QJsonValue(QJsonObject{{QStringLiteral("last_address"), m_rss->shownAddress()},
                                      {QStringLiteral("lines"), qint64(m_rss->feedLines())},
                                      {QStringLiteral("reading"), m_rss->busy()}});
    });
}

// ---- Flash movies and web pages ----

void PlayersModule::createFlashAndWeb()
{
    const Services& s = m_services;
    // Without its window (its creation failed) the Flash player drives one that is never shown.
    if (!m_flash)
        m_flash = new FlashWindow(QString(), nullptr);
    m_flashMovies = std::make_unique<FlashPlayer>(s.settings, s.log, s.clock, m_flash->surface());
    m_webPages =
        std::make_unique<WebPlayer>(s.settings, s.log, s.clock, s.timers, m_web->surface());
    m_flashWebPages =
        new FlashWebPages(s.window, s.notifier, s.settings, *m_flashMovies, *m_webPages);
}

void PlayersModule::registerFlashAndWebCommands()
{
    ControlServer& c = m_services.control;
    FlashPlayer& flash = *m_flashMovies;
    WebPlayer& web = *m_webPages;
    auto command = [&c](const char* verb, std::function<void()> body) {
        c.addCommand(QString::fromLatin1(verb), [body](const QString&) {
            body();
            return QString();
        });
    };
    command("flash start", [&flash] { flash.SCButton88Click(); });
    command("flash stop", [&flash] { flash.SCButton83Click(); });
    command("flash play", [&flash] { flash.SCButton86Click(); });
    command("web show", [&web] { web.SCButton11Click(); });
    command("web hide", [&web] { web.SCButton65Click(); });
    command("web test", [&web] { web.SCButton80Click(); });
    command("web preview", [this] { m_flashWebPages->SCButton15Click(); });
    c.addStatus(QStringLiteral("players"), [this] {
        QJsonObject players;
        addFlashAndWebStatus(players);
        return QJsonValue(players);
    });
}

void PlayersModule::addFlashAndWebStatus(QJsonObject& players) const
{
    players.insert(QStringLiteral("flash"),
                   QJsonObject{{QStringLiteral("visible"), m_flashMovies->visible()},
                               {QStringLiteral("movie"), m_flashMovies->movie()}});
    players.insert(QStringLiteral("web"),
                   QJsonObject{{QStringLiteral("visible"), m_webPages->visible()},
                               {QStringLiteral("parked"), m_webPages->parked()},
                               {QStringLiteral("address"), m_webPages->address()},
                               {QStringLiteral("titles"), m_webPages->titles()},
                               {QStringLiteral("loaded"), m_webPages->loaded()}});
}

}  // namespace velumo
