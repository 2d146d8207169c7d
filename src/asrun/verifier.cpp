#include "verifier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <QSet>

#include <algorithm>
#include <optional>

#include "asrun/chain.h"
#include "asrun/minisign.h"

namespace velumo::asrun {

namespace {

std::optional<QDate> dayOf(const QString& path)
{
    return chain::dayOfFileName(QFileInfo(path).fileName());
}

// The torn part a gap record names, as the gap describes it: its bytes at torn_offset of the
// .torn file beside the day, torn_bytes long, with the SHA-256 torn_sha256. "" when it holds.
QString tornPartFault(const QString& dayPath, const QJsonObject& gap)
{
    const QString name = gap.value(u"torn").toString();
    // Only a name in the day's own folder: the gap never points elsewhere.
    if (name.isEmpty() || name.contains(u'/'))
        return QStringLiteral("the gap names no torn file");
    const QString tornPath = QFileInfo(dayPath).dir().filePath(name);
    QFile file(tornPath);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("the torn part %1 is missing (%2)").arg(name, file.errorString());
    const qint64 offset = gap.value(u"torn_offset").toInteger(-1);
    const qint64 length = gap.value(u"torn_bytes").toInteger(-1);
    const QByteArray hash = gap.value(u"torn_sha256").toString().toLatin1();
    if (offset < 0 || length < 0 || hash.size() != 64)
        return QStringLiteral("the gap does not say where its torn part is and what it holds");
    if (file.size() < offset + length || !file.seek(offset))
        return QStringLiteral("the torn part in %1 is cut short or removed").arg(name);
    const QByteArray part = file.read(length);
    if (part.size() != length || chain::sha256Hex(part) != hash)
        return QStringLiteral("the torn part in %1 is not what the gap recorded (edited)")
            .arg(name);
    return QString();
}

// The files in the order they were written: by the seq of their first record (a clock stepped
// back writes a day dated before one written already); a file without one keeps its place by
// date.
void sortByChain(QStringList& files)
{
    std::stable_sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        const auto dayA = dayOf(a);
        const auto dayB = dayOf(b);
        return dayA && dayB && *dayA < *dayB;
    });
    QList<std::pair<qint64, QString>> keyed;
    qint64 carried = -1;
    for (const QString& path : files) {
        const qint64 seq = chain::seqOf(chain::firstLine(path));
        carried = seq >= 0 ? seq : carried;
        keyed.append({carried, path});
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (qsizetype i = 0; i < keyed.size(); ++i)
        files[i] = keyed[i].second;
}

// The first seq of the named files and of the day files beside them, by absolute path.
QList<std::pair<QString, qint64>> neighbours(const QStringList& files)
{
    QList<std::pair<QString, qint64>> found;
    QSet<QString> seen;
    const auto add = [&](const QString& path) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        if (seen.contains(absolute))
            return;
        seen.insert(absolute);
        found.append({absolute, chain::seqOf(chain::firstLine(path))});
    };
    for (const QString& path : files) {
        add(path);
        const QDir folder = QFileInfo(path).absoluteDir();
        for (const QString& name : folder.entryList({QStringLiteral("*.jsonl")}, QDir::Files)) {
            if (chain::dayOfFileName(name))
                add(folder.filePath(name));
        }
    }
    return found;
}

}  // namespace

Verifier::Verifier(PublicKey key) : m_key(std::move(key)) {}

Verifier::Result Verifier::verify(QStringList files) const
{
    sortByChain(files);
    const auto around = neighbours(files);
    Result result;
    result.keyId = m_key.keyIdText();
    std::optional<QByteArray> previousHash;
    std::optional<qint64> previousSeq;
    const auto broken = [&result](const QString& where, const QString& what) {
        result.outcome = Outcome::Broken;
        result.text = where + QLatin1String(": ") + what;
        return result;
    };
    for (qsizetype f = 0; f < files.size(); ++f) {
        const QString& path = files[f];
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            result.outcome = Outcome::Unreadable;
            result.text = path + QLatin1String(": cannot be read: ") + file.errorString();
            return result;
        }
        const QByteArray bytes = file.readAll();
        const auto day = dayOf(path);
        if (!bytes.isEmpty() && !bytes.endsWith('\n')) {
            const qsizetype lineNumber = bytes.count('\n') + 1;
            return broken(QStringLiteral("%1:%2").arg(path).arg(lineNumber),
                          QStringLiteral("the last line is cut short (no line end)"));
        }
        const QList<QByteArray> lines =
            bytes.isEmpty() ? QList<QByteArray>() : bytes.chopped(1).split('\n');
        QByteArray firstPrev;
        QJsonObject record;
        QString where = path;
        qsizetype lastSeal = -1;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArray& line = lines[i];
            where = QStringLiteral("%1:%2").arg(path).arg(i + 1);
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(line, &error);
            if (error.error != QJsonParseError::NoError || !document.isObject())
                return broken(where,
                              QStringLiteral("not a JSON record (%1)").arg(error.errorString()));
            record = document.object();
            const QJsonValue seqValue = record.value(u"seq");
            const qint64 seq = seqValue.toInteger(-1);
            if (!seqValue.isDouble() || seq < 1)
                return broken(where, QStringLiteral("no sequence number"));
            where += QStringLiteral(" (seq %1)").arg(seq);
            const QByteArray prev = record.value(u"prev").toString().toLatin1();
            if (previousSeq && seq != *previousSeq + 1)
                return broken(where, QStringLiteral("seq %1 follows seq %2 (a record removed, "
                                                    "inserted or moved)")
                                         .arg(seq)
                                         .arg(*previousSeq));
            if (previousHash && prev != *previousHash)
                return broken(where, QStringLiteral("prev is not the hash of the record before "
                                                    "(this or the record before was edited, "
                                                    "removed, inserted or moved)"));
            if (!previousHash && seq == 1 && prev != chain::genesisHash(m_key))
                return broken(where, QStringLiteral("the key's first record does not start from "
                                                    "the key"));
            if (i == 0)
                firstPrev = prev;
            if (record.value(u"type").toString() == u"gap" && record.contains(u"torn")) {
                const QString why = tornPartFault(path, record);
                if (!why.isEmpty())
                    return broken(where, why);
            }
            if (record.value(u"type").toString() == u"seal") {
                QByteArray body;
                QByteArray signature;
                if (!chain::splitSealLine(line, &body, &signature))
                    return broken(where, QStringLiteral("a seal without its signature"));
                if (!m_key.verify(body, signature))
                    return broken(where, QStringLiteral("the seal's signature does not hold "
                                                        "(edited, or another key)"));
                if (day && record.value(u"day").toString() != day->toString(Qt::ISODate))
                    return broken(where, QStringLiteral("the seal is of day %1, not of this file")
                                             .arg(record.value(u"day").toString()));
                if (record.value(u"records").toInteger(-1) != i)
                    return broken(where, QStringLiteral("the seal counts %1 records before it, the "
                                                        "file has %2")
                                             .arg(record.value(u"records").toInteger(-1))
                                             .arg(i));
                if (record.value(u"first_prev").toString().toLatin1() != firstPrev)
                    return broken(where, QStringLiteral("the seal's first_prev is not the first "
                                                        "record's prev (the day's start was "
                                                        "changed)"));
                lastSeal = i;
            }
            previousHash = chain::sha256Hex(line);
            previousSeq = seq;
            ++result.records;
        }
        const QString signaturePath = path + QLatin1String(".minisig");
        const bool signedDay = QFile::exists(signaturePath);
        if (signedDay) {
            QFile signatureFile(signaturePath);
            if (!signatureFile.open(QIODevice::ReadOnly)) {
                result.outcome = Outcome::Unreadable;
                result.text = signaturePath + QLatin1String(": cannot be read: ") +
                              signatureFile.errorString();
                return result;
            }
            QString why;
            if (!minisign::verify(m_key, bytes, signatureFile.read(64 * 1024), &why))
                return broken(where, QStringLiteral("the day's minisign signature: %1").arg(why));
        }
        if (lines.isEmpty())
            continue;  // nothing else to vouch for
        const QString absolute = QFileInfo(path).absoluteFilePath();
        const bool followed =
            std::any_of(around.begin(), around.end(), [&](const std::pair<QString, qint64>& other) {
                return other.first != absolute && other.second > *previousSeq;
            });
        if (signedDay || followed || chain::closesDay(record)) {
            if (record.value(u"type").toString() == u"unsealed")
                return broken(where, QStringLiteral("the day was closed without a seal (%1)")
                                         .arg(record.value(u"why").toString()));
            if (lastSeal + 1 < lines.size())
                return broken(where, QStringLiteral("the day does not end with a seal (records "
                                                    "removed at its end)"));
            if (!signedDay)
                return broken(where, QStringLiteral("the day is closed, but its signature %1 is "
                                                    "missing (removed?)")
                                         .arg(QFileInfo(signaturePath).fileName()));
        } else if (lastSeal + 1 < lines.size()) {
            // The open day: its last records hold the chain, but no seal vouches for them yet.
            const qint64 count = lines.size() - 1 - lastSeal;
            result.unsealed += count;
            result.unsealedText =
                QStringLiteral(
                    "not sealed yet: %1 records after the last seal, %2:%3-%4 (seq "
                    "%5-%6)")
                    .arg(count)
                    .arg(path)
                    .arg(lastSeal + 2)
                    .arg(lines.size())
                    .arg(*previousSeq - count + 1)
                    .arg(*previousSeq);
        }
    }
    result.text =
        QStringLiteral("all holds: %1 files, %2 records").arg(files.size()).arg(result.records);
    if (previousSeq)
        result.text += QStringLiteral(", last seq %1").arg(*previousSeq);
    return result;
}

}  // namespace velumo::asrun
