#include "notifier.h"

#include "eventlog.h"
#include "failurefeed.h"
#include "failuretext.h"

namespace velumo {

Notifier::Notifier(EventLog* log) : m_log(log) {}

Notifier::~Notifier() = default;

Notifier::Capture::Capture(Notifier& notifier)
    : Capture(notifier, std::make_shared<Account>(), false)
{
}

Notifier::Capture::Capture(Notifier& notifier, std::shared_ptr<Account> account, bool alone)
    : m_notifier(notifier),
      m_outer(notifier.m_capture),
      m_account(std::move(account)),
      m_alone(alone)
{
    notifier.m_capture = this;
}

Notifier::Capture::~Capture()
{
    m_notifier.m_capture = m_outer;
}

Notifier::Charge::Charge(Notifier& notifier, std::shared_ptr<Account> account)
    : m_scope(notifier, std::move(account), true)
{
}

std::shared_ptr<Notifier::Account> Notifier::currentAccount() const
{
    return m_capture ? m_capture->m_account : nullptr;
}

void Notifier::collect(const QString& text)
{
    for (Capture* c = m_capture; c; c = c->m_outer) {
        if (c->m_account)
            c->m_account->texts.append(text);
        if (c->m_alone)
            break;
    }
}

void Notifier::message(const QString& text, const QString& title)
{
    if (m_log)
        m_log->write(QStringLiteral("message"), text);
    collect(text);
    const Origin origin = Origin::current();
    if (m_feed && origin.isUnattended()) {
        m_feed->add(origin.source(), text);
        return;
    }
    showMessage(title, text, false);
}

void Notifier::errorReport(const QString& text)
{
    errorReport(text, Origin::current());
}

void Notifier::errorReport(const QString& text, const Origin& origin)
{
    if (m_feed && origin.isUnattended()) {
        if (m_log)
            m_log->write(QStringLiteral("error"), failuretext::logLine(text));
        collect(text);
        m_feed->add(origin.source(), failuretext::plain(text));
        return;
    }
    if (m_log)
        m_log->write(QStringLiteral("error"), text);
    collect(text);
    showMessage(QString(), text, true);
}

void Notifier::unattendedFailure(const QString& source, const QString& technical)
{
    if (m_feed)
        m_feed->add(source, failuretext::plain(technical));
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
