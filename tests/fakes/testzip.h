#pragma once

#include <zlib.h>

#include <QByteArray>
#include <QList>
#include <QtEndian>

namespace velumo::test {

// An entry of a zip archive that a test writes itself.
struct TestZipEntry {
    QByteArray name;
    QByteArray data;
    bool deflate = true;
};

inline void appendLe16(QByteArray& out, quint32 value)
{
    out.append(char(value & 0xff)).append(char((value >> 8) & 0xff));
}
inline void appendLe32(QByteArray& out, quint32 value)
{
    appendLe16(out, value & 0xffff);
    appendLe16(out, value >> 16);
}

// Raw deflate (no zlib header), as zip archives hold it.
inline QByteArray rawDeflate(const QByteArray& data)
{
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

// A zip archive of the entries, laid out as common tools write it: local headers and data,
// then the central directory, then its end record (with the comment, if any).
inline QByteArray zipArchive(const QList<TestZipEntry>& entries, const QByteArray& comment = {})
{
    QByteArray out;
    QByteArray directory;
    for (const TestZipEntry& entry : entries) {
        const QByteArray packed = entry.deflate ? rawDeflate(entry.data) : entry.data;
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(entry.data.constData()),
                                          uInt(entry.data.size())));
        const quint32 offset = quint32(out.size());
        auto common = [&](QByteArray& to) {
            appendLe16(to, 20);  // version needed
            appendLe16(to, 0);   // flags
            appendLe16(to, entry.deflate ? 8 : 0);
            appendLe16(to, 0);       // time
            appendLe16(to, 0x5821);  // date
            appendLe32(to, crc);
            appendLe32(to, quint32(packed.size()));
            appendLe32(to, quint32(entry.data.size()));
            appendLe16(to, quint32(entry.name.size()));
            appendLe16(to, 0);  // extra
        };
        appendLe32(out, 0x04034b50);
        common(out);
        out += entry.name + packed;

        appendLe32(directory, 0x02014b50);
        appendLe16(directory, 20);  // version made by
        common(directory);
        appendLe16(directory, 0);  // comment
        appendLe16(directory, 0);  // disk
        appendLe16(directory, 0);  // internal attributes
        appendLe32(directory, 0);  // external attributes
        appendLe32(directory, offset);
        directory += entry.name;
    }
    const quint32 directoryOffset = quint32(out.size());
    out += directory;
    appendLe32(out, 0x06054b50);
    appendLe16(out, 0);
    appendLe16(out, 0);
    appendLe16(out, quint32(entries.size()));
    appendLe16(out, quint32(entries.size()));
    appendLe32(out, quint32(directory.size()));
    appendLe32(out, directoryOffset);
    appendLe16(out, quint32(comment.size()));
    return out + comment;
}

// Where the central directory's record of entry `index` starts in an archive of zipArchive().
inline qsizetype zipDirectoryRecord(const QByteArray& zip, int index)
{
    qsizetype at = zip.indexOf(QByteArray("PK\x01\x02", 4));
    for (int i = 0; i < index && at >= 0; ++i)
        at = zip.indexOf(QByteArray("PK\x01\x02", 4), at + 1);
    return at;
}

inline void putLe32(QByteArray& zip, qsizetype at, quint32 value)
{
    qToLittleEndian(value, zip.data() + at);
}
inline void putLe16(QByteArray& zip, qsizetype at, quint16 value)
{
    qToLittleEndian(value, zip.data() + at);
}

}  // namespace velumo::test
