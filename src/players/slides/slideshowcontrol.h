#pragma once

namespace velumo {

class ContentPlayers;
class Notifier;
class Settings;
class SlideShowPlayer;

// The operations of the PowerPoint page that its buttons and the control commands share.
class SlideShowControl {
public:
    SlideShowControl(Settings& settings, Notifier& notifier, SlideShowPlayer& player,
                     ContentPlayers& players);

    // The test run: StartPPT with the text of SCEdit1, through the players as a dispatcher
    // start would go (Timer_ppt then ends it with StopPPT).
    void SCButton18Click();
    // Direct output on: the second screen is chosen (the message when there is none) and
    // SCCheckbox27 is ticked whatever the outcome.
    void SCButton16Click();
    // Direct output off: the first screen, and SCCheckbox27 cleared.
    void SCButton19Click();

private:
    Settings& m_settings;
    Notifier& m_notifier;
    SlideShowPlayer& m_player;
    ContentPlayers& m_players;
};

}  // namespace velumo
