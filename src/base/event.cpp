#include "event.h"

namespace velumo {

QString PlayerEvent::name(What what)
{
    switch (what) {
        case What::Start:
            return QStringLiteral("start");
        case What::Started:
            return QStringLiteral("started");
        case What::Ended:
            return QStringLiteral("ended");
        case What::Failed:
            return QStringLiteral("failed");
        case What::Stop:
            return QStringLiteral("stop");
        case What::Stopped:
            return QStringLiteral("stopped");
        case What::Park:
            return QStringLiteral("park");
        case What::Parked:
            return QStringLiteral("parked");
        case What::Recovered:
            return QStringLiteral("recovered");
    }
    return QString();
}

QJsonObject PlayerEvent::fields() const
{
    QJsonObject object{{QStringLiteral("event"), name(what)},
                       {QStringLiteral("letter"), QString(letter)}};
    if (aboutContent) {
        object.insert(QStringLiteral("slot"), slot);
        object.insert(QStringLiteral("target"), target);
    }
    const QJsonValue onScreen = seconds ? QJsonValue(*seconds) : QJsonValue(QJsonValue::Null);
    switch (what) {
        case What::Start:
        case What::Recovered:
            object.insert(QStringLiteral("plan_line"), planLine);
            break;
        case What::Started:
            object.insert(QStringLiteral("first"), first);
            break;
        case What::Ended:
            object.insert(QStringLiteral("running"), running);
            break;
        case What::Failed:
            object.insert(QStringLiteral("reason"), reason);
            object.insert(QStringLiteral("seconds"), onScreen);
            break;
        case What::Stopped:
        case What::Parked:
            object.insert(QStringLiteral("seconds"), onScreen);
            break;
        case What::Stop:
        case What::Park:
            break;
    }
    return object;
}

QJsonObject StartEvent::fields() const
{
    QJsonObject object{{QStringLiteral("line"), line}};
    if (lateMs)
        object.insert(QStringLiteral("late_ms"), double(*lateMs));
    return object;
}

QJsonObject TickerEvent::fields() const
{
    return {{QStringLiteral("event"), QStringLiteral("announcement")},
            {QStringLiteral("index"), index},
            {QStringLiteral("tariff"), tariff},
            {QStringLiteral("text"), text},
            {QStringLiteral("entered_ms"), double(enteredMs)},
            {QStringLiteral("left_ms"), double(leftMs)}};
}

QJsonObject AlarmEvent::fields() const
{
    QJsonObject object{{QStringLiteral("id"), id}};
    object.insert(QStringLiteral("event"),
                  raised ? QStringLiteral("raised") : QStringLiteral("cleared"));
    if (raised) {
        object.insert(QStringLiteral("since"), since.toString(Qt::ISODateWithMs));
        object.insert(QStringLiteral("text"), text);
    }
    return object;
}

QJsonObject ProgramEvent::fields() const
{
    QJsonObject object{{QStringLiteral("event"),
                        what == What::Start ? QStringLiteral("start") : QStringLiteral("exit")}};
    if (!signal.isEmpty())
        object.insert(QStringLiteral("signal"), signal);
    return object;
}

QJsonObject DispatcherEvent::fields() const
{
    return {{QStringLiteral("event"), on ? QStringLiteral("start") : QStringLiteral("stop")}};
}

QJsonObject ClockEvent::fields() const
{
    return {{QStringLiteral("step_s"), stepS}};
}

QString AlertEvent::name(What what)
{
    switch (what) {
        case What::Received:
            return QStringLiteral("received");
        case What::Refused:
            return QStringLiteral("refused");
        case What::On:
            return QStringLiteral("on");
        case What::Off:
            return QStringLiteral("off");
    }
    return QString();
}

QJsonObject AlertEvent::fields() const
{
    QJsonObject object{{QStringLiteral("event"), name(what)},
                       {QStringLiteral("id"), id()},
                       {QStringLiteral("source"), source}};
    if (what == What::Received || what == What::Refused) {
        object.insert(QStringLiteral("text"), text);
        return object;
    }
    const auto moment = [](const QDateTime& at) {
        return at.isValid()
                   ? QJsonValue(at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs))
                   : QJsonValue(QJsonValue::Null);
    };
    object.insert(QStringLiteral("identifier"), identifier);
    object.insert(QStringLiteral("sender"), sender);
    object.insert(QStringLiteral("sent"), moment(sent));
    object.insert(QStringLiteral("severity"), severity);
    object.insert(QStringLiteral("urgency"), urgency);
    object.insert(QStringLiteral("display"), display);
    object.insert(QStringLiteral("headline"), headline);
    object.insert(QStringLiteral("mark"), mark);
    object.insert(QStringLiteral("since"), moment(since));
    object.insert(QStringLiteral("until"), moment(until));
    if (what == What::Off) {
        object.insert(QStringLiteral("reason"), reason);
        object.insert(QStringLiteral("note"), note);
    }
    return object;
}

QJsonObject Event::fields() const
{
    return std::visit(
        [](const auto& value) -> QJsonObject {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, LineEvent>) {
                QJsonObject object{{QStringLiteral("text"), value.text}};
                if (!value.source.isEmpty())
                    object.insert(QStringLiteral("source"), value.source);
                return object;
            } else {
                return value.fields();
            }
        },
        body);
}

}  // namespace velumo
