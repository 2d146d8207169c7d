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
                                               log, &m_context))
{
    // The thread holds the writer too: left behind at exit, it still has what it uses.
    m_thread = std::thread([writer = m_writer] { writer->run(); });
}

Journal::~Journal()
{
    if (m_writer->stop(kExitWrite, kExitWait)) {
        m_thread.join();
    } else {
        const qint64 unwritten = m_writer->leave();
        m_thread.detach();
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
    m_writer->append(std::move(record), m_clock.now());
}

void Journal::seal(std::function<void(bool ok, QString text)> done)
{
    m_writer->seal(std::move(done), m_clock.now());
}

QJsonObject Journal::status() const
{
    return m_writer->status();
}

bool Journal::flush(int timeoutMs)
{
    return m_writer->flush(timeoutMs);
}

QString Journal::folder() const
{
    return m_writer->folder();
}

}  // namespace velumo::asrun
