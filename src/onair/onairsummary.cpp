#include "onairsummary.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#include "onair/onairnow.h"
#include "players/contentkind.h"

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
    // Each kind at its place of the line (the clip players first, then the capture, the slide
    // show, Flash and the web page), by hand or by the plan.
    QList<OnAirNow::Player> shown = now.onScreen();
    const auto place = [](const OnAirNow::Player& entry) {
        const ContentKind* kind = ContentKind::find(entry.request.letter);
        return kind ? kind->statusLinePlace : 0;
    };
    std::stable_sort(shown.begin(), shown.end(),
                     [&](const auto& a, const auto& b) { return place(a) < place(b); });
    QStringList parts;
    for (const OnAirNow::Player& entry : shown) {
        const ContentKind* kind = ContentKind::find(entry.request.letter);
        const QString name = kind && kind->statusLineName ? QString::fromUtf8(kind->statusLineName)
                                                          : QString(entry.request.letter);
        const QString target = shortName(entry.request.target);
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
