#pragma once

#include <QDateTime>
#include <QString>

#include "alerts/alertsconfig.h"
#include "alerts/capalert.h"

namespace velumo::alerts {

// Whether the station's place (point, geocodes) lies in an area: inside any polygon or circle
// of it, or holding any of its geocodes.
bool areaHolds(const CapArea& area, const AlertsConfig& station);
bool insidePolygon(const std::vector<GeoPoint>& polygon, GeoPoint point);
bool insideCircle(const GeoCircle& circle, GeoPoint point);

// What the station does with one alert at one moment.
//
// Shown: only status Actual (Exercise and Test with show_tests, marked «УЧЕБНОЕ» / «ТЕСТ»;
// System and Draft never), scope Public or addressed to this station; a message type that
// carries a warning (Alert, Update). Of its <info> blocks those count whose area holds the
// station (no area: everyone) and whose time has come (effective, or sent when there is none)
// and not passed (expires); among them those in the station's language first, then the most
// severe, most urgent, most certain. The onset is when the hazard begins, not when the warning
// may be shown: a warning is shown before it. Its severity and urgency then choose band or
// strip by the display rules.
struct Selection {
    enum class Verdict {
        Show,      // on air now, until `until` (invalid: until cancelled)
        Later,     // comes on at `from`
        NotShown,  // never as it stands; `reason` says why (Russian, for the operator)
    };
    Verdict verdict = Verdict::NotShown;
    int info = -1;  // the chosen <info> (Show, Later)
    Display display = Display::None;
    QDateTime from;
    QDateTime until;
    QString mark;
    QString reason;
};

Selection select(const CapAlert& alert, const AlertsConfig& config, const QDateTime& now);

// Orders infos and alerts on air: the most severe first, then the most urgent, the most
// certain. Negative when a comes before b.
int comparePressing(const CapInfo& a, const CapInfo& b);

}  // namespace velumo::alerts
