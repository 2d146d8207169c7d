#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>

#include "net/progressthrottle.h"

namespace velumo {

// Where and as whom to log in. The password goes to the library as a separate option and is
// never part of an address or of a text shown to the operator.
struct FtpLogin {
    QString host;
    int port = 21;
    QString user;
    QString password;
};

// Limits that keep a silent or hostile server from hanging a run.
struct FtpLimits {
    long connectTimeoutS = 30;
    long responseTimeoutS = 60;    // waiting for a reply on the control connection
    long lowSpeedBytesPerS = 100;  // a transfer slower than this...
    long lowSpeedTimeS = 60;       // ...for this long is given up
    qint64 maxListingBytes = 16 * 1024 * 1024;
};

// One FTP client over a libcurl easy handle that lives as long as the client is "connected":
// the handle keeps the logged-in control connection between operations (and opens a new one
// by itself when the server has dropped it). Blocking; used on one worker thread only.
// Every failure throws Failure with a text free of the password.
class FtpClient final {
public:
    explicit FtpClient(FtpLimits limits = {}, const std::atomic_bool* abort = nullptr);
    ~FtpClient();

    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    bool connected() const { return m_curl != nullptr; }

    // Connects and logs in (USER/PASS), then asks the current directory (PWD) and returns it.
    // Throws "Already connected." when connected.
    QString connectTo(const FtpLogin& login);
    // QUIT; nothing happens when not connected.
    void disconnect();

    // Names in a remote directory (CWD, NLST), as the server sent them.
    QList<QByteArray> list(const QString& remoteDir);

    enum class Outcome { Downloaded, Resumed, UpToDate };
    struct Retrieved {
        Outcome outcome = Outcome::Downloaded;
        qint64 bytes = 0;  // bytes that came over the wire
    };
    // Fetches remoteDir/name into localDir/name. The data goes to a hidden temporary file in
    // localDir that replaces the local file only when complete; an unchanged complete local
    // file is left alone; a partial download resumes only from the same remote file (size and
    // modification time are kept in a side file). name must pass isSafeName(). progress hears
    // how much of the file is here (a resumed part counts) against the remote size.
    Retrieved retrieve(const QString& remoteDir, const QByteArray& name, const QString& localDir,
                       const ByteProgress& progress = {});

    // Stores a local file under remoteDir/remoteName (STOR). Returns the bytes sent; progress
    // hears how many have gone.
    qint64 store(const QString& localPath, const QString& remoteDir, const QString& remoteName,
                 const ByteProgress& progress = {});

    // A listed name that may become a local file: not empty, not "." or "..", no "/", "\" or
    // control characters, not one of our temporary names. why gets the reason otherwise.
    static bool isSafeName(const QByteArray& name, QString* why = nullptr);
    // The local file name for a listed name (UTF-8 when valid, else Windows-1251).
    static QString localName(const QByteArray& name);
    // Temporary and side file of a local file name.
    static QString tempName(const QString& localName);
    static QString sideName(const QString& localName);

    // Address of an object on the server, without credentials.
    QByteArray url(const QString& remoteDir, const QByteArray& name = {}) const;
    QString displayUrl(const QString& remoteDir, const QByteArray& name = {}) const;

    // What the transfer callback of the running operation reports to.
    struct Watch {
        const std::atomic_bool* abort = nullptr;
        const ByteProgress* progress = nullptr;
        bool upload = false;
        qint64 offset = 0;  // bytes already here before a download resumed
        qint64 size = -1;   // of the whole file, when known
    };

private:
    struct RemoteInfo {
        qint64 size = -1;
        qint64 mtime = -1;  // seconds since the epoch, -1 when the server does not tell
    };
    void prepare(const QByteArray& url);
    void perform(const QString& what);
    RemoteInfo remoteInfo(const QByteArray& url, const QString& what);
    QString scrub(QString text) const;
    qint64 download(const QByteArray& url, const QString& tempPath, qint64 from, qint64 size,
                    const QString& what, const ByteProgress& progress);

    FtpLimits m_limits;
    const std::atomic_bool* m_abort;
    void* m_curl = nullptr;   // the easy handle of the operations
    void* m_multi = nullptr;  // holds the connections between operations
    FtpLogin m_login;
    Watch m_watch;
    char m_errorBuffer[256 + 1] = {};
};

}  // namespace velumo
