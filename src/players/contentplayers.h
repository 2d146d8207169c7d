#pragma once

#include <QObject>

#include "players/clip/clipplayerchoice.h"
#include "players/playerrequest.h"

namespace velumo {

// The content players as the dispatcher's start and stop handlers see them (PlayerRegistry):
// one player for each content letter k, b, p, f, w, t.
class ContentPlayers : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void start(const PlayerRequest& request) = 0;
    virtual void stop(QChar letter) = 0;
    virtual void park(QChar letter) = 0;
    // A stop that the next start of the same letter follows within a second.
    virtual void handOver(QChar letter) { stop(letter); }

    // The player choice of clips, kept here where the dispatcher's handlers and the clip page
    // both reach it; the k and b start handlers set it.
    ClipPlayerChoice& playerChoice() { return m_playerChoice; }
    const ClipPlayerChoice& playerChoice() const { return m_playerChoice; }

signals:
    // The content of a running entry ended by itself in a way that ends the entry: the stop
    // handler of that letter is due now (a slide show that has shown its last slide).
    void entryEnded(QChar letter);
    // The content of a running entry has put its first picture on the screen (a slide show's
    // first slide may come seconds after its start, once the file is converted).
    void contentOnScreen(QChar letter);

private:
    ClipPlayerChoice m_playerChoice;
};

}  // namespace velumo
