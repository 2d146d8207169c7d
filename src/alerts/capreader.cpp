#include "capreader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <QHash>
#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <span>

#include "alerts/capsignature.h"
#include "alerts/xmlsupport.h"

namespace velumo::alerts {

namespace {

constexpr char kCap12[] = "urn:oasis:names:tc:emergency:cap:1.2";
constexpr char kCap11[] = "urn:oasis:names:tc:emergency:cap:1.1";
constexpr char kAtom[] = "http://www.w3.org/2005/Atom";
constexpr char kDsig[] = "http://www.w3.org/2000/09/xmldsig#";
constexpr int kMaxIndexLinks = 500;

// The first fault of a document: thrown where it is found, caught by readCap.
struct Fault {
    QString text;
};

[[noreturn]] void fail(QString text)
{
    throw Fault{std::move(text)};
}

QString utf8(const xmlChar* text)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(text));
}

QString localName(xmlNodePtr node)
{
    return utf8(node->name);
}

QString namespaceOf(xmlNodePtr node)
{
    return node->ns && node->ns->href ? utf8(node->ns->href) : QString();
}

QString attribute(xmlNodePtr node, const char* name)
{
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    const QString text = utf8(value).trimmed();
    xmlFree(value);
    return text;
}

// The text of a simple element; one that holds elements is not one.
QString textOf(xmlNodePtr node)
{
    for (xmlNodePtr child = node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE)
            fail(QStringLiteral("<%1> holds elements where CAP has text").arg(localName(node)));
    xmlChar* content = xmlNodeGetContent(node);
    const QString text = utf8(content).trimmed();
    xmlFree(content);
    return text;
}

std::vector<xmlNodePtr> elements(xmlNodePtr parent, const QString& ns, const char* name)
{
    std::vector<xmlNodePtr> found;
    for (xmlNodePtr child = parent->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE && namespaceOf(child) == ns &&
            localName(child) == QLatin1String(name))
            found.push_back(child);
    return found;
}

// ---- the document ----------------------------------------------------------------------

struct ParseState {
    bool doctype = false;
    QString error;
};

// Called at a DOCTYPE before anything of its subset is read: the parse ends there.
void onDoctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*)
{
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    static_cast<ParseState*>(parser->_private)->doctype = true;
    xmlStopParser(parser);
}

void onParseError(void* context, xmlErrorPtr error)
{
    auto* state = static_cast<ParseState*>(static_cast<xmlParserCtxtPtr>(context)->_private);
    if (state->error.isEmpty() && error && error->level >= XML_ERR_ERROR && error->message)
        state->error = QStringLiteral("line %1: %2")
                           .arg(error->line)
                           .arg(QString::fromUtf8(error->message).trimmed());
}

using Document = std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)>;

Document parse(const QByteArray& bytes)
{
    ParseState state;
    const std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> parser(xmlNewParserCtxt(),
                                                                            xmlFreeParserCtxt);
    if (!parser)
        fail(QStringLiteral("the XML parser cannot be set up"));
    parser->_private = &state;
    parser->sax->internalSubset = onDoctype;
    parser->sax->serror = onParseError;
    Document document(
        xmlCtxtReadMemory(parser.get(), bytes.constData(), int(bytes.size()), "document.xml",
                          nullptr, XML_PARSE_NONET | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    if (state.doctype)
        fail(QStringLiteral("a DTD (DOCTYPE) is not allowed; none of its entities was read"));
    if (!document || !state.error.isEmpty())
        fail(QStringLiteral("not well-formed XML, ") +
             (state.error.isEmpty() ? QStringLiteral("no document") : state.error));
    return document;
}

// ---- CAP's children and values ---------------------------------------------------------

struct Child {
    const char* name;
    bool required;
    bool repeated;
};

constexpr Child kAlertChildren[] = {
    {"identifier", true, false}, {"sender", true, false},       {"sent", true, false},
    {"status", true, false},     {"msgType", true, false},      {"source", false, false},
    {"scope", true, false},      {"restriction", false, false}, {"addresses", false, false},
    {"code", false, true},       {"note", false, false},        {"references", false, false},
    {"incidents", false, false}, {"info", false, true}};
constexpr Child kInfoChildren[] = {
    {"language", false, false},    {"category", true, true},   {"event", true, false},
    {"responseType", false, true}, {"urgency", true, false},   {"severity", true, false},
    {"certainty", true, false},    {"audience", false, false}, {"eventCode", false, true},
    {"effective", false, false},   {"onset", false, false},    {"expires", false, false},
    {"senderName", false, false},  {"headline", false, false}, {"description", false, false},
    {"instruction", false, false}, {"web", false, false},      {"contact", false, false},
    {"parameter", false, true},    {"resource", false, true},  {"area", false, true}};
constexpr Child kAreaChildren[] = {{"areaDesc", true, false},  {"polygon", false, true},
                                   {"circle", false, true},    {"geocode", false, true},
                                   {"altitude", false, false}, {"ceiling", false, false}};
constexpr Child kNamedValueChildren[] = {{"valueName", true, false}, {"value", true, false}};
constexpr Child kResourceChildren[] = {{"resourceDesc", true, false}, {"mimeType", true, false},
                                       {"size", false, false},        {"uri", false, false},
                                       {"derefUri", false, false},    {"digest", false, false}};

// The CAP children of an element, checked against its schema: none unknown, every required one
// there (and not empty), none that may appear once appearing twice. Elements of other
// namespaces are extensions and are left alone.
class Children {
public:
    Children(xmlNodePtr parent, const QString& ns, std::span<const Child> schema)
    {
        const QString where = localName(parent);
        for (xmlNodePtr child = parent->children; child; child = child->next) {
            if (child->type != XML_ELEMENT_NODE || namespaceOf(child) != ns)
                continue;
            const QString name = localName(child);
            if (!std::any_of(schema.begin(), schema.end(),
                             [&](const Child& c) { return name == QLatin1String(c.name); }))
                fail(QStringLiteral("unknown element <%1> in <%2>").arg(name, where));
            m_nodes[name].append(child);
        }
        for (const Child& c : schema) {
            const QList<xmlNodePtr> nodes = m_nodes.value(QLatin1String(c.name));
            if (c.required && (nodes.isEmpty() || (!hasElementChild(nodes.first()) &&
                                                   textOf(nodes.first()).isEmpty())))
                fail(QStringLiteral("<%1> has no <%2>").arg(where, QLatin1String(c.name)));
            if (!c.repeated && nodes.size() > 1)
                fail(QStringLiteral("<%1> has more than one <%2>")
                         .arg(where, QLatin1String(c.name)));
        }
    }

    QList<xmlNodePtr> all(const char* name) const { return m_nodes.value(QLatin1String(name)); }
    QString text(const char* name) const
    {
        const QList<xmlNodePtr> nodes = all(name);
        return nodes.isEmpty() ? QString() : textOf(nodes.first());
    }
    QStringList texts(const char* name) const
    {
        QStringList list;
        for (xmlNodePtr node : all(name))
            list.append(textOf(node));
        return list;
    }

private:
    static bool hasElementChild(xmlNodePtr node)
    {
        for (xmlNodePtr child = node->children; child; child = child->next)
            if (child->type == XML_ELEMENT_NODE)
                return true;
        return false;
    }

    QHash<QString, QList<xmlNodePtr>> m_nodes;
};

template <typename Enum>
Enum enumerated(const Children& children, const char* name,
                std::optional<Enum> (*named)(const QString&))
{
    const QString text = children.text(name);
    if (const std::optional<Enum> value = named(text))
        return *value;
    fail(QStringLiteral("<%1> \"%2\" is not one of CAP's values").arg(QLatin1String(name), text));
}

void checkOneOf(const QString& text, const char* name, std::initializer_list<const char*> values)
{
    for (const char* value : values)
        if (text == QLatin1String(value))
            return;
    fail(QStringLiteral("<%1> \"%2\" is not one of CAP's values").arg(QLatin1String(name), text));
}

// CAP's moments: "2026-12-09T23:40:01+03:00". UTC written "Z" is unambiguous and taken too, as
// are fractions of a second; a moment without its zone is refused.
QDateTime moment(const QString& text, const char* name)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)(?:\.(\d+))?(Z|([+-])(\d\d):(\d\d))$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    const auto field = [&](int n) { return match.captured(n).toInt(); };
    if (match.hasMatch()) {
        const QDate date(field(1), field(2), field(3));
        const QTime time(field(4), field(5), field(6),
                         match.captured(7).left(3).leftJustified(3, u'0').toInt());
        const int offsetS = match.captured(8) == u"Z" ? 0
                                                      : (match.captured(9) == u"-" ? -1 : 1) *
                                                            (field(10) * 3600 + field(11) * 60);
        if (date.isValid() && time.isValid() && field(10) <= 14 && field(11) < 60)
            return QDateTime(date, time, QTimeZone(offsetS));
    }
    fail(QStringLiteral("<%1> \"%2\" is not a date and time with its time zone "
                        "(2026-12-09T23:40:00+03:00)")
             .arg(QLatin1String(name), text));
}

// A decimal number as CAP writes one (C locale). Shapes hold tens of thousands of them, so they
// are read with std::from_chars rather than through a locale.
double number(QStringView text, bool* ok)
{
    char digits[64];
    double value = 0;
    *ok = text.size() > 0 && text.size() < qsizetype(sizeof digits);
    for (qsizetype i = 0; *ok && i < text.size(); ++i) {
        *ok = text[i].unicode() < 128;
        digits[i] = char(text[i].unicode());
    }
    if (!*ok)
        return 0;
    const char* begin = digits[0] == '+' ? digits + 1 : digits;
    const char* end = digits + text.size();
    const auto [stop, error] = std::from_chars(begin, end, value);
    *ok = error == std::errc() && stop == end && std::isfinite(value);
    return value;
}

GeoPoint point(QStringView pair, const char* name)
{
    const qsizetype comma = pair.indexOf(u',');
    bool latOk = false;
    bool lonOk = false;
    const GeoPoint p{comma > 0 ? number(pair.left(comma), &latOk) : 0.0,
                     comma > 0 ? number(pair.mid(comma + 1), &lonOk) : 0.0};
    if (!latOk || !lonOk || std::abs(p.lat) > 90 || std::abs(p.lon) > 180)
        fail(QStringLiteral("<%1> point \"%2\" is not latitude,longitude")
                 .arg(QLatin1String(name), pair.toString()));
    return p;
}

// The blank-separated words of a text (XML's blanks), as views into it.
std::vector<QStringView> words(QStringView text)
{
    std::vector<QStringView> list;
    list.reserve(std::size_t(text.size() / 16));
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const char16_t c = i == text.size() ? u' ' : text[i].unicode();
        const bool blank = c == u' ' || c == u'\n' || c == u'\t' || c == u'\r';
        if (blank && start >= 0) {
            list.push_back(text.mid(start, i - start));
            start = -1;
        } else if (!blank && start < 0) {
            start = i;
        }
    }
    return list;
}

std::vector<GeoPoint> polygon(const QString& text)
{
    std::vector<GeoPoint> points;
    for (const QStringView pair : words(text))
        points.push_back(point(pair, "polygon"));
    if (points.size() < 4)
        fail(QStringLiteral("<polygon> has %1 points; a closed one has at least four")
                 .arg(points.size()));
    if (points.front().lat != points.back().lat || points.front().lon != points.back().lon)
        fail(QStringLiteral("<polygon> is not closed: its last point is not its first"));
    return points;
}

GeoCircle circle(const QString& text)
{
    const std::vector<QStringView> parts = words(text);
    if (parts.size() != 2)
        fail(QStringLiteral("<circle> \"%1\" is not a centre and a radius").arg(text));
    bool ok = false;
    const GeoCircle c{point(parts[0], "circle"), number(parts[1], &ok)};
    if (!ok || c.radiusKm < 0)
        fail(QStringLiteral("<circle> radius \"%1\" is not a distance in km")
                 .arg(parts[1].toString()));
    return c;
}

NamedValue namedValue(xmlNodePtr node, const QString& ns)
{
    const Children children(node, ns, kNamedValueChildren);
    return {children.text("valueName"), children.text("value")};
}

// Senders and identifiers are single tokens: references list them separated by commas and
// blanks.
QString token(const Children& children, const char* name)
{
    const QString text = children.text(name);
    static const QRegularExpression forbidden(QStringLiteral("[\\s,<&]"));
    if (text.contains(forbidden))
        fail(QStringLiteral("<%1> \"%2\" holds a blank, a comma, < or &")
                 .arg(QLatin1String(name), text));
    return text;
}

CapArea readArea(xmlNodePtr node, const QString& ns)
{
    const Children children(node, ns, kAreaChildren);
    CapArea area;
    area.description = children.text("areaDesc");
    for (const QString& text : children.texts("polygon"))
        area.polygons.push_back(polygon(text));
    for (const QString& text : children.texts("circle"))
        area.circles.push_back(circle(text));
    for (xmlNodePtr geocode : children.all("geocode"))
        area.geocodes.push_back(namedValue(geocode, ns));
    for (const char* name : {"altitude", "ceiling"}) {
        bool ok = true;
        if (const QString text = children.text(name); !text.isEmpty())
            number(text, &ok);
        if (!ok)
            fail(QStringLiteral("<%1> \"%2\" is not a number")
                     .arg(QLatin1String(name), children.text(name)));
    }
    if (!children.text("ceiling").isEmpty() && children.text("altitude").isEmpty())
        fail(QStringLiteral("<area> has a <ceiling> but no <altitude>"));
    return area;
}

CapInfo readInfo(xmlNodePtr node, const QString& ns, bool cap12)
{
    const Children children(node, ns, kInfoChildren);
    CapInfo info;
    info.language = children.text("language");
    static const QRegularExpression language(QStringLiteral("^[A-Za-z]{1,8}(-[A-Za-z0-9]{1,8})*$"));
    if (info.language.isEmpty())
        info.language = QStringLiteral("en-US");
    else if (!language.match(info.language).hasMatch())
        fail(QStringLiteral("<language> \"%1\" is not a language code").arg(info.language));
    info.categories = children.texts("category");
    for (const QString& category : info.categories)
        checkOneOf(category, "category",
                   {"Geo", "Met", "Safety", "Security", "Rescue", "Fire", "Health", "Env",
                    "Transport", "Infra", "CBRNE", "Other"});
    for (const QString& response : children.texts("responseType"))
        if (cap12)
            checkOneOf(response, "responseType",
                       {"Shelter", "Evacuate", "Prepare", "Execute", "Avoid", "Monitor", "Assess",
                        "AllClear", "None"});
        else
            checkOneOf(response, "responseType",
                       {"Shelter", "Evacuate", "Prepare", "Execute", "Monitor", "Assess", "None"});
    info.event = children.text("event");
    info.urgency = enumerated(children, "urgency", urgencyNamed);
    info.severity = enumerated(children, "severity", severityNamed);
    // CAP 1.1 still allows the "Very Likely" of 1.0.
    info.certainty = !cap12 && children.text("certainty") == u"Very Likely"
                         ? Certainty::Likely
                         : enumerated(children, "certainty", certaintyNamed);
    for (const char* name : {"eventCode", "parameter"})
        for (xmlNodePtr value : children.all(name))
            namedValue(value, ns);
    for (xmlNodePtr resource : children.all("resource")) {
        const Children parts(resource, ns, kResourceChildren);
        bool ok = true;
        if (const QString size = parts.text("size"); !size.isEmpty())
            size.toLongLong(&ok);
        if (!ok)
            fail(QStringLiteral("<size> \"%1\" is not a whole number").arg(parts.text("size")));
    }
    const auto when = [&](const char* name) {
        const QString text = children.text(name);
        return text.isEmpty() ? QDateTime() : moment(text, name);
    };
    info.effective = when("effective");
    info.onset = when("onset");
    info.expires = when("expires");
    info.senderName = children.text("senderName");
    info.headline = children.text("headline");
    info.description = children.text("description");
    info.instruction = children.text("instruction");
    info.web = children.text("web");
    info.contact = children.text("contact");
    for (xmlNodePtr area : children.all("area"))
        info.areas.push_back(readArea(area, ns));
    return info;
}

void readAlert(xmlNodePtr root, const QString& ns, CapAlert& alert)
{
    const Children children(root, ns, kAlertChildren);
    alert.version = ns == QLatin1String(kCap12) ? QStringLiteral("1.2") : QStringLiteral("1.1");
    alert.identifier = token(children, "identifier");
    alert.sender = token(children, "sender");
    alert.sent = moment(children.text("sent"), "sent");
    alert.status = enumerated(children, "status", statusNamed);
    alert.msgType = enumerated(children, "msgType", msgTypeNamed);
    alert.scope = enumerated(children, "scope", scopeNamed);
    alert.source = children.text("source");
    alert.restriction = children.text("restriction");
    alert.note = children.text("note");
    // Addresses are separated by blanks; one holding blanks is quoted.
    static const QRegularExpression address(QStringLiteral(R"re("([^"]*)"|(\S+))re"));
    for (const QRegularExpressionMatch& match : address.globalMatch(children.text("addresses")))
        alert.addresses.append(match.captured(1).isEmpty() ? match.captured(2) : match.captured(1));
    if (alert.scope == Scope::Restricted && alert.restriction.isEmpty())
        fail(QStringLiteral("scope Restricted without <restriction>"));
    if (alert.scope == Scope::Private && alert.addresses.isEmpty())
        fail(QStringLiteral("scope Private without <addresses>"));
    const QString references = children.text("references");
    for (const QStringView reference : words(references)) {
        const QStringList parts = reference.toString().split(u',');
        if (parts.size() != 3 || parts[0].isEmpty() || parts[1].isEmpty())
            fail(QStringLiteral("<references> entry \"%1\" is not sender,identifier,sent")
                     .arg(reference.toString()));
        alert.references.push_back({{parts[0], parts[1]}, moment(parts[2], "references")});
    }
    if ((alert.msgType == MsgType::Update || alert.msgType == MsgType::Cancel) &&
        alert.references.empty())
        fail(QStringLiteral("msgType %1 without <references>").arg(name(alert.msgType)));
    for (xmlNodePtr info : children.all("info"))
        alert.infos.push_back(readInfo(info, ns, alert.version == u"1.2"));
}

xmlNodePtr signatureOf(xmlNodePtr root)
{
    const std::vector<xmlNodePtr> signatures = elements(root, QLatin1String(kDsig), "Signature");
    if (signatures.size() > 1)
        fail(QStringLiteral("more than one signature"));
    return signatures.empty() ? nullptr : signatures.front();
}

// ---- indexes ---------------------------------------------------------------------------

// An Atom entry's address of its CAP document: the link typed as CAP, else its alternate.
QString atomLink(xmlNodePtr entry)
{
    QString alternate;
    for (xmlNodePtr link : elements(entry, QLatin1String(kAtom), "link")) {
        const QString href = attribute(link, "href");
        const QString rel = attribute(link, "rel");
        if (href.isEmpty())
            continue;
        if (attribute(link, "type").contains(QLatin1String("cap")))
            return href;
        if (alternate.isEmpty() && (rel.isEmpty() || rel == u"alternate"))
            alternate = href;
    }
    return alternate;
}

QString rssLink(xmlNodePtr item)
{
    for (xmlNodePtr link : elements(item, {}, "link"))
        if (const QString text = textOf(link); !text.isEmpty())
            return text;
    for (xmlNodePtr enclosure : elements(item, {}, "enclosure"))
        if (const QString url = attribute(enclosure, "url"); !url.isEmpty())
            return url;
    for (xmlNodePtr guid : elements(item, {}, "guid"))
        if (attribute(guid, "isPermaLink") != u"false")
            return textOf(guid);
    return {};
}

QStringList indexLinks(xmlNodePtr root, bool atom)
{
    QStringList links;
    const auto add = [&](const QString& link) {
        if (!link.isEmpty() && !links.contains(link) && links.size() < kMaxIndexLinks)
            links.append(link);
    };
    if (atom) {
        for (xmlNodePtr entry : elements(root, QLatin1String(kAtom), "entry"))
            add(atomLink(entry));
    } else {
        for (xmlNodePtr channel : elements(root, {}, "channel"))
            for (xmlNodePtr item : elements(channel, {}, "item"))
                add(rssLink(item));
    }
    return links;
}

}  // namespace

CapReading readCap(const QByteArray& document, const CapTrust& trust)
{
    CapReading reading;
    try {
        if (document.size() > kMaxDocumentBytes)
            fail(QStringLiteral("larger than 1 MiB (%1 bytes)").arg(document.size()));
        initXmlLibraries();
        const Document parsed = parse(document);
        xmlNodePtr root = xmlDocGetRootElement(parsed.get());
        if (!root)
            fail(QStringLiteral("no root element"));
        const QString ns = namespaceOf(root);
        const QString name = localName(root);
        if ((name == u"feed" && ns == QLatin1String(kAtom)) || (name == u"rss" && ns.isEmpty())) {
            reading.kind = CapReading::Kind::Index;
            reading.links = indexLinks(root, name == u"feed");
            return reading;
        }
        if (name != u"alert")
            fail(QStringLiteral("neither a CAP alert nor an Atom or RSS index: <%1>").arg(name));
        if (ns != QLatin1String(kCap12) && ns != QLatin1String(kCap11))
            fail(QStringLiteral("<alert> of namespace \"%1\", not CAP 1.2 or 1.1").arg(ns));
        readAlert(root, ns, reading.alert);
        reading.signature = checkSignature(signatureOf(root), trust);
        using State = SignatureCheck::State;
        if (reading.signature.state == State::Invalid)
            fail(QStringLiteral("bad signature: ") + reading.signature.detail);
        if (trust.requireSignature && reading.signature.state != State::Valid)
            fail(reading.signature.state == State::Unsigned
                     ? QStringLiteral("not signed, and alerts.ini requires a signature")
                     : QStringLiteral("signed, but alerts.ini lists no certificate to check it"));
        reading.kind = CapReading::Kind::Alert;
    } catch (const Fault& fault) {
        reading.kind = CapReading::Kind::Refused;
        reading.fault = fault.text;
    }
    return reading;
}

}  // namespace velumo::alerts
