#pragma once

#include <QObject>
#include <QRect>
#include <QString>

namespace velumo {

// The Flash window as the Flash player drives it. Nothing of the movie player's own interface
// reaches the window: a movie that cannot be played leaves it black.
class FlashSurface : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setWindowRect(const QRect& rect) = 0;
    // Loads a movie file; an empty name unloads the movie (the window goes black).
    virtual void loadMovie(const QString& file) = 0;
    virtual void play() = 0;
    virtual void stopMovie() = 0;
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    virtual bool windowVisible() const = 0;

signals:
    // The first picture of the loaded movie is on the screen.
    void playing();
    // The movie cannot be played (or the movie player is missing); reason is for velumo.log.
    void failed(const QString& reason);
};

}  // namespace velumo
