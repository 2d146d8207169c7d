#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QRect>
#include <QString>
#include <memory>

#include "alerts/capalert.h"

namespace velumo {
class Clock;
class Timer;
class TimerFactory;
}  // namespace velumo

namespace velumo::alerts {

class AlertBoard;
class AlertScreen;
struct AlertChange;
struct OnAirAlert;

// Puts what the board has on air on the screen. The most pressing alert the display rules give
// the band is in the band, with the attention tone as it comes in, and its description holds the
// strip until it leaves. Every other alert on air (the strip's, and the band's that wait behind
// a more pressing one) is a priority announcement of the strip, its headline and description,
// at once and again every repeat_min minutes until it leaves; when the band's alert leaves, the
// next in turn takes the band. Nothing is lost: whatever is on air is shown one way or the other.
class AlertPresenter final : public QObject {
    Q_OBJECT
public:
    // The references must outlive the presenter.
    AlertPresenter(AlertBoard& board, AlertScreen& screen, TimerFactory& timers, const Clock& clock,
                   QObject* parent = nullptr);
    ~AlertPresenter() override;

    // Shows the board as it stands (the board's changes call it).
    void refresh();

    // The keys of the strip's texts.
    static QString holdKey(const AlertKey& key);
    static QString announcementKey(const AlertKey& key);
    // What the strip shows of an alert: the band's description, the strip's announcement.
    static QString holdText(const OnAirAlert& alert);
    static QString announcementText(const OnAirAlert& alert);

private:
    void announceDue();
    void arm();

    AlertBoard& m_board;
    AlertScreen& m_screen;
    const Clock& m_clock;
    std::unique_ptr<Timer> m_repeat;
    AlertKey m_band;
    bool m_bandShown = false;
    // The strip's alerts and when each is announced next.
    QHash<AlertKey, QDateTime> m_strip;
};

// Where the band goes on a screen: its whole width, at the top when the strip stands in the
// lower half, otherwise at the bottom; at most kMaxBandShare of the screen's height.
QRect bandPlace(const QRect& screen, const QRect& strip, int heightPx);
inline constexpr double kMaxBandShare = 0.6;

// The station's own test alert ("alert test"): Severe and Immediate, for everyone, marked as a
// test, on air for the seconds given from now.
CapAlert stationTestAlert(const QDateTime& now, const QString& station, int seconds);

}  // namespace velumo::alerts
