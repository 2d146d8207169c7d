#pragma once

#include <QByteArray>
#include <QString>

namespace velumo {

// A lock file held for a whole run, with a few bytes for those who find it held (the running
// copy's control socket). It is an open-file-description lock (fcntl F_OFD_SETLK): the kernel
// drops it when the holder ends however it ends, so a copy that was killed never keeps the next
// one out, and a file left behind is simply taken over. The file is this user's alone (0600); one
// of another user's is neither taken nor believed.
class FolderLock {
public:
    enum class Result { Taken, Held, Unavailable };

    explicit FolderLock(QString path);
    // Lets the lock go and removes the file (if it is still the one we hold).
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock, trying for up to timeoutMs while another holds it. Unavailable: the file
    // cannot be made or is not ours (errorString() says why).
    Result tryLock(int timeoutMs);
    bool isLocked() const { return m_fd >= 0; }
    // Replaces the file's content (the lock must be held).
    bool write(const QByteArray& content);
    // True while the file at the path is the one we hold (nobody removed or replaced it).
    bool stillOurs() const;
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

    // Whether some process holds the lock of the file now (nothing is taken to find out).
    static bool isHeld(const QString& path);
    // The content of a lock file of this user's (at most a few KiB); empty otherwise.
    static QByteArray read(const QString& path);

private:
    void release();

    QString m_path;
    int m_fd = -1;
    QString m_error;
};

}  // namespace velumo
