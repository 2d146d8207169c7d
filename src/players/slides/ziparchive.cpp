#include "ziparchive.h"

#include <zlib.h>

#include <QtEndian>
#include <algorithm>

#include "base/failure.h"

namespace velumo {

namespace {

constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kDirectorySignature = 0x02014b50;
constexpr quint32 kLocalSignature = 0x04034b50;
constexpr qint64 kEndBytes = 22;
constexpr qint64 kDirectoryEntryBytes = 46;
constexpr qint64 kLocalHeaderBytes = 30;
// The end record sits at the end, after a comment of at most 64 KiB.
constexpr qint64 kEndSearchBytes = kEndBytes + 0xffff;
// A central directory of kMaxEntries entries with long names and extras stays far below this.
constexpr qint64 kMaxDirectoryBytes = 16 * 1024 * 1024;

constexpr quint16 kEncrypted = 0x0001;
constexpr quint16 kUtf8Name = 0x0800;
constexpr quint16 kStored = 0;
constexpr quint16 kDeflated = 8;

quint16 u16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

}  // namespace

void ZipArchive::fail(const QString& what) const
{
    throw Failure(QStringLiteral("%1 is not a readable zip archive: %2").arg(path(), what));
}

QByteArray ZipArchive::readAt(qint64 offset, qint64 bytes)
{
    if (offset < 0 || bytes < 0 || offset > m_size || bytes > m_size - offset)
        fail(QStringLiteral("it ends before the data it lists"));
    if (!m_file.seek(offset))
        fail(m_file.errorString());
    QByteArray data = m_file.read(bytes);
    if (data.size() != bytes)
        fail(QStringLiteral("it ends before the data it lists"));
    return data;
}

ZipArchive::ZipArchive(const QString& path) : m_file(path)
{
    if (!m_file.open(QIODevice::ReadOnly))
        fail(m_file.errorString());
    m_size = m_file.size();
    if (m_size < kEndBytes)
        fail(QStringLiteral("it is too short"));

    // The end record: the last signature whose record fits before the end of the file.
    const qint64 tailOffset = std::max<qint64>(0, m_size - kEndSearchBytes);
    const QByteArray tail = readAt(tailOffset, m_size - tailOffset);
    qint64 end = -1;
    for (qint64 i = tail.size() - kEndBytes; i >= 0; --i) {
        const char* p = tail.constData() + i;
        if (u32(p) == kEndSignature && i + kEndBytes + u16(p + 20) <= tail.size()) {
            end = i;
            break;
        }
    }
    if (end < 0)
        fail(QStringLiteral("it has no end of central directory"));
    const char* e = tail.constData() + end;
    const quint16 disk = u16(e + 4);
    const quint16 directoryDisk = u16(e + 6);
    const quint16 entriesHere = u16(e + 8);
    const quint16 entries = u16(e + 10);
    const quint32 directoryBytes = u32(e + 12);
    const quint32 directoryOffset = u32(e + 16);
    if (entries == 0xffff || directoryBytes == 0xffffffff || directoryOffset == 0xffffffff)
        fail(QStringLiteral("ZIP64 archives are not read"));
    if (disk != 0 || directoryDisk != 0 || entriesHere != entries)
        fail(QStringLiteral("it is split over several disks"));
    if (entries > kMaxEntries)
        fail(QStringLiteral("it lists %1 entries, more than %2").arg(entries).arg(kMaxEntries));
    const qint64 endOffset = tailOffset + end;
    if (qint64(directoryOffset) + directoryBytes > endOffset)
        fail(QStringLiteral("its central directory lies outside the file"));
    if (directoryBytes > kMaxDirectoryBytes)
        fail(QStringLiteral("its central directory is too large"));
    if (qint64(entries) * kDirectoryEntryBytes > directoryBytes)
        fail(QStringLiteral("its central directory is shorter than its entries"));
    m_directoryOffset = directoryOffset;

    const QByteArray directory = readAt(directoryOffset, directoryBytes);
    qint64 at = 0;
    m_names.reserve(entries);
    for (int i = 0; i < entries; ++i) {
        if (at + kDirectoryEntryBytes > directory.size())
            fail(QStringLiteral("its central directory is cut short"));
        const char* d = directory.constData() + at;
        if (u32(d) != kDirectorySignature)
            fail(QStringLiteral("its central directory is damaged at entry %1").arg(i + 1));
        Entry entry;
        entry.flags = u16(d + 8);
        entry.method = u16(d + 10);
        entry.crc = u32(d + 16);
        entry.compressedBytes = u32(d + 20);
        entry.bytes = u32(d + 24);
        const quint16 nameBytes = u16(d + 28);
        const quint16 extraBytes = u16(d + 30);
        const quint16 commentBytes = u16(d + 32);
        entry.headerOffset = u32(d + 42);
        const qint64 next =
            at + kDirectoryEntryBytes + qint64(nameBytes) + extraBytes + commentBytes;
        if (next > directory.size())
            fail(QStringLiteral("its central directory is cut short"));
        const QByteArray rawName(d + kDirectoryEntryBytes, nameBytes);
        // Names without the UTF-8 flag are in code page 437; the names read here are ASCII.
        const QString name =
            entry.flags & kUtf8Name ? QString::fromUtf8(rawName) : QString::fromLatin1(rawName);
        if (!m_entries.contains(name)) {
            m_entries.insert(name, entry);
            m_names.append(name);
        }
        at = next;
    }
}

QByteArray ZipArchive::read(const QString& name)
{
    const auto found = m_entries.constFind(name);
    if (found == m_entries.constEnd())
        fail(QStringLiteral("it has no entry %1").arg(name));
    const Entry& entry = *found;
    auto entryFails = [&](const QString& what) {
        fail(QStringLiteral("entry %1 %2").arg(name, what));
    };
    if (entry.flags & kEncrypted)
        entryFails(QStringLiteral("is encrypted"));
    if (entry.method != kStored && entry.method != kDeflated)
        entryFails(QStringLiteral("is compressed by method %1").arg(entry.method));
    if (entry.bytes > kMaxEntryBytes)
        entryFails(
            QStringLiteral("holds %1 bytes, more than %2").arg(entry.bytes).arg(kMaxEntryBytes));
    // Deflate adds 5 bytes a 64 KiB block to data it cannot compress; a compressed size far
    // beyond that is a lie, and reading it would allocate for nothing.
    const qint64 mostCompressed = entry.bytes + entry.bytes / 1000 + 1024;
    if (entry.method == kStored ? entry.compressedBytes != entry.bytes
                                : entry.compressedBytes > mostCompressed)
        entryFails(QStringLiteral("has sizes that do not fit each other"));

    const QByteArray local = readAt(entry.headerOffset, kLocalHeaderBytes);
    if (u32(local.constData()) != kLocalSignature)
        entryFails(QStringLiteral("has no local header where the directory says"));
    const qint64 dataOffset = entry.headerOffset + kLocalHeaderBytes + u16(local.constData() + 26) +
                              u16(local.constData() + 28);
    if (dataOffset + entry.compressedBytes > m_directoryOffset)
        entryFails(QStringLiteral("reaches beyond the end of the data"));
    const QByteArray packed = readAt(dataOffset, entry.compressedBytes);

    QByteArray data;
    if (entry.method == kStored) {
        data = packed;
    } else {
        // One byte more than the header says, so that a stream that holds more shows it.
        data.resize(entry.bytes + 1);
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            entryFails(QStringLiteral("cannot be inflated: zlib does not start"));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
        z.avail_in = uInt(packed.size());
        z.next_out = reinterpret_cast<Bytef*>(data.data());
        z.avail_out = uInt(data.size());
        int rc = Z_OK;
        while (rc == Z_OK)
            rc = inflate(&z, Z_NO_FLUSH);
        const qint64 produced = qint64(z.total_out);
        const bool full = z.avail_out == 0;
        inflateEnd(&z);
        if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT || rc == Z_MEM_ERROR)
            entryFails(QStringLiteral("is damaged"));
        if (produced > entry.bytes || (rc != Z_STREAM_END && full))
            entryFails(QStringLiteral("is larger than its header says"));
        if (rc != Z_STREAM_END)
            entryFails(QStringLiteral("is cut short"));
        if (produced != entry.bytes)
            entryFails(QStringLiteral("is smaller than its header says"));
        data.resize(entry.bytes);
    }
    if (crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())) != entry.crc)
        entryFails(QStringLiteral("is damaged (its CRC-32 does not match)"));
    return data;
}

}  // namespace velumo
