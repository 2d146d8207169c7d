#pragma once

#include <QByteArray>
#include <QHash>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <chrono>

#include "system/servicenotifier.h"

namespace velumo {

// A start under the service manager waits, instead of failing, for what the program cannot run
// without, before any window or thread of its own exists:
// - a display. The user's manager starts with the login, before X; it learns DISPLAY and
//   XAUTHORITY when the session imports them (Debian's Xsession does with
//   dbus-update-activation-environment, any session can with "systemctl --user
//   import-environment DISPLAY XAUTHORITY"). The program asks the manager for them until they
//   are there and takes them into its own environment.
// - a program folder no other copy holds (one that the autostart entry started while the
//   service waited): the service's copy starts once that one has ended.
// Meanwhile the unit's status line says what it waits for and the start timeout is extended at
// each look, so a wait never counts as a failed start. The looks come at a growing interval
// (kFirstLook doubled up to kLastLook). A stop signal ends the wait as it ends any program.
class ServiceStart {
public:
    static constexpr std::chrono::milliseconds kFirstLook{500};
    static constexpr std::chrono::milliseconds kLastLook{8000};
    // The variables of a display session taken from the manager.
    static const QStringList kDisplayVariables;

    // Whether Qt needs a display that the environment does not name (a platform other than X11
    // and Wayland, "offscreen" for one, needs none).
    static bool lacksDisplay(const QProcessEnvironment& environment);
    // The display variables in what "systemctl --user show-environment" prints (a value with
    // blanks or quotes comes as $'...').
    static QHash<QString, QString> displayIn(const QByteArray& managerEnvironment);

    // Waits until a display is named and the folder is free; the display variables found are
    // set in this process's environment. Returns how many looks it took (0: nothing lacked).
    static int waitForWhatTheStartNeeds(const ServiceNotifier::Setup& setup, const QString& folder);
};

}  // namespace velumo
