#include "fleetconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QSaveFile>
#include <QUrl>

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

FleetConfigRead parseFleetConfig(const QByteArray& text, const QString& programFolder)
{
    FleetConfigRead read;
    read.present = true;
    FleetConfig& c = read.config;
    c.allow = FleetConfig::defaultAllow();
    QString passwordFile;
    QStringList errors;
    int number = 0;
    for (const QByteArray& raw : text.split('\n')) {
        ++number;
        QString line = QString::fromUtf8(raw).trimmed();
        if (number == 1 && line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            if (line != u"[fleet]")
                errors << QStringLiteral("line %1: unknown section %2").arg(number).arg(line);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            errors << QStringLiteral("line %1: no \"key = value\"").arg(number);
            continue;
        }
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
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
            errors << QStringLiteral("line %1: unknown key \"%2\"").arg(number).arg(key);
        }
    }
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

FleetConfigFields readFleetConfigFields(const QString& programFolder)
{
    FleetConfigFields fields;
    QFile file(QDir(programFolder).filePath(QLatin1String(kFleetIniName)));
    if (!file.open(QIODevice::ReadOnly))
        return fields;
    int number = 0;
    for (const QByteArray& raw : file.read(1024 * 1024).split('\n')) {
        QString line = QString::fromUtf8(raw).trimmed();
        if (++number == 1 && line.startsWith(QChar(0xFEFF)))
            line = line.mid(1).trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'#') || line.startsWith(u';') || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed().toLower();
        forEachField(fields, [&](const char* name, QString& value) {
            if (key == QLatin1String(name))
                value = line.mid(equals + 1).trimmed();
        });
    }
    return fields;
}

QByteArray fleetConfigText(const FleetConfigFields& fields)
{
    QByteArray text = "[fleet]\n";
    forEachField(fields, [&](const char* name, const QString& value) {
        if (!value.trimmed().isEmpty())
            text += QByteArray(name) + " = " + value.trimmed().toUtf8() + '\n';
    });
    return text;
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
    const QByteArray text = fleetConfigText(fields);
    if (const FleetConfigRead read = parseFleetConfig(text, programFolder); !read.error.isEmpty())
        return read.error;
    return writeFleetConfigText(programFolder, text);
}

}  // namespace velumo::fleet
