#include "eventspool.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace velumo::fleet {

namespace {

bool syncFile(QFile& file)
{
    return file.isOpen() && ::fdatasync(file.handle()) == 0;
}

bool syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace

EventSpool::EventSpool(QString folder, qint64 limitBytes, QByteArray bootId)
    : m_folder(std::move(folder)), m_limitBytes(limitBytes), m_bootId(std::move(bootId))
{
}

QByteArray EventSpool::currentBootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? file.read(64).trimmed() : QByteArray();
}

QString EventSpool::spoolPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("fleet.spool"));
}

QString EventSpool::ackPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("fleet.spool.ack"));
}

QString EventSpool::nextPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("fleet.spool.next"));
}

QString EventSpool::open()
{
    m_ack.setFileName(ackPath());
    if (m_ack.open(QIODevice::ReadOnly)) {
        m_ackedUpTo = m_ack.read(64).trimmed().toULongLong();
        m_ack.close();
    }
    quint64 seen = m_ackedUpTo;
    m_spool.setFileName(spoolPath());
    if (m_spool.open(QIODevice::ReadOnly)) {
        // Lines one at a time: the spool may be as large as the bound.
        while (!m_spool.atEnd()) {
            const QByteArray line = m_spool.readLine();
            // A line cut short is no message (it cannot be one that was handed over whole).
            if (!line.endsWith('\n')) {
                m_torn = true;
                break;
            }
            m_spoolBytes += line.size();
            const quint64 seq = QJsonDocument::fromJson(line).object().value(u"seq").toInteger();
            if (seq == 0) {
                m_deadBytes += line.size();
                continue;
            }
            seen = qMax(seen, seq);
            if (seq <= m_ackedUpTo) {
                m_deadBytes += line.size();
                continue;
            }
            m_pending.push_back({seq, line.chopped(1)});
            m_pendingBytes += line.size();
        }
        m_spool.close();
    }
    m_nextSeq = seen + 1;
    // After a new boot what the files show may lack the last writes: the reservation rules.
    m_next.setFileName(nextPath());
    const bool nextExisted = m_next.exists();
    if (!m_next.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("cannot write %1: %2").arg(nextPath(), m_next.errorString());
        return m_error;
    }
    m_next.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QList<QByteArray> reserved = m_next.read(128).trimmed().split(' ');
    m_reservedUpTo = reserved.value(0).toULongLong();
    if (reserved.value(1) != m_bootId || m_bootId.isEmpty())
        m_nextSeq = qMax(m_nextSeq, m_reservedUpTo + 1);
    if (!nextExisted)
        syncFolder(m_folder);

    if (!m_spool.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("cannot write %1: %2").arg(spoolPath(), m_spool.errorString());
        return m_error;
    }
    m_spool.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (m_torn && !cutBack())
        return m_error;
    if (!m_ack.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("cannot write %1: %2").arg(ackPath(), m_ack.errorString());
        return m_error;
    }
    if (!reserve(m_nextSeq))
        return m_error;
    if (m_pending.empty())
        compact();
    return {};
}

bool EventSpool::cutBack()
{
    if (!m_spool.resize(m_spoolBytes)) {
        m_error = QStringLiteral("cannot cut the torn end of %1: %2")
                      .arg(spoolPath(), m_spool.errorString());
        return false;
    }
    m_torn = false;
    return true;
}

bool EventSpool::reserve(quint64 seq)
{
    if (seq <= m_reservedUpTo)
        return true;
    // Fixed width, written in place and synced before any number of the block is used.
    const quint64 upTo = seq + kReserveBlock - 1;
    const QByteArray text =
        QByteArray::number(upTo).rightJustified(20, '0') + ' ' + m_bootId + '\n';
    if (!m_next.seek(0) || m_next.write(text) != text.size() || !syncFile(m_next)) {
        m_error = QStringLiteral("cannot write %1: %2").arg(nextPath(), m_next.errorString());
        return false;
    }
    m_reservedUpTo = upTo;
    return true;
}

std::optional<quint64> EventSpool::append(const std::function<QByteArray(quint64 seq)>& make)
{
    if (!m_spool.isOpen())
        return std::nullopt;
    const quint64 seq = m_nextSeq;
    QByteArray payload = make(seq);
    const QByteArray line = payload + '\n';
    if (m_pendingBytes + line.size() > m_limitBytes) {
        ++m_refused;
        return std::nullopt;
    }
    if ((m_torn && !cutBack()) || !reserve(seq)) {
        ++m_refused;
        return std::nullopt;
    }
    if (m_spool.write(line) != line.size()) {
        m_error = QStringLiteral("cannot write %1: %2").arg(spoolPath(), m_spool.errorString());
        ++m_refused;
        // What went out of a short write is cut away now, or before the next line at the latest.
        m_torn = true;
        cutBack();
        return std::nullopt;
    }
    m_error.clear();
    ++m_nextSeq;
    m_spoolBytes += line.size();
    m_pending.push_back({seq, std::move(payload)});
    m_pendingBytes += line.size();
    return seq;
}

void EventSpool::acknowledge(quint64 seq)
{
    if (seq <= m_ackedUpTo || m_pending.empty())
        return;
    m_acked.insert(seq);
    bool moved = false;
    while (!m_pending.empty() && m_acked.count(m_pending.front().seq)) {
        const qint64 size = m_pending.front().payload.size() + 1;
        m_acked.erase(m_pending.front().seq);
        m_ackedUpTo = m_pending.front().seq;
        m_pendingBytes -= size;
        m_deadBytes += size;
        m_pending.pop_front();
        moved = true;
    }
    if (!moved)
        return;
    // While a long spool drains the acknowledgement goes to disk a few times a second, not once a
    // message: after a kill, what it had not yet recorded is only sent again.
    if (m_pending.empty() || !m_ackWritten.isValid() || m_ackWritten.elapsed() >= kAckWriteMs)
        writeAck();
    if (m_pending.empty() ||
        (m_deadBytes > kCompactDeadBytes && m_pendingBytes < kCompactLiveBytes))
        compact();
}

bool EventSpool::acknowledged(quint64 seq) const
{
    return seq <= m_ackedUpTo || m_acked.count(seq) > 0;
}

bool EventSpool::writeAck()
{
    // Fixed width, written in place: a short file never shows an older, larger number.
    m_ackWritten.start();
    const QByteArray text = QByteArray::number(m_ackedUpTo).rightJustified(20, '0') + '\n';
    if (!m_ack.seek(0) || m_ack.write(text) != text.size()) {
        m_error = QStringLiteral("cannot write %1: %2").arg(ackPath(), m_ack.errorString());
        return false;
    }
    return true;
}

void EventSpool::compact()
{
    // The acknowledgement is on disk first: a crash in between leaves lines it already covers.
    if (!writeAck() || !syncFile(m_ack))
        return;
    if (m_pending.empty()) {
        if (m_spool.size() > 0 && !m_spool.resize(0))
            return;
        m_spoolBytes = 0;
        m_deadBytes = 0;
        return;
    }
    // Synced before the rename: after a power loss the new name never stands for a file whose
    // blocks were not written yet.
    QFile rewrite(spoolPath() + QStringLiteral(".new"));
    if (!rewrite.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    rewrite.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    qint64 written = 0;
    for (const Entry& entry : m_pending) {
        if (rewrite.write(entry.payload + '\n') != entry.payload.size() + 1)
            return;
        written += entry.payload.size() + 1;
    }
    if (!rewrite.flush() || !syncFile(rewrite))
        return;
    rewrite.close();
    if (rewrite.error() != QFileDevice::NoError ||
        ::rename(QFile::encodeName(rewrite.fileName()).constData(),
                 QFile::encodeName(spoolPath()).constData()) != 0)
        return;
    syncFolder(m_folder);
    m_spool.close();
    if (!m_spool.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        m_error = QStringLiteral("cannot write %1: %2").arg(spoolPath(), m_spool.errorString());
    m_spoolBytes = written;
    m_deadBytes = 0;
}

}  // namespace velumo::fleet
