#include "onairsummary.h"

#include <QFileInfo>
#include <QStringList>

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

QString dispatcherPart(const QJsonObject& dispatcher)
{
    if (!dispatcher.value(QStringLiteral("on")).toBool())
        return QStringLiteral("ЦУП: выкл");
    // The current line: "dd.MM.yy hh:mm:ss|code|stop|…"; anything else is the engine's own text.
    const QString current = dispatcher.value(QStringLiteral("current")).toString();
    const QStringList fields = current.split(u'|');
    if (fields.size() >= 2 && !fields[1].isEmpty()) {
        const QString time = fields[0].section(u' ', 1, 1);
        return time.isEmpty() ? QStringLiteral("ЦУП: %1").arg(fields[1])
                              : QStringLiteral("ЦУП: %1 с %2").arg(fields[1], time);
    }
    return current.isEmpty() ? QStringLiteral("ЦУП: вкл")
                             : QStringLiteral("ЦУП: %1").arg(shortName(current));
}

QStringList playerParts(const QJsonObject& players)
{
    QStringList parts;
    const auto member = [&](const char* name) {
        return players.value(QLatin1String(name)).toObject();
    };
    const QJsonObject clip = member("clip");
    if (clip.value(QStringLiteral("playing")).toBool())
        parts.append(QStringLiteral("клип %1").arg(shortName(clip.value("file").toString())));
    const QJsonObject external = member("external");
    if (external.value(QStringLiteral("running")).toBool())
        parts.append(QStringLiteral("плеер %1").arg(shortName(external.value("file").toString())));
    const QJsonObject capture = member("capture");
    if (capture.value(QStringLiteral("active")).toBool())
        parts.append(
            QStringLiteral("захват %1").arg(shortName(capture.value("device").toString())));
    const QJsonObject slides = member("slides");
    if (slides.value(QStringLiteral("open")).toBool())
        parts.append(QStringLiteral("слайды %1").arg(shortName(slides.value("file").toString())));
    const QJsonObject flash = member("flash");
    if (flash.value(QStringLiteral("visible")).toBool())
        parts.append(QStringLiteral("флэш %1").arg(shortName(flash.value("movie").toString())));
    const QJsonObject web = member("web");
    if (web.value(QStringLiteral("visible")).toBool())
        parts.append(QStringLiteral("веб %1").arg(shortName(web.value("address").toString())));
    const QString failed = players.value(QStringLiteral("failed")).toString();
    if (!failed.isEmpty())
        parts.append(QStringLiteral("сбой %1").arg(failed));
    return parts;
}

}  // namespace

QString onAirSummary(const QJsonObject& status)
{
    QStringList parts;
    // A member whose provider failed (an object with only "error") is left out.
    const QJsonObject ticker = status.value(QStringLiteral("ticker")).toObject();
    if (ticker.contains(QStringLiteral("running")))
        parts.append(ticker.value(QStringLiteral("running")).toBool()
                         ? QStringLiteral("Строка: идёт")
                         : QStringLiteral("Строка: стоит"));
    const QJsonObject dispatcher = status.value(QStringLiteral("dispatcher")).toObject();
    if (dispatcher.contains(QStringLiteral("on")))
        parts.append(dispatcherPart(dispatcher));
    const QJsonValue players = status.value(QStringLiteral("players"));
    if (players.isObject())
        parts += playerParts(players.toObject());
    return parts.join(QLatin1String("; "));
}

}  // namespace velumo
