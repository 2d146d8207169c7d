#pragma once

#include "alerts/capreader.h"

struct _xmlNode;

namespace velumo::alerts {

// Checks the enveloped XML signature element of a parsed document (null: unsigned) against the
// trusted certificates. It counts only when the signer's certificate (sent in the signature's
// X509Data) chains to one of them and its one reference covers the whole document (URI ""): a
// key sent along without a certificate, or a signature over a part, proves nothing. Called
// with initXmlLibraries() done.
SignatureCheck checkSignature(_xmlNode* signature, const CapTrust& trust);

}  // namespace velumo::alerts
