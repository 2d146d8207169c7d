#pragma once

#include <QString>
#include <QStringList>

#include "asrun/publickey.h"

namespace velumo::asrun {

// Checks journal files against the station's public key: the chain of hashes and sequence
// numbers across the days (files in the order they were written, which is the order of their
// seq), every seal's signature and what it counts, and the minisign signature of every closed
// day, and the torn part each gap record names (the .torn file beside the day holds the bytes the
// gap hashed). The first fault is named by file, line and seq.
//
// A day is closed when it has its signature, ends with its closing record, or a later day (named,
// or beside it in its folder) follows it: it must end with a seal and have its signature. The
// open day (the last one) may end with records after its last seal; they hold the chain but no
// seal vouches for them yet, and the result counts and names them.
class Verifier {
public:
    enum class Outcome { Holds = 0, Broken = 1, Unreadable = 2 };
    struct Result {
        Outcome outcome = Outcome::Holds;
        QString text;  // the fault, or a summary when all holds
        qint64 records = 0;
        QString keyId;         // of the key the seals were checked with
        qint64 unsealed = 0;   // records of the open day after its last seal
        QString unsealedText;  // "not sealed yet: ..." naming them, "" when none
    };

    explicit Verifier(PublicKey key);

    Result verify(QStringList files) const;

private:
    PublicKey m_key;
};

}  // namespace velumo::asrun
