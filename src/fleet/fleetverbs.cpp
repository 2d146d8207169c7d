#include "fleetverbs.h"

#include <QRegularExpression>

#include "base/controlcommands.h"

namespace velumo::fleet {

namespace {

// The arguments a verb's declaration admits from afar ("" none, "TEXT", "N", "NAME", "a|b").
bool admits(QString declared, const QString& given)
{
    if (given.isEmpty())
        return true;  // a missing argument is the control channel's to answer
    const bool optional = declared.startsWith(u'[') && declared.endsWith(u']');
    if (optional)
        declared = declared.mid(1, declared.size() - 2);
    if (declared == u"TEXT")
        return true;
    if (declared == u"N") {
        static const QRegularExpression number(QStringLiteral("^[0-9]{1,6}$"));
        return number.match(given).hasMatch();
    }
    if (declared == u"NAME") {
        static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9_]{1,64}$"));
        return name.match(given).hasMatch();
    }
    if (declared.contains(u'|'))
        return declared.split(u'|').contains(given);
    // None, or a file ("PATH", "FILE"): nothing from the fleet.
    return false;
}

}  // namespace

QString refuseFleetArguments(const QString& commandLine)
{
    const QString line = commandLine.trimmed();
    for (const QChar c : line)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("a control character in the command");
    // The longest declared verb that begins the line at a word's end; one not declared
    // ("status" among them) takes nothing.
    QString verb;
    QString declared;
    for (const ControlCommand& command : controlcommands::all()) {
        const QString name = QLatin1String(command.verb);
        if (name.size() > verb.size() && (line == name || line.startsWith(name + u' '))) {
            verb = name;
            declared = QLatin1String(command.arguments);
        }
    }
    if (verb.isEmpty())
        verb = line.section(u' ', 0, 0);
    // The fleet's narrowing of the control channel's declarations.
    if (verb == u"screenshot")
        declared.clear();
    if (admits(declared, line.mid(verb.size()).trimmed()))
        return {};
    const bool some = declared.contains(u'|') || declared == u"N" || declared == u"NAME";
    return some ? QStringLiteral("%1 takes only %2 from the fleet").arg(verb, declared)
                : QStringLiteral("%1 takes no arguments from the fleet").arg(verb);
}

}  // namespace velumo::fleet
