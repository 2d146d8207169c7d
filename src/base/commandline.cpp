#include "commandline.h"

#include "controlcommands.h"
#include "version.h"

namespace velumo {

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("--dir") && hasValue) {
            line.programFolder = arguments[++i];
        } else if (argument == QLatin1String("--send")) {
            // "--send" with nothing after it sends an empty command (which fails) rather
            // than starting a copy of the program.
            line.send = true;
            if (hasValue)
                line.sendCommand = arguments[++i];
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            line.help = true;
        } else if (argument == QLatin1String("--version")) {
            line.version = true;
        } else if (argument == QLatin1String("--check-plan") && hasValue) {
            line.checkPlan = true;
            line.checkPlanFile = arguments[++i];
        } else if (argument == QLatin1String("--check-alert") && hasValue) {
            line.checkAlert = true;
            line.checkAlertFile = arguments[++i];
        } else if (argument == QLatin1String("--asrun-verify")) {
            line.asrunVerify = true;
        } else if (argument == QLatin1String("--asrun-report")) {
            line.asrunReport = true;
        } else if (argument == QLatin1String("--pub") && hasValue) {
            line.asrunPublicKey = arguments[++i];
        } else if (argument == QLatin1String("--csv")) {
            line.asrunCsv = true;
        } else if (argument == QLatin1String("--kind") && hasValue) {
            line.asrunKind = arguments[++i];
        } else if (argument == QLatin1String("--file") && hasValue) {
            line.asrunFile = arguments[++i];
        } else {
            line.positional.append(argument);
        }
    }
    if (!line.positional.isEmpty()) {
        const QString& first = line.positional.first();
        if (first == QLatin1String("down") || first == QLatin1String("Down") ||
            first == QLatin1String("DOWN"))
            line.powerSwitch = Switch::Down;
        else if (first == QLatin1String("sleep") || first == QLatin1String("Sleep") ||
                 first == QLatin1String("SLEEP"))
            line.powerSwitch = Switch::Sleep;
        else if (first == QLatin1String("kill") || first == QLatin1String("Kill") ||
                 first == QLatin1String("KILL"))
            line.powerSwitch = Switch::Kill;
        line.autostart = line.positional.size() == 1 &&
                         (first == QLatin1String("r") || first == QLatin1String("R"));
    }
    return line;
}

QString CommandLine::usage()
{
    const QString options = QStringLiteral(
        "Usage: velumo [--dir FOLDER] [down|sleep|kill|r]\n"
        "   or: velumo [--dir FOLDER] --send COMMAND\n"
        "   or: velumo [--dir FOLDER] --check-plan PLAN.pln\n"
        "   or: velumo [--dir FOLDER] --check-alert FILE.xml\n"
        "   or: velumo [--dir FOLDER] --asrun-verify [--pub FILE] FILE...\n"
        "   or: velumo [--dir FOLDER] --asrun-report FROM TO [--csv] [--kind K] [--file NAME]\n"
        "   or: velumo --fleet BROKER [--user U] [--password-file F] [--ca F] [--once] [--json]\n"
        "   or: velumo --fleet BROKER [...] --send STATION COMMAND\n"
        "   or: velumo --fleet BROKER [...] --watch --exec COMMAND\n"
        "   or: velumo --help | --version\n"
        "\n"
        "  --dir FOLDER        the program folder (default: the executable's folder; for an\n"
        "                      installed program $XDG_DATA_HOME/velumo, ~/.local/share/velumo)\n"
        "  down                shut the computer down, then start\n"
        "  sleep               suspend the computer, then start\n"
        "  kill                close the copy running on the folder\n"
        "  r                   start as from the autostart entry\n"
        "  --send COMMAND      send COMMAND to the running copy and print its reply\n"
        "                      (exit 0 done, 1 no running copy, 2 the command failed)\n"
        "  --check-plan FILE   check a plan file against now (exit 0 every line runs,\n"
        "                      1 a line will not run, 2 the file cannot be read)\n"
        "  --check-alert FILE  read a CAP alert file as the station would (alerts.ini of the\n"
        "                      folder) and say whether and how it would be shown (exit 0\n"
        "                      shown or acted on, 1 refused or not shown)\n"
        "  --asrun-verify FILE...  check as-run journal files: chain, seals, signatures\n"
        "                      (exit 0 all holds, 1 names the first record that does not,\n"
        "                      2 a file cannot be read); --pub FILE: the public key\n"
        "                      (default: asrun.pub in the program folder)\n"
        "  --asrun-report FROM TO  what was on screen from FROM to TO (YYYY-MM-DD): every\n"
        "                      announcement and content file, times shown and seconds;\n"
        "                      --csv: Windows-1251 CSV; --kind K, --file NAME: only those\n"
        "  --fleet BROKER      the stations on an MQTT broker (mqtt:// or mqtts://host:port):\n"
        "                      a live table (--once: once; --json: JSON); --send STATION\n"
        "                      COMMAND: one command to a station (exit codes as --send);\n"
        "                      --watch --exec COMMAND: runs COMMAND (sh -c) for every change\n"
        "                      of a station's state and every alarm raised or cleared, with\n"
        "                      VELUMO_STATION, VELUMO_STATE, VELUMO_ALARM, VELUMO_SINCE...\n"
        "  --help, --version   print this text or the version\n"
        "\n");
    return options + controlcommands::usageSection();
}

QString CommandLine::versionText()
{
    return QStringLiteral("velumo %1").arg(programVersion());
}

}  // namespace velumo
