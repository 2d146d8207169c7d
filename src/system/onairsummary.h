#pragma once

#include <QJsonObject>
#include <QString>

namespace velumo {

// The service's one-line status: what is on air, read from the "status" object's members
// ticker, dispatcher and players, e.g. "Строка: идёт; ЦУП: k1 с 16:30:30; клип news.mp4".
// Short (systemctl shows it in one line); members that are missing are left out.
QString onAirSummary(const QJsonObject& status);

}  // namespace velumo
