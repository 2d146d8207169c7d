#include "screeninhibitor.h"

#include <QPointer>

#include "base/eventlog.h"

namespace velumo {

ScreenInhibitor::ScreenInhibitor(std::vector<std::unique_ptr<ScreenHold>> ways, EventLog* log,
                                 QObject* parent)
    : QObject(parent), m_ways(std::move(ways)), m_log(log)
{
    probeNext();
}

ScreenInhibitor::~ScreenInhibitor()
{
    releaseAtExit();
}

void ScreenInhibitor::probeNext()
{
    if (m_chosen >= m_ways.size()) {
        m_decided = true;
        apply();
        return;
    }
    QPointer<ScreenInhibitor> self(this);
    m_ways[m_chosen]->probe([self](bool offered) {
        if (!self || self->m_decided)
            return;
        if (offered) {
            self->m_decided = true;
            self->apply();
            return;
        }
        ++self->m_chosen;
        self->probeNext();
    });
}

QString ScreenInhibitor::way() const
{
    if (!m_decided)
        return QString();
    return m_chosen < m_ways.size() ? m_ways[m_chosen]->kind() : QStringLiteral("none");
}

void ScreenInhibitor::setOnAir(bool onAir)
{
    m_wanted = onAir;
    apply();
}

void ScreenInhibitor::log(const QString& text)
{
    if (m_log)
        m_log->write(QStringLiteral("screen"), text);
}

void ScreenInhibitor::apply()
{
    if (!m_decided || m_wanted == m_asked || m_chosen >= m_ways.size())
        return;
    ScreenHold& hold = *m_ways[m_chosen];
    m_asked = m_wanted;
    const quint64 number = ++m_holdNumber;
    QPointer<ScreenInhibitor> self(this);
    if (m_asked) {
        hold.hold([self, number](const QString& failure) {
            if (self && self->m_asked && number == self->m_holdNumber)
                self->holdAnswered(failure);
        });
        return;
    }
    m_held = false;
    log(QStringLiteral("released (%1)").arg(hold.kind()));
    hold.release([self, kind = hold.kind()](const QString& failure) {
        if (!self || failure.isEmpty())
            return;
        self->m_error = failure;
        self->log(QStringLiteral("not released (%1): %2").arg(kind, failure));
    });
}

void ScreenInhibitor::holdAnswered(const QString& failure)
{
    const QString kind = m_ways[m_chosen]->kind();
    m_held = failure.isEmpty();
    m_error = failure;
    log(m_held ? QStringLiteral("held (%1)").arg(kind)
               : QStringLiteral("not held (%1): %2").arg(kind, failure));
}

void ScreenInhibitor::releaseAtExit()
{
    m_wanted = false;
    if (!m_asked || m_chosen >= m_ways.size())
        return;
    m_asked = false;
    m_held = false;
    ++m_holdNumber;
    ScreenHold& hold = *m_ways[m_chosen];
    const QString failure = hold.releaseNow();
    m_error = failure;
    log(failure.isEmpty() ? QStringLiteral("released (%1)").arg(hold.kind())
                          : QStringLiteral("not released (%1): %2").arg(hold.kind(), failure));
}

QJsonObject ScreenInhibitor::status() const
{
    QJsonObject object{{QStringLiteral("inhibit"), way()}, {QStringLiteral("held"), m_held}};
    if (!m_error.isEmpty())
        object.insert(QStringLiteral("error"), m_error);
    return object;
}

}  // namespace velumo
