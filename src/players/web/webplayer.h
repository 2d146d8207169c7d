#pragma once

#include <QRect>
#include <QString>
#include <array>
#include <memory>

#include "players/contentplayer.h"

namespace velumo {

class Clock;
class EventLog;
class Settings;
class Timer;
class TimerFactory;
class WebSurface;

// Web pages (content letter w) in the web window: the dispatcher's start and stop, the buttons
// of the page "WWW", the titles crawl (Timer4) and the refresh (InetTimer).
//
// Beyond the window's own rules, a page never puts a browser's screen on air: a load that
// fails, or does not end within the load limit, leaves the panel with its last good picture
// (or black), writes a "player" event and is tried again at the next refresh or, with the
// refresh off, while the window is open: the first tries one retry time apart, later ones each
// after twice the wait before, up to the longest wait. A page of the dispatcher whose failure took
// it off the screen says it has recovered when a later try paints it (the registry then puts it
// back with showAgain()).
//
// A page renderer's memory is bounded over months of refreshes: its memory at the first
// picture of a page is the baseline, and a refresh that finds it grown past rendererGrowth
// times that loads the page in a new browser instead (recycled), a refresh like any other for
// the first picture, the load limit and the retries.
class WebPlayer final : public ContentPlayer {
    Q_OBJECT
public:
    struct Limits {
        qint64 loadTimeoutMs = 30'000;
        // On air a failed page is missed at once: its first tries come soon.
        qint64 retryMs = 15'000;
        // 0: never recycled.
        double rendererGrowth = 1.5;
        // The longest wait between two tries of a page that keeps failing.
        qint64 longestRetryMs = 300'000;
    };

    WebPlayer(Settings& settings, EventLog& log, const Clock& clock, TimerFactory& timers,
              WebSurface& surface, Limits limits);
    WebPlayer(Settings& settings, EventLog& log, const Clock& clock, TimerFactory& timers,
              WebSurface& surface)
        : WebPlayer(settings, log, clock, timers, surface, Limits{})
    {
    }
    ~WebPlayer() override;

    // The dispatcher's start: the request's address and rectangle (the handler has converted
    // the geometry fields).
    void start(const PlayerRequest& request) override;
    // HideWebWindow: above the screen, open, still refreshing.
    void stop() override;
    void park() override { stop(); }
    // The window back at the start's rectangle, its page as the last try painted it.
    void showAgain() override;

    // startwww: the address of "SCEdit1w" + slot.
    void startwww(const QString& slot);
    void SCButton11Click();  // the site of SCEdit36 (SCButton64 does the same)
    void SCButton65Click();  // "Закрыть сайт": hide the window
    void SCButton80Click();  // "Тест-Просмотр": startwww with SpinEdit40
    void SCCheckBox10Click();
    void SpinEdit37Click();
    void HideWebWindow();

    // The titles crawl and the refresh, as their timers run them.
    void Timer4Timer();
    void InetTimerTimer();

    bool visible() const;
    bool parked() const { return m_parked; }
    const QString& address() const { return m_address; }
    bool titles() const;
    // wb shows the page of the last start.
    bool loaded() const { return m_panels[0].loaded; }
    int crawlOffset() const { return m_offsetPx; }

    // The window and its pages at the size the settings give, nothing shown or loaded: done
    // before the strip is on air, the first page's frames come at their size.
    void prepareWindow();

private:
    struct Panel {
        bool navigated = false;
        bool loading = false;
        bool loaded = false;
        qint64 loadStartMs = 0;
        // The renderer of the baseline and its memory at the page's first picture (-1: none
        // taken yet).
        qint64 rendererPid = 0;
        qint64 baselineKb = -1;
        std::unique_ptr<Timer> timeout;
    };

    // Show a site: the steps of startwww and of the manual buttons.
    void showSite(const QString& address, const QRect& rect, bool fromDispatcher,
                  const QString& slot);
    void navigate(int panel);
    void reload(int panel);
    void beginLoad(int panel);
    bool recycleIfGrown(int panel);
    void onPainted(int panel);
    void onFailed(int panel, const QString& reason);
    void armRetry();
    QString subject() const;
    void write(const QString& text);

    Settings& m_settings;
    EventLog& m_log;
    const Clock& m_clock;
    WebSurface& m_surface;
    Limits m_limits;
    std::unique_ptr<Timer> m_crawl;    // Timer4
    std::unique_ptr<Timer> m_refresh;  // InetTimer
    std::unique_ptr<Timer> m_retry;
    std::array<Panel, 2> m_panels;
    QString m_address;
    QString m_slot;
    QRect m_rect;
    bool m_fromDispatcher = false;
    // wb's page failed since the dispatcher's start or since it last painted.
    bool m_failedOnAir = false;
    // Tries since the page last failed, for the wait before the next.
    int m_retries = 0;
    bool m_parked = false;
    bool m_firstPictureDue = false;
    int m_panelHeightPx = 0;
    int m_offsetPx = 0;
};

}  // namespace velumo
