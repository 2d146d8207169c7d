#pragma once

#include <QString>

namespace velumo {

struct OnAirNow;

// The service's one-line status: what is on air, e.g. "Строка: идёт; ЦУП: k1 с 16:30:30; клип
// news.mp4" (the plan line the dispatcher started last, since its moment). Short (systemctl
// shows it in one line); a part the model does not know (no strip or dispatcher watched) is
// left out.
QString onAirSummary(const OnAirNow& now);

}  // namespace velumo
