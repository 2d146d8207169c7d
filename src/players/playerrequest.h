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
    // The screen the content fills instead of rect (a slide show with direct output: the
    // second screen, 1); -1 for none.
    int screen = -1;
    // The schedule line whose start handler asked for the content; empty for a start by hand.
    QString planLine = {};
    // The stop mode is not part of a request: whether a stop parks is the dispatcher's stop
    // handler's decision, taken from the stop code of the entry started last when the stop comes.
};

}  // namespace velumo
