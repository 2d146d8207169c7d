#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "base/screenshotsource.h"

namespace velumo {

// The screenshot drawn from the program's own windows, each at its place on the screen of the
// first one shown: no grab of the X server, so it works without one, and a player window gives
// the frame it painted itself (never the black of an overlay). What no window of ours covers is
// black.
class WindowScreenshot final : public ScreenshotSource {
public:
    // windows() lists them bottom to top (the players, then the strip, the clock and the icons);
    // a missing (nullptr) or hidden window is left out.
    explicit WindowScreenshot(std::function<std::vector<QWidget*>()> windows);

    QImage compose(int maxWidth) override;

private:
    std::function<std::vector<QWidget*>()> m_windows;
};

}  // namespace velumo
