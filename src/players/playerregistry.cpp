#include "playerregistry.h"

#include "base/eventlog.h"
#include "base/guard.h"
#include "players/placeholderplayer.h"

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
                       write(QStringLiteral("started ") + subject(kind));
                       if (kind.state == State::Running)
                           emit contentOnScreen(kind.letter);
                   });
    connectGuarded(
        player, &ContentPlayer::failed, this, Origin::unattended(QStringLiteral("playerregistry")),
        [this, &kind](const QString& reason) {
            write(QStringLiteral("failed ") + subject(kind) + QStringLiteral(": ") + reason);
        });
    connectGuarded(player, &ContentPlayer::ended, this,
                   Origin::unattended(QStringLiteral("playerregistry")), [this, &kind] {
                       write(QStringLiteral("ended ") + subject(kind));
                       if (kind.state == State::Running && kind.endEndsEntry)
                           emit entryEnded(kind.letter);
                   });
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

void PlayerRegistry::write(const QString& text)
{
    m_log.write(QStringLiteral("player"), text);
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
        write(QStringLiteral("failed ") + subject(kind) + QStringLiteral(": ") +
              currentExceptionText());
        throw;
    }
}

void PlayerRegistry::start(const PlayerRequest& request)
{
    write(QStringLiteral("start ") + request.letter + u' ' + request.slot);
    Kind* kind = find(request.letter);
    if (!kind)
        return;
    kind->state = State::Running;
    kind->slot = request.slot;
    kind->target = request.target;
    emit startRequested(request.letter);
    call(*kind, [&](ContentPlayer& player) { player.start(request); });
}

void PlayerRegistry::stop(QChar letter)
{
    write(QStringLiteral("stop ") + letter);
    Kind* kind = find(letter);
    if (!kind)
        return;
    kind->state = State::Idle;
    call(*kind, [](ContentPlayer& player) { player.stop(); });
    write(QStringLiteral("stopped ") + subject(*kind));
}

void PlayerRegistry::park(QChar letter)
{
    write(QStringLiteral("park ") + letter);
    Kind* kind = find(letter);
    if (!kind)
        return;
    kind->state = State::Parked;
    call(*kind, [](ContentPlayer& player) { player.park(); });
    write(QStringLiteral("parked ") + subject(*kind));
}

}  // namespace velumo
