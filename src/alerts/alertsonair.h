#pragma once

#include <QList>

#include "onair/onairnow.h"

namespace velumo::alerts {

struct OnAirAlert;

// The alerts on air as the program's one on-air model holds them (OnAirModel::setAlerts), for
// the fleet's status and the journal.
QList<OnAirNow::Alert> onAirEntries(const QList<OnAirAlert>& alerts);

}  // namespace velumo::alerts
