#include "journal.h"

#include <QCoreApplication>

#include "asrun/journalwriter.h"
#include "base/clock.h"
#include "base/eventlog.h"

namespace velumo::asrun {

Journal::Journal(QString programFolder, JournalOptions options, const Clock& clock, EventLog* log)
    : m_clock(clock),
      m_log(log),
      m_writer(std::make_shared<JournalWriter>(std::move(programFolder), std::move(options), clock,
                                               log, &m_context)),
      m_worker(QStringLiteral("asrun journal"), JournalWriter::kBeat,
               [writer = m_writer](const JournalWriter::Job& job) { writer->beat(job); })
{
    m_worker.run([writer = m_writer](const JournalWriter::Job&) { writer->recover(); });
}

Journal::~Journal()
{
    m_writer->exitBy(std::chrono::steady_clock::now() + kExitWrite);
    m_worker.run([writer = m_writer](const JournalWriter::Job&) { writer->exit(); });
    if (!m_worker.drain(kExitWait)) {
        const qint64 unwritten = m_writer->leave();
        if (m_log)
            m_log->write(QStringLiteral("error"),
                         QStringLiteral("Журнал показов: запись на диск не закончилась за %1 с, "
                                        "программа завершается без неё; не записано записей: %2")
                             .arg(kExitWait.count() / 1000)
                             .arg(unwritten));
    }
    // The writer's last log lines and answers, delivered before their context goes.
    QCoreApplication::sendPostedEvents(&m_context);
}

void Journal::append(QJsonObject record)
{
    for (JournalWriter::Item& item : m_writer->admit(std::move(record), m_clock.now()))
        m_worker.run([writer = m_writer, item = std::move(item)](const JournalWriter::Job& job) {
            writer->write(item, job);
        });
}

void Journal::seal(std::function<void(bool ok, QString text)> done)
{
    if (auto item = m_writer->admitSeal(std::move(done), m_clock.now()))
        m_worker.run([writer = m_writer, item = std::move(*item)](const JournalWriter::Job& job) {
            writer->write(item, job);
        });
}

QJsonObject Journal::status() const
{
    return m_writer->status();
}

bool Journal::flush(int timeoutMs)
{
    return m_worker.waitForIdle(std::chrono::milliseconds(timeoutMs));
}

QString Journal::folder() const
{
    return m_writer->folder();
}

}  // namespace velumo::asrun
