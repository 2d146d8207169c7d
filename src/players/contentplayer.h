#pragma once

#include <QObject>
#include <QString>

#include "players/playerrequest.h"

namespace velumo {

// One kind of content the dispatcher starts besides the ticker: the internal clip player, the
// external player, slide shows, Flash movies, web pages, the capture. Each kind has one
// player. start() shows the request's content at its rectangle; a kind that parks shows its
// parked content again instead of loading (clips, slide shows) or takes the new file into the
// same player window (the external player). stop() unloads or closes the content; the web page
// only moves above the screen and stays open, the capture becomes inactive and hides.
// park() keeps the content loaded and out of sight until the next start of its kind.
//
// A player reports back through its signals; it may do so during start() or later.
class ContentPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void start(const PlayerRequest& request) = 0;
    virtual void stop() = 0;
    virtual void park() = 0;
    // A stop that the next start of the same kind follows at once: a player that changes its
    // content without a gap keeps its last picture until that start replaces it (and stops by
    // itself when none comes); the others just stop.
    virtual void handOver() { stop(); }
    // Puts content that failed, and has loaded since at a later try (recovered() said so), back
    // at its place on the screen; the registry asks it while the failed entry still runs. A
    // kind that never tries again has nothing to put back.
    virtual void showAgain() {}

signals:
    // The content is on the screen (the first picture of a clip, the first slide...).
    void onScreen();
    // The content ended by itself (a slide show after its last slide).
    void ended();
    // The content cannot be shown; reason is for velumo.log.
    void failed(const QString& reason);
    // Content that failed has loaded at a later try (a web page whose server answers again);
    // it is still off the screen until showAgain().
    void recovered();
};

}  // namespace velumo
