#include "notifier.h"

#include "eventlog.h"

namespace velumo {

Notifier::Notifier(EventLog* log) : m_log(log) {}

Notifier::~Notifier() = default;

Notifier::Capture::Capture(Notifier& notifier) : m_notifier(notifier), m_outer(notifier.m_capture)
{
    notifier.m_capture = this;
}

Notifier::Capture::~Capture()
{
    m_notifier.m_capture = m_outer;
}

void Notifier::collect(const QString& text)
{
    for (Capture* c = m_capture; c; c = c->m_outer)
        c->m_texts.append(text);
}

void Notifier::message(const QString& text, const QString& title)
{
    if (m_log)
        m_log->write(QStringLiteral("message"), text);
    collect(text);
    showMessage(title, text, false);
}

void Notifier::errorReport(const QString& text)
{
    errorReport(text, Origin::current());
}

void Notifier::errorReport(const QString& text, const Origin& origin)
{
    Q_UNUSED(origin);  // every failure is shown alike for now
    if (m_log)
        m_log->write(QStringLiteral("error"), text);
    collect(text);
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
