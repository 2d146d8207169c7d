#include "playersmodule.h"

#include <QEventLoop>
#include <QJsonObject>
#include <QTimer>

#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "players/capturewindow.h"
#include "players/clipwindow.h"
#include "players/flashwindow.h"
#include "players/placeholderplayer.h"
#include "players/playerregistry.h"
#include "players/presentationconverter.h"
#include "players/rssfeed.h"
#include "players/rsspage.h"
#include "players/slideshowcontrol.h"
#include "players/slideshowpage.h"
#include "players/slideshowplayer.h"
#include "players/slideshowprefetch.h"
#include "players/slideshowwindow.h"
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
    setUpSlideShows();
    registerCommands();
}

PlayersModule::~PlayersModule()
{
    m_registry.reset();
    m_slidePrefetch.reset();
    m_slideControl.reset();
    m_slidePlayer.reset();
    m_slideWindow.reset();
    m_converter.reset();
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

void PlayersModule::setUpSlideShows()
{
    const Services& s = m_services;
    m_converter =
        std::make_unique<PresentationConverter>(s.filePath(QStringLiteral("slides.cache")));
    m_slideWindow = std::make_unique<SlideShowWindow>();
    m_slidePlayer = std::make_unique<SlideShowPlayer>(s.settings, s.notifier, s.log, *m_converter,
                                                      *m_slideWindow, s.folder);
    // The kinds whose players are not built here only log.
    for (int i = 0; i < 5; ++i)
        m_placeholders.push_back(std::make_unique<PlaceholderPlayer>());
    m_registry = std::make_unique<PlayerRegistry>(
        s.log, PlayerSet{*m_placeholders[0], *m_placeholders[1], *m_slidePlayer, *m_placeholders[2],
                         *m_placeholders[3], *m_placeholders[4]});
    m_slideControl =
        std::make_unique<SlideShowControl>(s.settings, s.notifier, *m_slidePlayer, *m_registry);
    new SlideShowPage(s.window, s.notifier, s.settings, *m_slideControl, *m_slidePlayer);
    // The slot files are converted ahead once the stored settings name them.
    m_slidePrefetch =
        std::make_unique<SlideShowPrefetch>(s.settings, *m_converter, s.log, s.folder);

    ControlServer& c = s.control;
    SlideShowControl& control = *m_slideControl;
    c.addCommand(QStringLiteral("slides test"), [&control](const QString&) {
        control.SCButton18Click();
        return QString();
    });
    c.addCommand(QStringLiteral("slides direct"), [&control](const QString& argument) {
        const QString mode = argument.trimmed();
        if (mode == u"on")
            control.SCButton16Click();
        else if (mode == u"off")
            control.SCButton19Click();
        else
            throw Failure(QStringLiteral("slides direct takes on or off, not \"%1\"").arg(mode));
        return QString();
    });
    c.addStatus(QStringLiteral("players"), [this] {
        return QJsonValue(QJsonObject{{QStringLiteral("slides"), m_slidePlayer->status()}});
    });
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

}  // namespace velumo
