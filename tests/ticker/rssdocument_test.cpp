#include <gtest/gtest.h>

#include "fakes/testsupport.h"
#include "ticker/rssdocument.h"

using namespace velumo;

namespace {

struct DocumentCase {
    const char* name;
    QByteArray xml;
    bool parsed;
    bool hasRss;
    QString version;
    QString date;  // empty: no lastBuildDate
    QStringList items;
    int itemsWithoutChild = 0;
};

QByteArray rss(const QByteArray& channel, const QByteArray& version = "2.0")
{
    return "<?xml version=\"1.0\"?><rss version=\"" + version + "\"><channel>" + channel +
           "</channel></rss>";
}

const QByteArray kLaughs =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE rss [\n<!ENTITY lol \"lol\">\n"
    "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
    "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
    "<!ENTITY lol9 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">\n]>\n"
    "<rss version=\"2.0\"><channel><item><title>&lol9;</title></item></channel></rss>";
const QByteArray kExternal =
    "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]>"
    "<rss version=\"2.0\"><channel><item><title>&xxe;</title></item></channel></rss>";

class DocumentTable : public ::testing::TestWithParam<DocumentCase> {};

TEST_P(DocumentTable, Selections)
{
    const DocumentCase& c = GetParam();
    const RssDocument doc = readRssDocument(c.xml);
    EXPECT_EQ(doc.parsed, c.parsed) << doc.error.toStdString();
    EXPECT_EQ(doc.hasRss, c.hasRss);
    EXPECT_EQ(doc.version, c.version);
    EXPECT_EQ(doc.hasLastBuildDate, !c.date.isEmpty());
    EXPECT_EQ(doc.lastBuildDate, c.date);
    EXPECT_EQ(doc.items, c.items);
    EXPECT_EQ(doc.itemsWithoutChild, c.itemsWithoutChild);
}

INSTANTIATE_TEST_SUITE_P(
    Feeds, DocumentTable,
    ::testing::Values(
        DocumentCase{
            "three_items",
            rss("<title>News</title><lastBuildDate>Wed, 13 Oct 2010 12:10:30 GMT</lastBuildDate>"
                "<item><title>One</title><link>x</link></item><item><title>Two</title></item>"
                "<item><title>Three</title></item>"),
            true,
            true,
            "2.0",
            "Wed, 13 Oct 2010 12:10:30 GMT",
            {"One", "Two", "Three"}},
        DocumentCase{
            "description_first",
            rss("<item>\n  <description>About it</description>\n  <title>T</title>\n</item>"),
            true,
            true,
            "2.0",
            "",
            {"About it"}},
        DocumentCase{"cdata_and_whitespace",
                     rss("<item><title><![CDATA[Hello <b>world</b>]]></title></item>"
                         "<item><title>\n  Line\n\tbreaks  </title></item>"),
                     true,
                     true,
                     "2.0",
                     "",
                     {"Hello <b>world</b>", "Line breaks"}},
        DocumentCase{"markup_inside_title",
                     rss("<item><title>a <i>b</i> c</title></item>"),
                     true,
                     true,
                     "2.0",
                     "",
                     {"a b c"}},
        DocumentCase{"item_without_children",
                     rss("<item/><item></item><item><title>Ok</title></item>"),
                     true,
                     true,
                     "2.0",
                     "",
                     {"Ok"},
                     2},
        DocumentCase{
            "item_with_text_only", rss("<item>plain</item>"), true, true, "2.0", "", {"plain"}},
        DocumentCase{"old_version",
                     rss("<item><title>A</title></item>", "0.91"),
                     true,
                     true,
                     "0.91",
                     "",
                     {"A"}},
        DocumentCase{"rss_1_0",
                     "<?xml version=\"1.0\"?><rdf:RDF "
                     "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\""
                     " xmlns=\"http://purl.org/rss/1.0/\"><channel><title>c</title></channel>"
                     "<item><title>A</title></item></rdf:RDF>",
                     true,
                     false,
                     "",
                     "",
                     {"A"}},
        DocumentCase{
            "windows_1251",
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>" +
                test::cp1251(QStringLiteral("<rss version=\"2.0\"><channel><item><title>Новости "
                                            "дня</title></item></channel></rss>")),
            true,
            true,
            "2.0",
            "",
            {QStringLiteral("Новости дня")}},
        DocumentCase{
            "utf8_declared",
            QStringLiteral("<?xml version='1.0' encoding='UTF-8'?><rss version=\"2.0\"><channel>"
                           "<item><title>Погода</title></item></channel></rss>")
                .toUtf8(),
            true,
            true,
            "2.0",
            "",
            {QStringLiteral("Погода")}},
        DocumentCase{"billion_laughs", kLaughs, true, true, "2.0", "", {"&lol9;"}},
        DocumentCase{"external_entity", kExternal, true, true, "2.0", "", {"&xxe;"}},
        DocumentCase{
            "truncated", rss("<item><title>One</title></item>").left(40), false, false, "", "", {}},
        DocumentCase{"not_xml", "404 Not Found", false, false, "", "", {}},
        DocumentCase{"unknown_encoding",
                     "<?xml version=\"1.0\" encoding=\"x-nonsense\"?><rss/>",
                     false,
                     false,
                     "",
                     "",
                     {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RssDocument, Utf16WithByteOrderMark)
{
    const QString text = QStringLiteral(
        "<rss version=\"2.0\"><channel><item><title>Снег</title></item></channel></rss>");
    QByteArray bytes("\xFF\xFE", 2);
    bytes += QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(readRssDocument(bytes).items, QStringList{QStringLiteral("Снег")});
}

TEST(RssDocument, HtmlPageIsNoFeed)
{
    const RssDocument doc = readRssDocument("<html><body><p>Hello</p></body></html>");
    EXPECT_TRUE(doc.parsed);
    EXPECT_TRUE(doc.isEmptyOfFeed());
}

}  // namespace
