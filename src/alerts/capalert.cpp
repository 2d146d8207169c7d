#include "capalert.h"

#include <array>

namespace velumo::alerts {

namespace {

constexpr std::array kStatus{"Actual", "Exercise", "System", "Test", "Draft"};
constexpr std::array kMsgType{"Alert", "Update", "Cancel", "Ack", "Error"};
constexpr std::array kScope{"Public", "Restricted", "Private"};
constexpr std::array kSeverity{"Extreme", "Severe", "Moderate", "Minor", "Unknown"};
constexpr std::array kUrgency{"Immediate", "Expected", "Future", "Past", "Unknown"};
constexpr std::array kCertainty{"Observed", "Likely", "Possible", "Unlikely", "Unknown"};

template <typename Enum, std::size_t N>
QString nameIn(const std::array<const char*, N>& names, Enum value)
{
    return QString::fromLatin1(names.at(std::size_t(value)));
}

template <typename Enum, std::size_t N>
std::optional<Enum> valueIn(const std::array<const char*, N>& names, const QString& text)
{
    for (std::size_t i = 0; i < N; ++i)
        if (text == QLatin1String(names[i]))
            return Enum(i);
    return std::nullopt;
}

}  // namespace

QString momentText(const QDateTime& moment)
{
    return moment.toLocalTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

QString name(Status value)
{
    return nameIn(kStatus, value);
}
QString name(MsgType value)
{
    return nameIn(kMsgType, value);
}
QString name(Scope value)
{
    return nameIn(kScope, value);
}
QString name(Severity value)
{
    return nameIn(kSeverity, value);
}
QString name(Urgency value)
{
    return nameIn(kUrgency, value);
}
QString name(Certainty value)
{
    return nameIn(kCertainty, value);
}

std::optional<Status> statusNamed(const QString& text)
{
    return valueIn<Status>(kStatus, text);
}
std::optional<MsgType> msgTypeNamed(const QString& text)
{
    return valueIn<MsgType>(kMsgType, text);
}
std::optional<Scope> scopeNamed(const QString& text)
{
    return valueIn<Scope>(kScope, text);
}
std::optional<Severity> severityNamed(const QString& text)
{
    return valueIn<Severity>(kSeverity, text);
}
std::optional<Urgency> urgencyNamed(const QString& text)
{
    return valueIn<Urgency>(kUrgency, text);
}
std::optional<Certainty> certaintyNamed(const QString& text)
{
    return valueIn<Certainty>(kCertainty, text);
}

}  // namespace velumo::alerts
