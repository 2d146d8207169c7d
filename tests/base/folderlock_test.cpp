// The program folder's single-instance lock: held for a run, dropped by the kernel when the
// holder dies however it dies, and neither taken nor believed when it is another user's file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "base/folderlock.h"
#include "fakes/testsupport.h"

namespace velumo {
namespace {

TEST(FolderLock, HeldForTheRunNamingTheHoldersSocketAndGoneAfter)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("velumo.lock");
    EXPECT_FALSE(FolderLock::isHeld(path));
    {
        FolderLock first(path);
        ASSERT_EQ(first.tryLock(0), FolderLock::Result::Taken);
        ASSERT_TRUE(first.write("/run/user/1000/velumo-abc\n"));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_TRUE(FolderLock::isHeld(path));
        EXPECT_EQ(FolderLock::read(path), "/run/user/1000/velumo-abc\n");
        // A second holder (another copy, or this one asking again) waits its time and gives up.
        FolderLock second(path);
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_EQ(second.tryLock(200), FolderLock::Result::Held);
        EXPECT_GE(elapsed.elapsed(), 200);
        EXPECT_EQ(FolderLock::read(path), "/run/user/1000/velumo-abc\n");
        // Removed under the holder (by hand): a newcomer takes a new file; the holder sees it.
        ASSERT_TRUE(QFile::remove(path));
        EXPECT_FALSE(first.stillOurs());
        EXPECT_EQ(second.tryLock(0), FolderLock::Result::Taken);
        EXPECT_TRUE(second.stillOurs());
    }
    // Both gone: the last holder removed its file, the first left the newcomer's alone.
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(FolderLock, AHolderKilledLeavesAFileThatIsTakenOver)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("velumo.lock"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only system calls in the child: the lock as the program takes it, then wait for death.
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        const bool locked = fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
        const char stale[] = "/nowhere/velumo-dead\n";
        if (locked)
            (void)::write(fd, stale, sizeof stale - 1);
        (void)::write(ready[1], locked ? "1" : "0", 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(answer, '1');
    const QString name = QFile::decodeName(path);
    EXPECT_TRUE(FolderLock::isHeld(name));
    FolderLock mine(name);
    EXPECT_EQ(mine.tryLock(0), FolderLock::Result::Held);

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    // The file stays, with the dead copy's socket in it; the lock is free and taken over.
    EXPECT_TRUE(QFileInfo::exists(name));
    EXPECT_FALSE(FolderLock::isHeld(name));
    EXPECT_EQ(mine.tryLock(0), FolderLock::Result::Taken);
    EXPECT_TRUE(mine.write("/run/user/1000/velumo-new\n"));
    EXPECT_EQ(FolderLock::read(name), "/run/user/1000/velumo-new\n");
}

TEST(FolderLock, AnotherUsersFileIsNeitherTakenNorBelieved)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another user";
    QTemporaryDir dir;
    const QString path = dir.filePath("velumo.lock");
    test::writeAll(path, "/tmp/evil/socket\n");
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    EXPECT_EQ(FolderLock::read(path), QByteArray());
    FolderLock lock(path);
    EXPECT_EQ(lock.tryLock(0), FolderLock::Result::Unavailable);
    EXPECT_TRUE(lock.errorString().contains("not this user's")) << lock.errorString().toStdString();
    // A link in its place is not followed, nor is a pipe waited on.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere"), path));
    EXPECT_EQ(lock.tryLock(0), FolderLock::Result::Unavailable);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("elsewhere")));
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_EQ(FolderLock::read(path), QByteArray());
    EXPECT_FALSE(FolderLock::isHeld(path));
}

}  // namespace
}  // namespace velumo
