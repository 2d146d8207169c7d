#pragma once

#include <QDateTime>

namespace velumo {

// Time as the program sees it: the wall clock (local time, to the millisecond) and a monotonic
// count of milliseconds. Injected so that logic is tested without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    virtual qint64 monotonicMs() const = 0;
    // Whether a time service holds the wall clock to the right time; what is decided by the
    // date alone (removing old days) waits for it. A clock a test sets is right unless it says.
    virtual bool synchronised() const { return true; }
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    qint64 monotonicMs() const override;
    bool synchronised() const override;  // the kernel's clock state
};

}  // namespace velumo
