#pragma once

#include <QString>
#include <functional>

namespace velumo {

class ControlServer;
class PlaybackLog;
class RssFeed;
class Settings;
class TickerBlock;
class TickerEngine;

// What the ticker's commands drive; the text page's part comes in as functions.
struct TickerCommandTargets {
    TickerBlock& block;
    TickerEngine& engine;
    PlaybackLog& playbackLog;
    const Settings& settings;
    // A cell being edited reaches the block now.
    std::function<void()> flushEdits;
    // The block file read off the user-interface thread; done(error) when it is in place.
    std::function<void(const QString& path, std::function<void(const QString& error)> done)>
        loadBlock;
    std::function<void(const QString& path)> saveBlock;
};

// The commands "block ...", "ticker ...", "phrase", "log write" and the status members "block"
// and "ticker".
void addTickerCommands(ControlServer& control, TickerCommandTargets targets);

// The command "rss read" and the status member "rss".
void addFeedCommands(ControlServer& control, RssFeed& rss);

}  // namespace velumo
