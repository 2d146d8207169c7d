#include "alertsonair.h"

#include "alerts/alertboard.h"

namespace velumo::alerts {

QList<OnAirNow::Alert> onAirEntries(const QList<OnAirAlert>& alerts)
{
    QList<OnAirNow::Alert> out;
    for (const OnAirAlert& a : alerts)
        out.append({a.key.text(), a.key.sender, a.key.identifier, a.sent, name(a.info.severity),
                    name(a.info.urgency),
                    a.display == Display::Band ? QStringLiteral("band") : QStringLiteral("strip"),
                    a.info.headline.isEmpty() ? a.info.event : a.info.headline, a.mark, a.source,
                    a.since, a.until});
    return out;
}

}  // namespace velumo::alerts
