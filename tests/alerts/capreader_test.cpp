// Reading CAP documents: what each of a set of documents the test writes comes to (refused
// with its first fault, an index, or what the station would do with it at noon), and their
// signatures made by the real xmlsec1 with certificates made by openssl.
#include <gtest/gtest.h>

#include <thread>

#include "alerts/alertselection.h"
#include "alerts/capreader.h"
#include "capfixtures.h"

namespace velumo::alerts {
namespace {

using namespace test;

QString outcome(const QByteArray& document, const AlertsConfig& config = station())
{
    const CapReading r = readCap(document, config.trust({}));
    if (r.kind == CapReading::Kind::Refused)
        return QStringLiteral("refused: ") + r.fault;
    if (r.kind == CapReading::Kind::Index)
        return QStringLiteral("index ") + r.links.join(u' ');
    const Selection s = select(r.alert, config, noon());
    if (s.verdict == Selection::Verdict::NotShown)
        return QStringLiteral("not: ") + s.reason;
    return QStringLiteral("%1 %2 %3 %4")
        .arg(s.verdict == Selection::Verdict::Show ? "show" : "later",
             s.display == Display::Band ? "band" : "strip",
             r.alert.infos[std::size_t(s.info)].language, s.from.toString(Qt::ISODate));
}

QByteArray withDoctype(const QString& doctype, const QString& id)
{
    return xml({.id = id}).replace("?>\n", ("?>\n" + doctype + u'\n').toUtf8());
}

struct Case {
    const char* name;
    QByteArray document;
    const char* expected;  // the start of the outcome
};

TEST(CapReader, EachDocumentComesToWhatTheStationMustDoWithIt)
{
    const QString until1100 = "<expires>2026-05-01T11:00:00+03:00</expires>";
    const QString from1400 = "<effective>2026-05-01T14:00:00+03:00</effective>";
    const QString okato = "<geocode><valueName>OKATO</valueName><value>%1</value></geocode>";
    const QString addressed =
        "<restriction>Сеть</restriction><addresses>%1 \"studio 2\"</addresses>";
    const QString big(1100 * 1024, u'x');
    const std::vector<Case> cases = {
        {"extreme", xml({.infos = {info("Extreme", "Immediate")}}), "show band ru-RU"},
        {"severe expected", xml({.infos = {info("Severe", "Expected")}}), "show band"},
        {"moderate", xml({.infos = {info("Moderate", "Immediate")}}), "show strip"},
        {"minor", xml({.infos = {info("Minor", "Future")}}), "show strip"},
        {"unknown severity", xml({.infos = {info("Unknown", "Unknown")}}), "show strip"},
        {"extreme in future", xml({.infos = {info("Extreme", "Future")}}), "show strip"},
        {"severe past", xml({.infos = {info("Severe", "Past")}}), "show strip"},
        {"own language first",
         xml({.infos = {info("Extreme", "Immediate", {}, "en-US"), info("Minor", "Immediate")}}),
         "show strip ru-RU"},
        {"language without region",
         xml({.infos = {info("Minor", "Expected", {}, "en-GB"),
                        info("Moderate", "Past", {}, "ru")}}),
         "show strip ru "},
        {"any language else", xml({.infos = {info("Severe", "Immediate", {}, "de-DE")}}),
         "show band de-DE"},
        {"no language is en-US", xml({.infos = {info("Minor", "Immediate", {}, {})}}),
         "show strip en-US"},
        {"in a polygon", xml({.infos = {info("Severe", "Immediate", area(kAroundMoscow))}}),
         "show band"},
        {"outside a polygon",
         xml({.infos = {info("Severe", "Immediate", area(kAroundPetersburg))}}),
         "not: станция вне"},
        {"in a circle",
         xml({.infos = {info("Minor", "Immediate", area("<circle>55.7,37.5 20</circle>"))}}),
         "show strip"},
        {"outside a circle",
         xml({.infos = {info("Minor", "Immediate", area("<circle>55.9,37.5 5.5</circle>"))}}),
         "not: станция вне"},
        {"geocode", xml({.infos = {info("Minor", "Immediate", area(okato.arg("45000000")))}}),
         "show strip"},
        {"other geocode", xml({.infos = {info("Minor", "Immediate", area(okato.arg("40000000")))}}),
         "not: станция вне"},
        {"second area",
         xml({.infos = {info("Severe", "Immediate",
                             area(kAroundPetersburg) + area(kAroundMoscow))}}),
         "show band"},
        {"second polygon",
         xml({.infos = {info("Severe", "Immediate", area(kAroundPetersburg + kAroundMoscow))}}),
         "show band"},
        {"circle after geocode",
         xml({.infos = {info("Minor", "Immediate",
                             area(okato.arg("1") + "<circle>55.75,37.62 0.5</circle>"))}}),
         "show strip"},
        {"the block whose area holds",
         xml({.infos = {info("Extreme", "Immediate", area(kAroundPetersburg)),
                        info("Minor", "Immediate", area(kAroundMoscow))}}),
         "show strip"},
        {"expired", xml({.infos = {info("Severe", "Immediate", until1100)}}), "not: истекло"},
        {"not yet effective", xml({.infos = {info("Severe", "Immediate", from1400)}}),
         "later band ru-RU 2026-05-01T14:00:00+03:00"},
        {"onset ahead",
         xml({.infos = {info("Severe", "Expected", "<onset>2026-05-01T18:00:00+03:00</onset>")}}),
         "show band"},
        {"UTC as Z",
         xml({.infos = {info("Severe", "Immediate", "<expires>2026-05-01T09:30:00Z</expires>")}}),
         "show band"},
        {"sent without zone", xml({.sent = "2026-05-01T10:00:00"}),
         "refused: <sent> \"2026-05-01T10:00:00\""},
        {"expires without zone",
         xml({.infos = {info("Severe", "Immediate", "<expires>2026-05-01T13:00:00</expires>")}}),
         "refused: <expires>"},
        {"31 April", xml({.sent = "2026-04-31T10:00:00+03:00"}), "refused: <sent>"},
        {"test", xml({.status = "Test"}), "not: учебное или тестовое (status Test)"},
        {"exercise", xml({.status = "Exercise"}), "not: учебное"},
        {"system", xml({.status = "System"}), "not: status System"},
        {"draft", xml({.status = "Draft"}), "not: status Draft"},
        {"restricted to us", xml({.scope = "Restricted", .extra = addressed.arg("studio-1")}),
         "show band"},
        {"restricted to others", xml({.scope = "Restricted", .extra = addressed.arg("studio-9")}),
         "not: scope Restricted"},
        {"private without addresses", xml({.scope = "Private"}), "refused: scope Private"},
        {"restricted without restriction", xml({.scope = "Restricted"}),
         "refused: scope Restricted"},
        {"update", xml({.msgType = "Update", .extra = refs({"a0"})}), "show band"},
        {"update without references", xml({.msgType = "Update"}), "refused: msgType Update"},
        {"cancel", xml({.msgType = "Cancel", .extra = refs({"a0"})}), "not: отмена"},
        {"ack", xml({.msgType = "Ack", .extra = refs({"a0"})}), "not: msgType Ack"},
        {"no info", xml({.infos = {}}), "not: в оповещении нет"},
        {"CAP 1.1", xml({.ns = kCap11}), "show band"},
        {"AllClear is CAP 1.2's",
         xml({.infos = {info("Minor", "Past", "<responseType>AllClear</responseType>")},
              .ns = kCap11}),
         "refused: <responseType> \"AllClear\""},
        {"AllClear in CAP 1.2",
         xml({.infos = {info("Minor", "Past", "<responseType>AllClear</responseType>")}}),
         "show strip"},
        {"extension", xml({.extra = "<x:colour xmlns:x=\"urn:x\">red</x:colour>"}), "show band"},
        {"malformed", "<alert xmlns=\"urn:oasis:names:tc:emergency:cap:1.2\"><identifier>a</alert>",
         "refused: not well-formed XML, line 1"},
        {"CAP 1.0 namespace", xml({.ns = "http://www.incident.com/cap/1.0"}),
         "refused: <alert> of namespace"},
        {"no namespace", xml({.ns = ""}), "refused: <alert> of namespace \"\""},
        {"not an alert", "<html><body/></html>", "refused: neither a CAP alert"},
        {"bad severity", xml({.infos = {info("Catastrophic")}}),
         "refused: <severity> \"Catastrophic\""},
        {"bad urgency", xml({.infos = {info("Severe", "Now")}}), "refused: <urgency> \"Now\""},
        {"bad status", xml({.status = "Real"}), "refused: <status> \"Real\""},
        {"bad msgType", xml({.msgType = "Warning"}), "refused: <msgType>"},
        {"bad scope", xml({.scope = "All"}), "refused: <scope>"},
        {"bad category",
         xml({.infos = {info("Severe", "Immediate", "<category>Weather</category>")}}),
         "refused: <category> \"Weather\""},
        {"unclosed polygon",
         xml({.infos = {info("Severe", "Immediate",
                             area("<polygon>55.5,37.3 56,37.3 56,38 55.5,38</polygon>"))}}),
         "refused: <polygon> is not closed"},
        {"three points",
         xml({.infos = {info("Severe", "Immediate",
                             area("<polygon>55,37 56,37 55,37</polygon>"))}}),
         "refused: <polygon> has 3 points"},
        {"point off the globe",
         xml({.infos = {info("Severe", "Immediate",
                             area("<polygon>95,37 56,37 56,38 95,37</polygon>"))}}),
         "refused: <polygon> point \"95,37\""},
        {"circle without radius",
         xml({.infos = {info("Minor", "Immediate", area("<circle>55.7,37.5</circle>"))}}),
         "refused: <circle> \"55.7,37.5\""},
        {"area without description",
         xml({.infos = {info("Minor", "Immediate", "<area>" + kAroundMoscow + "</area>")}}),
         "refused: <area> has no <areaDesc>"},
        {"no identifier", xml({.id = ""}), "refused: <alert> has no <identifier>"},
        {"identifier with a blank", xml({.id = "a 1"}), "refused: <identifier> \"a 1\""},
        {"two severities",
         xml({.infos = {info("Severe", "Immediate", "<severity>Minor</severity>")}}),
         "refused: <info> has more than one <severity>"},
        {"unknown element", xml({.extra = "<colour>red</colour>"}),
         "refused: unknown element <colour> in <alert>"},
        {"bad reference", xml({.msgType = "Update", .extra = "<references>a0</references>"}),
         "refused: <references> entry \"a0\""},
        {"XXE", withDoctype("<!DOCTYPE alert [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>", "&x;"),
         "refused: a DTD (DOCTYPE) is not allowed"},
        {"entity bomb",
         withDoctype("<!DOCTYPE alert [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                     "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                     "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d "
                     "\"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
                     "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f "
                     "\"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
                     "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h "
                     "\"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">]>",
                     "&h;"),
         "refused: a DTD (DOCTYPE) is not allowed"},
        {"over 1 MiB",
         xml({.infos = {info("Minor", "Immediate", "<description>" + big + "</description>")}}),
         "refused: larger than 1 MiB"},
        {"Atom index",
         "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>t</title>"
         "<entry><id>1</id><link rel=\"alternate\" type=\"application/cap+xml\" "
         "href=\"a1.xml\"/></entry>"
         "<entry><link href=\"http://example.org/p.html\" type=\"text/html\"/><link "
         "href=\"a2.xml\" "
         "type=\"application/cap+xml\"/></entry><entry><link rel=\"self\" href=\"s.xml\"/>"
         "<link href=\"a3.xml\"/></entry></feed>",
         "index a1.xml a2.xml a3.xml"},
        {"RSS index",
         "<rss version=\"2.0\"><channel><title>t</title><item><link>b1.xml</link></item><item>"
         "<enclosure url=\"b2.xml\" type=\"application/cap+xml\"/></item></channel></rss>",
         "index b1.xml b2.xml"},
    };
    EXPECT_GE(cases.size(), 50u);
    for (const Case& c : cases) {
        const QString got = outcome(c.document);
        EXPECT_TRUE(got.startsWith(QString::fromUtf8(c.expected)))
            << c.name << ": " << got.toStdString();
        EXPECT_FALSE(got.contains(u'\n')) << c.name;
    }
}

TEST(CapSignature, OnlyTheTrustedSignerOverTheWholeUnalteredDocumentCounts)
{
    const Signer issuer("Test Issuer");
    const Signer stranger("Stranger");
    ASSERT_TRUE(issuer.ok && stranger.ok) << "openssl is missing (tools/install-deps.sh)";
    const QByteArray unsigned_ = xml({.tail = signatureTemplate()});
    const QByteArray signed_ = issuer.sign(unsigned_);
    ASSERT_TRUE(signed_.contains("X509Certificate"))
        << "xmlsec1 is missing (tools/install-deps.sh)";
    const CapTrust trusted{{issuer.certificate()}, true};
    const CapReading good = readCap(signed_, trusted);
    EXPECT_EQ(good.kind, CapReading::Kind::Alert) << good.fault.toStdString();
    EXPECT_EQ(good.signature.state, SignatureCheck::State::Valid);
    EXPECT_TRUE(good.signature.detail.contains("CN=Test Issuer"))
        << good.signature.detail.toStdString();

    QByteArray altered = signed_;
    altered.replace("<severity>Severe", "<severity>Minor");
    const std::vector<std::pair<QByteArray, CapTrust>> refused = {
        {altered, trusted},
        {altered, {{issuer.certificate()}, false}},  // an altered document, even unrequired
        {stranger.sign(unsigned_), trusted},
        {issuer.sign(unsigned_, true), trusted},  // a bare key proves nothing
        {xml({}), trusted},
        {signed_, {{}, true}},  // required with no certificate to check against
    };
    for (const auto& [document, trust] : refused) {
        ASSERT_FALSE(document.isEmpty());
        const CapReading r = readCap(document, trust);
        EXPECT_EQ(r.kind, CapReading::Kind::Refused) << r.signature.detail.toStdString();
        EXPECT_FALSE(r.fault.isEmpty());
    }
    EXPECT_TRUE(readCap(altered, trusted).fault.startsWith("bad signature"));
    // Unrequired and nothing to check it against: shown, and said so.
    EXPECT_EQ(readCap(signed_, {}).signature.state, SignatureCheck::State::Unchecked);
    EXPECT_EQ(readCap(signed_, {}).kind, CapReading::Kind::Alert);
}

TEST(CapSignature, TheSystemsCertificateAuthoritiesAreNotTrusted)
{
    const Signer issuer("Test Issuer");
    const Signer stranger("Stranger");
    const QByteArray document = stranger.sign(xml({.tail = signatureTemplate()}));
    ASSERT_FALSE(document.isEmpty());
    // The stranger stands in for a public authority of the system's store (a fresh thread: the
    // store is read once a thread).
    qputenv("SSL_CERT_FILE", stranger.certificate().toLocal8Bit());
    CapReading reading;
    std::thread([&] { reading = readCap(document, {{issuer.certificate()}, true}); }).join();
    qunsetenv("SSL_CERT_FILE");
    EXPECT_EQ(reading.kind, CapReading::Kind::Refused) << reading.signature.detail.toStdString();
}

}  // namespace
}  // namespace velumo::alerts
