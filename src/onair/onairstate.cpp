#include "onairstate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace velumo {

namespace {

constexpr int kFormat = 1;

QJsonObject requestJson(const PlayerRequest& request)
{
    QJsonObject object{{QStringLiteral("letter"), QString(request.letter)},
                       {QStringLiteral("slot"), request.slot},
                       {QStringLiteral("target"), request.target},
                       {QStringLiteral("screen"), request.screen}};
    if (!request.rect.isNull())
        object.insert(QStringLiteral("rect"),
                      QJsonArray{request.rect.x(), request.rect.y(), request.rect.width(),
                                 request.rect.height()});
    return object;
}

std::optional<PlayerRequest> requestFrom(const QJsonObject& object)
{
    const QString letter = object.value(QStringLiteral("letter")).toString();
    if (letter.size() != 1 || !QStringLiteral("kbpfwt").contains(letter))
        return std::nullopt;
    PlayerRequest request;
    request.letter = letter.at(0);
    request.slot = object.value(QStringLiteral("slot")).toString();
    request.target = object.value(QStringLiteral("target")).toString();
    request.screen = object.value(QStringLiteral("screen")).toInt(-1);
    const QJsonArray rect = object.value(QStringLiteral("rect")).toArray();
    if (rect.size() == 4)
        request.rect = QRect(rect[0].toInt(), rect[1].toInt(), rect[2].toInt(), rect[3].toInt());
    return request;
}

}  // namespace

QByteArray OnAirState::toJson() const
{
    QJsonArray playerList;
    for (const PlayerRequest& request : players)
        playerList.append(requestJson(request));
    QJsonObject object{
        {QStringLiteral("format"), kFormat},
        {QStringLiteral("ticker"), QJsonObject{{QStringLiteral("running"), tickerRunning},
                                               {QStringLiteral("block_file"), blockFile},
                                               {QStringLiteral("next_line"), nextLine}}},
        {QStringLiteral("dispatcher"),
         QJsonObject{{QStringLiteral("on"), dispatcherOn},
                     {QStringLiteral("plan_file"), planFile},
                     {QStringLiteral("stops_armed"), dispatcherStops}}},
        {QStringLiteral("players"), playerList},
    };
    if (!stoppedBy.isEmpty())
        object.insert(QStringLiteral("stopped_by"), stoppedBy);
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<OnAirState> OnAirState::fromJson(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    if (object.value(QStringLiteral("format")).toInt() != kFormat)
        return std::nullopt;
    OnAirState state;
    const QJsonObject ticker = object.value(QStringLiteral("ticker")).toObject();
    state.tickerRunning = ticker.value(QStringLiteral("running")).toBool();
    state.blockFile = ticker.value(QStringLiteral("block_file")).toString();
    state.nextLine = qMax(0, ticker.value(QStringLiteral("next_line")).toInt());
    const QJsonObject dispatcher = object.value(QStringLiteral("dispatcher")).toObject();
    state.dispatcherOn = dispatcher.value(QStringLiteral("on")).toBool();
    state.planFile = dispatcher.value(QStringLiteral("plan_file")).toString();
    state.dispatcherStops = dispatcher.value(QStringLiteral("stops_armed")).toString();
    state.stoppedBy = object.value(QStringLiteral("stopped_by")).toString();
    for (const QJsonValue& value : object.value(QStringLiteral("players")).toArray())
        if (const std::optional<PlayerRequest> request = requestFrom(value.toObject()))
            state.players.append(*request);
    return state;
}

bool OnAirState::operator==(const OnAirState& other) const
{
    auto same = [](const PlayerRequest& a, const PlayerRequest& b) {
        return a.letter == b.letter && a.slot == b.slot && a.target == b.target &&
               a.rect == b.rect && a.screen == b.screen;
    };
    return tickerRunning == other.tickerRunning && blockFile == other.blockFile &&
           nextLine == other.nextLine && dispatcherOn == other.dispatcherOn &&
           planFile == other.planFile && dispatcherStops == other.dispatcherStops &&
           stoppedBy == other.stoppedBy && players.size() == other.players.size() &&
           std::equal(players.begin(), players.end(), other.players.begin(), same);
}

}  // namespace velumo
