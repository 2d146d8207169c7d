#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>
#include <memory>

#include "alerts/alertscreen.h"

namespace velumo {
class Clock;
class Timer;
class TimerFactory;
}  // namespace velumo

namespace velumo::alerts {

// The alert band: a borderless window over everything, the whole width of a screen, that paints
// one alert (the event and the sender's name, the time it expires, the headline and the
// instruction in large type, the mark of a test) on the colour of its severity. While shown it
// raises itself every kRaiseMs, so a player window that comes up later never covers it.
class AlertBandWindow final : public QWidget {
public:
    static constexpr qint64 kRaiseMs = 500;

    AlertBandWindow(TimerFactory& timers, const Clock& clock, QWidget* parent = nullptr);
    ~AlertBandWindow() override;

    // Shows the view across screen, clear of the strip (bandPlace).
    void showView(const BandView& view, const QRect& screen, const QRect& strip);
    void hideBand();
    const BandView& view() const { return m_view; }

    static QColor background(Severity severity);
    static QColor foreground(Severity severity);
    // "до 12:30", "до 02.05 12:30", "до отмены".
    static QString untilText(const QDateTime& until, const QDateTime& now);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Metrics;
    Metrics metrics(int screenHeight) const;
    int contentHeight(int width, int screenHeight) const;

    const Clock& m_clock;
    BandView m_view;
    int m_screenHeight = 720;
    std::unique_ptr<Timer> m_raise;
};

}  // namespace velumo::alerts
