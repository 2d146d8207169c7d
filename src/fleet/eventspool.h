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
// operating system was handed.
//
// The sequence numbers go on after a restart and never repeat, a power loss included:
// fleet.spool.next holds, synced, the highest number reserved so far and the boot it was
// reserved in. Numbers are reserved in blocks before use; a restart within the same boot goes on
// from what the files show (the page cache kept every write), one after a new boot from the
// reservation, since the last writes before a power loss may be gone.
//
// A line cut short (a short write on a full disk, a power loss) is cut away, at open and at once
// after the write, so the next line never joins it.
//
// The spool is bounded: past kLimitBytes of unacknowledged messages a new event is refused
// (and counted), and past kAlarmFill of that the spool says it is nearly full.
class EventSpool {
public:
    struct Entry {
        quint64 seq = 0;
        QByteArray payload;
    };

    // bootId: this boot's id (the kernel's by default).
    explicit EventSpool(QString folder, qint64 limitBytes = kLimitBytes,
                        QByteArray bootId = currentBootId());

    // Reads what an earlier run left; an empty text when the spool is usable.
    QString open();
    // Writes the message that make() builds for the next sequence number; that number, or
    // nothing when the spool is full or cannot be written (error() says why).
    std::optional<quint64> append(const std::function<QByteArray(quint64 seq)>& make);
    // The broker has taken this message; what is acknowledged in order leaves the spool.
    void acknowledge(quint64 seq);
    // Whether the broker has taken this message (in order or ahead of the head).
    bool acknowledged(quint64 seq) const;

    const std::deque<Entry>& pending() const { return m_pending; }
    qint64 pendingBytes() const { return m_pendingBytes; }
    double fill() const { return double(m_pendingBytes) / double(m_limitBytes); }
    bool nearlyFull() const { return fill() >= kAlarmFill; }
    quint64 refused() const { return m_refused; }
    quint64 lastSeq() const { return m_nextSeq - 1; }
    QString error() const { return m_error; }

    QString spoolPath() const;
    QString ackPath() const;
    QString nextPath() const;

    static QByteArray currentBootId();

    static constexpr qint64 kLimitBytes = 64 * 1024 * 1024;
    static constexpr double kAlarmFill = 0.8;
    // A spool whose acknowledged head outgrows this is rewritten with what is left, while that
    // is small enough to write at once.
    static constexpr qint64 kCompactDeadBytes = 1024 * 1024;
    static constexpr qint64 kCompactLiveBytes = 256 * 1024;
    static constexpr qint64 kAckWriteMs = 200;
    // Numbers reserved with one synced write.
    static constexpr quint64 kReserveBlock = 1024;

private:
    bool writeAck();
    bool reserve(quint64 seq);
    bool cutBack();
    void compact();

    QString m_folder;
    qint64 m_limitBytes;
    QByteArray m_bootId;
    QFile m_spool;
    QFile m_ack;
    QFile m_next;
    qint64 m_spoolBytes = 0;  // the whole lines in fleet.spool
    bool m_torn = false;      // a write was cut short and its part is still there
    quint64 m_reservedUpTo = 0;
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
