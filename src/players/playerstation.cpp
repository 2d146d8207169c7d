#include "playerstation.h"

#include <QJsonArray>
#include <QJsonObject>
#include <utility>

#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "players/capture/cameracapturebackend.h"
#include "players/capture/captureplayer.h"
#include "players/capture/capturewindow.h"
#include "players/clip/clipcontrol.h"
#include "players/clip/clipplayer.h"
#include "players/clip/clipspage.h"
#include "players/clip/clipstart.h"
#include "players/clip/clipwindow.h"
#include "players/clip/externalplayer.h"
#include "players/clip/mediaclipengine.h"
#include "players/contentkind.h"
#include "players/placeholderplayer.h"
#include "players/playerregistry.h"
#include "players/slides/presentationconverter.h"
#include "players/slides/slideshowcontrol.h"
#include "players/slides/slideshowpage.h"
#include "players/slides/slideshowplayer.h"
#include "players/slides/slideshowprefetch.h"
#include "players/slides/slideshowwindow.h"
#include "players/titleswindow.h"
#include "players/web/browserpanel.h"
#include "players/web/flashplayer.h"
#include "players/web/flashwebpages.h"
#include "players/web/flashwindow.h"
#include "players/web/webengine.h"
#include "players/web/webplayer.h"
#include "players/web/webwindow.h"

namespace velumo {

namespace {

// A kind's member of the status's "players".
QString statusMember(char16_t letter)
{
    return QString::fromLatin1(ContentKind::of(letter).statusMember);
}

}  // namespace

PlayerStation::PlayerStation(const PlayerStationParts& parts) : m_parts(parts)
{
    const PlayerStationParts& services = m_parts;
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

    m_clipEngine = std::make_unique<MediaClipEngine>(*m_clip);
    m_clipPlayer = std::make_unique<ClipPlayer>(*m_clipEngine, services.settings, services.notifier,
                                                services.log, services.timers, services.folder);
    m_externalPlayer = std::make_unique<ExternalPlayer>(
        services.settings, services.log, services.timers,
        ControlServer::serverName(services.folder) + QStringLiteral(".mpv"));
    m_captureBackend = std::make_unique<CameraCaptureBackend>(*m_capture);
    m_capturePlayer = std::make_unique<CapturePlayer>(
        *m_captureBackend, services.settings, services.broadcast, services.log, services.timers);
    createSlideShow();
    createFlashAndWeb();
    m_registry = std::make_unique<PlayerRegistry>(
        services.log, PlayerSet{{kinds::kClip, m_clipPlayer.get()},
                                {kinds::kExternal, m_externalPlayer.get()},
                                {kinds::kSlideShow, m_slidePlayer.get()},
                                {kinds::kFlash, m_flashMovies.get()},
                                {kinds::kWeb, m_webPages.get()},
                                {kinds::kCapture, m_capturePlayer.get()}});
    // Content that fails, once an entry: the operator who started it (a button, a command) is
    // told as by any failure; on air nobody is there, so the status line and the tray learn of
    // it (the player's "failed" event is its record in velumo.log) and no box comes up.
    connectGuarded(m_registry.get(), &PlayerRegistry::contentFailed, m_registry.get(),
                   Origin::unattended(QStringLiteral("players")),
                   [this](QChar letter, const QString& reason) {
                       const QString text = QString(letter) + QStringLiteral(": ") + reason;
                       const Origin origin = Origin::current();
                       if (origin.isUnattended())
                           m_parts.notifier.unattendedFailure(QString(letter), text);
                       else
                           m_parts.notifier.errorReport(text, origin);
                   });
    // The test group and the panel work on the player the k and b starts chose.
    m_clipControl = std::make_unique<ClipControl>(services.settings, *m_clipPlayer,
                                                  *m_externalPlayer, m_registry->playerChoice());
    m_clipStart = std::make_unique<ClipStart>(services.settings, *m_registry, services.resolveClip);
    m_clipsPage = new ClipsPage(services.window, services.notifier, services.settings,
                                *m_clipControl, *m_externalPlayer, *m_capturePlayer);
    setUpSlideShows();
    registerCommands();
    registerFlashAndWebCommands();
}

PlayerStation::~PlayerStation()
{
    // The clip control and the clip commands work on the registry and its player choice.
    m_clipStart.reset();
    m_clipControl.reset();
    m_registry.reset();
    m_capturePlayer.reset();
    m_captureBackend.reset();
    m_externalPlayer.reset();
    m_clipPlayer.reset();
    m_clipEngine.reset();
    m_webPages.reset();
    m_flashMovies.reset();
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

ContentPlayers& PlayerStation::players()
{
    return *m_registry;
}

void PlayerStation::createSlideShow()
{
    const PlayerStationParts& s = m_parts;
    m_converter =
        std::make_unique<PresentationConverter>(s.folder + QStringLiteral("/slides.cache"));
    m_slideWindow = std::make_unique<SlideShowWindow>();
    m_slidePlayer = std::make_unique<SlideShowPlayer>(s.settings, s.notifier, s.log, s.timers,
                                                      *m_converter, *m_slideWindow, s.folder);
}

void PlayerStation::setUpSlideShows()
{
    const PlayerStationParts& s = m_parts;
    m_slideControl =
        std::make_unique<SlideShowControl>(s.settings, s.notifier, *m_slidePlayer, *m_registry);
    new SlideShowPage(s.window, s.notifier, s.settings, *m_slideControl, *m_slidePlayer);
    // The slot files are converted ahead once the stored settings name them.
    m_slidePrefetch =
        std::make_unique<SlideShowPrefetch>(s.settings, *m_converter, s.log, s.timers, s.folder);

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
}

void PlayerStation::warmUp(bool browsers, bool movies)
{
    // Once a run: the start-up and the dispatcher's first start may both ask.
    if (browsers && !std::exchange(m_browsersWarm, true)) {
        warmUpWebEngine(m_web);
        m_parts.log.write(QStringLiteral("web"),
                          QStringLiteral("pages composed ") + chooseWebCompositing());
        // The first browser of the web window and the movie's browser are made now too: making
        // a browser holds the user-interface thread for about a tenth of a second.
        m_web->browser(0).prepare();
        m_flash->browser().prepare();
        // Their windows' native windows too (made at the first show otherwise), the web window
        // at the size it will have.
        m_webPages->prepareWindow();
        m_web->winId();
        m_flash->winId();
    }
    if (movies && !std::exchange(m_moviesWarm, true))
        m_flash->prepareRuffle();
}

void PlayerStation::registerCommands()
{
    ControlServer& c = m_parts.control;
    auto command = [&c](const char* verb, std::function<void()> body) {
        c.addCommand(QString::fromLatin1(verb), [body](const QString&) {
            body();
            return QString();
        });
    };
    ClipControl& clips = *m_clipControl;
    CapturePlayer& capture = *m_capturePlayer;
    command("clip test", [&clips] { clips.SCButton27Click(); });
    command("clip pause", [&clips] { clips.SCButton30Click(); });
    command("clip play", [&clips] { clips.SCButton31Click(); });
    command("clip close", [&clips] { clips.SCButton32Click(); });
    command("clip restart", [&clips] { clips.SCButton74Click(); });
    command("capture start", [&capture] { capture.SCButton63Click(); });
    command("capture stop", [&capture] { capture.SCButton26Click(); });
    // The panel's own: the window and the device only, no mute and no placing.
    command("panel capture-start", [&capture] { capture.panelStart(); });
    command("panel capture-stop", [&capture] { capture.panelStop(); });
    // The button's operation: the page's list refilled, the devices in the reply.
    c.addCommand(QStringLiteral("capture devices"), [this](const QString&) {
        m_clipsPage->fillDevices();
        return m_capturePlayer->devices().join(u'\n');
    });
    c.addStatus(QStringLiteral("players"), [this] {
        const ClipPlayer& clip = *m_clipPlayer;
        const ExternalPlayer& external = *m_externalPlayer;
        const CapturePlayer& capture = *m_capturePlayer;
        QJsonObject players{
            {statusMember(kinds::kClip),
             QJsonObject{{QStringLiteral("choice"), m_clipControl->PlayerChoice()},
                         {QStringLiteral("playing"), clip.playing()},
                         {QStringLiteral("parked"), clip.ClipParked()},
                         {QStringLiteral("file"), clip.file()},
                         {QStringLiteral("position_ms"), clip.positionMs()}}},
            {statusMember(kinds::kExternal),
             QJsonObject{{QStringLiteral("running"), external.running()},
                         {QStringLiteral("file"), external.file()},
                         {QStringLiteral("paused"), external.paused()}}},
            {statusMember(kinds::kCapture),
             QJsonObject{
                 {QStringLiteral("active"), capture.active()},
                 {QStringLiteral("device"), capture.device()},
                 {QStringLiteral("devices"), QJsonArray::fromStringList(capture.devices())}}},
            {statusMember(kinds::kSlideShow), m_slidePlayer->status()},
        };
        // The letters whose running entry failed (their windows are off the screen).
        const QString failed = ContentKind::letters(
            [this](const ContentKind& kind) { return m_registry->failed(kind.qLetter()); });
        players.insert(QStringLiteral("failed"), failed);
        addFlashAndWebStatus(players);
        return QJsonValue(players);
    });
}

// ---- Flash movies and web pages ----

void PlayerStation::createFlashAndWeb()
{
    const PlayerStationParts& s = m_parts;
    // Without its window (its creation failed) the Flash player drives one that is never shown.
    if (!m_flash)
        m_flash = new FlashWindow(QString(), nullptr);
    m_flashMovies = std::make_unique<FlashPlayer>(s.settings, s.log, s.clock, m_flash->surface());
    m_webPages =
        std::make_unique<WebPlayer>(s.settings, s.log, s.clock, s.timers, m_web->surface());
    m_flashWebPages =
        new FlashWebPages(s.window, s.notifier, s.settings, *m_flashMovies, *m_webPages);
}

void PlayerStation::registerFlashAndWebCommands()
{
    ControlServer& c = m_parts.control;
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
}

void PlayerStation::addFlashAndWebStatus(QJsonObject& players) const
{
    players.insert(statusMember(kinds::kFlash),
                   QJsonObject{{QStringLiteral("visible"), m_flashMovies->visible()},
                               {QStringLiteral("movie"), m_flashMovies->movie()}});
    players.insert(statusMember(kinds::kWeb),
                   QJsonObject{{QStringLiteral("visible"), m_webPages->visible()},
                               {QStringLiteral("parked"), m_webPages->parked()},
                               {QStringLiteral("address"), m_webPages->address()},
                               {QStringLiteral("titles"), m_webPages->titles()},
                               {QStringLiteral("loaded"), m_webPages->loaded()}});
}

}  // namespace velumo
