#pragma once

#include <QString>
#include <functional>

namespace velumo {

// One way of keeping the screen awake: the desktop's screen-saver service, or the X server's
// own screen saver and display power management.
class ScreenHold {
public:
    // How a request went: empty when done, else why not (for velumo.log).
    using Answer = std::function<void(const QString& failure)>;

    virtual ~ScreenHold() = default;
    // "dbus", "x11".
    virtual QString kind() const = 0;
    // Answers (later, on this thread) whether this way is offered here.
    virtual void probe(std::function<void(bool offered)> answer) = 0;
    // Neither blocks: the request goes out and its answer comes back later, on this thread. A
    // hold released before its answer came is released once it is there, and not answered.
    virtual void hold(Answer answer) = 0;
    virtual void release(Answer answer) = 0;
    // At exit: the release done before returning, within a bounded time; empty when done.
    virtual QString releaseNow() = 0;
};

}  // namespace velumo
