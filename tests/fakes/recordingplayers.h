#pragma once

#include <QList>
#include <QStringList>

#include "players/contentplayer.h"
#include "players/playerregistry.h"

namespace velumo::test {

// The player of one kind; records what it was asked into a list shared by all kinds
// ("start k 3", "park p", "stop w") and keeps the requests it got.
class RecordingPlayer final : public ContentPlayer {
public:
    RecordingPlayer(QChar letter, QStringList& calls) : m_letter(letter), m_calls(calls) {}

    void start(const PlayerRequest& request) override
    {
        requests.append(request);
        m_calls.append(QStringLiteral("start ") + m_letter + u' ' + request.slot);
        if (failStart)
            throw std::runtime_error("the player failed");
    }
    void stop() override
    {
        m_calls.append(QStringLiteral("stop ") + m_letter);
        if (failStop)
            throw std::runtime_error("the player did not stop");
    }
    void park() override { m_calls.append(QStringLiteral("park ") + m_letter); }
    void showAgain() override { m_calls.append(QStringLiteral("show again ") + m_letter); }

    QList<PlayerRequest> requests;
    bool failStart = false;
    bool failStop = false;

private:
    QChar m_letter;
    QStringList& m_calls;
};

// One recording player for every kind behind the real registry.
struct RecordingPlayers {
    explicit RecordingPlayers(EventLog& log)
        : registry(log, {clip, external, slideShow, flash, web, capture})
    {
    }

    QStringList calls;
    RecordingPlayer clip{u'k', calls};
    RecordingPlayer external{u'b', calls};
    RecordingPlayer slideShow{u'p', calls};
    RecordingPlayer flash{u'f', calls};
    RecordingPlayer web{u'w', calls};
    RecordingPlayer capture{u't', calls};
    PlayerRegistry registry;
};

}  // namespace velumo::test
