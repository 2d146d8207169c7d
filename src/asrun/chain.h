#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
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

// "2026-12-09T23:40:01.123+03:00" and "2026-12-09T20:40:01.123Z".
QString localText(const QDateTime& moment);
QString utcText(const QDateTime& moment);

}  // namespace chain

}  // namespace velumo::asrun
