#include "slideshowcontrol.h"

#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "players/contentplayers.h"
#include "players/slides/slideshowplayer.h"

namespace velumo {

SlideShowControl::SlideShowControl(Settings& settings, Notifier& notifier, SlideShowPlayer& player,
                                   ContentPlayers& players)
    : m_settings(settings), m_notifier(notifier), m_player(player), m_players(players)
{
}

void SlideShowControl::SCButton18Click()
{
    m_players.start(SlideShowPlayer::testRunRequest(m_settings, m_notifier));
}

void SlideShowControl::SCButton16Click()
{
    m_player.ChangeMonitorPPT();
    m_settings.setChecked(key::SCCheckbox27, true);
}

void SlideShowControl::SCButton19Click()
{
    m_settings.setChecked(key::SCCheckbox27, false);
}

}  // namespace velumo
