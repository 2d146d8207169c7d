#pragma once

#include <signal.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>
#include <functional>

#include "fakes/testsupport.h"

namespace velumo::test {

inline QString sourceDir()
{
    return qEnvironmentVariable("VELUMO_SOURCE_DIR", QStringLiteral(VELUMO_TEST_SOURCE_DIR));
}

// The loopback FTP server of tests/fakes/ftpserver.py (Debian's python with pyftpdlib), started
// on a free port of 127.0.0.1 and stopped with the object.
class FtpTestServer {
public:
    FtpTestServer(const QString& root, const QString& faults = {})
    {
        const QString portFile = root + QLatin1String(".port");
        QFile::remove(portFile);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(
            QStringLiteral("/usr/bin/python3"),
            {sourceDir() + QLatin1String("/tests/fakes/ftpserver.py"), root, portFile, faults});
        QDeadlineTimer deadline(15000);
        while (!QFile::exists(portFile) && !deadline.hasExpired() &&
               m_process.state() != QProcess::NotRunning)
            QThread::msleep(20);
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly))
            port = file.readAll().trimmed().toInt();
    }
    ~FtpTestServer()
    {
        resume();
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // A server that stops answering altogether, and one that answers again.
    void freeze() { ::kill(pid_t(m_process.processId()), SIGSTOP); }
    void resume() { ::kill(pid_t(m_process.processId()), SIGCONT); }
    int port = 0;

private:
    QProcess m_process;
};

}  // namespace velumo::test
