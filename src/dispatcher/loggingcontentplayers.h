#pragma once

#include "dispatcher/contentplayers.h"

namespace velumo {

class EventLog;

// Stands in for the content players until they are wired in: every request becomes a
// "player" event of velumo.log ("start k 3", "park p", "stop w") and nothing else happens.
class LoggingContentPlayers final : public ContentPlayers {
public:
    explicit LoggingContentPlayers(EventLog& log) : m_log(log) {}
    void start(PlayerKind kind, const QString& slot) override;
    void stop(PlayerKind kind) override;
    void park(PlayerKind kind) override;

private:
    EventLog& m_log;
};

}  // namespace velumo
