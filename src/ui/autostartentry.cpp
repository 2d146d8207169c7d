#include "autostartentry.h"

#include "base/failure.h"

namespace velumo::autostartentry {

namespace {

// The escapes of a string value (applied after the quoting of Exec arguments).
QString stringValue(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == u'\\')
            out += QLatin1String("\\\\");
        else
            out += c;
    }
    return out;
}

void refuseLineBreaks(const QString& path)
{
    if (path.contains(u'\n') || path.contains(u'\r'))
        throw Failure(QStringLiteral("The path \"%1\" holds a line break").arg(path));
}

}  // namespace

QString execArgument(const QString& argument)
{
    QString quoted = QStringLiteral("\"");
    for (QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    return stringValue(quoted).replace(u'%', QLatin1String("%%"));
}

QString desktopEntry(const QString& program, const QString& folder)
{
    refuseLineBreaks(program);
    refuseLineBreaks(folder);
    return QStringLiteral(
               "[Desktop Entry]\nType=Application\nName=Velumo\nComment=Бегущая строка\n"
               "Exec=%1 --dir %2 r\nPath=%3\nTerminal=false\n"
               "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(program), execArgument(folder), stringValue(folder));
}

}  // namespace velumo::autostartentry
