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

    // What an open ends in: the number of pages, or why the file cannot be read.
    using Opened = std::function<void(int pageCount, const QString& failure)>;
    // Opens the pages file; opened follows, at once or later (a window reads the file off the
    // user-interface thread), unless the surface is opened again or closed meanwhile.
    virtual void open(const QString& pagesFile, Opened opened) = 0;
    virtual int pageCount() const = 0;
    // Shows a page (from 0); shown runs once it is painted on the screen (a window renders it
    // off the user-interface thread first), unless another page is asked for meanwhile.
    virtual void showPage(int page, std::function<void()> shown = {}) = 0;
    virtual void place(const QRect& rect) = 0;
    // Full screen on a screen (from 0); false when there is no such screen.
    virtual bool placeFullScreen(int screen) = 0;
    virtual int screenCount() const = 0;
    virtual QRect geometry() const = 0;
    // Closes the window and lets the pages file go.
    virtual void close() = 0;
};

}  // namespace velumo
