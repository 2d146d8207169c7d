#include "eventspool.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace velumo::fleet {

EventSpool::EventSpool(QString folder, qint64 limitBytes)
    : m_folder(std::move(folder)), m_limitBytes(limitBytes)
{
}

QString EventSpool::spoolPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("fleet.spool"));
}

QString EventSpool::ackPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("fleet.spool.ack"));
}

QString EventSpool::open()
{
    m_ack.setFileName(ackPath());
    if (m_ack.open(QIODevice::ReadOnly)) {
        m_ackedUpTo = m_ack.read(64).trimmed().toULongLong();
        m_ack.close();
    }
    m_nextSeq = m_ackedUpTo + 1;
    m_spool.setFileName(spoolPath());
    if (m_spool.open(QIODevice::ReadOnly)) {
        // Lines one at a time: the spool may be as large as the bound.
        while (!m_spool.atEnd()) {
            const QByteArray line = m_spool.readLine();
            // A line cut short is no message (it cannot be one that was handed over whole).
            if (!line.endsWith('\n'))
                break;
            const quint64 seq = QJsonDocument::fromJson(line).object().value(u"seq").toInteger();
            if (seq == 0)
                continue;
            m_nextSeq = qMax(m_nextSeq, seq + 1);
            if (seq <= m_ackedUpTo) {
                m_deadBytes += line.size();
                continue;
            }
            m_pending.push_back({seq, line.chopped(1)});
            m_pendingBytes += line.size();
        }
        m_spool.close();
    }
    if (!m_spool.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("cannot write %1: %2").arg(spoolPath(), m_spool.errorString());
        return m_error;
    }
    m_spool.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!m_ack.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("cannot write %1: %2").arg(ackPath(), m_ack.errorString());
        return m_error;
    }
    if (m_pending.empty())
        compact();
    return {};
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
    if (m_spool.write(line) != line.size()) {
        m_error = QStringLiteral("cannot write %1: %2").arg(spoolPath(), m_spool.errorString());
        ++m_refused;
        return std::nullopt;
    }
    m_error.clear();
    ++m_nextSeq;
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
    if (!writeAck())
        return;
    if (m_pending.empty()) {
        if (m_spool.size() > 0 && !m_spool.resize(0))
            return;
        m_deadBytes = 0;
        return;
    }
    // A rename over the old file, without QSaveFile's sync: this runs on the user-interface
    // thread, and what a killed program leaves in the page cache is kept all the same.
    QFile rewrite(spoolPath() + QStringLiteral(".new"));
    if (!rewrite.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    rewrite.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const Entry& entry : m_pending)
        if (rewrite.write(entry.payload + '\n') != entry.payload.size() + 1)
            return;
    rewrite.close();
    if (rewrite.error() != QFileDevice::NoError ||
        ::rename(QFile::encodeName(rewrite.fileName()).constData(),
                 QFile::encodeName(spoolPath()).constData()) != 0)
        return;
    m_spool.close();
    m_spool.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    m_deadBytes = 0;
}

}  // namespace velumo::fleet
