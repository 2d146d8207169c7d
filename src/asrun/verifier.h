#pragma once

#include <QString>
#include <QStringList>

#include "asrun/publickey.h"

namespace velumo::asrun {

// Checks journal files against the station's public key: the chain of hashes and sequence
// numbers across the days (files in date order), every seal's signature and what it counts, and
// the minisign signature of every closed day, and the torn part each gap record names (the .torn
// file beside the day holds the bytes the gap hashed). The first fault is named by file, line
// and seq.
class Verifier {
public:
    enum class Outcome { Holds = 0, Broken = 1, Unreadable = 2 };
    struct Result {
        Outcome outcome = Outcome::Holds;
        QString text;  // the fault, or a summary when all holds
        qint64 records = 0;
    };

    explicit Verifier(PublicKey key);

    Result verify(QStringList files) const;

private:
    PublicKey m_key;
};

}  // namespace velumo::asrun
