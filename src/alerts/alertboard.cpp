#include "alertboard.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <algorithm>

#include "base/clock.h"
#include "base/clockstepwatch.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/timer.h"

namespace velumo::alerts {

namespace {

QString displayName(Display display)
{
    return display == Display::Band ? QStringLiteral("полоса") : QStringLiteral("строка");
}

QString displayWord(Display display)
{
    return display == Display::Band ? QStringLiteral("band") : QStringLiteral("strip");
}

}  // namespace

QString reasonName(AlertChange::Reason reason)
{
    switch (reason) {
        case AlertChange::Reason::None:
            break;
        case AlertChange::Reason::Expired:
            return QStringLiteral("expired");
        case AlertChange::Reason::Cancelled:
            return QStringLiteral("cancelled");
        case AlertChange::Reason::Replaced:
            return QStringLiteral("replaced");
        case AlertChange::Reason::Operator:
            return QStringLiteral("operator");
        case AlertChange::Reason::Settings:
            return QStringLiteral("settings");
    }
    return {};
}

AlertEvent alertEvent(const AlertChange& change)
{
    const OnAirAlert& a = change.alert;
    AlertEvent event;
    event.what =
        change.kind == AlertChange::Kind::On ? AlertEvent::What::On : AlertEvent::What::Off;
    event.identifier = a.key.identifier;
    event.sender = a.key.sender;
    event.source = a.source;
    event.sent = a.sent;
    event.severity = name(a.info.severity);
    event.urgency = name(a.info.urgency);
    event.display = displayWord(a.display);
    event.headline = a.info.headline.isEmpty() ? a.info.event : a.info.headline;
    event.mark = a.mark;
    event.since = a.since;
    event.until = a.until;
    if (change.kind == AlertChange::Kind::Off) {
        event.reason = reasonName(change.reason);
        event.note = change.note;
    }
    return event;
}

AlertBoard::AlertBoard(AlertsConfig config, const Clock& clock, TimerFactory& timers, EventLog* log,
                       QObject* parent)
    : QObject(parent),
      m_config(std::move(config)),
      m_clock(clock),
      m_log(log),
      m_timer(timers.create(QStringLiteral("alerts"), true))
{
    m_timer->setHandler([this] { reconsider(); });
    if (QCoreApplication::instance()) {
        m_clockSteps = std::make_unique<ClockStepWatch>();
        connectGuarded(m_clockSteps.get(), &ClockStepWatch::stepped, this,
                       Origin::unattended(QStringLiteral("alerts")), [this] { reconsider(); });
    }
}

AlertBoard::~AlertBoard() = default;

QString AlertBoard::offer(const CapAlert& alert, const QString& source, const QString& signer)
{
    return take(alert, source, signer, false);
}

QString AlertBoard::offerTest(const CapAlert& alert, const QString& source)
{
    return take(alert, source, QString(), true);
}

Selection AlertBoard::judge(const CapAlert& alert, bool ownTest, const QDateTime& now) const
{
    if (!ownTest)
        return select(alert, m_config, now);
    AlertsConfig config = m_config;
    config.showTests = true;
    return select(alert, config, now);
}

QString AlertBoard::take(const CapAlert& alert, const QString& source, const QString& signer,
                         bool ownTest)
{
    forgetOld();
    const AlertKey key = alert.key();
    const QDateTime now = m_clock.now();
    Known& known = m_known[key];
    if (!known.source.isEmpty())
        return QStringLiteral("уже получено (%1)").arg(known.source);
    known.source = source;
    if (known.ended)
        return QStringLiteral("не показано: %1 сообщением %2 ещё до получения")
            .arg(known.reason == AlertChange::Reason::Cancelled ? QStringLiteral("отменено")
                                                                : QStringLiteral("заменено"),
                 known.by);
    known.at = now;
    QStringList done;
    if (alert.msgType == MsgType::Update || alert.msgType == MsgType::Cancel) {
        const bool update = alert.msgType == MsgType::Update;
        for (const CapReference& reference : alert.references) {
            if (reference.key.sender != alert.sender) {
                done << QStringLiteral("ссылка на сообщение другого отправителя %1 не исполнена")
                            .arg(reference.key.text());
                continue;
            }
            // What replaced the message named stands in its place now.
            AlertKey target = reference.key;
            for (int hops = 0; hops < 100; ++hops) {
                const auto it = m_known.constFind(target);
                if (it == m_known.cend() || it->successor.isEmpty() || it->successor == key)
                    break;
                target = it->successor;
            }
            if (target == key)
                continue;
            if (find(target) != m_held.end())
                done << (update ? QStringLiteral("заменяет %1") : QStringLiteral("отменяет %1"))
                            .arg(target.text());
            end(target, update ? AlertChange::Reason::Replaced : AlertChange::Reason::Cancelled,
                key.text(), update ? key : AlertKey{});
        }
    }
    const Selection selection = judge(alert, ownTest, now);
    if (selection.verdict == Selection::Verdict::NotShown) {
        m_known[key].ended = true;  // `known` may have moved: end() adds to the table
        done << QStringLiteral("не показано: ") + selection.reason;
    } else {
        Held& held = m_held.emplace_back();
        held.alert = alert;
        held.source = source;
        held.signer = signer;
        held.ownTest = ownTest;
        if (selection.verdict == Selection::Verdict::Show) {
            comeOn(held, selection);
            done << QStringLiteral("в эфире: ") + displayName(selection.display);
        } else {
            held.next = selection.from;
            done << QStringLiteral("в эфире будет с ") + momentText(selection.from);
        }
    }
    arm();
    flush();
    return done.join(QStringLiteral("; "));
}

bool AlertBoard::takeOff(const AlertKey& key, const QString& reason)
{
    if (find(key) == m_held.end())
        return false;
    end(key, AlertChange::Reason::Operator, reason);
    arm();
    flush();
    return true;
}

QList<OnAirAlert> AlertBoard::onAir() const
{
    QList<OnAirAlert> list;
    for (const Held& held : m_held)
        if (held.onAir)
            list.append(held.shown);
    std::stable_sort(list.begin(), list.end(), [](const OnAirAlert& a, const OnAirAlert& b) {
        const int order = comparePressing(a.info, b.info);
        return order != 0 ? order < 0 : a.sent > b.sent;
    });
    return list;
}

int AlertBoard::waiting() const
{
    return int(std::count_if(m_held.begin(), m_held.end(), [](const Held& h) { return !h.onAir; }));
}

QJsonObject AlertBoard::status() const
{
    const auto moment = [](const QDateTime& at) {
        return at.isValid()
                   ? QJsonValue(at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs))
                   : QJsonValue(QJsonValue::Null);
    };
    QJsonArray list;
    for (const OnAirAlert& a : onAir())
        list.append(QJsonObject{{QStringLiteral("id"), a.key.text()},
                                {QStringLiteral("severity"), name(a.info.severity)},
                                {QStringLiteral("urgency"), name(a.info.urgency)},
                                {QStringLiteral("display"), displayWord(a.display)},
                                {QStringLiteral("headline"),
                                 a.info.headline.isEmpty() ? a.info.event : a.info.headline},
                                {QStringLiteral("mark"), a.mark},
                                {QStringLiteral("source"), a.source},
                                {QStringLiteral("since"), moment(a.since)},
                                {QStringLiteral("until"), moment(a.until)}});
    return {{QStringLiteral("on_air"), list}, {QStringLiteral("waiting"), waiting()}};
}

void AlertBoard::setConfig(AlertsConfig config)
{
    m_config = std::move(config);
    reconsider(AlertChange::Reason::Settings);
}

void AlertBoard::reconsider()
{
    reconsider(AlertChange::Reason::Expired);
}

void AlertBoard::reconsider(AlertChange::Reason goneReason)
{
    const QDateTime now = m_clock.now();
    for (auto it = m_held.begin(); it != m_held.end();) {
        const Selection selection = judge(it->alert, it->ownTest, now);
        if (selection.verdict == Selection::Verdict::Show) {
            if (!it->onAir || it->info != selection.info) {
                if (it->onAir)
                    goOff(*it, goneReason);
                comeOn(*it, selection);
            }
            it->next = selection.until;
            ++it;
        } else if (selection.verdict == Selection::Verdict::Later) {
            // A step of the clock back before its moment: off until the moment comes again.
            if (it->onAir)
                goOff(*it, goneReason);
            it->next = selection.from;
            ++it;
        } else {
            if (it->onAir)
                goOff(*it, goneReason);
            Known& known = m_known[it->alert.key()];
            known.ended = true;
            known.reason = goneReason;
            known.at = now;
            it = m_held.erase(it);
        }
    }
    arm();
    flush();
}

void AlertBoard::end(const AlertKey& key, AlertChange::Reason reason, const QString& note,
                     const AlertKey& successor)
{
    Known& known = m_known[key];
    known.ended = true;
    known.reason = reason;
    known.successor = successor;
    known.by = note;
    known.at = m_clock.now();
    const auto it = find(key);
    if (it == m_held.end())
        return;
    if (it->onAir)
        goOff(*it, reason, note);
    m_held.erase(it);
}

void AlertBoard::comeOn(Held& held, const Selection& selection)
{
    const CapAlert& alert = held.alert;
    held.onAir = true;
    held.info = selection.info;
    held.next = selection.until;
    held.shown = {alert.key(),
                  alert.sent,
                  alert.status,
                  alert.msgType,
                  held.source,
                  selection.display,
                  alert.infos[std::size_t(selection.info)],
                  selection.mark,
                  m_clock.now(),
                  selection.until,
                  held.signer};
    m_outbox.push_back(
        {AlertChange::Kind::On, AlertChange::Reason::None, held.shown, held.shown.since, {}});
}

void AlertBoard::goOff(Held& held, AlertChange::Reason reason, const QString& note)
{
    held.onAir = false;
    m_outbox.push_back({AlertChange::Kind::Off, reason, held.shown, m_clock.now(), note});
}

void AlertBoard::flush()
{
    std::vector<AlertChange> changes;
    changes.swap(m_outbox);
    for (const AlertChange& change : changes) {
        const OnAirAlert& a = change.alert;
        QString line;
        if (change.kind == AlertChange::Kind::On)
            line = QStringLiteral("on air (%1): %2 %3/%4 «%5»%6")
                       .arg(displayWord(a.display), a.key.text(), name(a.info.severity),
                            name(a.info.urgency),
                            a.info.headline.isEmpty() ? a.info.event : a.info.headline,
                            a.until.isValid() ? QStringLiteral(" until ") + momentText(a.until)
                                              : QString());
        else
            line = QStringLiteral("off air (%1%2): %3")
                       .arg(reasonName(change.reason),
                            change.note.isEmpty() ? QString() : QStringLiteral(": ") + change.note,
                            a.key.text());
        if (m_log)
            m_log->post(alertEvent(change), line);
        emit changed(change);
    }
}

std::vector<AlertBoard::Held>::iterator AlertBoard::find(const AlertKey& key)
{
    return std::find_if(m_held.begin(), m_held.end(),
                        [&](const Held& held) { return held.alert.key() == key; });
}

void AlertBoard::arm()
{
    if (m_held.empty()) {
        m_timer->stop();
        return;
    }
    const QDateTime now = m_clock.now();
    qint64 waitMs = kMaxWaitMs;
    for (const Held& held : m_held)
        if (held.next.isValid())
            waitMs = std::min(waitMs, std::max<qint64>(0, now.msecsTo(held.next)));
    m_timer->setInterval(waitMs);
    m_timer->start();
}

void AlertBoard::forgetOld()
{
    const QDateTime before = m_clock.now().addSecs(-kRememberS);
    for (auto it = m_known.begin(); it != m_known.end();)
        if (it->at.isValid() && it->at < before && find(it.key()) == m_held.end())
            it = m_known.erase(it);
        else
            ++it;
}

}  // namespace velumo::alerts
