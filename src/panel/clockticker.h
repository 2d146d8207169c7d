#pragma once

#include <QFont>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <memory>

namespace velumo {

class Clock;
class Notifier;
class PowerControl;
class Settings;
class Timer;
class TimerFactory;

// The one-second tick of the program (Timer1): the time displays, the shut-down of the
// computer at a set time and the clock beside the strip, redrawn once a minute in the ticker's
// own lettering.
class ClockTicker final : public QObject {
    Q_OBJECT
public:
    ClockTicker(Settings& settings, const Clock& clock, TimerFactory& timers, PowerControl& power,
                Notifier& notifier, QObject* parent = nullptr);
    ~ClockTicker() override;

    // The counter value at which a tick redraws the clock.
    static constexpr int kRedrawAt = 59;
    // Extra height of the clock window below the measured text, and extra width after it.
    static constexpr int kExtraHeightPx = 5;
    static constexpr int kExtraWidthPx = 20;
    // Ticks land this long after each second of the wall clock.
    static constexpr int kTickOffsetMs = 20;

    // Timer1 runs from the start of the program to its end.
    void start();
    void ClockTick();

    // The clock is redrawn on the next tick (starting the ticker, the panel's clock buttons).
    void requestRedraw() { m_redrawCounter = kRedrawAt; }

    const QString& ClockText() const { return m_clockText; }
    void setClockText(const QString& text) { m_clockText = text; }
    int ClockRedrawCounter() const { return m_redrawCounter; }

    // The font the clock is drawn in: the ticker font at the clock size SCEdit80. Throws
    // Failure when a font field is not a number.
    QFont clockFont() const;
    // Extent of the clock string in the clock font as it would be drawn now (the measuring
    // label; the strip's layout sizes the clock window by it). Throws Failure like clockFont().
    QSize labelSize() const;
    const QImage& clockImage() const { return m_image; }
    const QString& clockString() const { return m_clockString; }

    Timer& timer1() { return *m_timer1; }

signals:
    // The time of day "hh:mm:ss" for the control panel's time field.
    void timeShown(const QString& time);
    // A new clock picture and the clock window's size (the picture stands 3 pixels down).
    void clockDrawn(const QImage& image, const QSize& windowSize);

private:
    void redraw(const QString& minuteText);
    void alignToNextSecond();

    Settings& m_settings;
    const Clock& m_clock;
    PowerControl& m_power;
    Notifier& m_notifier;
    std::unique_ptr<Timer> m_timer1;
    QString m_clockText = QStringLiteral("  ");
    int m_redrawCounter = 0;
    QString m_drawnMinute;
    QString m_shutdownSecond;
    QString m_clockString;
    QImage m_image;
};

}  // namespace velumo
