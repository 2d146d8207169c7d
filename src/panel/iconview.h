#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace velumo {

// What the thematic icon slots ask of the window beside the strip that shows them.
class IconView {
public:
    virtual ~IconView() = default;

    // The window shown (placed from the settings) or hidden.
    virtual void showIcon() = 0;
    virtual void hideIcon() = 0;
    virtual bool iconShown() const = 0;
    // A still picture, or movie (an animated GIF's bytes) playing in its place when given; any
    // animation stops. Painted before it returns.
    virtual void showPicture(const QImage& picture, const QByteArray& movie) = 0;
    // An animation file looping in front of the picture. Throws Failure when it cannot be
    // played; the window then shows what it showed.
    virtual void playAnimation(const QString& path) = 0;
    // Neither picture nor animation (the animation is not stopped).
    virtual void hideContent() = 0;
};

}  // namespace velumo
