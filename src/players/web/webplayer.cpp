#include "webplayer.h"

#include <algorithm>
#include <utility>

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "players/contentkind.h"
#include "players/playerplacement.h"
#include "players/web/websurface.h"

namespace velumo {

WebPlayer::WebPlayer(Settings& settings, EventLog& log, const Clock& clock, TimerFactory& timers,
                     WebSurface& surface, Limits limits)
    : m_settings(settings),
      m_log(log),
      m_clock(clock),
      m_surface(surface),
      m_limits(limits),
      m_crawl(timers.create(QStringLiteral("Timer4"), true)),
      m_refresh(timers.create(QStringLiteral("InetTimer"))),
      m_retry(timers.create(QStringLiteral("WebRetry")))
{
    m_crawl->setHandler([this] { Timer4Timer(); });
    m_refresh->setInterval(60'000);
    m_refresh->setHandler([this] { InetTimerTimer(); });
    m_retry->setHandler([this] {
        m_retry->stop();
        if (!m_surface.windowVisible())
            return;
        ++m_retries;
        for (int panel = 0; panel < WebSurface::kPanels; ++panel)
            if (m_panels[panel].navigated && !m_panels[panel].loaded && !m_panels[panel].loading)
                reload(panel);
    });
    for (int panel = 0; panel < WebSurface::kPanels; ++panel) {
        Panel& p = m_panels[panel];
        p.timeout = timers.create(QStringLiteral("WebLoadLimit%1").arg(panel + 1));
        p.timeout->setInterval(m_limits.loadTimeoutMs);
        p.timeout->setHandler([this, panel] {
            m_panels[panel].timeout->stop();
            m_surface.stopLoading(panel);
            onFailed(panel, QStringLiteral("no answer within %1 s")
                                .arg(m_limits.loadTimeoutMs / 1000.0, 0, 'g', 3));
        });
    }
    connectGuarded(&m_surface, &WebSurface::painted, this,
                   Origin::unattended(QStringLiteral("webplayer")), &WebPlayer::onPainted);
    connectGuarded(&m_surface, &WebSurface::loadFailed, this,
                   Origin::unattended(QStringLiteral("webplayer")), &WebPlayer::onFailed);
    // The refresh follows its box and period, also as the settings file sets them.
    connectGuarded(&m_settings, &Settings::changed, this,
                   Origin::byOperator(QStringLiteral("webplayer")), [this](const QString& name) {
                       if (name == QLatin1String(key::SCCheckBox10))
                           SCCheckBox10Click();
                       else if (name == QLatin1String(key::SpinEdit37))
                           SpinEdit37Click();
                   });
    SpinEdit37Click();
    SCCheckBox10Click();
}

WebPlayer::~WebPlayer() = default;

void WebPlayer::start(const PlayerRequest& request)
{
    showSite(request.target, request.rect, true, request.slot);
}

void WebPlayer::stop()
{
    HideWebWindow();
}

void WebPlayer::showAgain()
{
    m_surface.setWindowRect(m_rect);
    m_surface.showWindow();
    m_parked = false;
}

void WebPlayer::startwww(const QString& slot)
{
    const QString address = m_settings.text(QStringLiteral("SCEdit1w") + slot);
    showSite(address, playerplacement::rect(m_settings, kinds::kWeb), false, slot);
}

void WebPlayer::SCButton11Click()
{
    showSite(m_settings.text(key::SCEdit36), playerplacement::rect(m_settings, kinds::kWeb), false,
             QString());
}

void WebPlayer::SCButton65Click()
{
    clearByHand();
    m_surface.hideWindow();
    m_parked = false;
}

void WebPlayer::SCButton80Click()
{
    startwww(QString::number(m_settings.spin(key::SpinEdit40)));
}

void WebPlayer::SCCheckBox10Click()
{
    m_refresh->setEnabled(m_settings.checked(key::SCCheckBox10));
}

void WebPlayer::SpinEdit37Click()
{
    m_refresh->setInterval(qint64(m_settings.spin(key::SpinEdit37)) * 60'000);
}

void WebPlayer::HideWebWindow()
{
    const QRect rect = m_surface.windowRect();
    m_surface.moveWindowTop(-(rect.height() + 40));
    m_parked = true;
    clearByHand();
}

void WebPlayer::prepareWindow()
{
    const QRect rect = playerplacement::rect(m_settings, kinds::kWeb);
    m_surface.setWindowRect(rect);
    m_surface.setPanels(rect.width(), m_settings.integer(key::SCEdit74));
}

void WebPlayer::showSite(const QString& address, const QRect& rect, bool fromDispatcher,
                         const QString& slot)
{
    m_address = address;
    m_slot = slot;
    m_rect = rect;
    m_fromDispatcher = fromDispatcher;
    m_failedOnAir = false;
    m_retries = 0;
    if (fromDispatcher) {
        clearByHand();
    } else {
        write(QStringLiteral("started ") + subject());
        showByHand(slot, address);
    }
    m_surface.setWindowRect(rect);
    m_parked = false;
    m_panelHeightPx = m_settings.integer(key::SCEdit74);
    m_surface.setPanels(rect.width(), m_panelHeightPx);
    m_offsetPx = 0;
    m_surface.setCrawlOffset(0);
    m_firstPictureDue = true;
    if (!m_settings.checked(key::SCCheckbox11)) {
        m_crawl->stop();
    } else {
        // A slow-down of 0 gives the timer no interval: the page stands still.
        const qint64 intervalMs = qint64(m_settings.spin(key::SpinEdit12)) * 50;
        m_crawl->setInterval(intervalMs);
        m_crawl->setEnabled(intervalMs > 0);
        navigate(1);
    }
    navigate(0);
    m_surface.showWindow();
}

void WebPlayer::navigate(int panel)
{
    Panel& p = m_panels[panel];
    p.navigated = true;
    p.loaded = false;
    // Another page, another baseline.
    p.baselineKb = -1;
    if (m_address.trimmed().isEmpty()) {
        // The window is shown all the same, black.
        m_surface.navigate(panel, QString());
        p.loading = false;
        p.timeout->stop();
        if (panel == 0) {
            m_firstPictureDue = false;
            onFailed(panel, QStringLiteral("no address"));
        }
        return;
    }
    beginLoad(panel);
    m_surface.navigate(panel, m_address);
}

void WebPlayer::reload(int panel)
{
    if (!m_panels[panel].navigated || m_address.trimmed().isEmpty())
        return;
    if (recycleIfGrown(panel))
        return;
    beginLoad(panel);
    m_surface.reload(panel);
}

bool WebPlayer::recycleIfGrown(int panel)
{
    Panel& p = m_panels[panel];
    if (m_limits.rendererGrowth <= 0 || p.baselineKb <= 0)
        return false;
    const WebSurface::Renderer renderer = m_surface.renderer(panel);
    if (renderer.pid != p.rendererPid) {
        // Another renderer took the page over (the browser made one): its own first picture
        // gives the next baseline.
        p.baselineKb = -1;
        return false;
    }
    if (renderer.memoryKb <= m_limits.rendererGrowth * double(p.baselineKb))
        return false;
    write(QStringLiteral("renderer recycled %1: %2 %3 MB, %4 MB at its first picture")
              .arg(subject(), panel == 0 ? QStringLiteral("wb") : QStringLiteral("WB2"))
              .arg(double(renderer.memoryKb) / 1024, 0, 'f', 1)
              .arg(double(p.baselineKb) / 1024, 0, 'f', 1));
    p.baselineKb = -1;
    beginLoad(panel);
    m_surface.recycle(panel);
    return true;
}

void WebPlayer::beginLoad(int panel)
{
    Panel& p = m_panels[panel];
    p.loading = true;
    p.loadStartMs = m_clock.monotonicMs();
    p.timeout->start();
}

void WebPlayer::Timer4Timer()
{
    // Panel 1 stands directly below panel 0; once it reaches the window's top edge both go
    // back, and as both show the same page the text crawls on without a seam.
    m_offsetPx += m_settings.spin(key::SpinEdit36);
    if (m_panelHeightPx - m_offsetPx < 1)
        m_offsetPx = 0;
    m_surface.setCrawlOffset(m_offsetPx);
}

void WebPlayer::InetTimerTimer()
{
    // A parked window is still visible, so it is refreshed; errors are not reported.
    if (!m_surface.windowVisible())
        return;
    m_retry->stop();
    reload(0);
    reload(1);
}

bool WebPlayer::visible() const
{
    return m_surface.windowVisible();
}

bool WebPlayer::titles() const
{
    return m_crawl->isActive();
}

void WebPlayer::onPainted(int panel)
{
    Panel& p = m_panels[panel];
    if (!p.loading)
        return;
    p.loading = false;
    p.loaded = true;
    p.timeout->stop();
    const WebSurface::Renderer renderer = m_surface.renderer(panel);
    if (p.baselineKb < 0 || renderer.pid != p.rendererPid) {
        p.rendererPid = renderer.pid;
        p.baselineKb = renderer.memoryKb;
    }
    if (panel != 0)
        return;
    m_retries = 0;
    const bool first = std::exchange(m_firstPictureDue, false);
    if (first)
        write(QStringLiteral("first picture after %1 ms: %2")
                  .arg(m_clock.monotonicMs() - p.loadStartMs)
                  .arg(subject()));
    if (!m_fromDispatcher) {
        // A page by hand that failed has loaded at a later try, where it still stands.
        if (!byHand() && !m_parked && m_surface.windowVisible())
            showByHand(m_slot, m_address);
        return;
    }
    // A failure took the page off the screen: the registry brings it back.
    if (std::exchange(m_failedOnAir, false))
        emit recovered();
    else if (first)
        emit onScreen();
}

void WebPlayer::onFailed(int panel, const QString& reason)
{
    Panel& p = m_panels[panel];
    const bool wasLoading = p.loading;
    p.loading = false;
    p.loaded = false;
    p.timeout->stop();
    if (!m_address.trimmed().isEmpty() && (wasLoading || p.navigated))
        armRetry();
    // Only wb's failures speak for the page; WB2 shows the same one.
    if (panel != 0)
        return;
    // The first picture of a later try is still this start's first.
    if (m_fromDispatcher) {
        m_failedOnAir = true;
        emit failed(reason);
    } else {
        write(QStringLiteral("failed ") + subject() + QStringLiteral(": ") + reason);
        clearByHand();
    }
}

void WebPlayer::armRetry()
{
    // With the refresh on, the next refresh tries again.
    if (m_refresh->isActive() || m_retry->isActive())
        return;
    // One retry time apart for the first three tries; then the wait doubles, up to the longest.
    constexpr int kEvenTries = 3;
    qint64 waitMs = m_limits.retryMs;
    for (int i = kEvenTries; i <= m_retries && waitMs < m_limits.longestRetryMs; ++i)
        waitMs *= 2;
    m_retry->setInterval(std::min(waitMs, std::max(m_limits.retryMs, m_limits.longestRetryMs)));
    m_retry->start();
}

QString WebPlayer::subject() const
{
    QString text = QChar(kinds::kWeb);
    if (!m_slot.isEmpty())
        text += u' ' + m_slot;
    if (!m_address.isEmpty())
        text += u' ' + m_address;
    return text;
}

void WebPlayer::write(const QString& text)
{
    m_log.write(QStringLiteral("player"), text);
}

}  // namespace velumo
