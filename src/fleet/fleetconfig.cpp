#include "fleetconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>
#include <vector>

#include "base/eventlog.h"

namespace velumo::fleet {

namespace {

QString resolve(const QString& folder, const QString& name)
{
    if (name.isEmpty() || QFileInfo(name).isAbsolute())
        return name;
    return QDir(folder).filePath(name);
}

QString defaultStation()
{
    QString id;
    for (const QChar c : QHostInfo::localHostName())
        if (c.isLetterOrNumber() && c.unicode() < 128)
            id += c;
        else if (c == u'-' || c == u'_')
            id += c;
        else
            break;  // the domain part of a name with dots
    return id.isEmpty() ? QStringLiteral("station") : id;
}

}  // namespace

QStringList FleetConfig::defaultAllow()
{
    return {QStringLiteral("status"),          QStringLiteral("screenshot"),
            QStringLiteral("ticker start"),    QStringLiteral("ticker stop"),
            QStringLiteral("ticker continue"), QStringLiteral("ticker restart"),
            QStringLiteral("phrase"),          QStringLiteral("dispatcher start"),
            QStringLiteral("dispatcher stop"), QStringLiteral("show")};
}

bool isStationId(const QString& id)
{
    if (id.isEmpty() || id.size() > 64)
        return false;
    for (const QChar c : id)
        if (!(c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-' || c == u'_')))
            return false;
    return true;
}

QString FleetConfig::setBroker(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != u"mqtt" && scheme != u"mqtts") || url.host().isEmpty() ||
        !url.path().isEmpty() || url.hasQuery() || !url.userInfo().isEmpty())
        return QStringLiteral("broker: \"%1\" is not mqtt://host:port or mqtts://host:port")
            .arg(address);
    broker = address;
    tls = scheme == u"mqtts";
    host = url.host();
    port = url.port(tls ? 8883 : 1883);
    return {};
}

bool FleetConfig::allows(const QString& commandLine) const
{
    const QString line = commandLine.simplified();
    for (const QString& verb : allow)
        if (line == verb || line.startsWith(verb + u' '))
            return true;
    return false;
}

namespace {

// One line of fleet.ini as written, and what it says.
struct IniItem {
    enum class Kind { Blank, Comment, Heading, Value, Malformed };
    Kind kind = Kind::Blank;
    int number = 0;   // 1-based
    QString section;  // a heading's name, or the section a line stands in ("" before any)
    QString key;      // lower case
    QString value;    // without its comment and quotes
    QString error;    // what is wrong with a malformed line
    // A value line split for rewriting: the text up to and with '=', and what follows the
    // value (the blanks before a comment, the comment).
    QString head;
    QString tail;
};

bool isLinkSection(const QString& section)
{
    return section.isEmpty() || section == u"fleet";
}

// A value as written after '=': a double-quoted value runs to its closing quote (a backslash
// escapes the character after it); otherwise a '#' at its start or after a blank begins a
// comment. tailAt gets where the comment's part begins in text.
QString readValue(const QString& text, qsizetype& tailAt, QString& error)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i < text.size() && text[i] == u'"') {
        QString value;
        for (++i; i < text.size(); ++i) {
            if (text[i] == u'\\' && i + 1 < text.size()) {
                value += text[++i];
            } else if (text[i] == u'"') {
                tailAt = i + 1;
                const QString rest = text.mid(tailAt).trimmed();
                if (!rest.isEmpty() && !rest.startsWith(u'#'))
                    error = QStringLiteral("text after the closing quote");
                return value;
            } else {
                value += text[i];
            }
        }
        error = QStringLiteral("a quote that is not closed");
        tailAt = text.size();
        return {};
    }
    for (qsizetype j = i; j < text.size(); ++j) {
        if (text[j] == u'#' && (j == i || text[j - 1].isSpace())) {
            tailAt = j;
            while (tailAt > i && text[tailAt - 1].isSpace())
                --tailAt;
            return text.mid(i, tailAt - i).trimmed();
        }
    }
    tailAt = text.size();
    while (tailAt > i && text[tailAt - 1].isSpace())
        --tailAt;
    return text.mid(i, tailAt - i);
}

// The value as fleet.ini writes it: quoted when a reader would otherwise take part of it for a
// comment or a quote.
QString writtenValue(const QString& value)
{
    static const QRegularExpression commentLike(QStringLiteral("\\s#"));
    if (!value.startsWith(u'"') && !value.startsWith(u'#') && !value.contains(commentLike))
        return value;
    QString escaped = value;
    escaped.replace(u'\\', QLatin1String("\\\\"));
    escaped.replace(u'"', QLatin1String("\\\""));
    return u'"' + escaped + u'"';
}

// The file's lines without their line feeds (a carriage return stays with its line).
QStringList splitIni(const QByteArray& text)
{
    return QString::fromUtf8(text).split(u'\n');
}

std::vector<IniItem> readItems(const QStringList& lines)
{
    std::vector<IniItem> items;
    items.reserve(std::size_t(lines.size()));
    QString section;
    for (int i = 0; i < lines.size(); ++i) {
        IniItem item;
        item.number = i + 1;
        QString line = lines[i];
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line = line.mid(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty()) {
            item.kind = IniItem::Kind::Blank;
        } else if (trimmed.startsWith(u'#') || trimmed.startsWith(u';')) {
            item.kind = IniItem::Kind::Comment;
        } else if (trimmed.startsWith(u'[')) {
            qsizetype tailAt = 0;
            QString unused;
            const QString heading = readValue(trimmed, tailAt, unused);
            if (heading.endsWith(u']')) {
                item.kind = IniItem::Kind::Heading;
                section = heading.mid(1, heading.size() - 2).trimmed().toLower();
            } else {
                item.kind = IniItem::Kind::Malformed;
                item.error = QStringLiteral("line %1: a heading is [name]").arg(item.number);
            }
        } else if (const qsizetype equals = line.indexOf(u'='); equals < 0) {
            item.kind = IniItem::Kind::Malformed;
            item.error = QStringLiteral("line %1: no \"key = value\"").arg(item.number);
        } else {
            item.kind = IniItem::Kind::Value;
            item.key = line.left(equals).trimmed().toLower();
            const QString after = line.mid(equals + 1);
            qsizetype tailAt = 0;
            QString error;
            item.value = readValue(after, tailAt, error);
            if (!error.isEmpty()) {
                item.kind = IniItem::Kind::Malformed;
                item.error = QStringLiteral("line %1: %2").arg(item.number).arg(error);
            }
            item.head = lines[i].left(lines[i].size() - line.size() + equals + 1);
            item.tail = after.mid(tailAt);
        }
        item.section = section;
        items.push_back(std::move(item));
    }
    return items;
}

void readMetrics(const IniItem& item, MetricsConfig& metrics, QStringList& errors)
{
    if (item.key == u"metrics_port") {
        bool ok = false;
        const uint port = item.value.toUInt(&ok);
        if (!ok || port > 65535)
            errors << QStringLiteral("metrics_port: \"%1\" is not a port (1 to 65535, 0: none)")
                          .arg(item.value);
        else
            metrics.port = quint16(port);
    } else if (item.key == u"metrics_address") {
        if (QHostAddress address; !address.setAddress(item.value))
            errors << QStringLiteral("metrics_address: \"%1\" is no IP address").arg(item.value);
        else
            metrics.address = item.value;
    } else {
        errors << QStringLiteral("line %1: unknown key \"%2\" in [metrics]")
                      .arg(item.number)
                      .arg(item.key);
    }
}

}  // namespace

FleetConfigRead parseFleetConfig(const QByteArray& text, const QString& programFolder)
{
    FleetConfigRead read;
    FleetConfig& c = read.config;
    c.allow = FleetConfig::defaultAllow();
    QString passwordFile;
    QStringList errors;
    QStringList metricsErrors;
    bool metricsSection = false;
    bool linkLines = false;
    for (const IniItem& item : readItems(splitIni(text))) {
        const bool metrics = item.section == u"metrics";
        switch (item.kind) {
            case IniItem::Kind::Blank:
            case IniItem::Kind::Comment:
                continue;
            case IniItem::Kind::Heading:
                if (metrics) {
                    metricsSection = true;
                    continue;
                }
                linkLines = true;
                if (!isLinkSection(item.section))
                    errors << QStringLiteral("line %1: unknown section [%2]")
                                  .arg(item.number)
                                  .arg(item.section);
                continue;
            case IniItem::Kind::Malformed:
                (metrics ? metricsErrors : errors) << item.error;
                linkLines = linkLines || !metrics;
                continue;
            case IniItem::Kind::Value:
                break;
        }
        if (metrics) {
            readMetrics(item, read.metrics, metricsErrors);
            continue;
        }
        linkLines = true;
        if (!isLinkSection(item.section))
            continue;  // the unknown section is named once, at its heading
        const QString& key = item.key;
        const QString& value = item.value;
        bool ok = true;
        if (key == u"broker") {
            if (const QString error = c.setBroker(value); !error.isEmpty())
                errors << error;
        } else if (key == u"station") {
            c.station = value;
        } else if (key == u"user") {
            c.user = value;
        } else if (key == u"password") {
            c.password = value;
        } else if (key == u"password_file") {
            passwordFile = resolve(programFolder, value);
        } else if (key == u"ca_file") {
            c.caFile = resolve(programFolder, value);
        } else if (key == u"cert_file") {
            c.certFile = resolve(programFolder, value);
        } else if (key == u"key_file") {
            c.keyFile = resolve(programFolder, value);
        } else if (key == u"keepalive") {
            c.keepAliveS = value.toInt(&ok);
            if (!ok || c.keepAliveS < 5 || c.keepAliveS > 3600)
                errors << QStringLiteral("keepalive: \"%1\" is not 5 to 3600 seconds").arg(value);
        } else if (key == u"status_interval") {
            c.statusIntervalS = value.toInt(&ok);
            if (!ok || c.statusIntervalS < 1 || c.statusIntervalS > 3600)
                errors << QStringLiteral("status_interval: \"%1\" is not 1 to 3600 seconds")
                              .arg(value);
        } else if (key == u"allow") {
            c.allow.clear();
            for (const QString& verb : value.split(u',', Qt::SkipEmptyParts))
                if (const QString v = verb.simplified(); !v.isEmpty())
                    c.allow << v;
        } else {
            errors << QStringLiteral("line %1: unknown key \"%2\"").arg(item.number).arg(key);
        }
    }
    read.metrics.error = metricsErrors.join(QStringLiteral("; "));
    // A file with nothing but its [metrics] section serves the metrics and makes no link.
    read.present = linkLines || !metricsSection;
    if (!read.present)
        return read;
    if (c.broker.isEmpty() && errors.isEmpty())
        errors << QStringLiteral("no broker");
    if (c.station.isEmpty())
        c.station = defaultStation();
    else if (!isStationId(c.station))
        errors << QStringLiteral("station: \"%1\" may hold only letters, digits, - and _")
                      .arg(c.station);
    if (!passwordFile.isEmpty()) {
        QFile file(passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            errors << QStringLiteral("password_file: cannot read %1").arg(passwordFile);
        else
            c.password = QString::fromUtf8(file.read(4096)).section(u'\n', 0, 0).trimmed();
    }
    if (c.tls && c.caFile.isEmpty())
        errors << QStringLiteral("ca_file: mqtts needs a CA file");
    for (const auto& [name, path] :
         {std::pair{"ca_file", c.caFile}, std::pair{"cert_file", c.certFile},
          std::pair{"key_file", c.keyFile}})
        if (!path.isEmpty() && !QFileInfo(path).isReadable())
            errors << QStringLiteral("%1: cannot read %2").arg(QLatin1String(name), path);
    if (c.certFile.isEmpty() != c.keyFile.isEmpty())
        errors << QStringLiteral("cert_file and key_file go together");
    if (!c.tls && !c.caFile.isEmpty())
        errors << QStringLiteral("ca_file: the broker address is not mqtts://");
    read.error = errors.join(QStringLiteral("; "));
    return read;
}

FleetConfigRead readFleetConfig(const QString& programFolder)
{
    QFile file(QDir(programFolder).filePath(QLatin1String(kFleetIniName)));
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        FleetConfigRead read;
        read.present = true;
        read.error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        return read;
    }
    return parseFleetConfig(file.read(1024 * 1024), programFolder);
}

QString writeFleetConfigText(const QString& programFolder, const QByteArray& text)
{
    QSaveFile file(QDir(programFolder).filePath(QLatin1String(kFleetIniName)));
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(text) != text.size() || !file.commit())
        return file.errorString();
    return {};
}

namespace {

// The page's fields in the order they are written, with their keys.
template <typename Fields, typename Fn>
void forEachField(Fields& f, Fn fn)
{
    fn("broker", f.broker);
    fn("station", f.station);
    fn("user", f.user);
    fn("password", f.password);
    fn("password_file", f.passwordFile);
    fn("ca_file", f.caFile);
    fn("cert_file", f.certFile);
    fn("key_file", f.keyFile);
    fn("keepalive", f.keepAlive);
    fn("status_interval", f.statusInterval);
    fn("allow", f.allow);
}

}  // namespace

namespace {

// Sets one key of the link's part: replaced where it stands last (earlier ones go), added
// after the part's last value when new, taken out when the value is empty.
void setLinkKey(QStringList& lines, const QString& key, const QString& value)
{
    const std::vector<IniItem> items = readItems(lines);
    QList<int> found;
    int lastLinkValue = -1;
    int fleetHeading = -1;
    int firstHeading = -1;
    for (const IniItem& item : items) {
        const int at = item.number - 1;
        if (item.kind == IniItem::Kind::Heading) {
            if (firstHeading < 0)
                firstHeading = at;
            if (fleetHeading < 0 && item.section == u"fleet")
                fleetHeading = at;
        } else if ((item.kind == IniItem::Kind::Value || item.kind == IniItem::Kind::Malformed) &&
                   isLinkSection(item.section)) {
            lastLinkValue = at;
            if (item.kind == IniItem::Kind::Value && item.key == key)
                found.append(at);
        }
    }
    const bool crlf = !lines.isEmpty() && lines.first().endsWith(u'\r');
    const QString end = crlf ? QStringLiteral("\r") : QString();
    if (!found.isEmpty()) {
        const int last = found.takeLast();
        if (value.isEmpty()) {
            found.append(last);
        } else {
            const IniItem& item = items[std::size_t(last)];
            const QString blank = item.head.endsWith(u' ') ? QString() : QStringLiteral(" ");
            lines[last] = item.head + blank + writtenValue(value) + item.tail;
        }
        for (auto it = found.crbegin(); it != found.crend(); ++it)
            lines.removeAt(*it);
        return;
    }
    if (value.isEmpty())
        return;
    const QString line = key + QStringLiteral(" = ") + writtenValue(value) + end;
    if (lastLinkValue >= 0 || fleetHeading >= 0) {
        lines.insert(qMax(lastLinkValue, fleetHeading) + 1, line);
        return;
    }
    if (firstHeading >= 0) {
        for (const QString& added : {end, line, QStringLiteral("[fleet]") + end})
            lines.insert(firstHeading, added);
        return;
    }
    // A file of comments alone, or none: the section goes at its end.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    lines << QStringLiteral("[fleet]") + end << line << QString();
}

}  // namespace

FleetConfigFields readFleetConfigFields(const QString& programFolder)
{
    FleetConfigFields fields;
    QFile file(QDir(programFolder).filePath(QLatin1String(kFleetIniName)));
    if (!file.open(QIODevice::ReadOnly))
        return fields;
    for (const IniItem& item : readItems(splitIni(file.read(1024 * 1024)))) {
        if (item.kind != IniItem::Kind::Value || !isLinkSection(item.section))
            continue;
        forEachField(fields, [&](const char* name, QString& value) {
            if (item.key == QLatin1String(name))
                value = item.value;
        });
    }
    return fields;
}

QByteArray fleetConfigText(const QByteArray& text, const FleetConfigFields& fields)
{
    QStringList lines = splitIni(text);
    forEachField(fields, [&](const char* name, const QString& value) {
        setLinkKey(lines, QLatin1String(name), value.trimmed());
    });
    return lines.join(u'\n').toUtf8();
}

QString saveFleetConfigFields(const QString& programFolder, const FleetConfigFields& fields)
{
    QStringList errors;
    forEachField(fields, [&](const char* name, const QString& value) {
        if (value.contains(u'\n') || value.contains(u'\r'))
            errors << QStringLiteral("%1: one line only").arg(QLatin1String(name));
    });
    if (!errors.isEmpty())
        return errors.join(QStringLiteral("; "));
    QByteArray old;
    QFile file(QDir(programFolder).filePath(QLatin1String(kFleetIniName)));
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        old = file.read(1024 * 1024);
    }
    const QByteArray text = fleetConfigText(old, fields);
    const FleetConfigRead read = parseFleetConfig(text, programFolder);
    for (const QString& error : {read.error, read.metrics.error})
        if (!error.isEmpty())
            errors << error;
    if (!errors.isEmpty())
        return errors.join(QStringLiteral("; "));
    return writeFleetConfigText(programFolder, text);
}

QJsonObject refusedLinkStatus(const FleetConfigRead& read, EventLog& log)
{
    log.write(QStringLiteral("error"),
              QStringLiteral("fleet.ini: %1 — связь с центром выключена, исправьте файл")
                  .arg(read.error));
    return QJsonObject{{QStringLiteral("state"), QStringLiteral("error")},
                       {QStringLiteral("broker"), read.config.broker},
                       {QStringLiteral("station"), read.config.station},
                       {QStringLiteral("spool"), 0},
                       {QStringLiteral("error"), read.error}};
}

void noteOpenPermissions(const QString& programFolder, EventLog& log)
{
    const QFile::Permissions open =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    if (QFile::permissions(QDir(programFolder).filePath(QLatin1String(kFleetIniName))) & open)
        log.write(QStringLiteral("net"),
                  QStringLiteral("fleet.ini can be read by other users: chmod 600 it"));
}

}  // namespace velumo::fleet
