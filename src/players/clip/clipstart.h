#pragma once

#include <QString>
#include <functional>

#include "players/playerrequest.h"

namespace velumo {

class ContentPlayers;
class Settings;

// StartAvi and StopAvi, the "clip start" and "clip stop" commands: the clip of the line in
// SCEdit10 on the clip player chosen on the "Видео клипы" page (ClipPlayerChoice), started and
// stopped through the players as an entry of its kind, which the dispatcher's next start of
// that kind takes over. The request is built by the dispatcher's rules for a letter and a line
// (playerrequests::resolveAvi), handed in where the rooms are wired.
class ClipStart {
public:
    using Request = std::function<PlayerRequest(QChar letter, const QString& line)>;

    ClipStart(const Settings& settings, ContentPlayers& players, Request request);

    void StartAvi();
    void StopAvi();

private:
    const Settings& m_settings;
    ContentPlayers& m_players;
    Request m_request;
};

}  // namespace velumo
