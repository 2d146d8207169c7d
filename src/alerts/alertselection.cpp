#include "alertselection.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

namespace velumo::alerts {

namespace {

constexpr double kEarthRadiusKm = 6371.0088;

QDateTime startOf(const CapAlert& alert, const CapInfo& info)
{
    return info.effective.isValid() ? info.effective : alert.sent;
}

bool sameLanguage(const QString& a, const QString& b)
{
    return a.section(u'-', 0, 0).compare(b.section(u'-', 0, 0), Qt::CaseInsensitive) == 0;
}

}  // namespace

bool insidePolygon(const std::vector<GeoPoint>& polygon, GeoPoint point)
{
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const GeoPoint& a = polygon[i];
        const GeoPoint& b = polygon[j];
        if ((a.lat > point.lat) != (b.lat > point.lat) &&
            point.lon < (b.lon - a.lon) * (point.lat - a.lat) / (b.lat - a.lat) + a.lon)
            inside = !inside;
    }
    return inside;
}

bool insideCircle(const GeoCircle& circle, GeoPoint point)
{
    constexpr double kRadians = std::numbers::pi / 180;
    const double dLat = (point.lat - circle.centre.lat) * kRadians;
    const double dLon = (point.lon - circle.centre.lon) * kRadians;
    const double h = std::pow(std::sin(dLat / 2), 2) + std::cos(circle.centre.lat * kRadians) *
                                                           std::cos(point.lat * kRadians) *
                                                           std::pow(std::sin(dLon / 2), 2);
    return 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h))) <= circle.radiusKm;
}

bool areaHolds(const CapArea& area, const AlertsConfig& station)
{
    if (station.place) {
        for (const auto& polygon : area.polygons)
            if (insidePolygon(polygon, *station.place))
                return true;
        for (const GeoCircle& circle : area.circles)
            if (insideCircle(circle, *station.place))
                return true;
    }
    for (const NamedValue& code : area.geocodes)
        for (const NamedValue& own : station.geocodes)
            if (code.name.compare(own.name, Qt::CaseInsensitive) == 0 && code.value == own.value)
                return true;
    return false;
}

int comparePressing(const CapInfo& a, const CapInfo& b)
{
    if (a.severity != b.severity)
        return int(a.severity) - int(b.severity);
    if (a.urgency != b.urgency)
        return int(a.urgency) - int(b.urgency);
    return int(a.certainty) - int(b.certainty);
}

Selection select(const CapAlert& alert, const AlertsConfig& config, const QDateTime& now)
{
    Selection s;
    const auto no = [&s](const QString& reason) {
        s.reason = reason;
        return s;
    };
    switch (alert.status) {
        case Status::Actual:
            break;
        case Status::Exercise:
        case Status::Test:
            if (!config.showTests)
                return no(QStringLiteral("учебное или тестовое (status %1), а show_tests = 0")
                              .arg(name(alert.status)));
            s.mark =
                alert.status == Status::Test ? QStringLiteral("ТЕСТ") : QStringLiteral("УЧЕБНОЕ");
            break;
        case Status::System:
        case Status::Draft:
            return no(QStringLiteral("status %1 не показывается").arg(name(alert.status)));
    }
    if (alert.scope != Scope::Public &&
        (config.station.isEmpty() || !alert.addresses.contains(config.station)))
        return no(QStringLiteral("scope %1, и среди адресатов нет этой станции (station в "
                                 "alerts.ini)")
                      .arg(name(alert.scope)));
    if (alert.msgType == MsgType::Cancel)
        return no(
            QStringLiteral("отмена (Cancel) только снимает оповещения, на которые ссылается"));
    if (alert.msgType == MsgType::Ack || alert.msgType == MsgType::Error)
        return no(QStringLiteral("msgType %1 не показывается").arg(name(alert.msgType)));

    std::vector<int> here;
    bool placeUnknown = false;
    for (int i = 0; i < int(alert.infos.size()); ++i) {
        const CapInfo& info = alert.infos[std::size_t(i)];
        if (info.areas.empty() ||
            std::any_of(info.areas.begin(), info.areas.end(),
                        [&](const CapArea& a) { return areaHolds(a, config); }))
            here.push_back(i);
        else if (!config.place && config.geocodes.empty())
            placeUnknown = true;
    }
    if (alert.infos.empty())
        return no(QStringLiteral("в оповещении нет блока <info>"));
    if (here.empty())
        return no(placeUnknown ? QStringLiteral("место станции не задано (latitude, longitude, "
                                                "geocode в alerts.ini)")
                               : QStringLiteral("станция вне районов оповещения"));

    std::vector<int> current, later;
    QDateTime expired;
    QString hiddenByRules;
    for (const int i : here) {
        const CapInfo& info = alert.infos[std::size_t(i)];
        if (info.expires.isValid() && now >= info.expires) {
            if (!expired.isValid() || info.expires > expired)
                expired = info.expires;
        } else if (config.displayFor(info.severity, info.urgency) == Display::None) {
            hiddenByRules = name(info.severity) + u'/' + name(info.urgency);
        } else {
            (now < startOf(alert, info) ? later : current).push_back(i);
        }
    }
    const auto fill = [&](int i, Selection::Verdict verdict) {
        const CapInfo& info = alert.infos[std::size_t(i)];
        s.verdict = verdict;
        s.info = i;
        s.display = config.displayFor(info.severity, info.urgency);
        s.from = startOf(alert, info);
        s.until = info.expires;
        return s;
    };
    if (!current.empty()) {
        std::vector<int> pool;
        std::copy_if(current.begin(), current.end(), std::back_inserter(pool), [&](int i) {
            return sameLanguage(alert.infos[std::size_t(i)].language, config.language);
        });
        if (pool.empty())
            pool = current;
        return fill(*std::min_element(pool.begin(), pool.end(),
                                      [&](int a, int b) {
                                          return comparePressing(alert.infos[std::size_t(a)],
                                                                 alert.infos[std::size_t(b)]) < 0;
                                      }),
                    Selection::Verdict::Show);
    }
    if (!later.empty())
        return fill(*std::min_element(later.begin(), later.end(),
                                      [&](int a, int b) {
                                          return startOf(alert, alert.infos[std::size_t(a)]) <
                                                 startOf(alert, alert.infos[std::size_t(b)]);
                                      }),
                    Selection::Verdict::Later);
    if (!hiddenByRules.isEmpty())
        return no(QStringLiteral("правила показа (band, strip в alerts.ini) не показывают %1")
                      .arg(hiddenByRules));
    return no(QStringLiteral("истекло %1").arg(momentText(expired)));
}

}  // namespace velumo::alerts
