#pragma once

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <utility>

#include "base/controlchannel.h"

namespace velumo::test {

// The program built next to the tests.
inline QString programPath()
{
    return qEnvironmentVariable("VELUMO_BUILD_DIR") + QLatin1String("/velumo");
}

// Power requests of the programs started here only go into this file: a test never switches
// the machine off.
inline const QString& powerLogPath()
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath("power.log");
    return path;
}

inline QProcessEnvironment programEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // A power request only reaches the fake systemctl, which writes it into the power log.
    env.insert("PATH",
               qEnvironmentVariable("VELUMO_SOURCE_DIR") + "/tests/fakes/bin:" + env.value("PATH"));
    env.insert("VELUMO_FAKE_POWER_LOG", powerLogPath());
    return env;
}

// A running copy of the program on a folder. Always stopped at the end: "close", then killed
// when it has not ended in time.
class Program {
public:
    explicit Program(QString folder) : m_folder(std::move(folder)) {}
    virtual ~Program() { stop(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void start(const QStringList& switches = {},
               const QProcessEnvironment& environment = programEnvironment())
    {
        ASSERT_TRUE(launch(switches, environment));
    }

    // Starts the copy; what it prints goes into the output file when one is named. False when
    // it could not be started.
    bool launch(const QStringList& switches, const QProcessEnvironment& environment,
                const QString& outputFile = {})
    {
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        if (!outputFile.isEmpty())
            m_process.setStandardOutputFile(outputFile, QIODevice::Append);
        m_process.start(programPath(), QStringList{"--dir", m_folder} + switches);
        return m_process.waitForStarted(5000);
    }

    // Waits until the copy answers "status"; false when it never does.
    bool waitReady(int timeoutMs = 20000)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < timeoutMs) {
            if (m_process.state() == QProcess::NotRunning)
                return false;
            if (sendControlCommand(m_folder, "status", 2000).code == 0)
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    ControlReply send(const QString& command, int timeoutMs = 30000)
    {
        return sendControlCommand(m_folder, command, timeoutMs);
    }
    qint64 pid() const { return m_process.processId(); }

    QJsonObject status()
    {
        const ControlReply reply = send("status");
        EXPECT_EQ(reply.code, 0);
        return QJsonDocument::fromJson(reply.text.toUtf8()).object();
    }

    bool running() const { return m_process.state() == QProcess::Running; }

    // Asks the copy to close and waits for it to end; true when it ended by itself.
    bool close(int timeoutMs = 15000)
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        askToClose();
        return m_process.waitForFinished(timeoutMs);
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        if (!close(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // The power goes: the copy ends at once, without saving anything.
    void cutPower()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    QProcess& process() { return m_process; }
    const QString& folder() const { return m_folder; }

protected:
    // How the copy is asked to close; a derived rig's destructor stops the copy itself, so that
    // its own way is the one used.
    virtual void askToClose() { send("close"); }

private:
    QString m_folder;
    QProcess m_process;
};

// Runs the program to its end (a second copy, "kill", "--send"); gives its exit code, -1 when
// it did not end in time and -2 when it crashed.
inline int runToEnd(const QStringList& arguments, QString* output = nullptr, int timeoutMs = 15000)
{
    QProcess process;
    process.setProcessEnvironment(programEnvironment());
    process.start(programPath(), arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    if (output)
        *output =
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

}  // namespace velumo::test
