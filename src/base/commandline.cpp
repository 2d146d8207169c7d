#include "commandline.h"

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
        } else if (argument == QLatin1String("--check-plan") && hasValue) {
            line.checkPlan = true;
            line.checkPlanFile = arguments[++i];
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

}  // namespace velumo
