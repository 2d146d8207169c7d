#pragma once

#include <QString>
#include <functional>

namespace velumo {

// One way of keeping the screen awake: the desktop's screen-saver service, or the X server's
// own screen saver and display power management.
class ScreenHold {
public:
    virtual ~ScreenHold() = default;
    // "dbus", "x11".
    virtual QString kind() const = 0;
    // Answers (later, on this thread) whether this way is offered here.
    virtual void probe(std::function<void(bool offered)> answer) = 0;
    // Neither blocks: the request goes out and its answer comes back later.
    virtual void hold() = 0;
    virtual void release() = 0;
    // At exit: the release done before returning, within a bounded time.
    virtual void releaseNow() = 0;
};

}  // namespace velumo
