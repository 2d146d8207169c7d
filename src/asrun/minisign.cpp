#include "minisign.h"

#include <QList>

#include <sodium.h>

#include "asrun/stationkey.h"

namespace velumo::asrun::minisign {

namespace {

constexpr QByteArrayView kTrustedPrefix = "trusted comment: ";

QByteArray blake2b512(const QByteArray& bytes)
{
    QByteArray digest(crypto_generichash_BYTES_MAX, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(digest.data()), size_t(digest.size()),
                       reinterpret_cast<const unsigned char*>(bytes.constData()),
                       static_cast<unsigned long long>(bytes.size()), nullptr, 0);
    return digest;
}

}  // namespace

QByteArray signature(const StationKey& key, const QByteArray& fileBytes,
                     const QString& trustedComment)
{
    const QByteArray signature = key.sign(blake2b512(fileBytes));
    QByteArray comment = trustedComment.toUtf8();
    comment.replace('\n', ' ');
    const QByteArray global = key.sign(signature + comment);
    return "untrusted comment: signature from velumo as-run key " +
           key.publicKey().keyIdText().toLatin1() + '\n' +
           (QByteArray("ED") + key.publicKey().keyId() + signature).toBase64() + '\n' +
           kTrustedPrefix.toByteArray() + comment + '\n' + global.toBase64() + '\n';
}

bool verify(const PublicKey& key, const QByteArray& fileBytes, const QByteArray& signatureText,
            QString* why)
{
    QList<QByteArray> lines = signatureText.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (lines.size() < 4 || !lines[0].startsWith("untrusted comment:") ||
        !lines[2].startsWith(kTrustedPrefix)) {
        *why = QStringLiteral("not a minisign signature");
        return false;
    }
    const auto decoded =
        QByteArray::fromBase64Encoding(lines[1], QByteArray::AbortOnBase64DecodingErrors);
    const auto global =
        QByteArray::fromBase64Encoding(lines[3], QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != 2 + PublicKey::kKeyIdBytes + crypto_sign_BYTES ||
        !global || global.decoded.size() != crypto_sign_BYTES) {
        *why = QStringLiteral("not a minisign signature");
        return false;
    }
    const QByteArray algorithm = decoded.decoded.left(2);
    const QByteArray keyId = decoded.decoded.mid(2, PublicKey::kKeyIdBytes);
    const QByteArray signature = decoded.decoded.mid(2 + PublicKey::kKeyIdBytes);
    if (keyId != key.keyId()) {
        *why = QStringLiteral("signed by another key");
        return false;
    }
    QByteArray message;
    if (algorithm == "ED") {
        message = blake2b512(fileBytes);
    } else if (algorithm == "Ed") {
        message = fileBytes;
    } else {
        *why = QStringLiteral("unknown signature algorithm");
        return false;
    }
    if (!key.verify(message, signature)) {
        *why = QStringLiteral("the file does not match its signature");
        return false;
    }
    if (!key.verify(signature + lines[2].mid(kTrustedPrefix.size()), global.decoded)) {
        *why = QStringLiteral("the trusted comment does not match its signature");
        return false;
    }
    return true;
}

}  // namespace velumo::asrun::minisign
