#pragma once

namespace velumo {

// What the ticker engine asks of the program around it while it runs: the thematic picture of
// each announcement, the clock's redraw and the dispatcher's start.
class TickerCompanions {
public:
    virtual ~TickerCompanions() = default;
    // The thematic picture of an announcement: 0-9 a slot, 10 none; never fails.
    virtual void vibor(int code) = 0;
    // The clock is redrawn on the next second (ClockRedrawCounter = 59).
    virtual void requestClockRedraw() = 0;
    // The ticker's start operations start the dispatcher when "Диспетчер включен" is set.
    virtual void dispstart() = 0;
};

}  // namespace velumo
