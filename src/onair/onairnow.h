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

    // Entries in the order of the letters k, b, p, f, w, t; failed ones among them.
    QList<Player> players;
    // Unknown (none) where the model watches no strip or no dispatcher.
    std::optional<Strip> strip;
    std::optional<Dispatcher> dispatcher;
    // The schedule line the dispatcher started last, and when.
    QString planLine;
    QDateTime planLineSince;
    QList<Alert> alerts;

    // The entry of a letter, null when it has none.
    const Player* player(QChar letter) const;
    // The requests of the content on the screen (entries that have not failed).
    QList<PlayerRequest> showing() const;
    // The letters whose entry failed.
    QString failedLetters() const;
    // Anything a restart would bring back: the strip runs or content is showing.
    bool onAir() const;
};

}  // namespace velumo
