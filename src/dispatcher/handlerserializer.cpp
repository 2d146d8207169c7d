#include "handlerserializer.h"

#include "base/eventlog.h"
#include "base/guard.h"

namespace velumo {

HandlerSerializer::HandlerSerializer(Notifier& notifier, EventLog* log)
    : m_notifier(notifier), m_log(log)
{
}

void HandlerSerializer::run(const QString& name, std::function<void()> body)
{
    if (m_busy) {
        for (const Pending& pending : m_waiting)
            if (pending.name == name)
                return;
        if (m_log)
            m_log->write(QStringLiteral("dispatcher"),
                         name + QStringLiteral(" waits for the running handler"));
        m_waiting.push_back({name, std::move(body)});
        return;
    }
    m_busy = true;
    guarded(m_notifier, body);
    while (!m_waiting.empty()) {
        const Pending next = std::move(m_waiting.front());
        m_waiting.pop_front();
        guarded(m_notifier, next.body);
    }
    m_busy = false;
}

}  // namespace velumo
