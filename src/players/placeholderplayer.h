#pragma once

#include "players/contentplayer.h"

namespace velumo {

// Stands in for a kind whose player is not built: it takes every request, shows nothing and
// reports nothing. What is left of the content is the registry's "player" events in
// velumo.log.
class PlaceholderPlayer final : public ContentPlayer {
    Q_OBJECT
public:
    using ContentPlayer::ContentPlayer;

    void start(const PlayerRequest&) override {}
    void stop() override {}
    void park() override {}
};

}  // namespace velumo
