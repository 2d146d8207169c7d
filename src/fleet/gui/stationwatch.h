#pragma once

#include <QObject>
#include <functional>
#include <limits>
#include <vector>

#include "fleet/alarmmonitor.h"

class QWidget;

namespace velumo {

class CaptureWindow;
class ClipWindow;
class Clock;
class RepaintWatch;
class SlideShowWindow;
class StripWindow;
class WebWindow;

// Sees the strip's repaints as they are delivered: a comparison and a clock reading a frame,
// and nothing in the strip itself changes.
class StripPaintFilter final : public QObject {
public:
    StripPaintFilter(StripWindow& strip, RepaintWatch& watch, const Clock& clock);
    ~StripPaintFilter() override;

    bool eventFilter(QObject*, QEvent* event) override;

private:
    StripWindow& m_strip;
    RepaintWatch& m_watch;
    const Clock& m_clock;
};

// The players' windows the alarms look at; a window not made yet is null.
struct WatchedPlayers {
    ClipWindow* clip = nullptr;
    CaptureWindow* capture = nullptr;
    SlideShowWindow* slides = nullptr;
    WebWindow* web = nullptr;
};

// How long a player's picture may stand still, and stay black, before it counts as frozen. A
// clip moves; a slide stands for its time; a web page or a titles window may stand for ever but
// should not stay black.
struct StillLimits {
    static constexpr qint64 kClipMs = 20'000;
    static constexpr qint64 kSlideMs = 15 * 60'000;
    static constexpr qint64 kForeverMs = std::numeric_limits<qint64>::max();
    static constexpr qint64 kBlackMs = 20'000;
};

// A player's window is on air while it is shown on its screen: a stopped page stays shown,
// moved above the screen's top, and its picture is nobody's concern any more.
bool windowOnAir(const QWidget* window);

// The frames of the windows on air now, each with its limits, for the alarms' players source.
std::function<std::vector<AlarmMonitor::PlayerFrame>()> playerFrames(
    std::function<WatchedPlayers()> players);

}  // namespace velumo
