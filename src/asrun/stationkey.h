#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "asrun/publickey.h"

namespace velumo::asrun {

// The station's Ed25519 key pair, made at the first start: "asrun.key" (mode 0600, our own
// format: an untrusted comment line and the base64 of "Ed", the key id and libsodium's 64-byte
// secret key) and "asrun.pub" (minisign's public key format) in the program folder.
class StationKey {
public:
    // Loads the pair, or makes it when there is neither key file yet; a missing public key file
    // is written again from the secret key. Nothing, with the reason in error, when the key
    // cannot be read or written, or the secret key is gone while its public key is there.
    static std::optional<StationKey> loadOrCreate(const QString& programFolder, QString* error);

    static QString secretKeyPath(const QString& programFolder);
    static QString publicKeyPath(const QString& programFolder);

    const PublicKey& publicKey() const { return m_public; }
    QByteArray sign(const QByteArray& message) const;  // 64 bytes

private:
    StationKey(QByteArray secret, PublicKey publicKey);

    QByteArray m_secret;
    PublicKey m_public;
};

}  // namespace velumo::asrun
