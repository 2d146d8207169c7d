#include "rssdocument.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <pugixml.hpp>

namespace velumo {

namespace {

// A ticker line is one line: longer texts are cut here.
constexpr qsizetype kMaxTextLength = 4096;

// The text of a node and everything under it, white space runs made single blanks.
class TextCollector final : public pugi::xml_tree_walker {
public:
    QByteArray text;
    bool for_each(pugi::xml_node& node) override
    {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += node.value();
        return text.size() < kMaxTextLength * 4;
    }
};

QString nodeText(const pugi::xml_node& node)
{
    QByteArray text;
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
        text = node.value();
    } else {
        TextCollector collector;
        // traverse() walks iteratively, so deep nesting cannot exhaust the stack.
        const_cast<pugi::xml_node&>(node).traverse(collector);
        text = collector.text;
    }
    return QString::fromUtf8(text).simplified().left(kMaxTextLength);
}

}  // namespace

QByteArray xmlToUtf8(const QByteArray& raw, QString* error)
{
    if (raw.startsWith("\xEF\xBB\xBF"))
        return raw.mid(3);
    if (raw.startsWith("\xFF\xFE") || raw.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(raw.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE);
        return QString(decoder(raw.mid(2))).toUtf8();
    }
    QByteArray name = "utf-8";
    if (raw.startsWith("<?xml")) {
        const qsizetype end = raw.indexOf("?>");
        if (end > 0 && end < 1024) {
            static const QRegularExpression encoding(
                QStringLiteral("encoding\\s*=\\s*[\"']([A-Za-z0-9._:-]+)[\"']"));
            const auto match = encoding.match(QString::fromLatin1(raw.left(end)));
            if (match.hasMatch())
                name = match.captured(1).toLatin1().toLower();
        }
    }
    if (name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii")
        return raw;
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid()) {
        if (error)
            *error = QStringLiteral("Unsupported encoding \"%1\"").arg(QString::fromLatin1(name));
        return {};
    }
    return QString(decoder(raw)).toUtf8();
}

RssDocument readRssDocument(const QByteArray& raw)
{
    RssDocument result;
    QString error;
    const QByteArray utf8 = xmlToUtf8(raw, &error);
    if (!error.isEmpty()) {
        result.error = error;
        return result;
    }
    pugi::xml_document doc;
    // The declaration's encoding has been honoured above; the parser reads UTF-8 only and
    // leaves entity references it does not know as text.
    const pugi::xml_parse_result parsed = doc.load_buffer(utf8.constData(), size_t(utf8.size()),
                                                          pugi::parse_default, pugi::encoding_utf8);
    if (!parsed || !doc.document_element()) {
        result.error = parsed ? QStringLiteral("No document element")
                              : QStringLiteral("XML error at offset %1: %2")
                                    .arg(qint64(parsed.offset))
                                    .arg(QString::fromUtf8(parsed.description()));
        return result;
    }
    result.parsed = true;
    try {
        const pugi::xml_node rss = doc.select_node("//rss").node();
        result.hasRss = bool(rss);
        if (const pugi::xml_attribute version = rss.attribute("version")) {
            result.hasVersion = true;
            result.version = QString::fromUtf8(version.value());
        }
        result.hasChannel = bool(doc.select_node("//channel").node());
        if (const pugi::xml_node date = doc.select_node("//lastBuildDate").node()) {
            result.hasLastBuildDate = true;
            result.lastBuildDate = nodeText(date);
        }
        for (const pugi::xpath_node& item : doc.select_nodes("//item")) {
            const pugi::xml_node first = item.node().first_child();
            if (!first) {
                ++result.itemsWithoutChild;
                continue;
            }
            result.items.append(nodeText(first));
        }
    } catch (const std::exception& e) {
        // XPath evaluation ran out of memory on a hostile document.
        result.parsed = false;
        result.error = QString::fromLocal8Bit(e.what());
    }
    return result;
}

}  // namespace velumo
