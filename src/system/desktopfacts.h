#pragma once

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace velumo {

// What the desktop offers a station: a notification area, a compositor (the see-through strip),
// and the kind of session. The GUI side finds them out; this says what they mean for the
// operator.
struct DesktopFacts {
    bool tray = false;
    bool compositor = false;
    QString session;  // "x11", "wayland", "tty", … or "unknown"

    // What is missing for a full station, in the operator's words; empty when nothing is.
    QStringList missing() const;
    // The "desktop" member of the status.
    QJsonObject toJson() const;
    bool operator==(const DesktopFacts&) const = default;

    // The session kind: XDG_SESSION_TYPE when set, else WAYLAND_DISPLAY or DISPLAY tell it.
    static QString sessionOf(const QProcessEnvironment& environment);
    // A user's own systemd runs (a user service can then be enabled): $XDG_RUNTIME_DIR/systemd.
    static bool userSystemdRuns(const QProcessEnvironment& environment);

    static constexpr char kNoTray[] = "Нет области уведомлений: панель остаётся на экране";
    static constexpr char kNoCompositor[] =
        "Нет композитного менеджера: строка не прозрачна, прозрачный цвет виден чёрным";
    static constexpr char kWayland[] =
        "Сеанс Wayland: строка — окно X11 через XWayland, её положение поверх других окон "
        "зависит от композитора";
};

}  // namespace velumo
