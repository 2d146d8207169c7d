#include "playerregistry.h"

#include <QScopeGuard>

#include "base/eventlog.h"
#include "base/guard.h"
#include "players/placeholderplayer.h"

#include <QTimer>

namespace velumo {

PlayerRegistry::PlayerRegistry(EventLog& log, PlayerSet players, QObject* parent)
    : ContentPlayers(parent),
      m_log(log),
      m_kinds{{{u'k', &players.clip},
               {u'b', &players.external},
               {u'p', &players.slideShow, true},
               {u'f', &players.flash},
               {u'w', &players.web},
               {u't', &players.capture}}}
{
    for (Kind& kind : m_kinds)
        bind(kind);
}

PlayerRegistry::~PlayerRegistry() = default;

std::unique_ptr<PlayerRegistry> PlayerRegistry::withPlaceholders(EventLog& log)
{
    std::vector<std::unique_ptr<ContentPlayer>> owned;
    for (int i = 0; i < 6; ++i)
        owned.push_back(std::make_unique<PlaceholderPlayer>());
    auto registry = std::make_unique<PlayerRegistry>(
        log, PlayerSet{*owned[0], *owned[1], *owned[2], *owned[3], *owned[4], *owned[5]});
    registry->m_owned = std::move(owned);
    return registry;
}

void PlayerRegistry::bind(Kind& kind)
{
    ContentPlayer* player = kind.player;
    connectGuarded(player, &ContentPlayer::onScreen, this,
                   Origin::unattended(QStringLiteral("playerregistry")), [this, &kind] {
                       const bool counts = kind.state == State::Running && !kind.failed;
                       const bool first = counts && !kind.onScreen.isValid();
                       if (first)
                           kind.onScreen.start();
                       write(QStringLiteral("started ") + subject(kind), &kind,
                             {.what = PlayerEvent::What::Started, .first = first});
                       if (counts)
                           emit contentOnScreen(kind.letter);
                   });
    connectGuarded(player, &ContentPlayer::failed, this,
                   Origin::unattended(QStringLiteral("playerregistry")),
                   [this, &kind](const QString& reason) {
                       // A failure of content whose entry is over (a page refreshed after its
                       // line) or that failed already is not news.
                       if (kind.state != State::Running || kind.failed)
                           return;
                       fail(kind, reason);
                   });
    connectGuarded(player, &ContentPlayer::recovered, this,
                   Origin::unattended(QStringLiteral("playerregistry")), [this, &kind] {
                       // Content of an entry that is over, or that never failed, stays as it is.
                       if (kind.state == State::Running && kind.failed)
                           bringBack(kind);
                   });
    connectGuarded(
        player, &ContentPlayer::ended, this, Origin::unattended(QStringLiteral("playerregistry")),
        [this, &kind] {
            write(QStringLiteral("ended ") + subject(kind), &kind,
                  {.what = PlayerEvent::What::Ended, .running = kind.state == State::Running});
            if (kind.state == State::Running && kind.endEndsEntry)
                emit entryEnded(kind.letter);
        });
}

void PlayerRegistry::fail(Kind& kind, const QString& reason)
{
    writeFailed(kind, reason);
    kind.failed = true;
    kind.onScreen.invalidate();
    emit contentFailed(kind.letter, reason);
    takeOff(kind);
}

void PlayerRegistry::takeOff(Kind& kind)
{
    // Off the screen at once, but not from inside the player's own report: the stop runs when
    // the event loop is back, if the entry is still the failed one.
    const quint64 entry = kind.entry;
    singleShotGuarded(0, this, Origin::unattended(QStringLiteral("players")), [this, &kind, entry] {
        if (kind.entry != entry || kind.state != State::Running)
            return;
        try {
            kind.player->stop();
        } catch (...) {
            writeFailed(kind, currentExceptionText());
        }
    });
}

void PlayerRegistry::bringBack(Kind& kind)
{
    // The entry's request goes with it: from here its content is on air as from a start.
    write(QStringLiteral("recovered ") + subject(kind), &kind,
          {.what = PlayerEvent::What::Recovered,
           .planLine = kind.request.planLine,
           .rect = kind.request.rect,
           .screen = kind.request.screen});
    // A take-off still queued for the failure is no longer wanted.
    ++kind.entry;
    const auto announce = qScopeGuard([this, &kind] { emit stateChanged(kind.letter); });
    call(kind, [](ContentPlayer& player) { player.showAgain(); });
    kind.failed = false;
    kind.onScreen.start();
    write(QStringLiteral("started ") + subject(kind), &kind,
          {.what = PlayerEvent::What::Started, .first = true});
    emit contentOnScreen(kind.letter);
}

bool PlayerRegistry::failed(QChar letter) const
{
    const Kind* kind = find(letter);
    return kind && kind->state == State::Running && kind->failed;
}

QString PlayerRegistry::timeOnScreen(const Kind& kind)
{
    if (!kind.onScreen.isValid())
        return QString();
    return QStringLiteral(" (on screen %1 s)").arg(kind.onScreen.elapsed() / 1000.0, 0, 'f', 1);
}

std::optional<double> PlayerRegistry::secondsOnScreen(const Kind& kind)
{
    if (!kind.onScreen.isValid())
        return std::nullopt;
    return kind.onScreen.elapsed() / 1000.0;
}

PlayerRegistry::Kind* PlayerRegistry::find(QChar letter)
{
    for (Kind& kind : m_kinds)
        if (kind.letter == letter)
            return &kind;
    return nullptr;
}

const PlayerRegistry::Kind* PlayerRegistry::find(QChar letter) const
{
    return const_cast<PlayerRegistry*>(this)->find(letter);
}

PlayerRegistry::State PlayerRegistry::state(QChar letter) const
{
    const Kind* kind = find(letter);
    return kind ? kind->state : State::Idle;
}

void PlayerRegistry::write(const QString& text, const Kind* kind, PlayerEvent event)
{
    if (kind) {
        event.letter = kind->letter;
        event.aboutContent = true;
        event.slot = kind->slot;
        event.target = kind->target;
    }
    m_log.post(std::move(event), text);
}

void PlayerRegistry::writeFailed(const Kind& kind, const QString& reason)
{
    write(QStringLiteral("failed ") + subject(kind) + QStringLiteral(": ") + reason, &kind,
          {.what = PlayerEvent::What::Failed, .reason = reason, .seconds = secondsOnScreen(kind)});
}

QString PlayerRegistry::subject(const Kind& kind)
{
    QString text = kind.letter;
    if (!kind.slot.isEmpty())
        text += u' ' + kind.slot;
    if (!kind.target.isEmpty())
        text += u' ' + kind.target;
    return text;
}

template <typename Call>
void PlayerRegistry::call(Kind& kind, Call&& body)
{
    try {
        body(*kind.player);
    } catch (...) {
        writeFailed(kind, currentExceptionText());
        throw;
    }
}

void PlayerRegistry::start(const PlayerRequest& request)
{
    Kind* kind = find(request.letter);
    const QString text = QStringLiteral("start ") + request.letter + u' ' + request.slot;
    if (!kind) {
        write(text, nullptr,
              {.what = PlayerEvent::What::Start,
               .letter = request.letter,
               .planLine = request.planLine});
        return;
    }
    kind->request = request;
    kind->slot = request.slot;
    kind->target = request.target;
    write(text, kind,
          {.what = PlayerEvent::What::Start,
           .planLine = request.planLine,
           .rect = request.rect,
           .screen = request.screen});
    kind->state = State::Running;
    kind->failed = false;
    kind->onScreen.invalidate();
    ++kind->entry;
    emit startRequested(request.letter);
    const auto announce =
        qScopeGuard([this, letter = request.letter] { emit stateChanged(letter); });
    try {
        kind->player->start(request);
    } catch (...) {
        // The handler that asked reports it; the entry counts as failed, and what its start
        // may have put up (a black window) goes.
        if (!kind->failed) {
            writeFailed(*kind, currentExceptionText());
            kind->failed = true;
            takeOff(*kind);
        }
        throw;
    }
}

void PlayerRegistry::stop(QChar letter)
{
    endEntry(letter, State::Idle, &ContentPlayer::stop, PlayerEvent::What::Stop,
             PlayerEvent::What::Stopped);
}

QList<PlayerRequest> PlayerRegistry::runningRequests() const
{
    QList<PlayerRequest> out;
    for (const Kind& kind : m_kinds)
        if (kind.state == State::Running && !kind.failed)
            out.append(kind.request);
    return out;
}

void PlayerRegistry::handOver(QChar letter)
{
    endEntry(letter, State::Idle, &ContentPlayer::handOver, PlayerEvent::What::Stop,
             PlayerEvent::What::Stopped);
}

void PlayerRegistry::park(QChar letter)
{
    endEntry(letter, State::Parked, &ContentPlayer::park, PlayerEvent::What::Park,
             PlayerEvent::What::Parked);
}

void PlayerRegistry::endEntry(QChar letter, State next, void (ContentPlayer::*request)(),
                              PlayerEvent::What asked, PlayerEvent::What done)
{
    Kind* kind = find(letter);
    write(PlayerEvent::name(asked) + u' ' + letter, nullptr, {.what = asked, .letter = letter});
    if (!kind)
        return;
    const bool failed = kind->state == State::Running && kind->failed;
    kind->state = next;
    ++kind->entry;
    const auto announce = qScopeGuard([this, letter] { emit stateChanged(letter); });
    call(*kind, [request](ContentPlayer& player) { (player.*request)(); });
    // A failed entry ended with its "failed".
    if (!failed)
        write(PlayerEvent::name(done) + u' ' + subject(*kind) + timeOnScreen(*kind), kind,
              {.what = done, .seconds = secondsOnScreen(*kind)});
    kind->onScreen.invalidate();
}

}  // namespace velumo
