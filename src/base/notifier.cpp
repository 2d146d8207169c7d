#include "notifier.h"

#include "eventlog.h"

namespace velumo {

Notifier::Notifier(EventLog* log) : m_log(log) {}

Notifier::~Notifier() = default;

void Notifier::message(const QString& text, const QString& title)
{
    if (m_log)
        m_log->write(QStringLiteral("message"), text);
    showMessage(title, text, false);
}

void Notifier::errorReport(const QString& text)
{
    if (m_log)
        m_log->write(QStringLiteral("error"), text);
    showMessage(QString(), text, true);
}

bool Notifier::confirm(const QString& title, const QString& text)
{
    if (m_log)
        m_log->write(QStringLiteral("message"), text);
    return showQuestion(title, text, false);
}

bool Notifier::askYesNo(const QString& title, const QString& text)
{
    if (m_log)
        m_log->write(QStringLiteral("message"), text);
    return showQuestion(title, text, true);
}

}  // namespace velumo
