#pragma once

#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>

namespace velumo {

// Reads single entries of a zip archive (the container of .pptx and .odp files): stored and
// deflated entries, no encryption, no archives split over disks, no ZIP64. Files come from
// anywhere (FTP, a USB stick), so every count, size and offset is checked against the file and
// against fixed bounds before anything is allocated; an archive that is truncated, corrupt or
// lies about its sizes gives a Failure, never more memory than an entry may hold.
class ZipArchive final {
public:
    // The most an entry may hold uncompressed, and the most entries an archive may list.
    static constexpr qint64 kMaxEntryBytes = 64 * 1024 * 1024;
    static constexpr int kMaxEntries = 20'000;

    // Opens the archive and reads its central directory. Throws Failure when the file cannot
    // be read or is no zip archive this reader understands.
    explicit ZipArchive(const QString& path);

    QString path() const { return m_file.fileName(); }
    // The entries' names, in the order of the central directory.
    QStringList names() const { return m_names; }
    bool contains(const QString& name) const { return m_entries.contains(name); }

    // The uncompressed bytes of the entry, checked against its size and CRC-32. Throws Failure
    // when there is no such entry or it cannot be read whole.
    QByteArray read(const QString& name);

private:
    struct Entry {
        quint16 flags = 0;
        quint16 method = 0;
        quint32 crc = 0;
        qint64 compressedBytes = 0;
        qint64 bytes = 0;
        qint64 headerOffset = 0;
    };
    [[noreturn]] void fail(const QString& what) const;
    QByteArray readAt(qint64 offset, qint64 bytes);

    QFile m_file;
    qint64 m_size = 0;
    // Where the central directory starts: no entry's data may reach into it.
    qint64 m_directoryOffset = 0;
    QHash<QString, Entry> m_entries;
    QStringList m_names;
};

}  // namespace velumo
