#include <gtest/gtest.h>

#include "net/dialup.h"
#include "net/netrig.h"
#include "net/nettestsupport.h"

using namespace velumo;
using velumo::test::waitFor;

namespace {

class DialUpTest : public ::testing::Test, protected test::NetFolder {
protected:
    DialUp dial{notifier, &log};

    void dialAndWait(const QString& name)
    {
        bool done = false;
        dial.ConnectURL(name, [&] { done = true; });
        ASSERT_TRUE(waitFor([&] { return done; }));
    }
    void hangUpAndWait()
    {
        bool done = false;
        dial.DisconnectURL(false, [&] { done = true; });
        ASSERT_TRUE(waitFor([&] { return done; }));
    }
};

TEST_F(DialUpTest, ListsOnlyModemAndPppEntriesWhole)
{
    const QByteArray longName(256, 'x');
    nmcli.setEntries(
        "Wired connection 1:802-3-ethernet\n"
        "Beeline:gsm\n"
        "home\\:dsl:pppoe\n"
        "cafe:802-11-wireless\n" +
        longName + ":cdma\n");
    dial.SelectConnections(DialUp::In);
    ASSERT_TRUE(waitFor([&] { return dial.entries(DialUp::In).size() == 3; }));
    EXPECT_EQ(dial.entries(DialUp::In),
              (QStringList{QStringLiteral("Beeline"), QStringLiteral("home:dsl"),
                           QString::fromLatin1(longName)}));
    EXPECT_TRUE(dial.entries(DialUp::Out).isEmpty());
}

TEST_F(DialUpTest, AMissingToolIsKnownBeforeAnyListing)
{
    EXPECT_TRUE((DialUp{notifier, &log, QStringLiteral("/bin/sh")}.available()));
    DialUp missing{notifier, &log, QStringLiteral("/nonexistent/nmcli")};
    EXPECT_FALSE(missing.available());
    DialUp unknown{notifier, &log, QStringLiteral("no-such-tool-anywhere")};
    EXPECT_FALSE(unknown.available());
}

TEST_F(DialUpTest, EmptyNameAsksForOne)
{
    dialAndWait(QString());
    EXPECT_EQ(notifier.messages, QStringList{QStringLiteral("Задайте имя соединения ")});
    EXPECT_TRUE(nmcli.calls().isEmpty());
}

TEST_F(DialUpTest, SecondDialHangsUpTheFirst)
{
    dialAndWait(QStringLiteral("in-modem"));
    EXPECT_EQ(dial.statusText(), QStringLiteral("Connected"));
    dialAndWait(QStringLiteral("out-modem"));
    EXPECT_EQ(nmcli.calls(), (QStringList{QStringLiteral("connection up in-modem"),
                                          QStringLiteral("connection down in-modem"),
                                          QStringLiteral("connection up out-modem")}));
    EXPECT_EQ(dial.DialUpHandle(), QStringLiteral("out-modem"));
}

TEST_F(DialUpTest, HangingUpTwiceReportsOnce)
{
    dialAndWait(QStringLiteral("modem"));
    hangUpAndWait();
    hangUpAndWait();
    EXPECT_EQ(notifier.messages, QStringList{QStringLiteral("Отсоединились")});
    EXPECT_EQ(dial.DialUpHandle(), QStringLiteral("modem"));
}

TEST_F(DialUpTest, FailedDialShowsTheErrorInTheStatusOnly)
{
    dialAndWait(QStringLiteral("fail-modem"));
    EXPECT_EQ(dial.statusText(), QStringLiteral("Error: Connection activation failed: modem busy"));
    EXPECT_TRUE(notifier.messages.isEmpty());
    EXPECT_TRUE(logText().contains(QStringLiteral("\tnet\tdial-up: dial \"fail-modem\" failed")));
}

TEST_F(DialUpTest, UnknownEntryDoesNothingVisible)
{
    dialAndWait(QStringLiteral("nosuch"));
    EXPECT_TRUE(notifier.messages.isEmpty());
    EXPECT_TRUE(dial.DialUpHandle().isEmpty());
    EXPECT_TRUE(dial.statusText().isEmpty());
}

TEST_F(DialUpTest, MissingClientIsReportedWithoutCrashing)
{
    DialUp missing(notifier, &log, dir.filePath(QStringLiteral("no/such/nmcli")));
    bool done = false;
    missing.ConnectURL(QStringLiteral("modem"), [&] { done = true; });
    ASSERT_TRUE(waitFor([&] { return done; }));
    ASSERT_EQ(notifier.messages.size(), 1);
    EXPECT_TRUE(notifier.messages[0].contains(QStringLiteral("nmcli")));
    missing.SelectConnections(DialUp::Out);
    ASSERT_TRUE(waitFor([&] { return !missing.busy(); }));
    EXPECT_TRUE(missing.entries(DialUp::Out).isEmpty());
    EXPECT_TRUE(logText().contains(QStringLiteral("dial-up: listing failed")));
}

TEST(DialUpStates, TextsOfTheTable)
{
    EXPECT_EQ(DialUp::stateText(0), QStringLiteral("Opening port"));
    EXPECT_EQ(DialUp::stateText(13), QStringLiteral("Authentication: reauthenticate"));
    EXPECT_EQ(DialUp::stateText(4099), QStringLiteral("Password expired"));
    EXPECT_EQ(DialUp::stateText(8193), QStringLiteral("Disconnected"));
    EXPECT_EQ(DialUp::stateText(22), QString());
}

}  // namespace
