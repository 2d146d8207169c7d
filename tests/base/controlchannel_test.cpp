#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/operations.h"
#include "fakes/testsupport.h"

namespace velumo {
namespace {

class ControlChannel : public ::testing::Test {
protected:
    void SetUp() override
    {
        log = std::make_unique<EventLog>(dir.filePath("velumo.log"));
        server = std::make_unique<ControlServer>(dir.path(), notifier, log.get(), operations);
        server->addCommand("block load", [this](const QString& a) {
            if (a.isEmpty())
                throw Failure("block load needs a file path");
            loaded = a;
            return QStringLiteral("3");
        });
        server->addCommand("block", [](const QString&) { return QStringLiteral("block"); });
        server->addCommand("boom",
                           [](const QString&) -> QString { throw std::runtime_error("x"); });
        server->addStatus("counter", [this] { return QJsonValue(++statusCalls); });
    }

    QTemporaryDir dir;
    test::RecordingNotifier notifier;
    std::unique_ptr<EventLog> log;
    Operations operations;
    std::unique_ptr<ControlServer> server;
    QString loaded;
    int statusCalls = 0;
};

struct CommandCase {
    const char* line;
    int code;
    const char* reply;
};

TEST_F(ControlChannel, CommandsAndTheirOutcome)
{
    const CommandCase cases[] = {
        {"block load /tmp/a b.str", 0, "3"},
        {"  block load   /tmp/c.str  ", 0, "3"},
        {"block", 0, "block"},
        {"block loadx", 0, "block"},  // "block" with an argument, not "block load"
        {"block load", 2, "block load needs a file path"},
        {"nonsense", 2, "unknown command: nonsense"},
        {"", 2, "unknown command: "},
        {"blockload", 2, "unknown command: blockload"},
        {"BLOCK", 2, "unknown command: BLOCK"},
        {"boom", 2, "x"},
    };
    for (const CommandCase& c : cases) {
        const auto [code, reply] = server->execute(QString::fromUtf8(c.line));
        EXPECT_EQ(code, c.code) << c.line;
        EXPECT_EQ(reply, QString::fromUtf8(c.reply)) << c.line;
    }
    EXPECT_EQ(loaded, "/tmp/c.str");
    // Failing handlers went through the guard: the general error report, nothing thrown.
    EXPECT_EQ(notifier.errors, (QStringList{"block load needs a file path", "x"}));
}

TEST_F(ControlChannel, StatusIsOneJsonObjectBuiltAtEachCall)
{
    const auto [code, reply] = server->execute("status");
    EXPECT_EQ(code, 0);
    const QJsonObject object = QJsonDocument::fromJson(reply.toUtf8()).object();
    EXPECT_EQ(object.value("counter").toInt(), 1);
    EXPECT_FALSE(reply.contains('\n'));
    EXPECT_EQ(server->execute("status").second, "{\"counter\":2}");
}

TEST_F(ControlChannel, AFailingStatusMemberSaysSoAndTheOthersStillAnswer)
{
    server->addStatus("broken", []() -> QJsonValue { throw std::bad_alloc(); });
    const auto [code, reply] = server->execute("status");
    EXPECT_EQ(code, 0);
    const QJsonObject object = QJsonDocument::fromJson(reply.toUtf8()).object();
    EXPECT_EQ(object.value("counter").toInt(), 1);
    EXPECT_FALSE(object.value("broken").toObject().value("error").toString().isEmpty());
    EXPECT_TRUE(notifier.errors.isEmpty()) << "a status read opens no box";
}

TEST_F(ControlChannel, EveryCommandIsLogged)
{
    server->execute("block load /x.str");
    server->execute("garbage\nline");
    const QList<QByteArray> lines = test::readAll(dir.filePath("velumo.log")).split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith("\tcontrol\tblock load /x.str"));
    EXPECT_TRUE(lines[1].endsWith("\tcontrol\tgarbage\\nline"));
}

TEST_F(ControlChannel, NameDependsOnTheCanonicalFolder)
{
    const QString a = ControlServer::serverName(dir.path());
    EXPECT_EQ(a, ControlServer::serverName(dir.path() + "/"));
    EXPECT_EQ(a, ControlServer::serverName(dir.path() + "/./"));
    EXPECT_NE(a, ControlServer::serverName(dir.path() + "/other"));
    EXPECT_LT(a.size(), 100);
}

TEST_F(ControlChannel, NoRunningCopyAnswersOne)
{
    const ControlReply reply = sendControlCommand(dir.path(), "status", 500);
    EXPECT_EQ(reply.code, 1);
    EXPECT_FALSE(isRunning(dir.path()));
}

TEST(EventLogFile, OneLineAnEventAndRotation)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("velumo.log");
    EventLog log(path);
    log.write("message", QStringLiteral("Пароль неверен!"));
    log.write("error", "a\r\nb\nc");
    const QString text = QString::fromUtf8(test::readAll(path));
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QRegularExpression format(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t\\w+\\t"));
    EXPECT_TRUE(format.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("\tmessage\tПароль неверен!")));
    EXPECT_TRUE(lines[1].endsWith("\terror\ta\\nb\\nc"));

    test::writeAll(path, QByteArray(EventLog::kRotateBytes, 'x'));
    log.write("message", "after");
    EXPECT_EQ(QFileInfo(path + ".1").size(), EventLog::kRotateBytes);
    EXPECT_TRUE(test::readAll(path).endsWith("\tmessage\tafter\n"));
}

}  // namespace
}  // namespace velumo
