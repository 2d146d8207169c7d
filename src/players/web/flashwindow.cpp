#include "flashwindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "base/guard.h"
#include "base/programfolder.h"
#include "players/web/browserpanel.h"

#ifndef VELUMO_RUFFLE_DIR
#define VELUMO_RUFFLE_DIR ""
#endif

namespace velumo {

namespace {

// How long Ruffle may take from a load to the movie's first picture before the movie counts
// as one it cannot play (a file that is no movie gives no event at all).
constexpr int kMovieLimitMs = 10'000;

// The host page: black, Ruffle configured so that none of its own screens appear, and a small
// protocol over console lines ("velumo:...") back to the window.
constexpr int kPresentDelayMs = 60;

QString hostPage()
{
    return QStringLiteral(R"html(<!DOCTYPE html>
<html><head><meta charset="utf-8">
<style>
html, body { margin: 0; width: 100%; height: 100%; background: #000; overflow: hidden; }
#stage { position: absolute; left: 0; top: 0; right: 0; bottom: 0; }
#stage > * { width: 100%; height: 100%; display: block; }
</style>
<script>
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = {
  publicPath: "./", polyfills: false, autoplay: "on", unmuteOverlay: "hidden",
  splashScreen: false, preloader: false, letterbox: "on", contextMenu: "off", menu: false,
  showSwfDownload: false, warnOnUnsupportedContent: false, allowFullscreen: false,
  openUrlMode: "deny", quality: "high", scale: "showAll", logLevel: "error"
};
</script>
<script src="ruffle.js"></script>
</head><body><div id="stage"></div>
<script>
let player = null, current = 0, limit = 0;
function say(text) { console.log("velumo:" + text); }
function unload() {
  clearTimeout(limit);
  if (player) { try { player.remove(); } catch (e) {} player = null; }
}
function fail(n, reason) {
  if (n !== current) return;
  unload();
  say("failed:" + n + ":" + reason);
}
function velumoLoad(url, n, limitMs) {
  unload();
  if (primer) { try { primer.remove(); } catch (e) {} primer = null; }
  current = n;
  if (!url) return;
  try {
    player = window.RufflePlayer.newest().createPlayer();
  } catch (e) { fail(n, "Ruffle did not start: " + e); return; }
  player.style.visibility = "hidden";
  player.addEventListener("loadedmetadata", () => {
    if (n !== current || !player) return;
    clearTimeout(limit);
    player.style.visibility = "visible";
    requestAnimationFrame(() => requestAnimationFrame(() => { if (n === current) say("playing:" + n); }));
  });
  player.addEventListener("panic", (e) => {
    fail(n, "Ruffle panic: " + (e && e.error ? e.error : "unknown error"));
  });
  player.addEventListener("error", (e) => { fail(n, "Ruffle error: " + (e && e.message || "unknown")); });
  document.getElementById("stage").appendChild(player);
  limit = setTimeout(() => fail(n, "no picture of the movie within " + limitMs / 1000 + " s (not a movie Ruffle can play)"), limitMs);
  try {
    const done = player.ruffle().load({ url: url });
    if (done && done.catch) done.catch((e) => fail(n, "Ruffle could not load the movie: " + e));
  } catch (e) { fail(n, "Ruffle could not load the movie: " + e); }
}
// Ruffle compiles its WebAssembly at its first movie: a movie of one black pixel, played out of
// sight, has that done before the first real one.
let primer = null;
function velumoPrime() {
  if (player || primer) return;
  const movie = Uint8Array.from(atob("RldTCiQAAACAAAAAoAAAAKAADAEARBEAAAAAQwIAAABAAAAA"), (c) => c.charCodeAt(0));
  try { primer = window.RufflePlayer.newest().createPlayer(); } catch (e) { return; }
  primer.style.visibility = "hidden";
  const done = () => { if (primer) { try { primer.remove(); } catch (e) {} primer = null; say("primed"); } };
  primer.addEventListener("loadedmetadata", done);
  primer.addEventListener("panic", done);
  document.getElementById("stage").appendChild(primer);
  try { const p = primer.ruffle().load({ data: movie }); if (p && p.catch) p.catch(done); } catch (e) { done(); }
}
function velumoPlay() { try { if (player) player.ruffle().resume(); } catch (e) { try { player.play(); } catch (f) {} } }
function velumoStop() { current = 0; unload(); }
say(window.RufflePlayer && window.RufflePlayer.newest ? "host-ready" : "host-failed:ruffle.js did not load");
</script></body></html>)html");
}

}  // namespace

class FlashWindow::Surface final : public FlashSurface {
public:
    explicit Surface(FlashWindow& window) : FlashSurface(&window), m_window(window) {}

    void setWindowRect(const QRect& rect) override { m_window.setGeometry(rect); }
    void loadMovie(const QString& file) override
    {
        ++m_window.m_movieNumber;
        // Black until the movie's first picture: a browser shown again after its window was
        // hidden puts up a white frame of its own before its page's next one.
        m_window.m_browser->cover();
        m_window.m_pendingMovie = file;
        m_window.m_loadPending = true;
        m_window.ensureHost();
        m_window.sendLoad();
    }
    void play() override
    {
        if (m_window.m_hostReady)
            m_window.m_browser->runScript(QStringLiteral("velumoPlay();"));
    }
    void stopMovie() override
    {
        m_window.m_loadPending = false;
        ++m_window.m_movieNumber;
        if (m_window.m_hostReady)
            m_window.m_browser->runScript(QStringLiteral("velumoStop();"));
    }
    void showWindow() override
    {
        m_window.show();
        m_window.raise();
    }
    void hideWindow() override { m_window.hide(); }
    bool windowVisible() const override { return m_window.isVisible(); }

    using FlashSurface::failed;
    using FlashSurface::playing;

private:
    FlashWindow& m_window;
};

FlashWindow::FlashWindow(QWidget* parent) : FlashWindow(defaultRuffleFolder(), parent) {}

FlashWindow::FlashWindow(const QString& ruffleFolder, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_ruffleFolder(ruffleFolder)
{
    setObjectName(QStringLiteral("TFormFlash"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    resize(300, 400);
    m_browser = new BrowserPanel(QStringLiteral("Flash1"), this);
    // Flash1 fills the window.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_surface = new Surface(*this);
    connectGuarded(m_browser, &BrowserPanel::pageMessage, this,
                   Origin::unattended(QStringLiteral("flashwindow")), &FlashWindow::onPageMessage);
    connectGuarded(m_browser, &BrowserPanel::failed, this,
                   Origin::unattended(QStringLiteral("flashwindow")),
                   [this](const QString& reason) {
                       m_hostRequested = false;
                       m_hostReady = false;
                       emit m_surface->failed(QStringLiteral("the movie page failed: ") + reason);
                   });
}

FlashWindow::~FlashWindow()
{
    delete m_browser;
    m_browser = nullptr;
}

FlashSurface& FlashWindow::surface()
{
    return *m_surface;
}

#ifndef VELUMO_RUFFLE_DIR
#define VELUMO_RUFFLE_DIR ""
#endif

QString FlashWindow::defaultRuffleFolder()
{
    return ProgramFolder::ruffleFolder(QCoreApplication::applicationDirPath(),
                                       QString::fromUtf8(VELUMO_RUFFLE_DIR));
}

void FlashWindow::prepareRuffle()
{
    if (m_ruffleFolder.isEmpty() ||
        !QFileInfo::exists(m_ruffleFolder + QStringLiteral("/ruffle.js")))
        return;
    m_primePending = true;
    ensureHost();
}

void FlashWindow::ensureHost()
{
    if (m_hostRequested)
        return;
    const QString script = m_ruffleFolder + QStringLiteral("/ruffle.js");
    if (m_ruffleFolder.isEmpty() || !QFileInfo::exists(script)) {
        m_loadPending = false;
        emit m_surface->failed(QStringLiteral("Ruffle is missing (no %1; tools/fetch-ruffle.sh "
                                              "fetches it)")
                                   .arg(script));
        return;
    }
    m_hostRequested = true;
    m_browser->loadHtml(hostPage(), QUrl::fromLocalFile(m_ruffleFolder + u'/'));
}

void FlashWindow::sendLoad()
{
    if (!m_hostReady || !m_loadPending)
        return;
    m_loadPending = false;
    const QString url =
        m_pendingMovie.isEmpty() ? QString() : QUrl::fromLocalFile(m_pendingMovie).toString();
    m_browser->runScript(
        QStringLiteral("velumoLoad(%1, %2, %3);")
            .arg(QString::fromUtf8(
                     QJsonDocument::fromVariant(QVariantList{url}).toJson(QJsonDocument::Compact))
                     .mid(1)
                     .chopped(1))
            .arg(m_movieNumber)
            .arg(kMovieLimitMs));
}

void FlashWindow::onPageMessage(const QString& text)
{
    if (text == u"host-ready") {
        m_hostReady = true;
        if (std::exchange(m_primePending, false) && !m_loadPending)
            m_browser->runScript(QStringLiteral("velumoPrime();"));
        sendLoad();
        return;
    }
    if (text.startsWith(u"host-failed:")) {
        m_hostRequested = false;
        m_loadPending = false;
        emit m_surface->failed(QStringLiteral("Ruffle did not start: ") + text.mid(12));
        return;
    }
    const QStringList parts = text.split(u':');
    if (parts.size() < 2 || parts[1].toInt() != m_movieNumber)
        return;
    if (parts[0] == u"playing") {
        // The page's frame reaches the window a little after the page has drawn it.
        const int number = m_movieNumber;
        singleShotGuarded(kPresentDelayMs, this, Origin::unattended(QStringLiteral("flashplayer")),
                          [this, number] {
                              if (number != m_movieNumber)
                                  return;
                              m_browser->uncover();
                              emit m_surface->playing();
                          });
    } else if (parts[0] == u"failed") {
        emit m_surface->failed(parts.mid(2).join(u':'));
    }
}

}  // namespace velumo
