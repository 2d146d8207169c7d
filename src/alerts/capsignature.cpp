#include "capsignature.h"

#include <openssl/x509.h>
#include <xmlsec/app.h>
#include <xmlsec/crypto.h>
#include <xmlsec/keysmngr.h>
#include <xmlsec/openssl/x509.h>
#include <xmlsec/xmldsig.h>
#include <memory>

#include "alerts/xmlsupport.h"
#include "base/guard.h"
#include "base/textfile.h"

namespace velumo::alerts {

namespace {

using State = SignatureCheck::State;

SignatureCheck invalid(const QString& detail)
{
    return {State::Invalid, detail};
}

QString signerSubject(xmlSecKeyPtr key)
{
    if (!key)
        return {};
    xmlSecKeyDataPtr data = xmlSecKeyGetData(key, xmlSecOpenSSLKeyDataX509Id);
    X509* cert = data ? xmlSecOpenSSLKeyDataX509GetKeyCert(data) : nullptr;
    if (!cert)
        return {};
    char buffer[512] = {};
    X509_NAME_oneline(X509_get_subject_name(cert), buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

}  // namespace

SignatureCheck checkSignature(_xmlNode* signature, const CapTrust& trust)
{
    if (!signature)
        return {State::Unsigned, {}};
    if (trust.certificateFiles.isEmpty())
        return {State::Unchecked, QStringLiteral("no certificate is listed in alerts.ini")};
    const XmlErrors errors;
    const std::unique_ptr<xmlSecKeysMngr, void (*)(xmlSecKeysMngrPtr)> keys(
        xmlSecKeysMngrCreate(), xmlSecKeysMngrDestroy);
    if (!keys || xmlSecCryptoAppDefaultKeysMngrInit(keys.get()) < 0)
        return invalid(QStringLiteral("the key manager cannot be set up: ") + errors.first());
    for (const QString& file : trust.certificateFiles) {
        QByteArray pem;
        try {
            pem = readFileBytes(file, kMaxDocumentBytes);
        } catch (...) {
            return invalid(QStringLiteral("certificate %1: %2").arg(file, currentExceptionText()));
        }
        if (xmlSecCryptoAppKeysMngrCertLoadMemory(
                keys.get(), reinterpret_cast<const xmlSecByte*>(pem.constData()),
                static_cast<xmlSecSize>(pem.size()), xmlSecKeyDataFormatPem, xmlSecKeyDataTypeTrusted) < 0)
            return invalid(QStringLiteral("certificate %1 is not a PEM certificate").arg(file));
    }
    const std::unique_ptr<xmlSecDSigCtx, void (*)(xmlSecDSigCtxPtr)> context(
        xmlSecDSigCtxCreate(keys.get()), xmlSecDSigCtxDestroy);
    if (!context)
        return invalid(QStringLiteral("the signature context cannot be set up"));
    // Only the document itself, never an address the signature names, and only a certificate
    // that chains to a trusted one: never a bare key the document brings along.
    context->enabledReferenceUris = xmlSecTransformUriTypeEmpty;
    xmlSecPtrListAdd(&context->keyInfoReadCtx.enabledKeyData,
                     const_cast<void*>(static_cast<const void*>(xmlSecKeyDataX509Id)));
    if (xmlSecDSigCtxVerify(context.get(), signature) < 0) {
        if (!context->signKey && !errors.first().contains(QLatin1String("x509")))
            return invalid(QStringLiteral("the signature brings no certificate (X509Data) to "
                                          "check; a bare key proves nothing"));
        return invalid(errors.first().isEmpty() ? QStringLiteral("the signature cannot be checked")
                                                : errors.first());
    }
    if (context->status != xmlSecDSigStatusSucceeded)
        return invalid(QStringLiteral("the signature does not match the document"));
    const xmlSecSize references = xmlSecPtrListGetSize(&context->signedInfoReferences);
    if (references != 1)
        return invalid(QStringLiteral("the signature has %1 references, not one over the whole "
                                      "document")
                           .arg(qint64(references)));
    auto* reference = static_cast<xmlSecDSigReferenceCtxPtr>(
        xmlSecPtrListGetItem(&context->signedInfoReferences, 0));
    if (!reference || (reference->uri && reference->uri[0] != '\0'))
        return invalid(QStringLiteral("the signature does not cover the whole document"));
    return {State::Valid, signerSubject(context->signKey)};
}

}  // namespace velumo::alerts
