#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace velumo::asrun {

class PublicKey;

// The journal's line format, shared by the writer and the verifier.
//
// Every record holds in "prev" the SHA-256 (hex) of the previous record's line, exactly its
// bytes without the newline; the first record of a day holds the last hash of the day before,
// and the very first record of a key the SHA-256 of the key's 32 bytes. A seal record is signed
// over its own line without the signature: the compact JSON of its members, then
// ,"sig":"<hex>" is put before the closing brace, so every byte of the line is covered.
namespace chain {

QByteArray sha256Hex(QByteArrayView bytes);
QByteArray genesisHash(const PublicKey& key);

QByteArray sealLine(const QByteArray& body, const QByteArray& signature);
// The body that was signed and the signature of a seal line; false when it has not that shape.
bool splitSealLine(const QByteArray& line, QByteArray* body, QByteArray* signature);

// "YYYY-MM-DD.jsonl" and back.
QString dayFileName(QDate day);
std::optional<QDate> dayOfFileName(const QString& fileName);

// A record that closes its day: the seal written when the day was left, at its midnight or for a
// step of the clock ("reason" "midnight" or "clock"), or, with no key to seal, the "unsealed"
// record that says why there is none. A closed day is never written again.
bool closesDay(const QJsonObject& record);

// A day file's first line and its last whole one (read from the file's end); "" when there is
// none or the file cannot be read.
QByteArray firstLine(const QString& path);
QByteArray lastWholeLine(const QString& path);
// The seq of a record's line; -1 when the line is no record.
qint64 seqOf(const QByteArray& line);

// "2026-12-09T23:40:01.123+03:00" and "2026-12-09T20:40:01.123Z".
QString localText(const QDateTime& moment);
QString utcText(const QDateTime& moment);

}  // namespace chain

}  // namespace velumo::asrun
