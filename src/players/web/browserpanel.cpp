#include "browserpanel.h"

#include <signal.h>
#include <QLabel>
#include <QResizeEvent>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <utility>

#include "base/guard.h"
#include "players/web/webengine.h"

namespace velumo {

namespace {

const QString kMark = QStringLiteral("velumo:");

// A frame reaches the widget a little after the page has drawn it.
constexpr int kPresentDelayMs = 60;

QString reasonOf(const QWebEngineLoadingInfo& info)
{
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
        return QStringLiteral("HTTP %1").arg(info.errorCode());
    const QString text = info.errorString();
    return text.isEmpty() ? QStringLiteral("the page did not load") : text;
}

QString endOf(QWebEnginePage::RenderProcessTerminationStatus status)
{
    switch (status) {
        case QWebEnginePage::CrashedTerminationStatus:
            return QStringLiteral("crashed");
        case QWebEnginePage::KilledTerminationStatus:
            return QStringLiteral("killed");
        default:
            return QStringLiteral("ended abnormally");
    }
}

}  // namespace

// Hands the page scripts' marked console lines to the panel.
class BrowserPage final : public QWebEnginePage {
public:
    BrowserPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}
    std::function<void(const QString&)> onMessage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override
    {
        // The page's own console, for finding out why a page or a movie misbehaves.
        if (qEnvironmentVariableIsSet("VELUMO_WEB_CONSOLE"))
            qWarning("web console: %s", qPrintable(message));
        if (message.startsWith(kMark) && onMessage)
            onMessage(message.mid(kMark.size()));
    }
};

BrowserPanel::BrowserPanel(const QString& browserName, QWidget* parent)
    : QWidget(parent), m_browserName(browserName)
{
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    m_cover = new QLabel(this);
    m_cover->setObjectName(browserName + QStringLiteral("Cover"));
    m_cover->setAutoFillBackground(true);
    m_cover->setPalette(black);
    m_cover->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_cover->setGeometry(rect());
}

BrowserPanel::~BrowserPanel()
{
    // Views go before their pages, pages before their profile.
    retireView();
    qDeleteAll(m_retired);
    delete m_profile;
}

void BrowserPanel::retireView()
{
    if (!m_view)
        return;
    // What the old page says on its way out is no news of the panel. It goes with its view in
    // a later turn of the event loop, as its teardown takes a few milliseconds.
    QWebEngineView* view = std::exchange(m_view, nullptr);
    BrowserPage* page = std::exchange(m_page, nullptr);
    view->hide();
    page->setParent(view);
    view->deleteLater();
    m_retired.removeIf([](const QPointer<QWebEngineView>& v) { return v.isNull(); });
    m_retired.append(view);
}

void BrowserPanel::ensureView()
{
    if (m_view && !m_rendererGone)
        return;
    // A browser whose renderer ended is not used again.
    retireView();
    m_rendererGone = false;
    m_recycling = false;
    if (!m_profile) {
        chooseWebCompositing();
        // Memory only: no stale page from a disk cache, nothing written.
        m_profile = new QWebEngineProfile(this);
        m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        yieldBrowserProcesses();
    }
    BrowserPage* page = new BrowserPage(m_profile, this);
    m_page = page;
    m_page->onMessage = [this, page](const QString& text) {
        if (page != m_page)
            return;
        if (text.startsWith(QStringLiteral("painted:")))
            onPaintedMark(text);
        else
            emit pageMessage(text);
    };
    QWebEngineSettings* s = m_page->settings();
    s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    m_view = new QWebEngineView(this);
    m_view->setObjectName(m_browserName);
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->setGeometry(rect());
    m_view->show();
    m_cover->raise();
    // A load that is stopped (a new one replaces it, or it hung) reports nothing.
    connectGuarded(m_page, &QWebEnginePage::loadingChanged, this,
                   Origin::unattended(QStringLiteral("browserpanel")),
                   [this, page](const QWebEngineLoadingInfo& info) {
                       if (page != m_page)
                           return;
                       if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                           onLoadFinished(false, reasonOf(info));
                       else if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
                           onLoadFinished(true, QString());
                   });
    // Each new renderer yields the processor to the strip.
    connectGuarded(m_page, &QWebEnginePage::renderProcessPidChanged, this,
                   Origin::unattended(QStringLiteral("browserpanel")), [](qint64 pid) {
                       if (pid > 0)
                           yieldBrowserProcesses(pid);
                   });
    connectGuarded(m_page, &QWebEnginePage::renderProcessTerminated, this,
                   Origin::unattended(QStringLiteral("browserpanel")),
                   [this, page](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                       if (page != m_page || status == QWebEnginePage::NormalTerminationStatus)
                           return;
                       if (std::exchange(m_recycling, false)) {
                           // Ended on purpose: the same browser loads the page in a new one
                           // (stopped meanwhile: the next load makes a new browser).
                           if (m_loading)
                               loadSource();
                           else
                               m_rendererGone = true;
                           return;
                       }
                       m_rendererGone = true;
                       showCover(m_lastGood);
                       m_loading = false;
                       m_good = false;
                       emit failed(QStringLiteral("the page renderer ended: %1 (code %2)")
                                       .arg(endOf(status))
                                       .arg(code));
                   });
}

void BrowserPanel::beginLoad(bool keepPicture)
{
    ensureView();
    // A reload keeps the picture taken when the page last painted: a second grab here would
    // cost the strip another frame's worth of the user-interface thread at every refresh.
    if (!keepPicture)
        m_lastGood = QPixmap();
    showCover(m_lastGood);
    m_good = false;
    m_loading = true;
    ++m_loadNumber;
}

void BrowserPanel::load(const QUrl& url)
{
    m_url = url;
    m_html.clear();
    m_fromHtml = false;
    beginLoad(false);
    loadSource();
}

void BrowserPanel::loadHtml(const QString& html, const QUrl& baseUrl)
{
    m_url = baseUrl;
    m_html = html;
    m_fromHtml = true;
    beginLoad(false);
    loadSource();
}

void BrowserPanel::loadSource()
{
    if (m_fromHtml)
        m_view->setHtml(m_html, m_url);
    else
        m_view->load(m_url);
}

void BrowserPanel::reload()
{
    if (!m_view)
        return;
    // A browser whose renderer ended is replaced by a new one, which loads the page anew.
    const bool gone = m_rendererGone;
    beginLoad(true);
    if (gone)
        loadSource();
    else
        m_view->reload();
}

void BrowserPanel::recycle()
{
    if (!m_view)
        return;
    if (m_rendererGone) {
        reload();
        return;
    }
    // The cover goes up with the last picture, the renderer is ended and the same browser
    // loads the page again in a new one (see renderProcessTerminated above). A new browser would
    // hold the user-interface thread while its page is made, at its first load: tens of
    // milliseconds in one piece, at about every other recycle more than the strip's frame
    // allows; a reload after the renderer has gone takes a few.
    const qint64 pid = m_page->renderProcessPid();
    beginLoad(true);
    if (pid > 0 && ::kill(pid_t(pid), SIGKILL) == 0) {
        m_recycling = true;
        return;
    }
    // No renderer to end: a new browser in the next turn of the event loop.
    const int number = m_loadNumber;
    singleShotGuarded(0, this, Origin::unattended(QStringLiteral("webplayer")), [this, number] {
        if (!m_loading || number != m_loadNumber)
            return;
        retireView();
        ensureView();
        loadSource();
    });
}

void BrowserPanel::prepare()
{
    ensureView();
    // The page makes its web contents at its first use, which would be the first load (some
    // 15 ms of the user-interface thread); an empty script is such a use, and loads nothing.
    m_page->runJavaScript(QString());
}

qint64 BrowserPanel::rendererPid() const
{
    return m_page && !m_rendererGone ? m_page->renderProcessPid() : 0;
}

void BrowserPanel::stopLoading()
{
    m_loading = false;
    if (m_view)
        m_view->stop();
}

void BrowserPanel::cover()
{
    showCover(QPixmap());
}

void BrowserPanel::uncover()
{
    if (!m_loading)
        m_cover->hide();
}

void BrowserPanel::showCover(const QPixmap& picture)
{
    m_cover->setPixmap(picture);
    m_cover->show();
    m_cover->raise();
}

void BrowserPanel::runScript(const QString& script)
{
    ensureView();
    m_page->runJavaScript(script, QWebEngineScript::MainWorld);
}

void BrowserPanel::onLoadFinished(bool ok, const QString& reason)
{
    if (!m_loading)
        return;
    if (!ok) {
        m_loading = false;
        emit failed(reason);
        return;
    }
    // Painted once two frames have gone by; the script's own world keeps the page's scripts
    // from standing in its way.
    m_page->runJavaScript(QStringLiteral("requestAnimationFrame(() => requestAnimationFrame(() => "
                                         "console.log('velumo:painted:%1')));")
                              .arg(m_loadNumber),
                          QWebEngineScript::ApplicationWorld);
}

void BrowserPanel::onPaintedMark(const QString& text)
{
    if (!m_loading || text != QStringLiteral("painted:%1").arg(m_loadNumber))
        return;
    const int number = m_loadNumber;
    singleShotGuarded(kPresentDelayMs, this, Origin::unattended(QStringLiteral("webplayer")),
                      [this, number] {
                          if (!m_loading || number != m_loadNumber)
                              return;
                          m_loading = false;
                          m_good = true;
                          m_cover->hide();
                          // Shown during the next reload, and when the renderer ends.
                          m_lastGood = m_view->grab();
                          emit painted();
                      });
}

void BrowserPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_cover->setGeometry(rect());
    if (m_view)
        m_view->setGeometry(rect());
}

}  // namespace velumo
