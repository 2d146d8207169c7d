#include "alertintake.h"

#include "alerts/alertboard.h"
#include "base/clock.h"
#include "base/eventlog.h"
#include "base/worker.h"

namespace velumo::alerts {

AlertIntake::AlertIntake(AlertBoard& board, Worker& worker, CapTrust trust, const Clock& clock,
                         EventLog* log, QObject* parent)
    : QObject(parent),
      m_board(board),
      m_worker(worker),
      m_trust(std::move(trust)),
      m_clock(clock),
      m_log(log)
{
}

void AlertIntake::take(QByteArray document, QString source)
{
    m_worker.run(
        this,
        [document = std::move(document), trust = m_trust](const auto&) {
            CapReading reading = readCap(document, trust);
            if (reading.kind == CapReading::Kind::Index) {
                reading.kind = CapReading::Kind::Refused;
                reading.fault = QStringLiteral("an index of alerts is followed only from a feed");
            }
            return reading;
        },
        [this, source](const JobResult<CapReading>& result) {
            if (result.ok())
                accept(*result.value, source);
            else
                accept({CapReading::Kind::Refused, {}, {}, result.error, {}}, source);
        });
}

void AlertIntake::accept(const CapReading& reading, const QString& source)
{
    AlertReceipt receipt{m_clock.now(), source, reading.alert.key(), false, reading.fault};
    if (reading.kind == CapReading::Kind::Alert) {
        receipt.accepted = true;
        const QString signer = reading.signature.state == SignatureCheck::State::Valid
                                   ? reading.signature.detail
                                   : QString();
        receipt.text = m_board.offer(reading.alert, source, signer);
    }
    if (reading.kind != CapReading::Kind::Index && m_log) {
        AlertEvent event;
        event.what = receipt.accepted ? AlertEvent::What::Received : AlertEvent::What::Refused;
        event.identifier = receipt.key.identifier;
        event.sender = receipt.key.sender;
        event.source = source;
        event.text = receipt.text;
        m_log->post(
            std::move(event),
            QStringLiteral("%1 from %2%3: %4")
                .arg(receipt.accepted ? QStringLiteral("received") : QStringLiteral("refused"),
                     source, receipt.key.isEmpty() ? QString() : u' ' + receipt.key.text(),
                     receipt.text));
    }
    emit received(receipt);
}

}  // namespace velumo::alerts
