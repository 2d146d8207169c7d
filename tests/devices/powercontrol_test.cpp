#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "devices/powercontrol.h"
#include "fakes/testsupport.h"

using namespace velumo;

namespace {

// A systemctl of our own comes first on PATH for the whole test, so that no request can reach
// the real one whatever the code under test does.
class SystemPowerControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        m_oldPath = qgetenv("PATH");
        m_oldLog = qgetenv("VELUMO_POWER_LOG");
        const QString script = dir.filePath(QStringLiteral("systemctl"));
        test::writeAll(
            script, QStringLiteral("#!/bin/sh\necho \"$*\" >> '%1'\n").arg(calledPath()).toUtf8());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + m_oldPath);
    }
    void TearDown() override
    {
        qputenv("PATH", m_oldPath);
        if (m_oldLog.isNull())
            qunsetenv("VELUMO_POWER_LOG");
        else
            qputenv("VELUMO_POWER_LOG", m_oldLog);
    }
    QString calledPath() const { return dir.filePath(QStringLiteral("systemctl.calls")); }

    // The detached fake systemctl writes its arguments a moment later.
    QByteArray waitForCalls(int lines)
    {
        QDeadlineTimer deadline(5000);
        QByteArray calls;
        while (!deadline.hasExpired()) {
            calls = test::readAll(calledPath());
            if (calls.count('\n') >= lines)
                break;
            QThread::msleep(10);
        }
        return calls;
    }

    QTemporaryDir dir;

private:
    QByteArray m_oldPath;
    QByteArray m_oldLog;
};

TEST_F(SystemPowerControlTest, RequestsGoToTheLogWhenOneIsNamed)
{
    const QString logPath = dir.filePath(QStringLiteral("power.log"));
    qputenv("VELUMO_POWER_LOG", QFile::encodeName(logPath));
    auto power = createSystemPowerControl();
    power->shutdown(true);
    power->shutdown(false);
    power->suspend(true);
    power->suspend(false);
    EXPECT_EQ(test::readAll(logPath), QByteArray("poweroff -i\npoweroff\nsuspend -i\nsuspend\n"));
    QThread::msleep(100);
    EXPECT_FALSE(QFile::exists(calledPath())) << "systemctl was run although a log is named";
}

TEST_F(SystemPowerControlTest, ForcedRequestsIgnoreInhibitors)
{
    qunsetenv("VELUMO_POWER_LOG");
    // Never go on unless the fake is the systemctl that will be found.
    ASSERT_EQ(QStandardPaths::findExecutable(QStringLiteral("systemctl")),
              dir.filePath(QStringLiteral("systemctl")));
    auto power = createSystemPowerControl();
    power->shutdown(true);
    EXPECT_EQ(waitForCalls(1), QByteArray("poweroff -i\n"));
    power->suspend(false);
    EXPECT_EQ(waitForCalls(2), QByteArray("poweroff -i\nsuspend\n"));
}

}  // namespace
