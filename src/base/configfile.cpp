#include "configfile.h"

#include "eventlog.h"
#include "failure.h"
#include "settings.h"
#include "textfile.h"

namespace velumo::configfile {

QByteArray scramble(const QByteArray& line)
{
    QByteArray out(line);
    for (char& c : out)
        c = char(static_cast<unsigned char>(c) + 1);
    return out;
}

QByteArray unscramble(const QByteArray& line)
{
    QByteArray out(line);
    for (char& c : out)
        c = char(static_cast<unsigned char>(c) - 1);
    return out;
}

QList<QByteArray> splitRawLines(const QByteArray& content)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = content.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            lines.append(content.mid(start, i - start));
            if (c == '\r' && i + 1 < n && content[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(content.mid(start));
    return lines;
}

namespace {

// Name before the first blank and the text after it; no blank gives an empty name.
bool splitLine(const QString& line, QString& name, QString& rest)
{
    const qsizetype blank = line.indexOf(u' ');
    if (blank <= 0)
        return false;
    name = line.left(blank);
    rest = line.mid(blank + 1);
    return true;
}

// A tab or form feed would be stored as LF or CR and cut its line in two when read back;
// such characters are written as blanks.
QString storable(QString value)
{
    for (QChar& c : value)
        if (c == u'\t' || c == u'\f')
            c = u' ';
    return value;
}

bool hasKind(const Settings& settings, const QString& name, ControlKind kind)
{
    return settings.contains(name) && settings.entry(name).kind == kind;
}

}  // namespace

void load(const QByteArray& content, Settings& settings, EventLog* log)
{
    int known = 0;
    for (QByteArray raw : splitRawLines(content)) {
        // A value over the limit is cut before anything else looks at it (the name and its
        // blank are short; 64 bytes leave room for the longest).
        constexpr qsizetype kNameRoom = 64;
        if (raw.size() > kMaxSettingsValueBytes + kNameRoom) {
            const qsizetype blank = raw.left(kNameRoom).indexOf('!');  // a stored blank
            const qsizetype keep = (blank < 0 ? kNameRoom : blank + 1) + kMaxSettingsValueBytes;
            if (log)
                log->write(
                    QStringLiteral("error"),
                    QStringLiteral("%1: a value of %2 bytes (%3) cut at the limit of %4 bytes")
                        .arg(QLatin1String(kFileName))
                        .arg(raw.size() - (keep - kMaxSettingsValueBytes))
                        .arg(QString::fromLatin1(unscramble(
                            raw.left(qMax<qsizetype>(0, keep - kMaxSettingsValueBytes - 1)))))
                        .arg(kMaxSettingsValueBytes));
            raw.truncate(keep);
        }
        const QString line = decodeCp1251(unscramble(raw));
        QString name;
        QString rest;
        if (line.startsWith(QLatin1String("SCEdit"))) {
            if (splitLine(line, name, rest) && hasKind(settings, name, ControlKind::Text)) {
                settings.setText(name, trimControl(rest));
                ++known;
            }
        } else if (line.startsWith(QLatin1String("Spin"))) {
            if (splitLine(line, name, rest) && hasKind(settings, name, ControlKind::Spin)) {
                settings.setSpin(name, strToInt(line.mid(name.size())));
                ++known;
            }
        } else if (line.startsWith(QLatin1String("SCCh"))) {
            if (splitLine(line, name, rest) && hasKind(settings, name, ControlKind::Check)) {
                settings.setChecked(name, rest == QLatin1String("True"));
                ++known;
            }
        } else if (line.startsWith(QLatin1String("Comb"))) {
            if (splitLine(line, name, rest) && hasKind(settings, name, ControlKind::Combo)) {
                settings.setText(name, trimControl(rest));
                ++known;
            }
        }
    }
    // An empty file, or one in which not a single line names a setting (a file of another
    // program, binary noise), is damaged: the operator is told, as for a missing file.
    if (known == 0)
        throw Failure(QStringLiteral("%1 holds no settings").arg(QLatin1String(kFileName)));
}

QByteArray save(const Settings& settings, const QStringList& componentNames)
{
    QStringList names = componentNames;
    if (names.isEmpty()) {
        for (const ControlSpec& entry : controlSchema())
            names.append(QString::fromLatin1(entry.name));
    }
    QByteArray out;
    out.reserve(names.size() * 24);
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
        if (settings.contains(*it))
            out += scramble(encodeCp1251(*it + u' ' + storable(settings.text(*it))));
        out += "\r\n";
    }
    return out;
}

}  // namespace velumo::configfile
