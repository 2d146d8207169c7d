#pragma once

#include <QString>

namespace velumo {

// Which side of the main window the control panel is docked to, kept in panel.ini in the program
// folder beside velumo.cfg (whose lines stay those of earlier versions; the panel's floating
// position stays in SCEdit97 and SCEdit98). No file, or a value it does not know: floating.
class PanelDockPlace {
public:
    static constexpr char kFileName[] = "panel.ini";

    enum class Side { Floating, Left, Right };

    static Side load(const QString& path);
    // Writes the side, replacing the file. Throws Failure when it cannot be written.
    static void save(const QString& path, Side side);

    static QString name(Side side);
    static Side fromName(const QString& name);
};

}  // namespace velumo
