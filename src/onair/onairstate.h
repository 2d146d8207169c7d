#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "players/playerrequest.h"

namespace velumo {

// What the station has on air, as a restart after an unclean end needs it: the strip and the
// announcement it goes on with, the dispatcher and its plan, the content the players show.
// Kept as JSON in velumo.state in the program folder; the file exists only while the program
// runs, or after a stop by a signal (a service's stop or restart), so finding one at start-up
// means the last run did not end by the operator's exit.
struct OnAirState {
    bool tickerRunning = false;
    // The block file the strip reads (SCEdit5) and the line whose announcement comes next.
    QString blockFile;
    int nextLine = 0;
    bool dispatcherOn = false;
    QString planFile;
    // The content letters whose stop the dispatcher had armed: the line it ran was still on air
    // (also when it was the day's last and the dispatcher had switched itself off).
    QString dispatcherStops;
    // The running content, one request a letter.
    QList<PlayerRequest> players;
    // The signal that stopped the run that kept this ("SIGTERM"); empty: the run did not end.
    QString stoppedBy;

    // Anything that a restart would bring back.
    bool onAir() const { return tickerRunning || !players.isEmpty(); }

    QByteArray toJson() const;
    // Nothing for bytes that are no state of ours (a file cut short, another program's).
    static std::optional<OnAirState> fromJson(const QByteArray& bytes);

    bool operator==(const OnAirState& other) const;
};

}  // namespace velumo
