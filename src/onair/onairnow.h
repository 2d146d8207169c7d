#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

#include "players/playerrequest.h"

namespace velumo {

// What is on air at one moment, as the on-air model answers it (OnAirModel::now()).
struct OnAirNow {
    // The content of a player's entry, from its start to its stop, park or failure.
    struct Player {
        // As the start asked for it: letter, slot, file or address, place, plan line.
        PlayerRequest request;
        // When the start was asked.
        QDateTime since;
        // When its first picture reached the screen; invalid until then.
        QDateTime firstPicture;
        // The content ended by itself; its last picture stays until the entry's stop.
        bool ended = false;
        // The content failed: it is off the screen until the entry's stop or park.
        bool failed = false;
        QString failure;
    };
    struct Strip {
        bool running = false;
        // The block file the strip reads and the line whose announcement comes next.
        QString blockFile;
        int nextLine = 0;
    };
    struct Dispatcher {
        bool on = false;
        QString planFile;
        // The schedule line it ran last, or the engine's own word for what it waits for.
        QString current;
        // The content letters whose stop it has armed.
        QString stopsArmed;
    };
    // An emergency alert over the picture: the alerts' board hands them in (setAlerts) and every
    // reader of the model sees them with the rest.
    struct Alert {
        QString id;  // sender and identifier
        QString sender;
        QString identifier;
        QDateTime sent;
        QString severity;
        QString urgency;
        QString display;  // "band" or "strip"
        QString headline;
        QString mark;  // «УЧЕБНОЕ», «ТЕСТ» or empty
        QString source;
        QDateTime since;
        QDateTime until;  // invalid: until cancelled
    };

    // The plan's entries (the dispatcher's, StartAvi's, a slide show's test), in the order of
    // the table of kinds; failed ones among them.
    QList<Player> players;
    // Content the operator put on the screen with a player's own buttons or commands, outside
    // the plan ("web show", "flash start", "clip test", "capture start"), one entry a kind in
    // the table's order, as its player reports it. It is on the public screen, so the service's
    // status line and the fleet's on_air name it; velumo.state, the journal and the metrics
    // count the plan's entries only (a restart does not bring a test back).
    QList<Player> byHand;
    // Unknown (none) where the model watches no strip or no dispatcher.
    std::optional<Strip> strip;
    std::optional<Dispatcher> dispatcher;
    // The schedule line the dispatcher started last, and when.
    QString planLine;
    QDateTime planLineSince;
    QList<Alert> alerts;

    // The entry of a letter, null when it has none.
    const Player* player(QChar letter) const;
    // The requests of the plan's content on the screen (entries that have not failed).
    QList<PlayerRequest> showing() const;
    // All content on the screen, one entry a kind in the table's order: the plan's entries that
    // have not failed, and content by hand, which stands in place of its kind's entry (it came
    // later: a start of the plan takes it off).
    QList<Player> onScreen() const;
    // The letters whose entry failed.
    QString failedLetters() const;
    // Anything a restart would bring back: the strip runs or content is showing.
    bool onAir() const;
};

}  // namespace velumo
