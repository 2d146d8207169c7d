#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <set>

namespace velumo::fleet {

// The events on their way to the broker, on disk in the program folder until the broker has
// acknowledged them: fleet.spool holds one message a line in the order of their sequence
// numbers, fleet.spool.ack the number up to which every one is acknowledged. A line is written
// with one unbuffered write before its event is sent, so a killed program loses nothing the
// operating system was handed; the sequence numbers go on after a restart and never repeat.
//
// The spool is bounded: past kLimitBytes of unacknowledged messages a new event is refused
// (and counted), and past kAlarmFill of that the spool says it is nearly full.
class EventSpool {
public:
    struct Entry {
        quint64 seq = 0;
        QByteArray payload;
    };

    explicit EventSpool(QString folder, qint64 limitBytes = kLimitBytes);

    // Reads what an earlier run left; an empty text when the spool is usable.
    QString open();
    // Writes the message that make() builds for the next sequence number; that number, or
    // nothing when the spool is full or cannot be written (error() says why).
    std::optional<quint64> append(const std::function<QByteArray(quint64 seq)>& make);
    // The broker has taken this message; what is acknowledged in order leaves the spool.
    void acknowledge(quint64 seq);

    const std::deque<Entry>& pending() const { return m_pending; }
    qint64 pendingBytes() const { return m_pendingBytes; }
    double fill() const { return double(m_pendingBytes) / double(m_limitBytes); }
    bool nearlyFull() const { return fill() >= kAlarmFill; }
    quint64 refused() const { return m_refused; }
    quint64 lastSeq() const { return m_nextSeq - 1; }
    QString error() const { return m_error; }

    QString spoolPath() const;
    QString ackPath() const;

    static constexpr qint64 kLimitBytes = 64 * 1024 * 1024;
    static constexpr double kAlarmFill = 0.8;
    // A spool whose acknowledged head outgrows this is rewritten with what is left, while that
    // is small enough to write at once.
    static constexpr qint64 kCompactDeadBytes = 1024 * 1024;
    static constexpr qint64 kCompactLiveBytes = 256 * 1024;
    static constexpr qint64 kAckWriteMs = 200;

private:
    bool writeAck();
    void compact();

    QString m_folder;
    qint64 m_limitBytes;
    QFile m_spool;
    QFile m_ack;
    std::deque<Entry> m_pending;
    std::set<quint64> m_acked;  // out of order, beyond the head
    qint64 m_pendingBytes = 0;
    qint64 m_deadBytes = 0;
    quint64 m_ackedUpTo = 0;
    quint64 m_nextSeq = 1;
    quint64 m_refused = 0;
    QString m_error;
    QElapsedTimer m_ackWritten;
};

}  // namespace velumo::fleet
