#pragma once

#include <QObject>

class QSocketNotifier;

namespace velumo {

class EventLog;

// Tells when the wall clock is set (a correction, a step of the time service, the operator):
// the kernel cancels a timer on the wall clock armed with TFD_TIMER_CANCEL_ON_SET, so a step at
// any moment is seen at once without reading the clock over and over. Inert where the kernel
// offers no such timer (isValid() false).
//
// The size of a step is the change of the wall clock's distance from the monotonic clock since
// the watch was last armed (a slow correction in between counts into it). With an event log, each
// step is posted there as a "clock" event with "step_s", the signed seconds.
class ClockStepWatch final : public QObject {
    Q_OBJECT
public:
    explicit ClockStepWatch(QObject* parent = nullptr);
    explicit ClockStepWatch(EventLog* events, QObject* parent = nullptr);
    ~ClockStepWatch() override;

    bool isValid() const { return m_fd >= 0; }
    // The last step seen, in milliseconds (later is positive).
    qint64 lastStepMs() const { return m_lastStepMs; }

signals:
    void stepped();

private:
    void arm();
    void onReadable();

    EventLog* m_events = nullptr;
    int m_fd = -1;
    qint64 m_offsetMs = 0;  // wall clock minus monotonic clock when armed
    qint64 m_lastStepMs = 0;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace velumo
