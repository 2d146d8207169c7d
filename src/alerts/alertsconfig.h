#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "alerts/capalert.h"
#include "alerts/capreader.h"

namespace velumo::alerts {

// How an alert on air is shown: the alert band over everything, or a priority announcement in
// the strip.
enum class Display { None, Band, Strip };

// A severity and an urgency, each a CAP name or "*" for any.
struct DisplayPattern {
    QString severity;
    QString urgency;

    bool matches(Severity s, Urgency u) const;
    QString text() const { return severity + u'/' + urgency; }
};

// The display rules as alerts.ini writes them ("Extreme/Immediate, Severe/*").
QString patternsText(const QList<DisplayPattern>& patterns);

// alerts.ini in the program folder (UTF-8, "key = value" lines, '#' or ';' comments, an
// optional "[alerts]" heading). Without the file the station takes no alerts at all.
//
//   feed = URL              a CAP document or an Atom/RSS index of them; any number of lines
//   drop_folder = alerts    a CAP file put there is read (relative to the program folder);
//                           empty: no drop folder
//   poll_s = 30             how often each feed is asked (at least 5)
//   stale_min = 10          a feed unread this long is stale
//   require_signature = 0   1: only alerts signed by a listed certificate
//   certificate = FILE      a trusted signer's certificate (PEM); any number of lines
//   show_tests = 0          1: Test and Exercise alerts too, marked as such
//   language = ru-RU        the language preferred among an alert's texts
//   latitude = / longitude =   the station's place (decimal degrees, WGS 84)
//   geocode = NAME VALUE    a code of the station's area (as "OKATO 45000000"); any number
//   station = ID            this station's address for alerts of Restricted or Private scope
//   band = Extreme/Immediate, Extreme/Expected, Severe/Immediate, Severe/Expected
//   strip = */*             which severities and urgencies take the band, which the strip (the
//                           band is looked at first; what neither names is not shown)
//   repeat_min = 10         how often a strip alert is repeated
struct AlertsConfig {
    static constexpr int kMinPollS = 5;

    QStringList feeds;
    QString dropFolder = QStringLiteral("alerts");
    int pollS = 30;
    int staleMin = 10;
    bool requireSignature = false;
    QStringList certificates;  // as written: relative to the program folder or absolute
    bool showTests = false;
    QString language = QStringLiteral("ru-RU");
    std::optional<GeoPoint> place;
    std::vector<NamedValue> geocodes;
    QString station;
    QList<DisplayPattern> band = defaultBand();
    QList<DisplayPattern> strip = {{QStringLiteral("*"), QStringLiteral("*")}};
    int repeatMin = 10;

    static QList<DisplayPattern> defaultBand();
    Display displayFor(Severity severity, Urgency urgency) const;
    CapTrust trust(const QString& programFolder) const;
    // The drop folder's absolute path; empty when there is none.
    QString dropFolderPath(const QString& programFolder) const;

    // The file's text, every value written (a round trip through parse gives the same values).
    QByteArray text() const;
    // Replaces alerts.ini atomically. Throws Failure.
    void save(const QString& programFolder) const;
};

// What reading alerts.ini gave: no file (no alerts), or the values with what was wrong in it
// (each wrong line named; its value keeps its default).
struct AlertsConfigRead {
    bool present = false;
    AlertsConfig config;
    QStringList errors;
};

AlertsConfigRead readAlertsConfig(const QString& programFolder);
AlertsConfigRead parseAlertsConfig(const QByteArray& text);

inline constexpr char kAlertsIniName[] = "alerts.ini";

}  // namespace velumo::alerts
