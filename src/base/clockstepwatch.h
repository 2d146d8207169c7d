#pragma once

#include <QObject>

class QSocketNotifier;

namespace velumo {

// Tells when the wall clock is set (a correction, a step of the time service, the operator):
// the kernel cancels a timer on the wall clock armed with TFD_TIMER_CANCEL_ON_SET, so a step at
// any moment is seen at once without reading the clock over and over. Inert where the kernel
// offers no such timer (isValid() false).
class ClockStepWatch final : public QObject {
    Q_OBJECT
public:
    explicit ClockStepWatch(QObject* parent = nullptr);
    ~ClockStepWatch() override;

    bool isValid() const { return m_fd >= 0; }

signals:
    void stepped();

private:
    void arm();
    void onReadable();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace velumo
