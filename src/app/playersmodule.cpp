#include "playersmodule.h"

#include <QEventLoop>
#include <QJsonObject>
#include <QTimer>

#include "base/controlchannel.h"
#include "base/failure.h"
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
                                      {QStringLiteral("reading"), m_rss->busy()},
                                      {QStringLiteral("progress"), m_rss->activity().toJson()}});
    });
}

}  // namespace velumo
