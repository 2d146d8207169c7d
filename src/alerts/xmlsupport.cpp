#include "xmlsupport.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/xmlsec.h>
#include <mutex>
#include <stdexcept>

namespace velumo::alerts {

namespace {

thread_local QString* collector = nullptr;

void silentGeneric(void*, const char*, ...) {}

void onXmlError(void*, xmlErrorPtr error)
{
    if (error && error->message)
        XmlErrors::note(QString::fromUtf8(error->message).trimmed());
}

void onXmlsecError(const char*, int, const char* func, const char* object, const char* subject,
                   int reason, const char* message)
{
    QString text = QStringLiteral("error %1").arg(reason);
    for (std::size_t i = 0; xmlSecErrorsGetMsg(i); ++i)
        if (xmlSecErrorsGetCode(i) == reason) {
            text = QString::fromUtf8(xmlSecErrorsGetMsg(i));
            break;
        }
    QString where = QString::fromUtf8(subject ? subject : (object ? object : (func ? func : "")));
    if (message && *message)
        text += QStringLiteral(" (%1)").arg(QString::fromUtf8(message));
    XmlErrors::note(where.isEmpty() ? text : where + QStringLiteral(": ") + text);
}

}  // namespace

void initXmlLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        if (xmlSecInit() < 0 || xmlSecCheckVersion() != 1 || xmlSecCryptoAppInit(nullptr) < 0 ||
            xmlSecCryptoInit() < 0)
            throw std::runtime_error("xmlsec cannot be set up");
        xmlSecErrorsSetCallback(onXmlsecError);
    });
    // libxml2's own error channels are the thread's: silenced on every thread that parses.
    xmlSetGenericErrorFunc(nullptr, silentGeneric);
    xmlSetStructuredErrorFunc(nullptr, onXmlError);
}

XmlErrors::XmlErrors() : m_previous(collector)
{
    collector = &m_first;
}

XmlErrors::~XmlErrors()
{
    collector = m_previous;
}

void XmlErrors::note(const QString& text)
{
    if (collector && collector->isEmpty())
        *collector = text;
}

}  // namespace velumo::alerts
