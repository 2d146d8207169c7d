#pragma once

#include <QDateTime>
#include <QHashFunctions>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace velumo::alerts {

// A warning as the Common Alerting Protocol (CAP 1.2, and 1.1 which is still published) carries
// it, after validation: every enumeration known, every moment with its time zone, every shape
// well formed. Only what the station uses is kept.

enum class Status { Actual, Exercise, System, Test, Draft };
enum class MsgType { Alert, Update, Cancel, Ack, Error };
enum class Scope { Public, Restricted, Private };
// From the most to the least pressing: a smaller value sorts first.
enum class Severity { Extreme, Severe, Moderate, Minor, Unknown };
enum class Urgency { Immediate, Expected, Future, Past, Unknown };
enum class Certainty { Observed, Likely, Possible, Unlikely, Unknown };

// The names as CAP spells them ("Actual", "Extreme"...).
QString name(Status value);
QString name(MsgType value);
QString name(Scope value);
QString name(Severity value);
QString name(Urgency value);
QString name(Certainty value);
// The value a CAP name stands for; none for a name CAP does not define.
std::optional<Status> statusNamed(const QString& text);
std::optional<MsgType> msgTypeNamed(const QString& text);
std::optional<Scope> scopeNamed(const QString& text);
std::optional<Severity> severityNamed(const QString& text);
std::optional<Urgency> urgencyNamed(const QString& text);
std::optional<Certainty> certaintyNamed(const QString& text);

// A moment of an alert as the operator reads it in logs and answers: local time,
// "dd.MM.yyyy hh:mm:ss".
QString momentText(const QDateTime& moment);

struct GeoPoint {
    double lat = 0;
    double lon = 0;
};

struct GeoCircle {
    GeoPoint centre;
    double radiusKm = 0;
};

// A geocode or a parameter: the value's name (an agreed scheme such as "OKATO") and the value.
struct NamedValue {
    QString name;
    QString value;
};

struct CapArea {
    QString description;
    // Each closed: the last point repeats the first.
    std::vector<std::vector<GeoPoint>> polygons;
    std::vector<GeoCircle> circles;
    std::vector<NamedValue> geocodes;
};

struct CapInfo {
    QString language;  // "en-US" when the document names none
    QStringList categories;
    QString event;
    Urgency urgency = Urgency::Unknown;
    Severity severity = Severity::Unknown;
    Certainty certainty = Certainty::Unknown;
    // Invalid when the document has none.
    QDateTime effective;
    QDateTime onset;
    QDateTime expires;
    QString senderName;
    QString headline;
    QString description;
    QString instruction;
    QString web;
    QString contact;
    // No area: for everyone.
    std::vector<CapArea> areas;
};

// An alert is one message of one sender: the pair names it wherever it comes from.
struct AlertKey {
    QString sender;
    QString identifier;

    bool operator==(const AlertKey&) const = default;
    bool isEmpty() const { return identifier.isEmpty(); }
    QString text() const { return sender + u'/' + identifier; }
};

inline size_t qHash(const AlertKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.sender, key.identifier);
}

struct CapReference {
    AlertKey key;
    QDateTime sent;
};

struct CapAlert {
    QString version;  // "1.2" or "1.1"
    QString identifier;
    QString sender;
    QDateTime sent;
    Status status = Status::Actual;
    MsgType msgType = MsgType::Alert;
    Scope scope = Scope::Public;
    QString source;
    QString restriction;
    QStringList addresses;
    QString note;
    std::vector<CapReference> references;
    std::vector<CapInfo> infos;

    AlertKey key() const { return {sender, identifier}; }
};

}  // namespace velumo::alerts
