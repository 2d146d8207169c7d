#pragma once

#include <QJsonObject>

namespace velumo::fleet {

// The status a station keeps retained on the broker: the control channel's status without what
// grows with the station's content. The block's three lists give way to the announcement on the
// strip ("block" → "on_air": line, index, tariff, text); any other list is cut to its first
// kListEntries entries (with "<name>_total" beside it) and any text to kTextChars characters. The
// message goes to every operator's page and watcher at every change and every minute, and
// Mosquitto 2.0 hands a message over about 4 kB to a browser a few kilobytes per turn of its
// loop: a block of a thousand announcements made it hundreds of kilobytes. The command "status"
// still answers the whole of it.
QJsonObject stationStatus(QJsonObject status);

inline constexpr int kListEntries = 5;
inline constexpr int kTextChars = 200;

}  // namespace velumo::fleet
