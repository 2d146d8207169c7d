#include "stationwatch.h"

#include <QEvent>
#include <QScreen>

#include "base/clock.h"
#include "fleet/repaintwatch.h"
#include "players/capture/capturewindow.h"
#include "players/clip/clipwindow.h"
#include "players/contentkind.h"
#include "players/slides/slideshowwindow.h"
#include "players/web/webwindow.h"
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
        // Each window under its kind's name and still limits.
        auto add = [&frames](QWidget* window, char16_t letter, const QImage& frame) {
            const ContentKind& kind = ContentKind::of(letter);
            if (windowOnAir(window))
                frames.push_back({QString::fromLatin1(kind.statusMember), frame, kind.stillLimitMs,
                                  kind.blackLimitMs});
        };
        const WatchedPlayers p = players();
        if (p.clip)
            add(p.clip, kinds::kClip, p.clip->picture());
        if (p.capture)
            add(p.capture, kinds::kCapture, p.capture->picture());
        if (p.slides)
            add(p.slides, kinds::kSlideShow, p.slides->picture());
        // A page is drawn by the browser: looked at only while it is on air.
        if (p.web && windowOnAir(p.web))
            add(p.web, kinds::kWeb, p.web->grab().toImage());
        return frames;
    };
}

}  // namespace velumo
