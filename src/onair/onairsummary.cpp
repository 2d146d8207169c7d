#include "onairsummary.h"

#include <QFileInfo>
#include <QStringList>

#include "onair/onairnow.h"

namespace velumo {

namespace {

constexpr qsizetype kMaxPart = 40;

QString shortName(const QString& fileOrAddress)
{
    QString name =
        fileOrAddress.contains(u"://") ? fileOrAddress : QFileInfo(fileOrAddress).fileName();
    if (name.size() > kMaxPart)
        name = name.left(kMaxPart - 1) + u'…';
    return name;
}

// A schedule line: "dd.MM.yy hh:mm:ss|code|stop|…".
bool isScheduleLine(const QString& text)
{
    return text.section(u'|', 1, 1).size() > 0;
}

QString dispatcherPart(const OnAirNow& now)
{
    if (!now.dispatcher->on)
        return QStringLiteral("ЦУП: выкл");
    // The engine's own word for what it waits for (an update of the plan) says most.
    const QString& current = now.dispatcher->current;
    if (!current.isEmpty() && !isScheduleLine(current))
        return QStringLiteral("ЦУП: %1").arg(shortName(current));
    // The line it started last and since when; the line it has armed is not on air yet.
    if (isScheduleLine(now.planLine)) {
        const QString code = now.planLine.section(u'|', 1, 1);
        const QString time = now.planLine.section(u'|', 0, 0).section(u' ', 1, 1);
        return time.isEmpty() ? QStringLiteral("ЦУП: %1").arg(code)
                              : QStringLiteral("ЦУП: %1 с %2").arg(code, time);
    }
    return QStringLiteral("ЦУП: вкл");
}

QStringList playerParts(const OnAirNow& now)
{
    // The clip players first, then the capture, the slide show, Flash and the web page.
    static const struct {
        char16_t letter;
        const char* name;
    } kParts[] = {{u'k', "клип"},   {u'b', "плеер"}, {u't', "захват"},
                  {u'p', "слайды"}, {u'f', "флэш"},  {u'w', "веб"}};
    QStringList parts;
    for (const auto& part : kParts) {
        const OnAirNow::Player* entry = now.player(QChar(part.letter));
        if (!entry || entry->failed)
            continue;
        const QString name = QString::fromUtf8(part.name);
        const QString target = shortName(entry->request.target);
        parts.append(target.isEmpty() ? name : name + u' ' + target);
    }
    const QString failed = now.failedLetters();
    if (!failed.isEmpty())
        parts.append(QStringLiteral("сбой %1").arg(failed));
    return parts;
}

}  // namespace

QString onAirSummary(const OnAirNow& now)
{
    QStringList parts;
    if (now.strip)
        parts.append(now.strip->running ? QStringLiteral("Строка: идёт")
                                        : QStringLiteral("Строка: стоит"));
    if (now.dispatcher)
        parts.append(dispatcherPart(now));
    parts += playerParts(now);
    return parts.join(QLatin1String("; "));
}

}  // namespace velumo
