#include "stationkey.h"

#include <QFile>

#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velumo::asrun {

namespace {

constexpr qint64 kKeyFileMaxBytes = 4096;

// Written whole to a temporary file of the given mode, synced, then renamed over the name.
bool writeKeyFile(const QString& path, const QByteArray& bytes, mode_t mode, QString* error)
{
    const QByteArray temporary = QFile::encodeName(path + QLatin1String(".new"));
    ::unlink(temporary.constData());
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    bool ok = fd >= 0;
    qsizetype done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += n > 0 ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    const int saved = errno;
    if (fd >= 0)
        ::close(fd);
    ok = ok && ::rename(temporary.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        *error = QStringLiteral("%1: %2").arg(
            path, QString::fromLocal8Bit(std::strerror(saved ? saved : errno)));
        ::unlink(temporary.constData());
    }
    return ok;
}

QByteArray readSmall(const QString& path, bool* ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? file.read(kKeyFileMaxBytes) : QByteArray();
}

}  // namespace

StationKey::StationKey(QByteArray secret, PublicKey publicKey)
    : m_secret(std::move(secret)), m_public(std::move(publicKey))
{
}

QString StationKey::secretKeyPath(const QString& programFolder)
{
    return programFolder + QLatin1String("/asrun.key");
}

QString StationKey::publicKeyPath(const QString& programFolder)
{
    return programFolder + QLatin1String("/asrun.pub");
}

std::optional<StationKey> StationKey::loadOrCreate(const QString& programFolder, QString* error)
{
    if (sodium_init() < 0) {
        *error = QStringLiteral("libsodium cannot be initialised");
        return std::nullopt;
    }
    const QString secretPath = secretKeyPath(programFolder);
    const QString publicPath = publicKeyPath(programFolder);
    QByteArray keyId;
    QByteArray secret;
    if (QFile::exists(secretPath)) {
        bool ok = false;
        const QByteArray text = readSmall(secretPath, &ok);
        QByteArray encoded;
        for (const QByteArray& raw : text.split('\n')) {
            if (!raw.trimmed().isEmpty() && !raw.startsWith("untrusted comment:")) {
                encoded = raw.trimmed();
                break;
            }
        }
        const auto decoded =
            QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
        if (!ok || !decoded ||
            decoded.decoded.size() != 2 + PublicKey::kKeyIdBytes + crypto_sign_SECRETKEYBYTES ||
            !decoded.decoded.startsWith("Ed")) {
            *error = QStringLiteral("%1: not a readable as-run secret key").arg(secretPath);
            return std::nullopt;
        }
        keyId = decoded.decoded.mid(2, PublicKey::kKeyIdBytes);
        secret = decoded.decoded.mid(2 + PublicKey::kKeyIdBytes);
    } else if (QFile::exists(publicPath)) {
        // The auditors hold asrun.pub: a new secret key could never match it, and replacing it
        // silently would disown every sealed day.
        *error = QStringLiteral(
                     "%1 is missing (%2 is there: put the key back, or remove both "
                     "for a new pair)")
                     .arg(secretPath, publicPath);
        return std::nullopt;
    } else {
        unsigned char pk[crypto_sign_PUBLICKEYBYTES];
        secret.resize(crypto_sign_SECRETKEYBYTES);
        crypto_sign_keypair(pk, reinterpret_cast<unsigned char*>(secret.data()));
        keyId.resize(PublicKey::kKeyIdBytes);
        randombytes_buf(keyId.data(), size_t(keyId.size()));
        const QByteArray text = "untrusted comment: velumo as-run secret key\n" +
                                (QByteArray("Ed") + keyId + secret).toBase64() + '\n';
        if (!writeKeyFile(secretPath, text, 0600, error))
            return std::nullopt;
    }
    // libsodium's secret key ends with the public key.
    const PublicKey publicKey(keyId, secret.right(crypto_sign_PUBLICKEYBYTES));
    bool havePublic = false;
    const auto stored = PublicKey::fromMinisignText(readSmall(publicPath, &havePublic));
    if (!havePublic) {
        if (!writeKeyFile(publicPath, publicKey.toMinisignText(), 0644, error))
            return std::nullopt;
    } else if (!stored || stored->key() != publicKey.key() ||
               stored->keyId() != publicKey.keyId()) {
        // Auditors check with the public key: one that differs is never replaced silently.
        *error = QStringLiteral("%1 does not belong to %2").arg(publicPath, secretPath);
        return std::nullopt;
    }
    return StationKey(secret, publicKey);
}

QByteArray StationKey::sign(const QByteArray& message) const
{
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(message.constData()),
                         static_cast<unsigned long long>(message.size()),
                         reinterpret_cast<const unsigned char*>(m_secret.constData()));
    return signature;
}

}  // namespace velumo::asrun
