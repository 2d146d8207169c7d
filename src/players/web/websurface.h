#pragma once

#include <QObject>
#include <QRect>
#include <QString>

namespace velumo {

// The web window as the web player drives it: one window with two stacked panels, each filled
// by a browser (panel 0 is wb, panel 1 is WB2). Nothing of a browser's own screens reaches the
// window: until a page of a panel is loaded and painted the panel is black, and a failed load
// keeps the last good picture of the panel (or black).
class WebSurface : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static constexpr int kPanels = 2;

    virtual void setWindowRect(const QRect& rect) = 0;
    // Both panels take this size; panel 0 stands offsetPx above the window's top, panel 1
    // directly below it.
    virtual void setPanels(int widthPx, int heightPx) = 0;
    virtual void setCrawlOffset(int offsetPx) = 0;
    virtual void navigate(int panel, const QString& address) = 0;
    virtual void reload(int panel) = 0;
    // Abandons a load that does not end; the panel keeps what it showed.
    virtual void stopLoading(int panel) = 0;
    // Loads the page anew in a new browser with a new renderer; the panel keeps its last good
    // picture until the new one is painted.
    virtual void recycle(int panel) = 0;
    // The process of a panel's page renderer and the memory it holds (VmRSS); pid 0 and
    // memory -1 while there is none.
    struct Renderer {
        qint64 pid = 0;
        qint64 memoryKb = -1;
    };
    virtual Renderer renderer(int panel) const = 0;
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    virtual bool windowVisible() const = 0;
    virtual void moveWindowTop(int topPx) = 0;
    virtual QRect windowRect() const = 0;

signals:
    // The page a panel was loading is on the screen.
    void painted(int panel);
    // A panel's load failed or its renderer ended; reason is for velumo.log.
    void loadFailed(int panel, const QString& reason);
};

}  // namespace velumo
