#pragma once

#include <QObject>
#include <functional>
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

// A player's window is on air while it is shown on its screen: a stopped page stays shown,
// moved above the screen's top, and its picture is nobody's concern any more.
bool windowOnAir(const QWidget* window);

// The frames of the windows on air now, each under its kind's name and still limits
// (ContentKind), for the alarms' players source.
std::function<std::vector<AlarmMonitor::PlayerFrame>()> playerFrames(
    std::function<WatchedPlayers()> players);

}  // namespace velumo
