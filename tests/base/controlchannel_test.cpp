#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <optional>
#include <thread>

#include "base/commandreply.h"
#include "base/controlchannel.h"
#include "base/controlcommands.h"
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
    // A failing command answers its caller and the log; no box opens on the public screen.
    EXPECT_TRUE(notifier.errors.isEmpty());
    EXPECT_EQ(test::logEvents(dir.filePath("velumo.log"), "error"),
              (QStringList{"block load needs a file path", "x"}));
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

TEST_F(ControlChannel, RunningOutOfMemoryInACommandOrTheStatusLeavesTheChannel)
{
    server->addCommand("hungry", [](const QString&) -> QString { throw std::bad_alloc(); });
    server->addCommand("odd", [](const QString&) -> QString { throw 42; });
    bool starve = true;
    server->addStatus("big", [&]() -> QJsonValue {
        if (starve)
            throw std::bad_alloc();
        return QJsonValue(1);
    });
    EXPECT_EQ(server->execute("hungry"), (std::pair<int, QString>{2, "Out of memory"}));
    EXPECT_EQ(server->execute("odd"), (std::pair<int, QString>{2, "Unknown error"}));
    // A member that cannot be built says so; the status itself still answers.
    const auto [code, reply] = server->execute("status");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(
        QJsonDocument::fromJson(reply.toUtf8()).object().value("big").toObject().value("error"),
        "Out of memory");
    starve = false;
    EXPECT_EQ(server->execute("status").first, 0);
    EXPECT_EQ(server->execute("block").second, "block");
    EXPECT_TRUE(notifier.errors.isEmpty());
}

// An operation that shows a message of its own did not do what was asked: the message is shown
// as the button shows it, and the command fails with its text.
TEST_F(ControlChannel, AMessageShownByTheOperationIsTheFailingReply)
{
    server->addCommand("save", [this](const QString&) {
        notifier.message("Невозможно записать");
        return QString();
    });
    server->addCommand("quiet", [](const QString&) { return QStringLiteral("done"); });
    EXPECT_EQ(server->execute("save"), (std::pair<int, QString>{2, "Невозможно записать"}));
    EXPECT_EQ(notifier.messages, QStringList{"Невозможно записать"});
    EXPECT_EQ(server->execute("quiet"), (std::pair<int, QString>{0, "done"}));
}

// A command that did its work with nothing to say answers what it did, whether it answers at
// once or later; its own reply text, a value command's empty value and a failure stay as they are.
TEST_F(ControlChannel, ASuccessWithoutReplySaysWhatWasDone)
{
    server->addCommand("ticker stop", [](const QString&) { return QString(); });
    server->addCommand("ftp add-upload", [](const QString&) { return QStringLiteral("2"); });
    server->addCommand("get", [](const QString&) { return QString(); });
    server->addCommand("ticker start",
                       [](const QString&) -> QString { throw Failure(QStringLiteral("not now")); });
    server->addCommand("unlisted", [](const QString&) { return QString(); });
    std::shared_ptr<CommandReply> pending;
    server->addCommand(
        "dispatcher start",
        [&](const QString&, const std::shared_ptr<CommandReply>& reply) { pending = reply; });
    EXPECT_EQ(server->execute("ticker stop"), (std::pair<int, QString>{0, "ticker stopped"}));
    EXPECT_EQ(server->execute("ftp add-upload /x.str"), (std::pair<int, QString>{0, "2"}));
    EXPECT_EQ(server->execute("get SCEdit5"), (std::pair<int, QString>{0, ""}));
    EXPECT_EQ(server->execute("ticker start"), (std::pair<int, QString>{2, "not now"}));
    EXPECT_EQ(server->execute("unlisted"), (std::pair<int, QString>{0, ""}));
    QList<std::pair<int, QString>> answers;
    server->execute("dispatcher start", [&](int code, const QString& text) {
        answers.append({code, text});
    });
    ASSERT_NE(pending, nullptr);
    pending->done();
    EXPECT_EQ(answers, (QList<std::pair<int, QString>>{{0, "dispatcher started"}}));
    // Every command the usage lists either has a done text or answers with a value.
    for (const ControlCommand& command : controlcommands::all())
        EXPECT_EQ(controlcommands::find(QLatin1String(command.verb)), &command) << command.verb;
    EXPECT_EQ(controlcommands::find(QStringLiteral("status")), nullptr);
}

// A command that answers later: the answer comes when its work ends, not when its handler
// returns; the synchronous form says it has not answered; a reply is given once.
TEST_F(ControlChannel, ACommandMayAnswerLater)
{
    std::shared_ptr<CommandReply> pending;
    server->addCommand("fetch", [&](const QString& a, const std::shared_ptr<CommandReply>& reply) {
        if (a == "now")
            reply->done("at once");
        else
            pending = reply;
    });
    EXPECT_EQ(server->execute("fetch now"), (std::pair<int, QString>{0, "at once"}));
    EXPECT_EQ(server->execute("fetch later"),
              (std::pair<int, QString>{2, ControlServer::kNotYetAnswered}));

    QList<std::pair<int, QString>> answers;
    server->execute("fetch later", [&](int code, const QString& text) {
        answers.append({code, text});
    });
    ASSERT_NE(pending, nullptr);
    EXPECT_TRUE(answers.isEmpty());
    pending->done("12 lines");
    pending->fail("too late");
    pending->done("again");
    EXPECT_EQ(answers, (QList<std::pair<int, QString>>{{0, "12 lines"}}));

    // A failure in a later part of the work fails the command with its text, once.
    server->execute("fetch later", [&](int code, const QString& text) {
        answers.append({code, text});
    });
    EXPECT_FALSE(pending->run([] { throw Failure("the server went away"); }));
    pending->done("not this");
    EXPECT_EQ(answers.last(), (std::pair<int, QString>{2, "the server went away"}));
    EXPECT_EQ(answers.size(), 2);
    EXPECT_TRUE(notifier.errors.isEmpty()) << "a command's failure opens no box";
    EXPECT_TRUE(
        test::logEvents(dir.filePath("velumo.log"), "error").contains("the server went away"));
}

// Each command collects only what its own work shows: a message a timer shows while the command
// waits is not its reply, and what its own continuation shows is, even when that continuation
// runs inside another command.
TEST_F(ControlChannel, EachCommandAnswersWithWhatItsOwnWorkShowed)
{
    std::vector<std::shared_ptr<CommandReply>> pending;
    server->addCommand("wait", [&](const QString&, const std::shared_ptr<CommandReply>& reply) {
        pending.push_back(reply);
    });
    server->addCommand("say", [this](const QString& text) {
        notifier.message(text);
        return QString();
    });
    QList<std::pair<int, QString>> first;
    QList<std::pair<int, QString>> second;
    server->execute("wait", [&](int code, const QString& text) { first.append({code, text}); });
    server->execute("wait", [&](int code, const QString& text) { second.append({code, text}); });
    ASSERT_EQ(pending.size(), 2u);

    // A timer's message, and another command's, while both wait.
    notifier.message("Таймер сработал");
    EXPECT_EQ(server->execute("say Другая команда"),
              (std::pair<int, QString>{2, "Другая команда"}));
    // The first command's continuation runs inside the second's and shows a message.
    pending[1]->run([&] {
        pending[0]->run([&] { notifier.message("Лента недоступна"); });
        notifier.message("Вторая");
    });
    pending[0]->done("read");
    pending[1]->done("read");
    EXPECT_EQ(first, (QList<std::pair<int, QString>>{{2, "Лента недоступна"}}));
    EXPECT_EQ(second, (QList<std::pair<int, QString>>{{2, "Вторая"}}));

    // Nothing shown during its own work: done.
    server->execute("wait", [&](int code, const QString& text) { first.append({code, text}); });
    notifier.message("Таймер сработал");
    pending.back()->done("read");
    EXPECT_EQ(first.last(), (std::pair<int, QString>{0, "read"}));
}

// A reply that never comes still answers, after the reply timeout, with a failure that says so.
TEST_F(ControlChannel, AReplyThatNeverComesFailsAfterTheTimeout)
{
    server->addCommand("lost", [](const QString&, const std::shared_ptr<CommandReply>&) {});
    server->setReplyTimeoutMs(150);
    std::optional<std::pair<int, QString>> answer;
    server->execute("lost", [&](int code, const QString& text) { answer = {code, text}; });
    EXPECT_FALSE(answer);
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 3000));
    EXPECT_EQ(*answer, (std::pair<int, QString>{2, "no answer within 150 ms: lost"}));
}

// The named operation of an asynchronous command (a button, the panel) starts it and waits for
// nothing; a failure is the general error report, as a failing button's.
TEST_F(ControlChannel, TheOperationOfALaterAnsweringCommandReportsItsFailure)
{
    std::shared_ptr<CommandReply> pending;
    server->addCommand("fetch", [&](const QString&, const std::shared_ptr<CommandReply>& reply) {
        pending = reply;
    });
    EXPECT_EQ(operations.run("fetch"), QString());
    ASSERT_NE(pending, nullptr);
    pending->fail("Сервер недоступен");
    EXPECT_EQ(notifier.errors, QStringList{"Сервер недоступен"});
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

// ---- where the channel lives, and what it survives ----

// Runs with its own runtime, temporary and home folders, so nothing of the machine's is used.
class ChannelPlace : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR", "HOME"})
            saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qputenv("TMPDIR", QFile::encodeName(root.filePath("tmp")));
        qputenv("HOME", QFile::encodeName(root.filePath("home")));
        QDir().mkpath(root.filePath("tmp"));
        QDir().mkpath(root.filePath("home"));
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override
    {
        for (const auto& [name, value, set] : saved)
            set ? qputenv(name, value) : qunsetenv(name);
    }
    std::unique_ptr<ControlServer> makeServer(Operations* own = nullptr)
    {
        auto server = std::make_unique<ControlServer>(program.path(), notifier, &log,
                                                      own ? *own : operations);
        server->addCommand("ping", [](const QString&) { return QStringLiteral("pong"); });
        return server;
    }
    // One command through a socket of this thread, the event loop running meanwhile.
    static QString ask(const QString& path, const QString& command, int timeoutMs = 3000)
    {
        QLocalSocket socket;
        socket.connectToServer(path);
        socket.write(command.toUtf8() + '\n');
        QElapsedTimer elapsed;
        elapsed.start();
        QByteArray answer;
        while (!answer.contains('\n') && elapsed.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            answer += socket.readAll();
        }
        return QString::fromUtf8(answer).trimmed();
    }
    static void spin(int ms)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    // A socket file nobody listens on any more.
    static void bindAndLeave(const QString& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        ::listen(fd, 1);
        ::close(fd);
    }
    static mode_t modeOf(const QString& path)
    {
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        return st.st_mode;
    }

    struct Saved {
        const char* name;
        QByteArray value;
        bool set;
    };
    QList<Saved> saved;
    QTemporaryDir root;
    QTemporaryDir program;
    test::RecordingNotifier notifier;
    EventLog log{program.filePath("velumo.log")};
    Operations operations;
};

TEST_F(ChannelPlace, TheSocketLivesInAPrivateFolderNeverInOneOfAnotherUser)
{
    // Without a runtime folder: a folder of our own in the temporary folder, mode 0700.
    auto server = makeServer();
    ASSERT_TRUE(server->listen()) << server->errorString().toStdString();
    const QString own = root.filePath("tmp") + QStringLiteral("/velumo-%1").arg(::geteuid());
    EXPECT_EQ(QFileInfo(ControlServer::serverName(program.path())).absolutePath(), own);
    EXPECT_EQ(modeOf(own) & 0777, 0700u);
    EXPECT_TRUE(S_ISSOCK(modeOf(ControlServer::serverName(program.path()))));
    EXPECT_EQ(ask(ControlServer::serverName(program.path()), "ping"), "0 pong");
    server.reset();

    // A runtime folder that is ours and closed is used; one open to others is not.
    QDir().mkpath(root.filePath("run"));
    QFile::setPermissions(root.filePath("run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath("run")));
    EXPECT_EQ(ControlServer::privateFolder(), root.filePath("run"));
    ::chmod(QFile::encodeName(root.filePath("run")).constData(), 0777);
    EXPECT_EQ(ControlServer::privateFolder(), own);

    // Our own folder opened up by hand is closed again; a link in its place is never followed.
    ::chmod(QFile::encodeName(own).constData(), 0755);
    EXPECT_EQ(ControlServer::privateFolder(), own);
    EXPECT_EQ(modeOf(own) & 0777, 0700u);
    QDir(own).removeRecursively();
    ASSERT_TRUE(QFile::link(root.filePath("home"), own));
    EXPECT_EQ(ControlServer::privateFolder(), root.filePath("home") + "/.velumo-run");
}

TEST_F(ChannelPlace, AFolderAnotherUserMadeFirstIsPassedOver)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a folder of another user";
    const QString own = root.filePath("tmp") + QStringLiteral("/velumo-%1").arg(::geteuid());
    ASSERT_TRUE(QDir().mkpath(own));
    ASSERT_EQ(::chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
    ::chmod(QFile::encodeName(own).constData(), 0700);
    // The other user even bound our name there in advance.
    bindAndLeave(own + u'/' + ControlServer::socketFileName(program.path()));
    auto server = makeServer();
    ASSERT_TRUE(server->listen()) << server->errorString().toStdString();
    EXPECT_TRUE(ControlServer::serverName(program.path()).startsWith(root.filePath("home")));
    EXPECT_EQ(ask(ControlServer::serverName(program.path()), "ping"), "0 pong");
}

TEST_F(ChannelPlace, AStaleSocketIsTakenOverAndASecondServerIsRefusedByTheLock)
{
    const QString path = ControlServer::serverName(program.path());
    bindAndLeave(path);  // a copy that crashed left its socket file behind
    auto first = makeServer();
    ASSERT_TRUE(first->listen()) << first->errorString().toStdString();
    Operations secondOperations;
    auto second = makeServer(&secondOperations);
    EXPECT_FALSE(second->listen());
    EXPECT_TRUE(second->errorString().contains("another copy"))
        << second->errorString().toStdString();

    // The socket file disappears: the lock still says a copy runs, and the channel comes back.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(isRunning(program.path()));
    spin(ControlServer::kWatchMs + 500);
    EXPECT_TRUE(S_ISSOCK(modeOf(path)));
    EXPECT_EQ(ask(path, "ping"), "0 pong");
    EXPECT_FALSE(test::logEvents(program.filePath("velumo.log"), "control")
                     .filter("listening again")
                     .isEmpty());
}

// Copies started in different environments (with and without a runtime folder) put their sockets
// in different places; the lock in the program folder still lets only one run, and names its
// socket to every client.
TEST_F(ChannelPlace, OneCopyAProgramFolderWhateverItsRuntimeFolder)
{
    QDir().mkpath(root.filePath("run"));
    ::chmod(QFile::encodeName(root.filePath("run")).constData(), 0700);
    // A client's wait for its answer runs beside the event loop that answers.
    const auto send = [](const QString& folder, const QString& command) {
        ControlReply reply;
        bool done = false;
        std::thread client([&] {
            reply = sendControlCommand(folder, command, 3000);
            done = true;
        });
        QElapsedTimer elapsed;
        elapsed.start();
        while (!done && elapsed.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        client.join();
        return reply;
    };
    for (const bool firstHasRuntime : {true, false}) {
        SCOPED_TRACE(firstHasRuntime ? "first with XDG_RUNTIME_DIR" : "first without");
        const auto environment = [&](bool runtime) {
            runtime ? qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath("run")))
                    : qunsetenv("XDG_RUNTIME_DIR");
        };
        environment(firstHasRuntime);
        Operations firstOperations;
        auto first = makeServer(&firstOperations);
        ASSERT_TRUE(first->listen()) << first->errorString().toStdString();
        const QString socket = ControlServer::serverName(program.path());
        EXPECT_EQ(QString::fromUtf8(test::readAll(ControlServer::folderLockPath(program.path())))
                      .trimmed(),
                  socket);

        environment(!firstHasRuntime);
        EXPECT_NE(ControlServer::serverName(program.path()), socket);
        EXPECT_TRUE(isRunning(program.path()));
        Operations secondOperations;
        auto second = makeServer(&secondOperations);
        EXPECT_FALSE(second->listen());
        EXPECT_TRUE(second->errorString().contains("another copy"))
            << second->errorString().toStdString();
        second.reset();
        // Both environments reach the one copy.
        for (const bool runtime : {false, true}) {
            environment(runtime);
            const ControlReply reply = send(program.path(), "ping");
            EXPECT_EQ(reply.code, 0) << reply.text.toStdString();
            EXPECT_EQ(reply.text, "pong");
        }
        first.reset();
        EXPECT_FALSE(QFileInfo::exists(ControlServer::folderLockPath(program.path())));
        EXPECT_FALSE(isRunning(program.path()));
    }
}

// Over the socket: the answer of a command that answers later reaches its client; a client that
// has gone before its answer costs nothing.
TEST_F(ChannelPlace, ALateAnswerReachesItsClientAndAGoneClientIsForgotten)
{
    auto server = makeServer();
    std::vector<std::shared_ptr<CommandReply>> pending;
    server->addCommand("slow", [&](const QString&, const std::shared_ptr<CommandReply>& reply) {
        pending.push_back(reply);
        QTimer::singleShot(200, [reply] { reply->done("finally"); });
    });
    ASSERT_TRUE(server->listen());
    const QString path = ControlServer::serverName(program.path());
    {
        QLocalSocket gone;
        gone.connectToServer(path);
        gone.write("slow\n");
        gone.flush();
        spin(50);
    }
    EXPECT_EQ(ask(path, "slow"), "0 finally");
    EXPECT_EQ(pending.size(), 2u);
    spin(300);
    EXPECT_EQ(server->connectionCount(), 0);
    EXPECT_EQ(ask(path, "ping"), "0 pong");
}

TEST_F(ChannelPlace, IdleClientsCannotHoldEveryPlace)
{
    auto server = makeServer();
    ASSERT_TRUE(server->listen());
    const QString path = ControlServer::serverName(program.path());
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < ControlServer::kMaxConnections + 20; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(path);
    }
    spin(300);
    EXPECT_EQ(server->connectionCount(), ControlServer::kMaxConnections);
    // A real client waits in the queue and is served once the idle ones are cut off.
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_EQ(ask(path, "ping", ControlServer::kIdleMs + 5000), "0 pong");
    EXPECT_GE(elapsed.elapsed(), ControlServer::kIdleMs - 1000);
    spin(ControlServer::kIdleMs + 500);
    EXPECT_EQ(server->connectionCount(), 0);
}

TEST_F(ChannelPlace, NoDescriptorsLeftPausesAcceptingAndKeepsTheSocket)
{
    auto server = makeServer();
    ASSERT_TRUE(server->listen());
    const QString path = ControlServer::serverName(program.path());
    std::vector<std::unique_ptr<QLocalSocket>> clients;
    for (int i = 0; i < 5; ++i) {
        clients.push_back(std::make_unique<QLocalSocket>());
        clients.back()->connectToServer(path);
        ASSERT_TRUE(clients.back()->waitForConnected(1000));
    }
    // Not one descriptor left for accept().
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    // The limit is the lowest free descriptor: every new one would lie at or above it.
    const int lowest = ::dup(0);
    ::close(lowest);
    rlimit tight = before;
    tight.rlim_cur = rlim_t(lowest);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    spin(100);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &before), 0);
    EXPECT_TRUE(S_ISSOCK(modeOf(path)));
    EXPECT_EQ(server->connectionCount(), 0);
    spin(ControlServer::kAcceptRetryMs + 300);
    EXPECT_EQ(server->connectionCount(), 5);
    EXPECT_FALSE(test::logEvents(program.filePath("velumo.log"), "control")
                     .filter("accepting connections again after a pause (Too many open files)")
                     .isEmpty());
    EXPECT_EQ(ask(path, "ping"), "0 pong");
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
