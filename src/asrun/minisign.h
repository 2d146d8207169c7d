#pragma once

#include <QByteArray>
#include <QString>

#include "asrun/publickey.h"

namespace velumo::asrun {

class StationKey;

// Detached signatures of whole files in minisign's format (".minisig"), so a closed day is
// checked with "minisign -V -p asrun.pub -m FILE" and no program of ours: the "ED" algorithm
// (Ed25519 over the file's BLAKE2b-512), a trusted comment and the global signature over the
// signature and the trusted comment.
namespace minisign {

// The .minisig text for the file's bytes; trustedComment is one line.
QByteArray signature(const StationKey& key, const QByteArray& fileBytes,
                     const QString& trustedComment);

// True when signatureText is a valid signature of fileBytes by key (both "ED" and the legacy
// "Ed" are read); otherwise why says what is wrong.
bool verify(const PublicKey& key, const QByteArray& fileBytes, const QByteArray& signatureText,
            QString* why);

}  // namespace minisign

}  // namespace velumo::asrun
