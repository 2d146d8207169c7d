#pragma once

#include <QImage>

namespace velumo {

// What the station's screen shows of the program: the strip, the clock, the icons and the player
// windows, each at its place. On the user-interface thread; it draws and scales, it encodes
// nothing.
class ScreenshotSource {
public:
    virtual ~ScreenshotSource() = default;
    // At most maxWidth pixels wide (a narrower screen keeps its size).
    virtual QImage compose(int maxWidth) = 0;
};

}  // namespace velumo
