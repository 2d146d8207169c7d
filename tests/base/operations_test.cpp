#include <gtest/gtest.h>

#include "base/failure.h"
#include "base/operations.h"

namespace velumo {
namespace {

TEST(Operations, LongestWholeWordNameWinsAndTheRestIsTheArgument)
{
    Operations ops;
    ops.add("ticker", [](const QString&) { return QStringLiteral("t"); });
    ops.add("ticker start", [](const QString& a) { return "start:" + a; });
    ops.add("phrase", [](const QString& a) { return "phrase:" + a; });

    auto m = ops.match("  ticker start  now ");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->first, "ticker start");
    EXPECT_EQ(m->second, "now");
    EXPECT_EQ(ops.run(m->first, m->second), "start:now");
    // A name is matched on whole words only.
    m = ops.match("tickerstart");
    EXPECT_FALSE(m);
    m = ops.match("phrase Бегущая  строка");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->second, QStringLiteral("Бегущая  строка"));
    EXPECT_FALSE(ops.match(""));
}

TEST(Operations, DuplicateOrUnknownNamesAreFaults)
{
    Operations ops;
    ops.add("save", [](const QString&) { return QString(); });
    EXPECT_THROW(ops.add("save", [](const QString&) { return QString(); }), Failure);
    EXPECT_THROW(ops.add(" ", [](const QString&) { return QString(); }), Failure);
    EXPECT_THROW(ops.run("load"), Failure);
    EXPECT_TRUE(ops.contains("save"));
    EXPECT_EQ(ops.names(), QStringList{"save"});
}

}  // namespace
}  // namespace velumo
