#include "capsignature.h"

#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
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

QString subjectOf(X509* cert)
{
    char buffer[512] = {};
    X509_NAME_oneline(X509_get_subject_name(cert), buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

// xmlsec's key manager brings an X509 store filled from the system's certificate authorities
// (tens of milliseconds to read, each time one is made). It only extracts the signer's key
// here: one is made per thread and kept.
xmlSecKeysMngrPtr threadKeys()
{
    thread_local std::unique_ptr<xmlSecKeysMngr, void (*)(xmlSecKeysMngrPtr)> keys(
        nullptr, xmlSecKeysMngrDestroy);
    if (!keys) {
        keys.reset(xmlSecKeysMngrCreate());
        if (keys && xmlSecCryptoAppDefaultKeysMngrInit(keys.get()) < 0)
            keys.reset();
    }
    return keys.get();
}

// Why the signer's certificate does not chain, through the certificates the signature brought,
// to one listed in alerts.ini (any of them an anchor, a signer's own certificate too); empty
// when it does. Only those count: never the system's authorities.
QString untrusted(X509* signer, xmlSecKeyDataPtr brought, const QStringList& files)
{
    const std::unique_ptr<X509_STORE, void (*)(X509_STORE*)> store(X509_STORE_new(),
                                                                   X509_STORE_free);
    for (const QString& file : files) {
        QByteArray pem;
        try {
            pem = readFileBytes(file, kMaxDocumentBytes);
        } catch (...) {
            return QStringLiteral("certificate %1: %2").arg(file, currentExceptionText());
        }
        const std::unique_ptr<BIO, int (*)(BIO*)> bio(
            BIO_new_mem_buf(pem.constData(), int(pem.size())), BIO_free);
        int read = 0;
        while (X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
            X509_STORE_add_cert(store.get(), cert);
            X509_free(cert);
            ++read;
        }
        if (read == 0)
            return QStringLiteral("certificate %1 is not a PEM certificate").arg(file);
    }
    const std::unique_ptr<STACK_OF(X509), void (*)(STACK_OF(X509)*)> chain(
        sk_X509_new_null(), [](STACK_OF(X509) * stack) { sk_X509_free(stack); });
    for (xmlSecSize i = 0; i < xmlSecOpenSSLKeyDataX509GetCertsSize(brought); ++i)
        sk_X509_push(chain.get(), xmlSecOpenSSLKeyDataX509GetCert(brought, i));
    const std::unique_ptr<X509_STORE_CTX, void (*)(X509_STORE_CTX*)> context(X509_STORE_CTX_new(),
                                                                             X509_STORE_CTX_free);
    if (!context || X509_STORE_CTX_init(context.get(), store.get(), signer, chain.get()) != 1)
        return QStringLiteral("the certificate check cannot be set up");
    X509_STORE_CTX_set_flags(context.get(), X509_V_FLAG_PARTIAL_CHAIN);
    if (X509_verify_cert(context.get()) == 1)
        return {};
    return QStringLiteral("the signer's certificate (%1) is not trusted: %2")
        .arg(subjectOf(signer), QString::fromUtf8(X509_verify_cert_error_string(
                                    X509_STORE_CTX_get_error(context.get()))));
}

}  // namespace

SignatureCheck checkSignature(_xmlNode* signature, const CapTrust& trust)
{
    if (!signature)
        return {State::Unsigned, {}};
    if (trust.certificateFiles.isEmpty())
        return {State::Unchecked, QStringLiteral("no certificate is listed in alerts.ini")};
    const XmlErrors errors;
    xmlSecKeysMngrPtr keys = threadKeys();
    if (!keys)
        return invalid(QStringLiteral("the key manager cannot be set up: ") + errors.first());
    const std::unique_ptr<xmlSecDSigCtx, void (*)(xmlSecDSigCtxPtr)> context(
        xmlSecDSigCtxCreate(keys), xmlSecDSigCtxDestroy);
    if (!context)
        return invalid(QStringLiteral("the signature context cannot be set up"));
    // Only the document itself, never an address the signature names; the key only from a
    // certificate, never a bare key the document brings along. The certificate is judged
    // below against alerts.ini alone.
    context->enabledReferenceUris = xmlSecTransformUriTypeEmpty;
    context->keyInfoReadCtx.flags |= XMLSEC_KEYINFO_FLAGS_X509DATA_DONT_VERIFY_CERTS;
    xmlSecPtrListAdd(&context->keyInfoReadCtx.enabledKeyData,
                     const_cast<void*>(static_cast<const void*>(xmlSecKeyDataX509Id)));
    if (xmlSecDSigCtxVerify(context.get(), signature) < 0) {
        if (!context->signKey)
            return invalid(
                QStringLiteral("the signature brings no certificate (X509Data) to "
                               "check; a bare key proves nothing"));
        return invalid(errors.first().isEmpty() ? QStringLiteral("the signature cannot be checked")
                                                : errors.first());
    }
    if (context->status != xmlSecDSigStatusSucceeded)
        return invalid(QStringLiteral("the signature does not match the document"));
    const xmlSecSize references = xmlSecPtrListGetSize(&context->signedInfoReferences);
    auto* reference = references == 1 ? static_cast<xmlSecDSigReferenceCtxPtr>(
                                            xmlSecPtrListGetItem(&context->signedInfoReferences, 0))
                                      : nullptr;
    if (!reference || (reference->uri && reference->uri[0] != '\0'))
        return invalid(QStringLiteral("the signature does not cover the whole document"));
    xmlSecKeyDataPtr brought = xmlSecKeyGetData(context->signKey, xmlSecOpenSSLKeyDataX509Id);
    X509* signer = brought ? xmlSecOpenSSLKeyDataX509GetKeyCert(brought) : nullptr;
    if (!signer)
        return invalid(QStringLiteral("the signature brings no certificate (X509Data)"));
    if (const QString fault = untrusted(signer, brought, trust.certificateFiles); !fault.isEmpty())
        return invalid(fault);
    return {State::Valid, subjectOf(signer)};
}

}  // namespace velumo::alerts
