#pragma once

#include <memory>

namespace velumo {

class ControlServer;
class Operations;
class Timer;
class TimerFactory;

// For the whole-program tests only, never in a normal run: with VELUMO_TEST_HOOKS=1 the command
// "test hold MS" stops the user-interface thread for a while, as a stuck event loop would, and
// the operation "test throw" arms a timer whose handler fails.
class TestHooks final {
public:
    TestHooks(ControlServer& control, Operations& operations, TimerFactory& timers);
    ~TestHooks();

private:
    std::unique_ptr<Timer> m_throw;
};

}  // namespace velumo
