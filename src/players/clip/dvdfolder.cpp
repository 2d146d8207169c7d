#include "dvdfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

namespace velumo::dvdfolder {

namespace {

constexpr qint64 kSector = 2048;
// The IFO files of a real disc are a few hundred kilobytes at most.
constexpr qint64 kMaxIfo = 4 * 1024 * 1024;

QString videoTsOf(const QString& device)
{
    const QDir root(device);
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (name.compare(u"VIDEO_TS", Qt::CaseInsensitive) == 0)
            return root.filePath(name);
    return QString();
}

// The file of that name in the folder, whatever its case.
QString fileIn(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return QString();
}

class Ifo {
public:
    explicit Ifo(const QString& path)
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxIfo)
            m_bytes = file.readAll();
    }
    bool startsWith(const char* magic) const { return m_bytes.startsWith(magic); }
    bool has(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset + length <= m_bytes.size();
    }
    quint32 u8(qint64 at) const { return has(at, 1) ? quint8(m_bytes[at]) : 0; }
    quint32 u16(qint64 at) const { return (u8(at) << 8) | u8(at + 1); }
    quint32 u32(qint64 at) const { return (u16(at) << 16) | u16(at + 2); }

private:
    QByteArray m_bytes;
};

int bcd(quint32 value)
{
    return int((value >> 4) & 0x0f) * 10 + int(value & 0x0f);
}

// The playback time of a program chain: hours, minutes, seconds in BCD, then the frames with
// the frame rate in their two top bits.
qint64 pgcLengthMs(const Ifo& ifo, qint64 pgc)
{
    const quint32 frames = ifo.u8(pgc + 7);
    const int rate = (frames >> 6) == 1 ? 25 : 30;
    const qint64 seconds =
        bcd(ifo.u8(pgc + 4)) * 3600 + bcd(ifo.u8(pgc + 5)) * 60 + bcd(ifo.u8(pgc + 6));
    return seconds * 1000 + bcd(frames & 0x3f) * 1000 / rate;
}

// The length of title n (1-based) of a title set: the program chains its parts play in.
qint64 vtsTitleLengthMs(const Ifo& vts, int n)
{
    const qint64 ptt = qint64(vts.u32(0xc8)) * kSector;
    const qint64 pgci = qint64(vts.u32(0xcc)) * kSector;
    if (ptt == 0 || pgci == 0 || n < 1 || n > int(vts.u16(ptt)))
        return -1;
    const qint64 end = ptt + vts.u32(ptt + 4) + 1;
    const qint64 first = ptt + vts.u32(ptt + 8 + 4 * (n - 1));
    const qint64 last = n < int(vts.u16(ptt)) ? ptt + vts.u32(ptt + 8 + 4 * n) : end;
    const int chains = int(vts.u16(pgci));
    QSet<int> seen;
    qint64 total = 0;
    for (qint64 part = first; part + 4 <= last && vts.has(part, 4); part += 4) {
        const int chain = int(vts.u16(part));
        if (chain < 1 || chain > chains || seen.contains(chain))
            continue;
        seen.insert(chain);
        total += pgcLengthMs(vts, pgci + vts.u32(pgci + 8 + 8 * (chain - 1) + 4));
    }
    return total;
}

}  // namespace

QString deviceOf(const QString& name)
{
    if (name.isEmpty())
        return QString();
    const QFileInfo info(name);
    if (info.isFile()) {
        if (info.suffix().compare(u"ifo", Qt::CaseInsensitive) != 0)
            return QString();
        const QDir folder = info.absoluteDir();
        if (folder.dirName().compare(u"VIDEO_TS", Qt::CaseInsensitive) == 0)
            return QFileInfo(folder.absolutePath()).absolutePath();
        // IFO files outside a VIDEO_TS folder: the folder itself is read as the disc.
        return folder.absolutePath();
    }
    if (!info.isDir())
        return QString();
    if (info.fileName().compare(u"VIDEO_TS", Qt::CaseInsensitive) == 0)
        return info.absolutePath();
    return videoTsOf(info.absoluteFilePath()).isEmpty() ? QString() : info.absoluteFilePath();
}

QString sourceOf(const QString& device, int title)
{
    return QStringLiteral("dvd://title-%1#").arg(title) +
           QString::fromLatin1(QUrl::toPercentEncoding(device));
}

QString deviceOfSource(const QString& source)
{
    if (!source.startsWith(u"dvd://"))
        return QString();
    const qsizetype hash = source.indexOf(u'#');
    return hash < 0 ? QString() : QUrl::fromPercentEncoding(source.mid(hash + 1).toLatin1());
}

int titleOfSource(const QString& source)
{
    static const QString prefix = QStringLiteral("dvd://title-");
    if (!source.startsWith(prefix))
        return 0;
    const qsizetype hash = source.indexOf(u'#');
    return source.mid(prefix.size(), hash < 0 ? -1 : hash - prefix.size()).toInt();
}

bool isDvdName(const QString& name)
{
    return !deviceOf(name).isEmpty();
}

QList<qint64> titleLengthsMs(const QString& device)
{
    QString folder = videoTsOf(device);
    if (folder.isEmpty())
        folder = device;
    const Ifo vmg(fileIn(folder, QStringLiteral("VIDEO_TS.IFO")));
    if (!vmg.startsWith("DVDVIDEO-VMG"))
        return {};
    const qint64 table = qint64(vmg.u32(0xc4)) * kSector;
    const int titles = table > 0 ? int(vmg.u16(table)) : 0;
    QList<qint64> lengths;
    for (int t = 0; t < titles; ++t) {
        const qint64 entry = table + 8 + 12 * t;
        if (!vmg.has(entry, 12))
            break;
        const int set = int(vmg.u8(entry + 6));
        const int inSet = int(vmg.u8(entry + 7));
        const Ifo vts(fileIn(folder, QStringLiteral("VTS_%1_0.IFO").arg(set, 2, 10, QChar(u'0'))));
        lengths.append(vts.startsWith("DVDVIDEO-VTS") ? vtsTitleLengthMs(vts, inSet) : -1);
    }
    return lengths;
}

int longestTitle(const QString& device)
{
    const QList<qint64> lengths = titleLengthsMs(device);
    int best = 0;
    for (int t = 0; t < lengths.size(); ++t)
        if (lengths[t] >= 0 && (best == 0 || lengths[t] > lengths[best - 1]))
            best = t + 1;
    return best;
}

}  // namespace velumo::dvdfolder
