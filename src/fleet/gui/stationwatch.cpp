#include "stationwatch.h"

#include <QEvent>
#include <QScreen>

#include "base/clock.h"
#include "fleet/repaintwatch.h"
#include "players/capturewindow.h"
#include "players/clipwindow.h"
#include "players/slideshowwindow.h"
#include "players/webwindow.h"
#include "ticker/stripwindow.h"

namespace velumo {

StripPaintFilter::StripPaintFilter(StripWindow& strip, RepaintWatch& watch, const Clock& clock)
    : m_strip(strip), m_watch(watch), m_clock(clock)
{
    m_strip.installEventFilter(this);  // plain: counts paints, nothing in it can throw
}

StripPaintFilter::~StripPaintFilter()
{
    m_strip.removeEventFilter(this);
}

bool StripPaintFilter::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        m_watch.painted(m_strip.pictureLeft(), m_clock.monotonicMs());
    return false;
}

bool windowOnAir(const QWidget* window)
{
    if (!window || !window->isVisible())
        return false;
    const QScreen* screen = window->screen();
    return !screen || screen->virtualGeometry().intersects(window->frameGeometry());
}

std::function<std::vector<AlarmMonitor::PlayerFrame>()> playerFrames(
    std::function<WatchedPlayers()> players)
{
    return [players = std::move(players)] {
        std::vector<AlarmMonitor::PlayerFrame> frames;
        auto add = [&frames](QWidget* window, const QString& name, const QImage& frame,
                             qint64 stillMs) {
            if (windowOnAir(window))
                frames.push_back({name, frame, stillMs, StillLimits::kBlackMs});
        };
        const WatchedPlayers p = players();
        if (p.clip)
            add(p.clip, QStringLiteral("clip"), p.clip->picture(), StillLimits::kClipMs);
        if (p.capture)
            add(p.capture, QStringLiteral("capture"), p.capture->picture(), StillLimits::kClipMs);
        if (p.slides)
            add(p.slides, QStringLiteral("slides"), p.slides->picture(), StillLimits::kSlideMs);
        // A page is drawn by the browser: looked at only while it is on air.
        if (p.web && windowOnAir(p.web))
            add(p.web, QStringLiteral("web"), p.web->grab().toImage(), StillLimits::kForeverMs);
        return frames;
    };
}

}  // namespace velumo
