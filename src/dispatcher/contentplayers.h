#pragma once

#include <QString>

namespace velumo {

// The content kinds the dispatcher starts besides the ticker.
enum class PlayerKind {
    Clip,       // k: the internal clip player
    BSPlayer,   // b: the external player
    SlideShow,  // p: a slide show
    Flash,      // f: a Flash movie
    Web,        // w: a web page
    Capture,    // t: the live picture of the capture device
};

// "avi", "bsp", "ppt", "flash", "www", "tt": the ContentKind a start leaves behind.
QString contentKindName(PlayerKind kind);
// The content letter of a kind ("k", "b"...).
QString playerLetter(PlayerKind kind);

// What the dispatcher asks of the content players: every kind is started, stopped and parked
// the same way. start() takes the slot text of the schedule line (the digit after the content
// letter; the players resolve it). stop() unloads or closes the content; for the web page it
// moves the window above the screen and keeps it open, for the capture it makes the capture
// inactive and hides its window. park() keeps the content loaded so that the next start of its
// kind shows it again (clips, the external player, slide shows).
class ContentPlayers {
public:
    virtual ~ContentPlayers() = default;
    virtual void start(PlayerKind kind, const QString& slot) = 0;
    virtual void stop(PlayerKind kind) = 0;
    virtual void park(PlayerKind kind) = 0;
};

}  // namespace velumo
