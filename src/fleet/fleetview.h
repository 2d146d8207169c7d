#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

namespace velumo::fleet {

struct MqttMessage;

// What the operator's view knows of every station, from the topics under velumo/+/.
class FleetTable {
public:
    struct Station {
        bool online = false;
        bool seenOnline = false;
        QJsonObject status;
        QDateTime lastEvent;
        QString lastEventKind;
    };

    // Takes one message of velumo/<station>/{online,status,events}; false for any other.
    bool take(const MqttMessage& message, const QDateTime& now);
    // The table, 80 columns: id, online, on air, current plan line, last event age, alarms.
    QString text(const QDateTime& now) const;
    QJsonArray json(const QDateTime& now) const;
    const QMap<QString, Station>& stations() const { return m_stations; }

private:
    QMap<QString, Station> m_stations;
};

// The text with what a terminal would take as orders (escape sequences, other controls, marks
// that reorder the line) taken out; newlines stay.
QString printable(const QString& text);

// "velumo --fleet BROKER [--user U] [--password-file F] [--ca F] [--cert F --key F]
//  [--once] [--json] [--send STATION COMMAND] [--timeout MS] [--watch --exec COMMAND]": the
// live table of the fleet, one command to one station with the exit codes of "--send", or the
// watcher (watchcommand.h). Needs no display. An mqtts:// broker without --ca is checked against
// the system's CA store; a CA, certificate or key that cannot be read ends the run (exit 2)
// before anything is sent. What stations send is printed without the characters a terminal
// would obey.
int runFleetCommand(const QStringList& arguments);

}  // namespace velumo::fleet
