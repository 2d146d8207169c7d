#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "base/failure.h"
#include "fakes/testsupport.h"
#include "net/htmlexport.h"

using namespace velumo;

namespace {

const QDateTime kNow(QDate(2010, 10, 13), QTime(12, 10, 30));

struct ParagraphCase {
    const char* name;
    QString line;
    QStringList paragraphs;  // expected lines between the heading and "</body>"
};

class ParagraphTable : public ::testing::TestWithParam<ParagraphCase> {};

TEST_P(ParagraphTable, KeepsTextLinesAndEscapesThem)
{
    const QStringList page = strToHtmlLines({GetParam().line}, kNow);
    ASSERT_GE(page.size(), 9);
    EXPECT_EQ(page.mid(7, page.size() - 9), GetParam().paragraphs);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParagraphTable,
    ::testing::Values(
        ParagraphCase{"marker_and_hash",
                      QStringLiteral("1Новости дня#"),
                      {QStringLiteral("<p> Новости дня</p>")}},
        ParagraphCase{"index_line", QStringLiteral("^12"), {}},
        ParagraphCase{"tariff_line", QStringLiteral("~3"), {}},
        ParagraphCase{"empty", QString(), {}}, ParagraphCase{"two_chars", QStringLiteral("1a"), {}},
        ParagraphCase{"one_char_text", QStringLiteral("1ab"), {}},
        ParagraphCase{
            "first_markers_removed", QStringLiteral("1a<b>c#"), {QStringLiteral("<p> abc</p>")}},
        ParagraphCase{
            "second_lt_escaped", QStringLiteral("1a<<b#"), {QStringLiteral("<p> a&lt;b</p>")}},
        ParagraphCase{"script_cannot_pass",
                      QStringLiteral("1<<script>>alert(1)<</script>>#"),
                      {QStringLiteral("<p> &lt;script&gt;alert(1)&lt;&lt;/script&gt;&gt;</p>")}},
        ParagraphCase{"ampersand_and_quote",
                      QStringLiteral("1Tom & \"Jerry\"#"),
                      {QStringLiteral("<p> Tom &amp; &quot;Jerry&quot;</p>")}},
        ParagraphCase{"brackets_once_each",
                      QStringLiteral("1[[x]]{y}^z##!"),
                      {QStringLiteral("<p> [x]yz#</p>")}},
        ParagraphCase{
            "blanks_trimmed", QStringLiteral("1   Утро \t #"), {QStringLiteral("<p> Утро</p>")}},
        ParagraphCase{"outside_code_page",
                      QStringLiteral("1Snow ☃ here#"),
                      {QStringLiteral("<p> Snow &#9731; here</p>")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HtmlExport, PageHasTheFixedLinesInOrder)
{
    const QStringList page = strToHtmlLines({}, kNow);
    ASSERT_EQ(page.size(), 9);
    EXPECT_EQ(page[0], QStringLiteral("<html>"));
    EXPECT_EQ(page[2], QStringLiteral("<title>Бегущая строка</title>"));
    EXPECT_EQ(
        page[3],
        QStringLiteral(
            "<meta http-equiv=\"content-type\" content=\"text/html; charset=windows-1251\">"));
    EXPECT_EQ(page[5], QStringLiteral("<body bgcolor=\"#CCFFCC\" text=\"black\" link=\"blue\" "
                                      "vlink=\"purple\" alink=\"red\">"));
    EXPECT_EQ(
        page[6],
        QStringLiteral("<p align=\"center\"><b>Бегущая строка на 13.10.2010 12:10:30 </b></p>"));
    EXPECT_EQ(page[7], QStringLiteral("</body>"));
    EXPECT_EQ(page[8], QStringLiteral("</html>"));
}

TEST(HtmlExport, FileIsWindows1251WithCrLf)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("ftp.str"));
    const QString target = dir.filePath(QStringLiteral("run_string.htm"));
    test::writeAll(source, test::cp1251(QStringLiteral("^1\r\n~0\r\n1Новости дня#\r\n")));
    test::writeAll(target, "old");
    FileStrToHtml(source, target, kNow);
    const QByteArray bytes = test::readAll(target);
    EXPECT_TRUE(bytes.contains(test::cp1251(QStringLiteral("<p> Новости дня</p>\r\n"))));
    EXPECT_TRUE(bytes.endsWith("</body>\r\n</html>\r\n"));
    EXPECT_FALSE(bytes.contains("old"));
}

TEST(HtmlExport, MissingSourceFailsAndLeavesTheTarget)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("run_string.htm"));
    test::writeAll(target, "previous page");
    EXPECT_THROW(FileStrToHtml(dir.filePath(QStringLiteral("none.str")), target, kNow), Failure);
    EXPECT_EQ(test::readAll(target), QByteArray("previous page"));
}

}  // namespace
