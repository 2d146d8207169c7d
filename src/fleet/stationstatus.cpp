#include "stationstatus.h"

#include <QJsonArray>

namespace velumo::fleet {

namespace {

QJsonValue bounded(const QJsonValue& value);

QJsonObject boundedObject(const QJsonObject& object)
{
    QJsonObject out;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it->isArray() && it->toArray().size() > kListEntries)
            out.insert(it.key() + QStringLiteral("_total"), it->toArray().size());
        out.insert(it.key(), bounded(it.value()));
    }
    return out;
}

QJsonValue bounded(const QJsonValue& value)
{
    if (value.isString() && value.toString().size() > kTextChars)
        return value.toString().left(kTextChars - 1) + QChar(0x2026);
    if (value.isObject())
        return boundedObject(value.toObject());
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        QJsonArray out;
        for (qsizetype i = 0; i < qMin<qsizetype>(array.size(), kListEntries); ++i)
            out.append(bounded(array[i]));
        return out;
    }
    return value;
}

}  // namespace

QJsonObject stationStatus(QJsonObject status)
{
    QJsonObject block = status.value(u"block").toObject();
    if (!block.isEmpty()) {
        // The announcement on the strip; its text line starts with the icon's digit.
        const int line = status.value(u"ticker").toObject().value(u"on_air_line").toInt(-1);
        const QJsonArray text = block.value(u"text").toArray();
        if (line >= 0 && line < text.size())
            block.insert(QStringLiteral("on_air"),
                         QJsonObject{{QStringLiteral("line"), line},
                                     {QStringLiteral("index"), block.value(u"index")[line]},
                                     {QStringLiteral("tariff"), block.value(u"tariff")[line]},
                                     {QStringLiteral("text"), text[line].toString().mid(1)}});
        for (const char* list : {"text", "index", "tariff"})
            block.remove(QLatin1String(list));
        status.insert(QStringLiteral("block"), block);
    }
    return boundedObject(status);
}

}  // namespace velumo::fleet
