#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace velumo {
class EventLog;
}

namespace velumo::fleet {

// fleet.ini in the program folder: where the station's link goes and what it lets a remote
// caller do, and where the metrics are served. UTF-8, "key = value" lines; a line that starts
// with '#' or ';' is a comment, and so is what follows a '#' after a blank on a value line
// ("keepalive = 30   # seconds"); a value that holds such a '#' is written in double quotes
// ("password = \"a #1\""). The link's keys come before any heading or under "[fleet]", the
// metrics' under "[metrics]". Without the file there is no link at all.
struct FleetConfig {
    // The broker, as written: mqtt://host:port or mqtts://host:port (1883 / 8883 by default).
    QString broker;
    bool tls = false;
    QString host;
    int port = 0;
    // Letters, digits, '-' and '_' only; the host name when not given.
    QString station;
    QString user;
    QString password;
    QString caFile;
    QString certFile;
    QString keyFile;
    int keepAliveS = 30;
    // How often the status goes out when nothing on air changes.
    int statusIntervalS = 60;
    // The control commands a remote caller may run (each a whole verb: "ticker start").
    QStringList allow;

    static QStringList defaultAllow();
    // Checks a broker address; fills tls, host and port. An empty text when it is one.
    QString setBroker(const QString& address);
    // Whether a command line's verb is on the allow-list (the longest allowed verb that starts
    // the line at a word's end).
    bool allows(const QString& commandLine) const;
};

// The "[metrics]" section: the Prometheus endpoint's address and port (0: none).
struct MetricsConfig {
    QString address = QStringLiteral("127.0.0.1");
    quint16 port = 0;
    // What is wrong with the section; the endpoint then stays off.
    QString error;
};

// What reading fleet.ini gave: no file or a file with only "[metrics]" (no link), a
// configuration, or an error that says what is wrong (the link stays down and says so in the
// status). The metrics section is judged on its own: a fault of the link's part leaves the
// metrics served, and the other way round.
struct FleetConfigRead {
    bool present = false;
    FleetConfig config;
    QString error;
    MetricsConfig metrics;
};

FleetConfigRead readFleetConfig(const QString& programFolder);
// The same from the file's text; folder resolves relative file names.
FleetConfigRead parseFleetConfig(const QByteArray& text, const QString& programFolder);
// Writes fleet.ini (mode 0600, it may hold a password); an empty text when written.
QString writeFleetConfigText(const QString& programFolder, const QByteArray& text);

bool isStationId(const QString& id);

// fleet.ini's link values as the operator writes them (file names unresolved, numbers as text,
// comments and quotes taken off), for the page that edits it. An empty value leaves its key out
// (its default holds).
struct FleetConfigFields {
    QString broker;
    QString station;
    QString user;
    QString password;
    QString passwordFile;
    QString caFile;
    QString certFile;
    QString keyFile;
    QString keepAlive;
    QString statusInterval;  // not on the page; kept as the file has it
    QString allow;           // comma-separated verbs
};

// The values written in programFolder's fleet.ini (all empty without the file).
FleetConfigFields readFleetConfigFields(const QString& programFolder);
// The file text with the fields set into it: each key replaced where it stands (its comment
// kept), a new key added to the link's part, an emptied one taken out; every other line,
// section and comment stays as it was.
QByteArray fleetConfigText(const QByteArray& text, const FleetConfigFields& fields);
// Sets the fields into programFolder's fleet.ini as fleetConfigText does, checks the whole file
// as the program reads it at its start and writes it (mode 0600); an empty text when written,
// else what is wrong (the file stays as it was).
QString saveFleetConfigFields(const QString& programFolder, const FleetConfigFields& fields);

inline constexpr char kFleetIniName[] = "fleet.ini";

// A station whose fleet.ini does not read goes on without the link and says why: in velumo.log
// and in the status member "fleet" this returns.
QJsonObject refusedLinkStatus(const FleetConfigRead& read, EventLog& log);
// fleet.ini may hold a password: velumo.log says so when others may read it.
void noteOpenPermissions(const QString& programFolder, EventLog& log);

}  // namespace velumo::fleet
