#include "commandreply.h"

#include "eventlog.h"
#include "guard.h"

namespace velumo {

CommandReply::CommandReply(Notifier& notifier, EventLog* log, Answer answer, Caller caller)
    : m_notifier(notifier), m_log(log), m_answer(std::move(answer)), m_caller(caller)
{
}

void CommandReply::done(const QString& text)
{
    if (m_finished)
        return;
    if (!m_account->texts.isEmpty())
        answer(2, m_account->texts.join(QStringLiteral(" | ")));
    else
        answer(0, text);
}

void CommandReply::fail(const QString& text)
{
    if (m_finished)
        return;
    if (m_caller == Caller::Button)
        m_notifier.errorReport(text);
    else if (m_log)
        m_log->write(QStringLiteral("error"), text);
    answer(2, text);
}

void CommandReply::answer(int code, const QString& text)
{
    m_finished = true;
    // The answer is sent once; whoever waits for it must not be called again.
    const Answer answer = std::move(m_answer);
    m_answer = nullptr;
    if (answer)
        answer(code, text);
}

bool CommandReply::run(const std::function<void()>& part)
{
    // Everything a command does is caught here: running out of memory in one command leaves the
    // channel and the program as they were.
    try {
        if (m_caller == Caller::Button) {
            part();
        } else {
            Notifier::Charge charge(m_notifier, m_account);
            part();
        }
        return true;
    } catch (...) {
        const QString text = currentExceptionText();
        try {
            fail(text);
        } catch (...) {
            m_finished = true;
        }
        return false;
    }
}

}  // namespace velumo
