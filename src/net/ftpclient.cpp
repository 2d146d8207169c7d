#include "ftpclient.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>
#include <cerrno>
#include <cstring>

#include "base/failure.h"
#include "base/textfile.h"
#include "net/cappedbuffer.h"
#include "net/curlglobal.h"

namespace velumo {

namespace {

constexpr char kTempSuffix[] = ".velumo-part";
constexpr int kPollMs = 10;
// Large reads keep the number of write calls down on fast links.
constexpr long kReceiveBufferBytes = 512 * 1024;
constexpr char kSideSuffix[] = ".velumo-part.info";

CURL* handle(void* curl)
{
    return static_cast<CURL*>(curl);
}

size_t discardData(char*, size_t size, size_t count, void*)
{
    return size * count;
}

struct FileSink {
    int fd = -1;
    qint64 written = 0;
    int error = 0;
};

size_t writeToFile(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<FileSink*>(user);
    const size_t bytes = size * count;
    size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(sink->fd, data + done, bytes - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            sink->error = errno;
            return 0;
        }
        done += size_t(n);
    }
    sink->written += qint64(bytes);
    return bytes;
}

size_t readFromFile(char* data, size_t size, size_t count, void* user)
{
    auto* file = static_cast<QFile*>(user);
    const qint64 n = file->read(data, qint64(size * count));
    return n < 0 ? CURL_READFUNC_ABORT : size_t(n);
}

int onTransferInfo(void* user, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                   curl_off_t upNow)
{
    const auto* watch = static_cast<const FtpClient::Watch*>(user);
    if (watch->abort && watch->abort->load())
        return 1;
    if (!watch->progress || !*watch->progress)
        return 0;
    qint64 done = 0;
    qint64 total = watch->size;
    if (watch->upload) {
        done = upNow;
        if (total < 0 && upTotal > 0)
            total = upTotal;
    } else {
        done = watch->offset + downNow;
        if (total < 0 && downTotal > 0)
            total = watch->offset + downTotal;
    }
    // Nothing may unwind through the library: a listener that fails only goes unheard.
    try {
        (*watch->progress)(done, total);
    } catch (...) {
    }
    return 0;
}

// The listener is heard only while its operation runs.
struct ProgressScope {
    ProgressScope(FtpClient::Watch& watch, const ByteProgress& progress) : watch(watch)
    {
        watch.progress = &progress;
    }
    ~ProgressScope() { watch.progress = nullptr; }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;
    FtpClient::Watch& watch;
};

QByteArray encodedPath(const QString& path)
{
    return QFile::encodeName(path);
}

struct LocalStat {
    bool exists = false;
    bool regular = false;
    qint64 size = 0;
    qint64 mtime = -1;
};

LocalStat localStat(const QString& path)
{
    struct stat st {};
    LocalStat result;
    if (::lstat(encodedPath(path).constData(), &st) != 0)
        return result;
    result.exists = true;
    result.regular = S_ISREG(st.st_mode);
    result.size = st.st_size;
    result.mtime = st.st_mtim.tv_sec;
    return result;
}

QString sideText(qint64 size, qint64 mtime)
{
    return QStringLiteral("%1 %2").arg(size).arg(mtime);
}

}  // namespace

FtpClient::FtpClient(FtpLimits limits, const std::atomic_bool* abort)
    : m_limits(limits), m_abort(abort)
{
    CurlGlobal::checkInitialised();
}

FtpClient::~FtpClient()
{
    disconnect();
}

bool FtpClient::isSafeName(const QByteArray& name, QString* why)
{
    auto refuse = [why](const char* reason) {
        if (why)
            *why = QString::fromLatin1(reason);
        return false;
    };
    if (name.isEmpty())
        return refuse("empty name");
    if (name == "." || name == "..")
        return refuse("names a directory");
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\')
            return refuse("holds a path separator");
        if (byte < 0x20 || byte == 0x7f)
            return refuse("holds control characters");
    }
    if (name.endsWith(kTempSuffix) || name.endsWith(kSideSuffix))
        return refuse("clashes with a temporary file name");
    // The temporary name adds a dot and a suffix; keep it within the file system's limit.
    if (QFile::encodeName(localName(name)).size() + 1 + qsizetype(sizeof(kSideSuffix)) > 255)
        return refuse("name too long");
    return true;
}

QString FtpClient::localName(const QByteArray& name)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(name);
    if (!utf8.hasError())
        return text;
    return decodeCp1251(name);
}

QString FtpClient::tempName(const QString& localName)
{
    return u'.' + localName + QLatin1String(kTempSuffix);
}

QString FtpClient::sideName(const QString& localName)
{
    return u'.' + localName + QLatin1String(kSideSuffix);
}

QByteArray FtpClient::url(const QString& remoteDir, const QByteArray& name) const
{
    QByteArray host = m_login.host.toUtf8();
    if (host.contains(':'))
        host = '[' + host + ']';
    QByteArray out = "ftp://" + host + ':' + QByteArray::number(m_login.port) + '/';
    // The whole directory is one path segment: the client changes to it in one step (the
    // slashes travel encoded), so an absolute directory stays absolute.
    if (!remoteDir.isEmpty())
        out += QUrl::toPercentEncoding(remoteDir) + '/';
    out += name.toPercentEncoding();
    return out;
}

QString FtpClient::displayUrl(const QString& remoteDir, const QByteArray& name) const
{
    QString dir = remoteDir;
    if (!dir.isEmpty() && !dir.endsWith(u'/'))
        dir += u'/';
    QString host = m_login.host;
    if (host.contains(u':'))
        host = u'[' + host + u']';
    if (!dir.startsWith(u'/'))
        dir.prepend(u'/');
    return QStringLiteral("ftp://%1:%2%3%4").arg(host).arg(m_login.port).arg(dir, localName(name));
}

QString FtpClient::scrub(QString text) const
{
    if (!m_login.password.isEmpty()) {
        text.replace(m_login.password, QLatin1String("***"));
        const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(m_login.password));
        if (encoded != m_login.password)
            text.replace(encoded, QLatin1String("***"));
    }
    return text;
}

void FtpClient::prepare(const QByteArray& address)
{
    CURL* c = handle(m_curl);
    curl_easy_reset(c);  // keeps the open control connection
    m_errorBuffer[0] = 0;
    curl_easy_setopt(c, CURLOPT_URL, address.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(c, CURLOPT_USERNAME, m_login.user.toUtf8().constData());
    curl_easy_setopt(c, CURLOPT_PASSWORD, m_login.password.toUtf8().constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, m_limits.connectTimeoutS);
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, m_limits.responseTimeoutS);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, m_limits.lowSpeedBytesPerS);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, m_limits.lowSpeedTimeS);
    curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(c, CURLOPT_FTP_SKIP_PASV_IP, 1L);
    curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(c, CURLOPT_PROXY, "");  // no proxy, whatever the environment says
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    m_watch = Watch{};
    m_watch.abort = m_abort;
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onTransferInfo);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &m_watch);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, discardData);
}

void FtpClient::perform(const QString& what)
{
    // Driven through a multi handle that keeps the session's connections between operations.
    // The poll wakes at least every few milliseconds: libcurl 7.88 can otherwise sit out its
    // one-second default wait before it connects a passive data connection.
    CURLM* multi = static_cast<CURLM*>(m_multi);
    CURL* easy = handle(m_curl);
    CURLcode code = CURLE_OK;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
        throw Failure(QStringLiteral("%1: cannot start the transfer").arg(what));
    int running = 1;
    while (running) {
        const CURLMcode status = curl_multi_perform(multi, &running);
        if (status != CURLM_OK) {
            code = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running)
            curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left))
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
            code = message->data.result;
    curl_multi_remove_handle(multi, easy);
    if (code == CURLE_OK)
        return;
    QString text = QString::fromUtf8(curl_easy_strerror(code));
    const QString detail = QString::fromUtf8(m_errorBuffer).trimmed();
    if (!detail.isEmpty() && detail != text)
        text += QLatin1String(": ") + detail;
    throw Failure(scrub(QStringLiteral("%1: %2 (%3)").arg(what, text).arg(int(code))));
}

QString FtpClient::connectTo(const FtpLogin& login)
{
    if (connected())
        throw Failure(QStringLiteral("Already connected."));
    const QString host = login.host.trimmed();
    if (host.isEmpty())
        throw Failure(QStringLiteral("Host name is empty"));
    for (const QChar c : host)
        if (c.unicode() <= 0x20 || QStringLiteral("/\\@?#[]").contains(c))
            throw Failure(QStringLiteral("Invalid host name \"%1\"").arg(host));
    if (login.port < 1 || login.port > 65535)
        throw Failure(QStringLiteral("Invalid port %1").arg(login.port));
    m_login = login;
    m_login.host = host;
    m_curl = curl_easy_init();
    m_multi = curl_multi_init();
    if (!m_curl || !m_multi) {
        disconnect();
        throw Failure(QStringLiteral("Cannot create an FTP session"));
    }
    try {
        prepare(url(QString()));
        curl_easy_setopt(handle(m_curl), CURLOPT_NOBODY, 1L);
        perform(QStringLiteral("Connect to %1:%2").arg(host).arg(login.port));
    } catch (...) {
        disconnect();
        throw;
    }
    const char* entry = nullptr;
    curl_easy_getinfo(handle(m_curl), CURLINFO_FTP_ENTRY_PATH, &entry);
    return entry ? QString::fromUtf8(entry) : QString();
}

void FtpClient::disconnect()
{
    // Cleaning up the multi handle closes its connections, sending QUIT on the control one.
    if (m_curl)
        curl_easy_cleanup(handle(m_curl));
    if (m_multi)
        curl_multi_cleanup(static_cast<CURLM*>(m_multi));
    m_curl = nullptr;
    m_multi = nullptr;
}

QList<QByteArray> FtpClient::list(const QString& remoteDir)
{
    if (!connected())
        throw Failure(QStringLiteral("Not connected."));
    CappedBuffer buffer;
    buffer.limit = m_limits.maxListingBytes;
    prepare(url(remoteDir));
    CURL* c = handle(m_curl);
    curl_easy_setopt(c, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, CappedBuffer::append);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &buffer);
    try {
        perform(QStringLiteral("List %1").arg(displayUrl(remoteDir)));
    } catch (const Failure&) {
        if (buffer.overflow)
            throw Failure(QStringLiteral("List %1: the listing is larger than %2 bytes")
                              .arg(displayUrl(remoteDir))
                              .arg(m_limits.maxListingBytes));
        throw;
    }
    QList<QByteArray> names;
    const QList<QByteArray> lines = buffer.data.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (i + 1 == lines.size() && line.isEmpty())
            break;  // the line end after the last name
        names.append(line);
    }
    return names;
}

FtpClient::RemoteInfo FtpClient::remoteInfo(const QByteArray& address, const QString& what)
{
    prepare(address);
    CURL* c = handle(m_curl);
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(c, CURLOPT_FILETIME, 1L);
    perform(what);
    RemoteInfo info;
    curl_off_t size = -1;
    curl_off_t mtime = -1;
    curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    curl_easy_getinfo(c, CURLINFO_FILETIME_T, &mtime);
    info.size = size;
    info.mtime = mtime;
    return info;
}

qint64 FtpClient::download(const QByteArray& address, const QString& tempPath, qint64 from,
                           qint64 size, const QString& what, const ByteProgress& progress)
{
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (from > 0 ? O_APPEND : O_TRUNC);
    FileSink sink;
    sink.fd = ::open(encodedPath(tempPath).constData(), flags, 0644);
    if (sink.fd < 0)
        throw Failure(QStringLiteral("%1: cannot write \"%2\": %3")
                          .arg(what, tempPath, QString::fromLocal8Bit(std::strerror(errno))));
    prepare(address);
    CURL* c = handle(m_curl);
    curl_easy_setopt(c, CURLOPT_RESUME_FROM_LARGE, curl_off_t(from));
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writeToFile);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    const ProgressScope scope(m_watch, progress);
    m_watch.offset = from;
    m_watch.size = size;
    if (progress)
        progress(from, size);
    try {
        perform(what);
    } catch (const Failure&) {
        ::close(sink.fd);
        if (sink.error)
            throw Failure(
                QStringLiteral("%1: cannot write \"%2\": %3")
                    .arg(what, tempPath, QString::fromLocal8Bit(std::strerror(sink.error))));
        throw;
    }
    const bool synced = ::fdatasync(sink.fd) == 0;
    const int syncError = errno;
    ::close(sink.fd);
    if (!synced)
        throw Failure(QStringLiteral("%1: cannot write \"%2\": %3")
                          .arg(what, tempPath, QString::fromLocal8Bit(std::strerror(syncError))));
    if (progress)
        progress(from + sink.written, size);
    return sink.written;
}

FtpClient::Retrieved FtpClient::retrieve(const QString& remoteDir, const QByteArray& name,
                                         const QString& localDir, const ByteProgress& progress)
{
    if (!connected())
        throw Failure(QStringLiteral("Not connected."));
    QString why;
    if (!isSafeName(name, &why))
        throw Failure(QStringLiteral("Refused remote name \"%1\": %2")
                          .arg(QString::fromLatin1(name.toPercentEncoding()), why));
    const QFileInfo folder(localDir);
    if (!folder.isDir())
        throw Failure(QStringLiteral("Local folder \"%1\" does not exist").arg(localDir));
    const QString local = localName(name);
    const QString target = localDir + u'/' + local;
    const QString tempPath = localDir + u'/' + tempName(local);
    const QString sidePath = localDir + u'/' + sideName(local);
    const QByteArray address = url(remoteDir, name);
    const QString what = QStringLiteral("Retrieve %1").arg(displayUrl(remoteDir, name));

    const RemoteInfo remote = remoteInfo(address, what);
    Retrieved result;

    // Only a file known to be the same (length and modification time) is left alone: from a
    // server that gives no times, an edit that kept the length must still arrive.
    const LocalStat current = localStat(target);
    if (current.exists && current.regular && remote.size >= 0 && remote.mtime >= 0 &&
        current.size == remote.size && current.mtime == remote.mtime) {
        result.outcome = Outcome::UpToDate;
        return result;
    }

    // A partial download continues only when it came from this very remote file.
    qint64 from = 0;
    const LocalStat partial = localStat(tempPath);
    if (partial.exists && partial.regular && remote.size > 0 && remote.mtime >= 0 &&
        partial.size > 0 && partial.size < remote.size) {
        QFile side(sidePath);
        if (side.open(QIODevice::ReadOnly) &&
            QString::fromLatin1(side.read(64)).trimmed() == sideText(remote.size, remote.mtime))
            from = partial.size;
    }
    if (from == 0) {
        if (partial.exists && !partial.regular)
            throw Failure(QStringLiteral("%1: \"%2\" is in the way").arg(what, tempPath));
        writeFileAtomic(sidePath, sideText(remote.size, remote.mtime).toLatin1(), 0644);
    }

    try {
        result.bytes = download(address, tempPath, from, remote.size, what, progress);
        result.outcome = from > 0 ? Outcome::Resumed : Outcome::Downloaded;
    } catch (const Failure& failure) {
        // A server that refuses restart offsets gets the whole file again.
        if (from == 0 || !failure.text().contains(QLatin1String("(31)")))
            throw;
        result.bytes = download(address, tempPath, 0, remote.size, what, progress);
        result.outcome = Outcome::Downloaded;
    }

    const LocalStat done = localStat(tempPath);
    if (remote.size >= 0 && done.size != remote.size)
        throw Failure(QStringLiteral("%1: incomplete, %2 of %3 bytes")
                          .arg(what)
                          .arg(done.size)
                          .arg(remote.size));
    if (remote.mtime >= 0) {
        struct timespec times[2] = {{remote.mtime, 0}, {remote.mtime, 0}};
        ::utimensat(AT_FDCWD, encodedPath(tempPath).constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    if (::rename(encodedPath(tempPath).constData(), encodedPath(target).constData()) != 0)
        throw Failure(QStringLiteral("%1: cannot replace \"%2\": %3")
                          .arg(what, target, QString::fromLocal8Bit(std::strerror(errno))));
    QFile::remove(sidePath);
    const int dir = ::open(encodedPath(localDir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return result;
}

qint64 FtpClient::store(const QString& localPath, const QString& remoteDir,
                        const QString& remoteName, const ByteProgress& progress)
{
    if (!connected())
        throw Failure(QStringLiteral("Not connected."));
    const QByteArray name = QFile::encodeName(remoteName);
    const QString what = QStringLiteral("Store %1").arg(displayUrl(remoteDir, name));
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(
            QStringLiteral("%1: cannot read \"%2\": %3").arg(what, localPath, file.errorString()));
    prepare(url(remoteDir, name));
    CURL* c = handle(m_curl);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readFromFile);
    curl_easy_setopt(c, CURLOPT_READDATA, &file);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, curl_off_t(file.size()));
    const ProgressScope scope(m_watch, progress);
    m_watch.upload = true;
    m_watch.size = file.size();
    if (progress)
        progress(0, file.size());
    perform(what);
    if (progress)
        progress(file.size(), file.size());
    return file.size();
}

}  // namespace velumo
