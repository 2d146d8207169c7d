#pragma once

#include <QRect>
#include <QString>

#include <functional>

namespace velumo {

// The window a slide show is shown in: frameless, below the strip and the clock, the pages
// letter-boxed on black. The slide-show player drives it; tests record what it was asked.
class SlideSurface {
public:
    virtual ~SlideSurface() = default;

    // Opens the pages file; false (with the reason) when it cannot be read.
    virtual bool open(const QString& pagesFile, QString* reason) = 0;
    virtual int pageCount() const = 0;
    // Shows a page (from 0); it is painted when the window is on the screen.
    virtual void showPage(int page) = 0;
    // Calls painted once the page shown last has been painted into the window on the screen
    // (from the event loop; at once when it is already). One call is pending at a time; the
    // next showPage() or close() forgets it. A surface that cannot tell calls it at once.
    virtual void whenPainted(std::function<void()> painted) { painted(); }
    virtual void place(const QRect& rect) = 0;
    // Full screen on a screen (from 0); false when there is no such screen.
    virtual bool placeFullScreen(int screen) = 0;
    virtual int screenCount() const = 0;
    virtual QRect geometry() const = 0;
    // Closes the window and lets the pages file go.
    virtual void close() = 0;
};

}  // namespace velumo
