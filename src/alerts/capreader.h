#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "alerts/capalert.h"

namespace velumo::alerts {

// The most of one document (a CAP alert or an index of them) that is read at all.
inline constexpr qint64 kMaxDocumentBytes = 1 << 20;

// Whom the station believes: the certificates (PEM files) of the issuers whose signatures count.
struct CapTrust {
    QStringList certificateFiles;
    bool requireSignature = false;
};

// What became of a document's XML signature.
struct SignatureCheck {
    enum class State {
        Unsigned,   // no signature
        Unchecked,  // signed, but no certificate is configured to check it against
        Valid,      // signed by one of the trusted certificates, over the whole document
        Invalid,    // altered, signed by someone else, or signed over part of it only
    };
    State state = State::Unsigned;
    QString detail;  // Valid: the signer's certificate subject; Invalid: what failed
};

// A document as the station reads it: one alert, an index of linked alerts (Atom or RSS), or
// refused with the first fault found (one line, for velumo.log).
struct CapReading {
    enum class Kind { Alert, Index, Refused };
    Kind kind = Kind::Refused;
    CapAlert alert;
    QStringList links;  // Index: the entries' addresses as written (relative ones unresolved)
    QString fault;
    SignatureCheck signature;
};

// Parses and checks one document; safe to call on any thread, and meant for a worker: a
// document of kMaxDocumentBytes takes milliseconds. The parser reaches no network and loads
// nothing: a document with a DTD (DOCTYPE) is refused before any entity of it is read, so
// external entities and entity-expansion bombs never expand. An alert must be CAP 1.2 or 1.1 by
// its namespace, hold every required element once, only known enumeration values, moments with
// their time zone, closed polygons of at least four points and circles with a radius. A signed
// document is checked against trust whether or not a signature is required; an invalid
// signature always refuses it, a missing one only when trust requires one.
CapReading readCap(const QByteArray& document, const CapTrust& trust);

}  // namespace velumo::alerts
