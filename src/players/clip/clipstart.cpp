#include "clipstart.h"

#include "base/settings.h"
#include "base/settingskeys.h"
#include "players/contentplayers.h"

namespace velumo {

ClipStart::ClipStart(const Settings& settings, ContentPlayers& players, Request request)
    : m_settings(settings), m_players(players), m_request(std::move(request))
{
}

void ClipStart::StartAvi()
{
    const QChar letter = m_players.playerChoice().letter();
    m_players.start(m_request(letter, m_settings.text(key::SCEdit10)));
}

void ClipStart::StopAvi()
{
    m_players.stop(m_players.playerChoice().letter());
}

}  // namespace velumo
