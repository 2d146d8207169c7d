#pragma once

#include <QString>

namespace velumo {

// The program's icon in the desktop's notification area (tip "Velumo7"). Clicks on it reach the
// control panel through the wiring.
class TrayIcon {
public:
    virtual ~TrayIcon() = default;

    // False where the desktop has no notification area (a bare X server, GNOME without its
    // extension): an icon shown there would be invisible.
    virtual bool isAvailable() const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
    // A notification beside the icon (the failures nobody asked for); nothing without one.
    virtual void notify(const QString& title, const QString& text) = 0;
};

}  // namespace velumo
