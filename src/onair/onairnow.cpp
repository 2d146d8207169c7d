#include "onairnow.h"

#include "players/contentkind.h"

namespace velumo {

const OnAirNow::Player* OnAirNow::player(QChar letter) const
{
    for (const Player& entry : players)
        if (entry.request.letter == letter)
            return &entry;
    return nullptr;
}

QList<PlayerRequest> OnAirNow::showing() const
{
    QList<PlayerRequest> out;
    for (const Player& entry : players)
        if (!entry.failed)
            out.append(entry.request);
    return out;
}

QList<OnAirNow::Player> OnAirNow::onScreen() const
{
    QList<Player> out;
    for (const ContentKind& kind : ContentKind::all()) {
        const Player* shown = nullptr;
        for (const Player& entry : byHand)
            if (entry.request.letter == kind.qLetter())
                shown = &entry;
        if (!shown)
            if (const Player* entry = player(kind.qLetter()); entry && !entry->failed)
                shown = entry;
        if (shown)
            out.append(*shown);
    }
    return out;
}

QString OnAirNow::failedLetters() const
{
    QString out;
    for (const Player& entry : players)
        if (entry.failed)
            out += entry.request.letter;
    return out;
}

bool OnAirNow::onAir() const
{
    return (strip && strip->running) || !showing().isEmpty();
}

}  // namespace velumo
