#include "alertsconfig.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <cmath>

#include "base/guard.h"
#include "base/textfile.h"

namespace velumo::alerts {

namespace {

QString resolve(const QString& folder, const QString& name)
{
    return name.isEmpty() || QFileInfo(name).isAbsolute() ? name : QDir(folder).filePath(name);
}

std::optional<QList<DisplayPattern>> patterns(const QString& text)
{
    QList<DisplayPattern> list;
    for (const QString& item : text.split(u',', Qt::SkipEmptyParts)) {
        const QStringList parts = item.trimmed().split(u'/');
        if (parts.size() != 2)
            return std::nullopt;
        const DisplayPattern pattern{parts[0].trimmed(), parts[1].trimmed()};
        if ((pattern.severity != u"*" && !severityNamed(pattern.severity)) ||
            (pattern.urgency != u"*" && !urgencyNamed(pattern.urgency)))
            return std::nullopt;
        list.append(pattern);
    }
    return list;
}

std::optional<int> wholeNumber(const QString& text, int least, int most)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= least && value <= most ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

bool DisplayPattern::matches(Severity s, Urgency u) const
{
    return (severity == u"*" || severity == name(s)) && (urgency == u"*" || urgency == name(u));
}

QString patternsText(const QList<DisplayPattern>& patterns)
{
    QStringList texts;
    for (const DisplayPattern& pattern : patterns)
        texts.append(pattern.text());
    return texts.join(QStringLiteral(", "));
}

QList<DisplayPattern> AlertsConfig::defaultBand()
{
    QList<DisplayPattern> list;
    for (const char* severity : {"Extreme", "Severe"})
        for (const char* urgency : {"Immediate", "Expected"})
            list.append({QLatin1String(severity), QLatin1String(urgency)});
    return list;
}

Display AlertsConfig::displayFor(Severity severity, Urgency urgency) const
{
    const auto any = [&](const QList<DisplayPattern>& list) {
        return std::any_of(list.begin(), list.end(),
                           [&](const DisplayPattern& p) { return p.matches(severity, urgency); });
    };
    return any(band) ? Display::Band : any(strip) ? Display::Strip : Display::None;
}

CapTrust AlertsConfig::trust(const QString& programFolder) const
{
    CapTrust trust{{}, requireSignature};
    for (const QString& file : certificates)
        trust.certificateFiles.append(resolve(programFolder, file));
    return trust;
}

QString AlertsConfig::dropFolderPath(const QString& programFolder) const
{
    return dropFolder.isEmpty() ? QString() : QDir::cleanPath(resolve(programFolder, dropFolder));
}

QByteArray AlertsConfig::text() const
{
    QStringList lines{QStringLiteral("# Emergency alerts (CAP): where they come from, whom the "
                                     "station trusts, where it stands, how they are shown."),
                      QStringLiteral("[alerts]")};
    const auto put = [&](const char* key, const QString& value) {
        lines.append(QLatin1String(key) + QStringLiteral(" = ") + value);
    };
    for (const QString& feed : feeds)
        put("feed", feed);
    put("drop_folder", dropFolder);
    put("poll_s", QString::number(pollS));
    put("stale_min", QString::number(staleMin));
    put("require_signature", QString::number(int(requireSignature)));
    for (const QString& certificate : certificates)
        put("certificate", certificate);
    put("show_tests", QString::number(int(showTests)));
    put("language", language);
    if (place) {
        put("latitude", QString::number(place->lat, 'g', 12));
        put("longitude", QString::number(place->lon, 'g', 12));
    }
    for (const NamedValue& geocode : geocodes)
        put("geocode", geocode.name + u' ' + geocode.value);
    if (!station.isEmpty())
        put("station", station);
    put("band", patternsText(band));
    put("strip", patternsText(strip));
    put("repeat_min", QString::number(repeatMin));
    return (lines.join(u'\n') + u'\n').toUtf8();
}

void AlertsConfig::save(const QString& programFolder) const
{
    writeFileAtomic(QDir(programFolder).filePath(QLatin1String(kAlertsIniName)), text(), 0644);
}

AlertsConfigRead parseAlertsConfig(const QByteArray& text)
{
    AlertsConfigRead read;
    read.present = true;
    AlertsConfig& c = read.config;
    std::optional<double> latitude;
    std::optional<double> longitude;
    int number = 0;
    for (const QByteArray& raw : text.split('\n')) {
        ++number;
        QString line = QString::fromUtf8(raw).trimmed();
        if (number == 1 && line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        const auto error = [&](const QString& what) {
            read.errors.append(QStringLiteral("alerts.ini line %1: %2").arg(number).arg(what));
        };
        if (line.startsWith(u'[')) {
            if (line != u"[alerts]")
                error(QStringLiteral("unknown section %1").arg(line));
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            error(QStringLiteral("no \"key = value\""));
            continue;
        }
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        const auto whole = [&](int& field, int least, int most) {
            if (const std::optional<int> n = wholeNumber(value, least, most))
                field = *n;
            else
                error(QStringLiteral("%1 \"%2\" is not a whole number from %3 to %4")
                          .arg(key, value)
                          .arg(least)
                          .arg(most));
        };
        const auto flag = [&](bool& field) {
            if (value == u"0" || value == u"1")
                field = value == u"1";
            else
                error(QStringLiteral("%1 \"%2\" is neither 0 nor 1").arg(key, value));
        };
        const auto degrees = [&](std::optional<double>& field, double most) {
            bool ok = false;
            const double v = QLocale::c().toDouble(value, &ok);
            if (ok && std::isfinite(v) && std::abs(v) <= most)
                field = v;
            else
                error(QStringLiteral("%1 \"%2\" is not degrees from -%3 to %3")
                          .arg(key, value)
                          .arg(most));
        };
        if (key == u"feed") {
            if (!value.isEmpty())
                c.feeds.append(value);
        } else if (key == u"drop_folder") {
            c.dropFolder = value;
        } else if (key == u"poll_s") {
            whole(c.pollS, AlertsConfig::kMinPollS, 86400);
        } else if (key == u"stale_min") {
            whole(c.staleMin, 1, 7 * 24 * 60);
        } else if (key == u"repeat_min") {
            whole(c.repeatMin, 1, 24 * 60);
        } else if (key == u"require_signature") {
            flag(c.requireSignature);
        } else if (key == u"show_tests") {
            flag(c.showTests);
        } else if (key == u"certificate") {
            if (!value.isEmpty())
                c.certificates.append(value);
        } else if (key == u"language") {
            if (value.isEmpty())
                error(QStringLiteral("language is empty"));
            else
                c.language = value;
        } else if (key == u"latitude") {
            degrees(latitude, 90);
        } else if (key == u"longitude") {
            degrees(longitude, 180);
        } else if (key == u"geocode") {
            const qsizetype blank = value.indexOf(u' ');
            if (blank <= 0)
                error(QStringLiteral("geocode \"%1\" is not \"NAME VALUE\"").arg(value));
            else
                c.geocodes.push_back({value.left(blank), value.mid(blank + 1).trimmed()});
        } else if (key == u"station") {
            c.station = value;
        } else if (key == u"band" || key == u"strip") {
            if (const auto list = patterns(value))
                (key == u"band" ? c.band : c.strip) = *list;
            else
                error(QStringLiteral("%1 \"%2\" is not a list of Severity/Urgency (or *)")
                          .arg(key, value));
        } else {
            error(QStringLiteral("unknown key \"%1\"").arg(key));
        }
    }
    if (latitude.has_value() != longitude.has_value())
        read.errors.append(QStringLiteral("alerts.ini: latitude and longitude go together"));
    else if (latitude)
        c.place = GeoPoint{*latitude, *longitude};
    return read;
}

AlertsConfigRead readAlertsConfig(const QString& programFolder)
{
    const QString path = QDir(programFolder).filePath(QLatin1String(kAlertsIniName));
    if (!QFileInfo::exists(path))
        return {};
    try {
        return parseAlertsConfig(readFileBytes(path, kMaxSmallFileBytes));
    } catch (...) {
        AlertsConfigRead read;
        read.present = true;
        read.errors.append(QStringLiteral("%1: %2").arg(path, currentExceptionText()));
        return read;
    }
}

}  // namespace velumo::alerts
