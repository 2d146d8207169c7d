#pragma once

#include <QString>
#include <QStringList>

namespace velumo {

// The program's command line. Our own options come first ("--dir DIR", "--send COMMAND",
// "--check-plan FILE"); of the rest only the first argument is examined for a switch.
struct CommandLine {
    enum class Switch { None, Down, Sleep, Kill };

    QString programFolder;  // with no trailing separator; empty = the executable's folder
    QString sendCommand;
    bool send = false;
    QString checkPlanFile;
    bool checkPlan = false;
    Switch powerSwitch = Switch::None;
    bool autostart = false;  // "r" or "R" as the only positional argument
    QStringList positional;

    static CommandLine parse(const QStringList& arguments);  // arguments without the program
};

}  // namespace velumo
