#include "publickey.h"

#include <QList>

#include <sodium.h>

namespace velumo::asrun {

PublicKey::PublicKey(QByteArray keyId, QByteArray key)
    : m_keyId(std::move(keyId)), m_key(std::move(key))
{
}

std::optional<PublicKey> PublicKey::fromMinisignText(const QByteArray& text)
{
    QByteArray encoded;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith("untrusted comment:"))
            continue;
        encoded = line;
        break;
    }
    const auto decoded =
        QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != 2 + kKeyIdBytes + kKeyBytes ||
        !decoded.decoded.startsWith("Ed"))
        return std::nullopt;
    return PublicKey(decoded.decoded.mid(2, kKeyIdBytes), decoded.decoded.mid(2 + kKeyIdBytes));
}

QByteArray PublicKey::toMinisignText() const
{
    return "untrusted comment: minisign public key " + keyIdText().toLatin1() + '\n' +
           (QByteArray("Ed") + m_keyId + m_key).toBase64() + '\n';
}

QString PublicKey::keyIdText() const
{
    QByteArray reversed(m_keyId.size(), '\0');
    for (qsizetype i = 0; i < m_keyId.size(); ++i)
        reversed[m_keyId.size() - 1 - i] = m_keyId[i];
    return QString::fromLatin1(reversed.toHex().toUpper());
}

bool PublicKey::verify(const QByteArray& message, const QByteArray& signature) const
{
    if (signature.size() != crypto_sign_BYTES || m_key.size() != crypto_sign_PUBLICKEYBYTES ||
        sodium_init() < 0)
        return false;
    return crypto_sign_verify_detached(
               reinterpret_cast<const unsigned char*>(signature.constData()),
               reinterpret_cast<const unsigned char*>(message.constData()),
               static_cast<unsigned long long>(message.size()),
               reinterpret_cast<const unsigned char*>(m_key.constData())) == 0;
}

}  // namespace velumo::asrun
