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

void ScreenInhibitor::apply()
{
    if (!m_decided || m_wanted == m_held)
        return;
    if (m_chosen >= m_ways.size()) {
        m_held = false;
        return;
    }
    ScreenHold& hold = *m_ways[m_chosen];
    m_held = m_wanted;
    if (m_held)
        hold.hold();
    else
        hold.release();
    if (m_log)
        m_log->write(QStringLiteral("screen"),
                     (m_held ? QStringLiteral("held (%1)") : QStringLiteral("released (%1)"))
                         .arg(hold.kind()));
}

void ScreenInhibitor::releaseAtExit()
{
    m_wanted = false;
    if (!m_held || m_chosen >= m_ways.size())
        return;
    m_held = false;
    m_ways[m_chosen]->releaseNow();
    if (m_log)
        m_log->write(QStringLiteral("screen"),
                     QStringLiteral("released (%1)").arg(m_ways[m_chosen]->kind()));
}

QJsonObject ScreenInhibitor::status() const
{
    return QJsonObject{{QStringLiteral("inhibit"), way()}, {QStringLiteral("held"), m_held}};
}

}  // namespace velumo
