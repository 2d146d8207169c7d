#pragma once

#include <QRect>
#include <QString>

namespace velumo {

// What a start hands to the player of its kind.
struct PlayerRequest {
    // The content letter: k (internal clip player), b (external player), p (slide show),
    // f (Flash), w (web page), t (capture).
    QChar letter;
    // The slot text of the entry (the digit after the content letter).
    QString slot;
    // The file or web address the slot names; empty when the slot is empty. A slide show whose
    // slot is empty gets the slot text itself.
    QString target;
    // Where the window goes. Null for the external player, which places its own window.
    QRect rect;
    // StopCode at the start: the letter and the stop mode ("kz" parks at the stop).
    QString stopCode;
};

}  // namespace velumo
