#include "chain.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>

#include "asrun/publickey.h"

namespace velumo::asrun::chain {

namespace {

constexpr QByteArrayView kSigMember = ",\"sig\":\"";
constexpr qsizetype kSigHexChars = 128;
constexpr qint64 kTailBytes = 64 * 1024;  // holds a record's line many times over

}  // namespace

QByteArray sha256Hex(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray genesisHash(const PublicKey& key)
{
    return sha256Hex(key.key());
}

QByteArray sealLine(const QByteArray& body, const QByteArray& signature)
{
    return body.chopped(1) + kSigMember.toByteArray() + signature.toHex() + "\"}";
}

bool splitSealLine(const QByteArray& line, QByteArray* body, QByteArray* signature)
{
    const qsizetype tail = kSigMember.size() + kSigHexChars + 2;
    if (line.size() < tail + 2 || !line.endsWith("\"}"))
        return false;
    const qsizetype at = line.size() - tail;
    if (QByteArrayView(line).sliced(at, kSigMember.size()) != kSigMember)
        return false;
    const QByteArray hex = line.mid(at + kSigMember.size(), kSigHexChars);
    for (const char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    *signature = QByteArray::fromHex(hex);
    *body = line.left(at) + '}';
    return true;
}

QString dayFileName(QDate day)
{
    return day.toString(u"yyyy-MM-dd") + QLatin1String(".jsonl");
}

std::optional<QDate> dayOfFileName(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})\\.jsonl$"));
    const auto match = pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day = QDate::fromString(match.captured(1), u"yyyy-MM-dd");
    if (!day.isValid())
        return std::nullopt;
    return day;
}

bool closesDay(const QJsonObject& record)
{
    const QString type = record.value(u"type").toString();
    const QString reason = record.value(u"reason").toString();
    return (type == u"seal" || type == u"unsealed") &&
           (reason == u"midnight" || reason == u"clock");
}

QByteArray firstLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray line = file.readLine(kTailBytes);
    return line.endsWith('\n') ? line.chopped(1) : QByteArray();
}

QByteArray lastWholeLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    qint64 from = std::max<qint64>(0, file.size() - kTailBytes);
    for (;;) {
        if (!file.seek(from))
            return {};
        const QByteArray tail = file.readAll();
        const qsizetype end = tail.lastIndexOf('\n');
        const qsizetype before = end > 0 ? tail.lastIndexOf('\n', end - 1) : -1;
        if (from == 0 || before >= 0)
            return end < 0 ? QByteArray() : tail.mid(before + 1, end - before - 1);
        from = 0;  // a line longer than the tail: the whole file
    }
}

qint64 seqOf(const QByteArray& line)
{
    const QJsonValue seq = QJsonDocument::fromJson(line).object().value(u"seq");
    return seq.isDouble() ? seq.toInteger(-1) : -1;
}

QString localText(const QDateTime& moment)
{
    const QDateTime local = moment.toLocalTime();
    const int offsetS = local.offsetFromUtc();
    const int minutes = std::abs(offsetS) / 60;
    return local.toString(u"yyyy-MM-ddThh:mm:ss.zzz") + (offsetS < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString utcText(const QDateTime& moment)
{
    return moment.toUTC().toString(u"yyyy-MM-ddThh:mm:ss.zzz") + u'Z';
}

}  // namespace velumo::asrun::chain
