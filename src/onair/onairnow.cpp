#include "onairnow.h"

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
