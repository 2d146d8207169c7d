#include "folderlock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <cstring>

namespace velumo {

namespace {

constexpr qsizetype kMaxContent = 4096;
constexpr int kRetryMs = 25;

struct flock wholeFile(short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;  // to the end, however long
    return lock;
}

bool ownedByUs(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
}

}  // namespace

FolderLock::FolderLock(QString path) : m_path(std::move(path)) {}

FolderLock::~FolderLock()
{
    release();
}

void FolderLock::release()
{
    if (m_fd < 0)
        return;
    // Removed while still held, so a copy starting now either finds our file locked or makes a
    // new one; never one that another copy already holds.
    if (stillOurs())
        ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}

FolderLock::Result FolderLock::tryLock(int timeoutMs)
{
    release();
    const QByteArray path = QFile::encodeName(m_path);
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        const int fd =
            ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0) {
            m_error = QStringLiteral("cannot open the lock file %1: %2")
                          .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
            return Result::Unavailable;
        }
        if (!ownedByUs(fd)) {
            ::close(fd);
            m_error = QStringLiteral("the lock file %1 is not this user's own").arg(m_path);
            return Result::Unavailable;
        }
        struct flock lock = wholeFile(F_WRLCK);
        if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
            m_fd = fd;
            // The holder before us may have removed the file on its way out after we opened it:
            // a lock on a file nobody finds any more keeps nobody out. Open the name again.
            if (stillOurs())
                return Result::Taken;
            ::close(fd);
            m_fd = -1;
            continue;
        }
        const int code = errno;
        ::close(fd);
        if (code != EAGAIN && code != EACCES) {
            m_error = QStringLiteral("cannot lock %1: %2")
                          .arg(m_path, QString::fromLocal8Bit(std::strerror(code)));
            return Result::Unavailable;
        }
        if (elapsed.elapsed() >= timeoutMs) {
            m_error = QStringLiteral("the lock %1 is held").arg(m_path);
            return Result::Held;
        }
        QThread::msleep(kRetryMs);
    }
}

bool FolderLock::write(const QByteArray& content)
{
    if (m_fd < 0 || ::ftruncate(m_fd, 0) != 0)
        return false;
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n =
            ::pwrite(m_fd, content.constData() + done, size_t(content.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool FolderLock::stillOurs() const
{
    if (m_fd < 0)
        return false;
    struct stat held {};
    struct stat named {};
    return ::fstat(m_fd, &held) == 0 &&
           ::lstat(QFile::encodeName(m_path).constData(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool FolderLock::isHeld(const QString& path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct flock lock = wholeFile(F_WRLCK);
    const bool held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

QByteArray FolderLock::read(const QString& path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return QByteArray();
    QByteArray content;
    if (ownedByUs(fd)) {
        content.resize(kMaxContent);
        const ssize_t n = ::pread(fd, content.data(), size_t(content.size()), 0);
        content.resize(n > 0 ? qsizetype(n) : 0);
    }
    ::close(fd);
    return content;
}

}  // namespace velumo
