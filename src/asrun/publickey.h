#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace velumo::asrun {

// The station's Ed25519 public key as minisign writes it ("asrun.pub"), so that an auditor
// checks a closed day with the stock minisign: an untrusted comment line, then the base64 of
// "Ed", the 8-byte key id and the 32-byte key.
class PublicKey {
public:
    static constexpr int kKeyIdBytes = 8;
    static constexpr int kKeyBytes = 32;

    PublicKey(QByteArray keyId, QByteArray key);

    // Parses minisign's public key file (or its base64 line alone); nothing on any fault.
    static std::optional<PublicKey> fromMinisignText(const QByteArray& text);
    QByteArray toMinisignText() const;

    const QByteArray& keyId() const { return m_keyId; }
    const QByteArray& key() const { return m_key; }
    // minisign's way of showing the key id: the 8 bytes as a little-endian number, in hex.
    QString keyIdText() const;

    bool verify(const QByteArray& message, const QByteArray& signature) const;

private:
    QByteArray m_keyId;
    QByteArray m_key;
};

}  // namespace velumo::asrun
