#pragma once

#include <QString>
#include <QStringList>

namespace velumo {

// The program's command line. Our own options come first ("--dir DIR", "--send COMMAND",
// "--check-plan FILE", "--check-alert FILE"); of the rest only the first argument is examined
// for a switch.
struct CommandLine {
    enum class Switch { None, Down, Sleep, Kill };

    QString programFolder;  // with no trailing separator; empty = the default folder
    QString sendCommand;
    bool send = false;
    QString checkPlanFile;
    bool checkPlan = false;
    QString checkAlertFile;
    bool checkAlert = false;
    // The as-run journal's modes: "--asrun-verify [--pub FILE] FILE..." and
    // "--asrun-report FROM TO [--csv] [--kind K] [--file NAME]"; files and dates are positional.
    bool asrunVerify = false;
    bool asrunReport = false;
    QString asrunPublicKey;
    bool asrunCsv = false;
    QString asrunKind;
    QString asrunFile;
    Switch powerSwitch = Switch::None;
    bool autostart = false;  // "r" or "R" as the only positional argument
    bool help = false;       // "--help" or "-h": print usage() and end
    bool version = false;    // "--version": print versionText() and end
    QStringList positional;

    static CommandLine parse(const QStringList& arguments);  // arguments without the program

    // What "--help" prints: the switches, the options and the commands of the control channel.
    static QString usage();
    // What "--version" prints: "velumo " and the version of the build.
    static QString versionText();
};

}  // namespace velumo
