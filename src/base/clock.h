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
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    qint64 monotonicMs() const override;
};

}  // namespace velumo
