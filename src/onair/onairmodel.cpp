#include "onairmodel.h"

#include "base/eventlog.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/entryhandlers.h"
#include "dispatcher/walltimer.h"
#include "ticker/tickerengine.h"

namespace velumo {

namespace {

// The order of the entries, as velumo.state and the status line list them.
const QString kLetters = QStringLiteral("kbpfwt");

Origin origin()
{
    return Origin::unattended(QStringLiteral("onair"));
}

}  // namespace

OnAirModel::OnAirModel(EventLog& events, QObject* parent) : QObject(parent)
{
    connectGuarded(&events, &EventLog::posted, this, origin(), &OnAirModel::take);
}

OnAirModel::~OnAirModel() = default;

void OnAirModel::watch(Settings& settings, TickerEngine& ticker, DispatcherEngine& dispatcher)
{
    m_settings = &settings;
    m_ticker = &ticker;
    m_dispatcher = &dispatcher;
    // A new announcement only moves the line on; the strip's start and stop are more.
    connectGuarded(&ticker, &TickerEngine::onAirLineChanged, this, origin(), [this](int line) {
        emit changed(line >= 0 && m_ticker->TickerRunning() ? Part::Announcement : Part::Strip);
    });
    connectGuarded(&ticker, &TickerEngine::runningChanged, this, origin(),
                   [this] { emit changed(Part::Strip); });
    connectGuarded(&settings, &Settings::changed, this, origin(), [this](const QString& name) {
        if (name == QLatin1String(key::SCEdit5))
            emit changed(Part::Strip);
        // The stop fields change as the dispatcher arms and runs a line's stop.
        else if (name == QLatin1String(key::SCCheckBox6) || name == QLatin1String(key::SCEditn10) ||
                 name == QLatin1String(key::SCEdit10) || name == QLatin1String(key::SCEditn3) ||
                 name == QLatin1String(key::SCEditn6))
            emit changed(Part::Dispatcher);
    });
}

OnAirNow OnAirModel::now() const
{
    OnAirNow out;
    out.players = m_players;
    out.planLine = m_planLine;
    out.planLineSince = m_planLineSince;
    out.alerts = m_alerts;
    if (!m_settings || !m_ticker || !m_dispatcher)
        return out;
    const Settings& settings = *m_settings;
    out.strip = OnAirNow::Strip{m_ticker->TickerRunning(), settings.text(key::SCEdit5),
                                m_ticker->ResumeLine()};
    OnAirNow::Dispatcher dispatcher{settings.checked(key::SCCheckBox6),
                                    settings.text(key::SCEditn10), settings.text(key::SCEdit10),
                                    QString()};
    for (const QChar letter : QStringLiteral("skbpfwt"))
        if (const WallTimer* stop = m_dispatcher->handlers().stopTimer(QString(letter));
            stop && stop->isActive())
            dispatcher.stopsArmed.append(letter);
    out.dispatcher = dispatcher;
    return out;
}

const OnAirNow::Player* OnAirModel::player(QChar letter) const
{
    const qsizetype index = indexOf(letter);
    return index >= 0 ? &m_players[index] : nullptr;
}

void OnAirModel::setAlerts(QList<OnAirNow::Alert> alerts)
{
    m_alerts = std::move(alerts);
    emit changed(Part::Alerts);
}

qsizetype OnAirModel::indexOf(QChar letter) const
{
    for (qsizetype i = 0; i < m_players.size(); ++i)
        if (m_players[i].request.letter == letter)
            return i;
    return -1;
}

void OnAirModel::take(const Event& event)
{
    if (const PlayerEvent* player = event.as<PlayerEvent>()) {
        takePlayer(*player, event.time);
    } else if (const StartEvent* start = event.as<StartEvent>()) {
        m_planLine = start->line;
        m_planLineSince = event.time;
        emit changed(Part::PlanLine);
    }
}

void OnAirModel::close(qsizetype index, OnAirEnd end)
{
    const OnAirNow::Player entry = m_players.takeAt(index);
    emit entryClosed(entry, end);
}

void OnAirModel::takePlayer(const PlayerEvent& event, const QDateTime& at)
{
    using What = PlayerEvent::What;
    const qsizetype index = indexOf(event.letter);
    OnAirNow::Player* entry = index >= 0 ? &m_players[index] : nullptr;
    switch (event.what) {
        case What::Start: {
            // A letter without a player shows nothing.
            if (!event.aboutContent)
                return;
            m_ending.remove(event.letter);
            if (entry)
                close(index, {OnAirEnd::How::Stopped, at, std::nullopt, QString()});
            OnAirNow::Player opened;
            opened.request.letter = event.letter;
            opened.request.slot = event.slot;
            opened.request.target = event.target;
            opened.request.rect = event.rect;
            opened.request.screen = event.screen;
            opened.request.planLine = event.planLine;
            opened.since = at;
            qsizetype place = 0;
            while (place < m_players.size() && kLetters.indexOf(m_players[place].request.letter) <
                                                   kLetters.indexOf(event.letter))
                ++place;
            m_players.insert(place, opened);
            emit entryOpened(opened);
            break;
        }
        case What::Recovered: {
            // Failed content back on the screen: its entry closed at the failure, and its air
            // from the return on is a new one with the same request.
            if (!entry || !entry->failed)
                return;
            OnAirNow::Player back = *entry;
            back.since = at;
            back.firstPicture = QDateTime();
            back.ended = false;
            back.failed = false;
            back.failure.clear();
            *entry = back;
            emit entryOpened(back);
            break;
        }
        case What::Started:
            if (!entry || !event.first || entry->failed || entry->firstPicture.isValid())
                return;
            entry->firstPicture = at;
            break;
        case What::Ended:
            if (!entry || entry->failed || entry->ended)
                return;
            entry->ended = true;
            break;
        case What::Failed: {
            // Once an entry: what fails again adds nothing.
            if (!entry || entry->failed)
                return;
            const OnAirEnd end{OnAirEnd::How::Failed, at, event.seconds, event.reason};
            // A stop or park that failed ends its entry all the same.
            if (m_ending.contains(event.letter)) {
                m_ending.remove(event.letter);
                close(index, end);
                break;
            }
            // Off the screen, but the entry lasts until its stop.
            entry->failed = true;
            entry->failure = event.reason;
            emit entryClosed(*entry, end);
            break;
        }
        case What::Stop:
        case What::Park:
            if (!entry)
                return;
            // A failed entry has no "stopped" or "parked" of its own: its request ends it.
            if (!entry->failed) {
                m_ending.append(event.letter);
                return;
            }
            m_players.removeAt(index);
            break;
        case What::Stopped:
        case What::Parked:
            m_ending.remove(event.letter);
            if (!entry || entry->failed)
                return;
            close(index, {event.what == What::Parked ? OnAirEnd::How::Parked
                          : entry->ended             ? OnAirEnd::How::Ended
                                                     : OnAirEnd::How::Stopped,
                          at, event.seconds, QString()});
            break;
    }
    emit changed(Part::Players);
}

}  // namespace velumo
