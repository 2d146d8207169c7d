#pragma once
// CAP documents the alert tests write themselves, and the signing of them by the real tools:
// a certificate made by openssl, signatures made by the xmlsec1 command.

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimeZone>

#include "alerts/alertsconfig.h"
#include "fakes/testsupport.h"

namespace velumo::alerts::test {

inline const QString kCap12 = QStringLiteral("urn:oasis:names:tc:emergency:cap:1.2");
inline const QString kCap11 = QStringLiteral("urn:oasis:names:tc:emergency:cap:1.1");
inline const QTimeZone kMsk(3 * 3600);

// The tests' station stands in Moscow, in region 45000000, and is called studio-1; their
// moment is noon of 1 May 2026 (Moscow time).
inline QDateTime noon(int addMinutes = 0)
{
    return QDateTime(QDate(2026, 5, 1), QTime(12, 0), kMsk).addSecs(addMinutes * 60);
}

inline AlertsConfig station()
{
    AlertsConfig config;
    config.place = GeoPoint{55.75, 37.62};
    config.geocodes = {{QStringLiteral("OKATO"), QStringLiteral("45000000")}};
    config.station = QStringLiteral("studio-1");
    return config;
}

// An <info> block; extra goes after the severity's siblings (times, texts, areas).
inline QString info(const QString& severity = QStringLiteral("Severe"),
                    const QString& urgency = QStringLiteral("Immediate"), const QString& extra = {},
                    const QString& language = QStringLiteral("ru-RU"))
{
    return QStringLiteral(
               "<info>%1<category>Met</category><event>Буря</event>"
               "<urgency>%2</urgency><severity>%3</severity><certainty>Observed"
               "</certainty>%4<headline>%5 %3</headline></info>")
        .arg(language.isEmpty() ? QString()
                                : QStringLiteral("<language>%1</language>").arg(language),
             urgency, severity, extra, language);
}

inline QString area(const QString& shapes)
{
    return QStringLiteral("<area><areaDesc>Район</areaDesc>%1</area>").arg(shapes);
}

inline const QString kAroundMoscow =
    QStringLiteral("<polygon>55.5,37.3 56.0,37.3 56.0,38.0 55.5,38.0 55.5,37.3</polygon>");
inline const QString kAroundPetersburg =
    QStringLiteral("<polygon>59.8,30.1 60.1,30.1 60.1,30.5 59.8,30.5 59.8,30.1</polygon>");

struct Doc {
    QString id = QStringLiteral("a1");
    QString sender = QStringLiteral("mchs@example.ru");
    QString status = QStringLiteral("Actual");
    QString msgType = QStringLiteral("Alert");
    QString scope = QStringLiteral("Public");
    QString extra;  // after <scope>: restriction, addresses, references
    QStringList infos = {info()};
    QString ns = kCap12;
    QString sent = QStringLiteral("2026-05-01T10:00:00+03:00");
    QString tail;  // before </alert>: a signature's template
};

inline QByteArray xml(const Doc& d)
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<alert xmlns=\"%1\">"
               "<identifier>%2</identifier><sender>%3</sender><sent>%4</sent>"
               "<status>%5</status><msgType>%6</msgType><scope>%7</scope>%8%9%10"
               "</alert>\n")
        .arg(d.ns, d.id, d.sender, d.sent, d.status, d.msgType, d.scope, d.extra,
             d.infos.join(QString()), d.tail)
        .toUtf8();
}

// The references of an Update or a Cancel to messages of the default sender.
inline QString refs(const QStringList& ids)
{
    QStringList list;
    for (const QString& id : ids)
        list << QStringLiteral("mchs@example.ru,%1,2026-05-01T09:00:00+03:00").arg(id);
    return QStringLiteral("<references>%1</references>").arg(list.join(u' '));
}

// The enveloped signature's template as CAP signs: the whole document, RSA-SHA256, the
// signer's certificate (or, with keyValue, the bare key) in KeyInfo.
inline QString signatureTemplate(bool keyValue = false)
{
    return QStringLiteral(
               "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
               "<CanonicalizationMethod "
               "Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
               "<SignatureMethod Algorithm=\"http://www.w3.org/2001/04/xmldsig-more#rsa-sha256\"/>"
               "<Reference URI=\"\"><Transforms><Transform Algorithm=\"http://www.w3.org/2000/09/"
               "xmldsig#enveloped-signature\"/></Transforms><DigestMethod Algorithm=\"http://"
               "www.w3.org/2001/04/xmlenc#sha256\"/><DigestValue/></Reference></SignedInfo>"
               "<SignatureValue/><KeyInfo>%1</KeyInfo></Signature>")
        .arg(keyValue ? QStringLiteral("<KeyValue/>") : QStringLiteral("<X509Data/>"));
}

inline bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(60000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok)
        qWarning("%s: %s", qPrintable(program), process.readAll().constData());
    return ok;
}

// A signer: a key and a self-signed certificate made by openssl in its own folder.
class Signer {
public:
    explicit Signer(const QString& name)
    {
        ok = run(QStringLiteral("openssl"),
                 {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key(), "-out",
                  certificate(), "-days", "2", "-subj", "/CN=" + name});
    }
    QString key() const { return m_dir.filePath("key.pem"); }
    QString certificate() const { return m_dir.filePath("cert.pem"); }

    // The document (a Doc with a template as its tail) signed by the xmlsec1 command.
    QByteArray sign(const QByteArray& document, bool keyValue = false) const
    {
        velumo::test::writeAll(m_dir.filePath("in.xml"), document);
        const QString pem = keyValue ? key() : key() + u',' + certificate();
        if (!run(QStringLiteral("xmlsec1"), {"--sign", "--privkey-pem", pem, "--output",
                                             m_dir.filePath("out.xml"), m_dir.filePath("in.xml")}))
            return {};
        return velumo::test::readAll(m_dir.filePath("out.xml"));
    }

    bool ok = false;

private:
    QTemporaryDir m_dir;
};

}  // namespace velumo::alerts::test
