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
        const QString script = dir.filePath(QStringLiteral("systemctl"));
        test::writeAll(
            script, QStringLiteral("#!/bin/sh\necho \"$*\" >> '%1'\n").arg(calledPath()).toUtf8());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + m_oldPath);
    }
    void TearDown() override { qputenv("PATH", m_oldPath); }
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
};

TEST_F(SystemPowerControlTest, ForcedRequestsIgnoreInhibitors)
{
    // Never go on unless the fake is the systemctl that will be found.
    ASSERT_EQ(QStandardPaths::findExecutable(QStringLiteral("systemctl")),
              dir.filePath(QStringLiteral("systemctl")));
    auto power = createSystemPowerControl();
    power->shutdown(true);
    EXPECT_EQ(waitForCalls(1), QByteArray("poweroff -i\n"));
    power->suspend(false);
    EXPECT_EQ(waitForCalls(2), QByteArray("poweroff -i\nsuspend\n"));
    power->shutdown(false);
    EXPECT_EQ(waitForCalls(3), QByteArray("poweroff -i\nsuspend\npoweroff\n"));
    power->suspend(true);
    EXPECT_EQ(waitForCalls(4), QByteArray("poweroff -i\nsuspend\npoweroff\nsuspend -i\n"));
}

}  // namespace
