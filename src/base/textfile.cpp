#include "textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "eventlog.h"
#include "failure.h"

namespace velumo {

namespace {

bool hasNonAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

}  // namespace

QString decodeCp1251(const QByteArray& bytes)
{
    // The upper half of the code page, taken once from the system's decoder; a block file of
    // several megabytes then decodes in one pass over a table.
    static const std::array<char16_t, 128> upper = [] {
        std::array<char16_t, 128> table{};
        QByteArray high(128, '\0');
        for (int i = 0; i < 128; ++i)
            high[i] = static_cast<char>(0x80 + i);
        QStringDecoder decoder("windows-1251");
        const QString decoded = decoder.isValid() ? decoder.decode(high) : QString();
        for (int i = 0; i < 128; ++i)
            table[i] = decoded.size() == 128 ? decoded[i].unicode() : char16_t(0x80 + i);
        return table;
    }();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = byte < 0x80 ? char16_t(byte) : upper[byte - 0x80];
    }
    return text;
}

bool isValidUtf8(const QByteArray& bytes)
{
    // Well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF); stops at
    // the first fault, so Windows-1251 text is told apart within its first letters instead of
    // after a decoding of the whole file.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        // A sequence cut short by the end of the text is no fault to Qt's decoder, which waits
        // for the rest; its bytes so far must still fit.
        const auto present = static_cast<int>(std::min<std::ptrdiff_t>(length, end - p));
        if (present > 1 && (p[1] < low || p[1] > high))
            return false;
        for (int i = 2; i < present; ++i)
            if (p[i] < 0x80 || p[i] > 0xBF)
                return false;
        p += present;
    }
    return true;
}

QByteArray encodeCp1251(const QString& text)
{
    QStringEncoder encoder("windows-1251");
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

QString decodeText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (hasNonAscii(bytes) && isValidUtf8(bytes))
        return QStringDecoder(QStringDecoder::Utf8).decode(bytes);
    return decodeCp1251(bytes);
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QByteArray readFileBytes(const QString& path, qint64 maxBytes)
{
    // Non-blocking: opening a pipe with no writer would otherwise wait for good. The kind of
    // file is then judged on the descriptor itself, never on the name.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw Failure(QStringLiteral("Cannot open file \"%1\". %2").arg(path, systemError(errno)));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw Failure(QStringLiteral("Cannot read file \"%1\". %2").arg(path, systemError(errno)));
    if (!S_ISREG(st.st_mode))
        throw Failure(QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(path));
    auto tooLarge = [&] {
        return Failure(QStringLiteral("Cannot read file \"%1\". It is larger than %2 bytes, the "
                                      "limit for this kind of file")
                           .arg(path)
                           .arg(maxBytes));
    };
    if (st.st_size > maxBytes)
        throw tooLarge();
    QByteArray bytes;
    bytes.resize(qsizetype(st.st_size));
    qint64 got = 0;
    // A file that grows while it is read is read up to the limit and no further.
    for (;;) {
        if (got == bytes.size()) {
            if (got > maxBytes)
                throw tooLarge();
            bytes.resize(qsizetype(qMin<qint64>(maxBytes + 1, got + (64 << 10))));
            if (got == bytes.size())
                throw tooLarge();
        }
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw Failure(
                QStringLiteral("Cannot read file \"%1\". %2").arg(path, systemError(errno)));
        }
        if (n == 0)
            break;
        got += n;
    }
    if (got > maxBytes)
        throw tooLarge();
    bytes.resize(qsizetype(got));
    return bytes;
}

QStringList readTextLines(const QString& path, qint64 maxBytes)
{
    return splitLines(decodeText(readFileBytes(path, maxBytes)));
}

QStringList removeLeftoverTemporaries(const QStringList& folders, const QDateTime& before,
                                      EventLog* log)
{
    // The pattern of writeFileAtomic: "." + the file's name + ".tmp" + six characters of
    // mkstemp. Only regular files, and only those no copy running now can be writing.
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.tmp[A-Za-z0-9]{6}$"));
    QStringList removed;
    QStringList seen;
    for (const QString& folder : folders) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (folder.isEmpty() || canonical.isEmpty() || seen.contains(canonical))
            continue;
        seen.append(canonical);
        const QFileInfoList entries = QDir(canonical).entryInfoList(
            QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::System);
        for (const QFileInfo& entry : entries) {
            if (!pattern.match(entry.fileName()).hasMatch() || !entry.isFile() ||
                entry.lastModified() >= before)
                continue;
            if (QFile::remove(entry.absoluteFilePath())) {
                removed.append(entry.absoluteFilePath());
                if (log)
                    log->write(QStringLiteral("file"),
                               QStringLiteral("removed the leftover temporary file %1")
                                   .arg(entry.absoluteFilePath()));
            }
        }
    }
    return removed;
}

void writeTextLines(const QString& path, const QStringList& lines)
{
    QString text;
    qsizetype total = 0;
    for (const QString& line : lines)
        total += line.size() + 2;
    text.reserve(total);
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    writeFileAtomic(path, encodeCp1251(text));
}

void writeFileAtomic(const QString& path, const QByteArray& data, mode_t mode, bool forceMode)
{
    QFileInfo info(path);
    // A settings file that the operator made a symbolic link stays one: the file it points to
    // is replaced, not the link.
    if (info.isSymLink()) {
        const QString resolved = info.canonicalFilePath();
        info = QFileInfo(resolved.isEmpty() ? info.symLinkTarget() : resolved);
    }
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    QByteArray temp = folder + "/." + QFile::encodeName(info.fileName()) + ".tmpXXXXXX";

    auto fail = [&](const char* what, int code) {
        throw Failure(QStringLiteral("Cannot %1 file \"%2\". %3")
                          .arg(QLatin1String(what), path, systemError(code)));
    };

    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        fail("create", errno);
    auto cleanup = [&](const char* what, int code) {
        ::close(fd);
        ::unlink(temp.constData());
        fail(what, code);
    };

    struct stat old {};
    mode_t wanted = mode;
    if (!forceMode && ::stat(target.constData(), &old) == 0) {
        wanted = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        wanted = forceMode ? mode : (mode & ~mask);
    }
    if (::fchmod(fd, wanted) != 0)
        cleanup("create", errno);

    // Written in chunks, each result checked: a short write (a full disk) is a failure.
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const size_t chunk = size_t(qMin<qint64>(left, 1 << 20));
        const ssize_t written = ::write(fd, p, chunk);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            cleanup("write", errno);
        }
        if (written == 0)
            cleanup("write", ENOSPC);
        p += written;
        left -= written;
    }
    if (::fsync(fd) != 0)
        cleanup("write", errno);
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temp.constData());
        fail("write", code);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int code = errno;
        ::unlink(temp.constData());
        fail("replace", code);
    }
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

}  // namespace velumo
