#include "alertpresenter.h"

#include <QSet>
#include <algorithm>

#include "alerts/alertboard.h"
#include "alerts/alertscreen.h"
#include "base/clock.h"
#include "base/guard.h"
#include "base/timer.h"

namespace velumo::alerts {

namespace {

// One line for the strip: the document's line breaks and runs of blanks become one blank.
QString oneLine(const QString& text)
{
    return text.simplified();
}

QString marked(const OnAirAlert& alert, const QString& text)
{
    return alert.mark.isEmpty() ? text : alert.mark + QStringLiteral(". ") + text;
}

BandView bandView(const OnAirAlert& alert)
{
    return {alert.key,
            alert.info.severity,
            alert.info.event,
            alert.info.senderName.isEmpty() ? alert.key.sender : alert.info.senderName,
            alert.info.headline.isEmpty() ? alert.info.event : alert.info.headline,
            alert.info.instruction,
            alert.mark,
            alert.until};
}

}  // namespace

AlertPresenter::AlertPresenter(AlertBoard& board, AlertScreen& screen, TimerFactory& timers,
                               const Clock& clock, QObject* parent)
    : QObject(parent),
      m_board(board),
      m_screen(screen),
      m_clock(clock),
      m_repeat(timers.create(QStringLiteral("alerts repeat")))
{
    m_repeat->setHandler([this] { announceDue(); });
    connectGuarded(&board, &AlertBoard::changed, this, Origin::unattended(QStringLiteral("alerts")),
                   [this] { refresh(); });
}

AlertPresenter::~AlertPresenter() = default;

QString AlertPresenter::holdKey(const AlertKey& key)
{
    return QStringLiteral("alert hold ") + key.text();
}

QString AlertPresenter::announcementKey(const AlertKey& key)
{
    return QStringLiteral("alert ") + key.text();
}

QString AlertPresenter::holdText(const OnAirAlert& alert)
{
    const CapInfo& info = alert.info;
    const QString text = !info.description.trimmed().isEmpty() ? info.description
                         : !info.headline.trimmed().isEmpty()  ? info.headline
                                                               : info.event;
    return marked(alert, oneLine(text));
}

QString AlertPresenter::announcementText(const OnAirAlert& alert)
{
    const CapInfo& info = alert.info;
    QString text = oneLine(info.headline.isEmpty() ? info.event : info.headline);
    if (const QString description = oneLine(info.description); !description.isEmpty())
        text +=
            (text.endsWith(u'.') || text.isEmpty() ? QStringLiteral(" ") : QStringLiteral(". ")) +
            description;
    return marked(alert, text.trimmed());
}

void AlertPresenter::refresh()
{
    const QList<OnAirAlert> onAir = m_board.onAir();
    const OnAirAlert* band = nullptr;
    for (const OnAirAlert& alert : onAir)
        if (alert.display == Display::Band) {
            band = &alert;
            break;
        }

    if (band && (!m_bandShown || !(band->key == m_band))) {
        if (m_bandShown)
            m_screen.takeOffStrip(holdKey(m_band));
        // It waited in the strip behind another: it has the band now.
        if (m_strip.remove(band->key))
            m_screen.takeOffStrip(announcementKey(band->key));
        m_band = band->key;
        m_bandShown = true;
        // The tone first: a mute of the band waits for it.
        m_screen.attention();
        m_screen.showBand(bandView(*band));
        m_screen.holdStrip(holdKey(band->key), holdText(*band));
    } else if (!band && m_bandShown) {
        m_screen.takeOffStrip(holdKey(m_band));
        m_screen.hideBand();
        m_bandShown = false;
        m_band = {};
    }

    const QDateTime now = m_clock.now();
    const qint64 repeatS = qint64(m_board.config().repeatMin) * 60;
    QSet<AlertKey> inStrip;
    for (const OnAirAlert& alert : onAir) {
        if (band && alert.key == band->key)
            continue;
        inStrip.insert(alert.key);
        if (m_strip.contains(alert.key))
            continue;
        m_screen.announce(announcementKey(alert.key), announcementText(alert));
        m_strip.insert(alert.key, repeatS > 0 ? now.addSecs(repeatS) : QDateTime());
    }
    for (auto it = m_strip.begin(); it != m_strip.end();) {
        if (inStrip.contains(it.key())) {
            ++it;
            continue;
        }
        m_screen.takeOffStrip(announcementKey(it.key()));
        it = m_strip.erase(it);
    }
    arm();
}

void AlertPresenter::announceDue()
{
    const QDateTime now = m_clock.now();
    const qint64 repeatS = qint64(m_board.config().repeatMin) * 60;
    for (const OnAirAlert& alert : m_board.onAir()) {
        const auto it = m_strip.find(alert.key);
        if (it == m_strip.end() || !it->isValid() || *it > now)
            continue;
        m_screen.announce(announcementKey(alert.key), announcementText(alert));
        *it = repeatS > 0 ? now.addSecs(repeatS) : QDateTime();
    }
    arm();
}

void AlertPresenter::arm()
{
    QDateTime next;
    for (const QDateTime& at : std::as_const(m_strip))
        if (at.isValid() && (!next.isValid() || at < next))
            next = at;
    if (!next.isValid()) {
        m_repeat->stop();
        return;
    }
    m_repeat->setInterval(std::max<qint64>(0, m_clock.now().msecsTo(next)));
    m_repeat->start();
}

QRect bandPlace(const QRect& screen, const QRect& strip, int heightPx)
{
    const int height = std::clamp(heightPx, 1, int(screen.height() * kMaxBandShare));
    const bool stripLow = strip.isValid() && strip.center().y() >= screen.center().y();
    const int top = stripLow || !strip.isValid() ? screen.top() : screen.bottom() + 1 - height;
    return {screen.left(), top, screen.width(), height};
}

CapAlert stationTestAlert(const QDateTime& now, const QString& station, int seconds)
{
    CapAlert alert;
    alert.version = QStringLiteral("1.2");
    alert.identifier = QStringLiteral("test-") + QString::number(now.toMSecsSinceEpoch());
    alert.sender =
        QStringLiteral("velumo@") + (station.isEmpty() ? QStringLiteral("station") : station);
    alert.sent = now;
    alert.status = Status::Test;
    alert.msgType = MsgType::Alert;
    alert.scope = Scope::Public;
    CapInfo info;
    info.language = QStringLiteral("ru-RU");
    info.categories = {QStringLiteral("Other")};
    info.event = QStringLiteral("Проверка оповещения");
    info.urgency = Urgency::Immediate;
    info.severity = Severity::Severe;
    info.certainty = Certainty::Observed;
    info.effective = now;
    info.expires = now.addSecs(seconds);
    info.senderName = QStringLiteral("Станция");
    info.headline = QStringLiteral("Проверка системы оповещения");
    info.description = QStringLiteral(
        "Это проверка системы оповещения станции. Никакой "
        "опасности нет.");
    info.instruction = QStringLiteral("Никаких действий не требуется.");
    alert.infos.push_back(info);
    return alert;
}

}  // namespace velumo::alerts
