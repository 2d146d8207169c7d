#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include "alerts/capalert.h"
#include "alerts/capreader.h"

namespace velumo {
class Clock;
class EventLog;
class Worker;
}  // namespace velumo

namespace velumo::alerts {

class AlertBoard;

// What the station did with one document it received: offered to the board (accepted, `text`
// says what came of it) or refused (`text` is the first fault). Every receipt is one "alert"
// line of velumo.log.
struct AlertReceipt {
    QDateTime at;
    QString source;
    AlertKey key;  // empty when the document did not say
    bool accepted = false;
    QString text;
};

// Where every source hands its documents: they are read on the worker (readCap), logged and
// offered to the board on the user-interface thread.
class AlertIntake final : public QObject {
    Q_OBJECT
public:
    // The references must outlive the intake.
    AlertIntake(AlertBoard& board, Worker& worker, CapTrust trust, const Clock& clock,
                EventLog* log = nullptr, QObject* parent = nullptr);

    // A whole document from a source that pushes them (the fleet link, a test). An index is
    // refused here: only a feed follows links.
    void take(QByteArray document, QString source);
    // A document a source read on a worker itself (the feeds, the drop folder).
    void accept(const CapReading& reading, const QString& source);

    const CapTrust& trust() const { return m_trust; }
    void setTrust(CapTrust trust) { m_trust = std::move(trust); }

signals:
    void received(const velumo::alerts::AlertReceipt& receipt);

private:
    AlertBoard& m_board;
    Worker& m_worker;
    CapTrust m_trust;
    const Clock& m_clock;
    EventLog* m_log;
};

}  // namespace velumo::alerts
