#pragma once
// The real program in a temporary folder: its velumo.cfg written beforehand, started offscreen,
// driven through its control channel, judged by its files. Every program and server started
// here is stopped by its destructor, also when a test fails halfway.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>

#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/settings.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"

namespace velumo::integration {

using test::programPath;

inline QString sourceDir()
{
    return qEnvironmentVariable("VELUMO_SOURCE_DIR");
}

// Polls until the condition holds; false when the time ran out first. A step of 25 ms leaves the
// machine to the program under test.
inline bool pollUntil(const std::function<bool()>& condition, int timeoutMs)
{
    return test::waitFor(condition, timeoutMs, 25);
}

inline void writeConfig(const QString& folder, const std::function<void(Settings&)>& change)
{
    Settings settings;
    change(settings);
    test::writeAll(folder + QLatin1String("/velumo.cfg"), configfile::save(settings));
}

struct LogEvent {
    QDateTime when;
    QString kind;
    QString text;
};

// velumo.log as (time, kind, text).
inline QList<LogEvent> logEvents(const QString& folder)
{
    QList<LogEvent> out;
    const QString all = QString::fromUtf8(test::readAll(folder + QLatin1String("/velumo.log")));
    for (const QString& line : all.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u'\t');
        if (parts.size() >= 3)
            out.append({QDateTime::fromString(parts[0], u"yyyy-MM-dd hh:mm:ss.zzz"), parts[1],
                        parts.mid(2).join(u'\t')});
    }
    return out;
}

inline QStringList logTexts(const QString& folder, const QString& kind)
{
    QStringList out;
    for (const LogEvent& event : logEvents(folder))
        if (event.kind == kind)
            out.append(event.text);
    return out;
}

// When the event was logged first; an invalid time when it never was.
inline QDateTime loggedAt(const QString& folder, const QString& kind, const QString& text)
{
    for (const LogEvent& event : logEvents(folder))
        if (event.kind == kind && event.text == text)
            return event.when;
    return {};
}

// One copy of the program on a folder, its output kept in a file of that folder and its power
// requests in that folder's power log.
class Program : public test::Program {
public:
    explicit Program(const QString& folder) : test::Program(folder) {}
    ~Program() override { stop(); }

    // Starts the copy and waits until its control channel answers.
    bool start(const QStringList& switches = {}, int timeoutMs = 15000)
    {
        // A power request never reaches the machine; this copy's go into its own folder.
        QProcessEnvironment env = test::programEnvironment();
        env.insert(QStringLiteral("VELUMO_FAKE_POWER_LOG"), folder() + QLatin1String("/power.log"));
        // What the program prints goes into a file of its folder, out of the test's output.
        if (!launch(switches, env, folder() + QLatin1String("/program-output.txt")))
            return false;
        return pollUntil(
                   [this] {
                       return !running() ||
                              sendControlCommand(folder(), QStringLiteral("status"), 2000).code ==
                                  0;
                   },
                   timeoutMs) &&
               running();
    }

    ControlReply send(const QString& command, int timeoutMs = 10000)
    {
        return test::Program::send(command, timeoutMs);
    }

    QJsonObject status(int timeoutMs = 10000)
    {
        const ControlReply reply = send(QStringLiteral("status"), timeoutMs);
        return reply.code == 0 ? QJsonDocument::fromJson(reply.text.toUtf8()).object()
                               : QJsonObject();
    }

    QString get(const char* setting) { return send(QStringLiteral("get ") + setting).text; }

protected:
    // The way an operator's script closes it: a second copy with "--send close".
    void askToClose() override
    {
        QProcess sender;
        sender.start(programPath(), {QStringLiteral("--dir"), folder(), QStringLiteral("--send"),
                                     QStringLiteral("close")});
        if (!sender.waitForFinished(10000))
            sender.kill();
        sender.waitForFinished(2000);
    }
};

// A loopback server of tests/, started with /usr/bin/python3 SCRIPT ROOT PORTFILE [MODE]: it
// picks a free port of 127.0.0.1 and writes it into the port file.
class LoopbackServer {
public:
    LoopbackServer(const QString& script, const QString& root, const QString& mode = {})
    {
        const QString portFile = root + QLatin1String(".port");
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{sourceDir() + QLatin1String("/tests/") + script, root, portFile};
        if (!mode.isEmpty())
            arguments.append(mode);
        m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
        pollUntil(
            [&] {
                return QFileInfo::exists(portFile) || m_process.state() == QProcess::NotRunning;
            },
            15000);
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly))
            port = file.readAll().trimmed().toInt();
    }
    ~LoopbackServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port = 0;

private:
    QProcess m_process;
};

// The FTP server of the tests (tests/fakes/ftpserver.py). Its name listing gives names that try
// to leave the receiving folder before the real ones; slow data goes at 64 KiB a second.
class FtpServer : public LoopbackServer {
public:
    enum Mode { Normal, NoModificationTimes, Slow };
    explicit FtpServer(const QString& root, Mode mode = Normal)
        : LoopbackServer(QStringLiteral("fakes/ftpserver.py"), root,
                         mode == NoModificationTimes ? QStringLiteral("mixed,nomdtm")
                         : mode == Slow              ? QStringLiteral("mixed,throttle=65536")
                                                     : QStringLiteral("mixed"))
    {
    }

    static constexpr const char* kUser = "user";
    static constexpr const char* kPassword = "s3cret-pw";
};

// The HTTP server of httpserver.py, serving the files of a folder.
class HttpServer : public LoopbackServer {
public:
    explicit HttpServer(const QString& root)
        : LoopbackServer(QStringLiteral("integration/httpserver.py"), root)
    {
    }
};

}  // namespace velumo::integration
